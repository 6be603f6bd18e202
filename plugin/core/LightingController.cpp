#include "core/LightingController.h"

#include <algorithm>
#include <cmath>
#include <thread>

namespace lighting
{

LightingController::LightingController (juce::File file)
    : storeFile (std::move (file))
{
    auto xml = juce::XmlDocument::parse (storeFile);
    if (xml == nullptr || ! shows.fromXml (*xml))
    {
        // A fresh install (or an unreadable file, which is kept aside rather than
        // overwritten) starts with something to show.
        if (storeFile.existsAsFile())
            storeFile.copyFileTo (storeFile.withFileExtension (".unreadable.xml"));

        shows = ShowLibrary::makeStarterLibrary();
        markChanged();
        saveIfNeeded();
    }

    const juce::ScopedLock sl (lock);
    followOutputSettings();
}

LightingController::~LightingController()
{
    saveIfNeeded();
}

void LightingController::markChanged() noexcept
{
    ++changeCount;
}

bool LightingController::loadShow (const juce::String& name)
{
    const juce::ScopedLock sl (lock);
    if (! shows.loadShow (name))
        return false;
    markChanged(); // the loaded show is stored too
    followOutputSettings();
    return true;
}

//==============================================================================
bool LightingController::triggerPreset (const juce::String& bankName, const juce::String& presetName,
                                        float fadeSeconds)
{
    const juce::ScopedLock sl (lock);
    auto levels = shows.getLevels (bankName, presetName);
    if (! levels)
        return false;

    Cue cue { *levels, std::isfinite (fadeSeconds) ? juce::jmax (0.0f, fadeSeconds) : 0.0f };
    if (burstDepth > 0)
    {
        burstCue = cue;
        burstHasCue = true;
    }
    else
    {
        publishCue (cue);
    }
    return true;
}

void LightingController::beginCueBurst()
{
    const juce::ScopedLock sl (lock);
    if (burstDepth++ == 0)
        burstHasCue = false;
}

void LightingController::endCueBurst()
{
    const juce::ScopedLock sl (lock);
    if (burstDepth == 0 || --burstDepth > 0)
        return;

    if (burstHasCue)
        publishCue (burstCue);
    burstHasCue = false;
}

void LightingController::publishCue (const Cue& cue)
{
    // Called with the lock held, which keeps the handoff single-writer.
    handoff.publish (cue);
    if (outputWakeUp != nullptr)
        outputWakeUp->signal();
}

void LightingController::followOutputSettings()
{
    // Called with the lock held.
    const auto settings = shows.getOutputSettings();
    const bool changed = settings.enabled != outputEnabled.load() || settings.universe != outputUniverse.load();
    outputEnabled.store (settings.enabled);
    outputUniverse.store (settings.universe);
    if (changed && outputWakeUp != nullptr)
        outputWakeUp->signal();
}

DmxOutputSettings LightingController::getOutputSettings() const noexcept
{
    return { outputEnabled.load(), outputUniverse.load() };
}

void LightingController::setOutputWakeUp (juce::WaitableEvent* event)
{
    const juce::ScopedLock sl (lock);
    outputWakeUp = event;
}

//==============================================================================
void LightingController::setHostCallbacks (const HostApiTable* host) noexcept
{
    hostNext.store (host != nullptr ? host->vovirFswNext : nullptr);
    hostPrev.store (host != nullptr ? host->vovirFswPrev : nullptr);
}

void LightingController::footswitchNext() const noexcept
{
    if (auto* f = hostNext.load())
        f();
}

void LightingController::footswitchPrev() const noexcept
{
    if (auto* f = hostPrev.load())
        f();
}

//==============================================================================
bool LightingController::saveIfNeeded()
{
    const juce::ScopedLock saving (saveLock);
    std::unique_ptr<juce::XmlElement> xml;
    std::uint32_t count = 0;
    {
        const juce::ScopedLock sl (lock);
        count = changeCount.load();
        if (count == savedChangeCount)
            return true;
        xml = shows.toXml();
    }

    // Written outside the lock so the host's calls never wait for the disk.
    storeFile.getParentDirectory().createDirectory();
    if (! xml->writeTo (storeFile))
        return false;

    const juce::ScopedLock sl (lock);
    savedChangeCount = count;
    return true;
}

std::unique_ptr<juce::XmlElement> LightingController::createStateXml()
{
    const juce::ScopedLock sl (lock);
    return shows.toXml();
}

bool LightingController::restoreStateXml (const juce::XmlElement& xml)
{
    const juce::ScopedLock sl (lock);
    if (! shows.fromXml (xml))
        return false;
    markChanged();
    followOutputSettings();
    return true;
}

//==============================================================================
void LightingController::process (double seconds) noexcept
{
    if (auto* cue = handoff.fetch())
    {
        fader.start (cue->levels, cue->fadeSeconds);
        cuesApplied.fetch_add (1, std::memory_order_relaxed);
    }

    if (! fader.advance (seconds))
        return;

    // A sequence lock: readers retry while the serial is odd or has moved, so they
    // never see a frame that mixes two blocks. The writer never waits. (Release
    // stores and acquire loads instead of fences, which the thread sanitizer cannot
    // follow; on x86 both are plain moves.)
    const auto serial = outputSerial.load (std::memory_order_relaxed);
    outputSerial.store (serial + 1, std::memory_order_relaxed);
    for (int i = 0; i < numChannels; ++i)
        output[(size_t) i].store ((std::uint8_t) juce::roundToInt (fader.getLevel (i)), std::memory_order_release);
    outputSerial.store (serial + 2, std::memory_order_release);
}

std::uint32_t LightingController::readOutput (DmxLevels& dest) const noexcept
{
    for (int attempt = 0;; ++attempt)
    {
        const auto before = outputSerial.load (std::memory_order_acquire);
        if ((before & 1u) == 0)
        {
            for (size_t i = 0; i < dest.size(); ++i)
                dest[i] = output[i].load (std::memory_order_acquire);
            if (outputSerial.load (std::memory_order_relaxed) == before)
                return before;
        }
        if (attempt > 8)
            std::this_thread::yield(); // the audio thread was interrupted mid-write: let it finish
    }
}

std::uint8_t LightingController::getOutputLevel (int channel) const noexcept
{
    return juce::isPositiveAndBelow (channel, numChannels) ? output[(size_t) channel].load (std::memory_order_relaxed)
                                                           : (std::uint8_t) 0;
}

int LightingController::getOutputLevels (std::uint8_t* dest, int maxChannels) const noexcept
{
    const auto count = juce::jlimit (0, numChannels, maxChannels);
    DmxLevels frame;
    readOutput (frame);
    std::copy_n (frame.begin(), count, dest);
    return count;
}

} // namespace lighting
