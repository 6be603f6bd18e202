#include "audio/AudioDeviceWatch.h"

#include "audio/FilePlayerProcessor.h"

AudioDeviceWatch::AudioDeviceWatch (juce::AudioDeviceManager& m, std::function<void (const juce::String&)> lostFn,
                                    std::function<void()> backFn, int checkInterval, int retryInterval)
    : manager (m), onLost (std::move (lostFn)), onBack (std::move (backFn)), checkMs (checkInterval),
      retryMs (retryInterval)
{
    sawRunning = deviceRuns();
    startTimer (checkMs);
}

AudioDeviceWatch::~AudioDeviceWatch()
{
    stopTimer();
}

juce::String AudioDeviceWatch::getLostDeviceDescription() const
{
    return lostType + " \"" + lostSetup.outputDeviceName + "\"";
}

bool AudioDeviceWatch::deviceRuns() const
{
    auto* device = manager.getCurrentAudioDevice();
    return device != nullptr && device->isOpen() && device->isPlaying();
}

void AudioDeviceWatch::check()
{
    if (lost)
    {
        if (juce::Time::getMillisecondCounterHiRes() >= nextAttemptMs)
            tryAgain();
        return;
    }

    if (deviceRuns())
    {
        sawRunning = true;
        return;
    }

    // Only a device that ran and then stopped by itself counts: one the user
    // closes, or none at all, is not a loss.
    if (sawRunning && manager.getCurrentAudioDevice() != nullptr)
        deviceLost();
}

void AudioDeviceWatch::deviceLost()
{
    lost = true;
    sawRunning = false;
    lostType = manager.getCurrentAudioDeviceType();
    lostSetup = manager.getAudioDeviceSetup();

    auto* device = manager.getCurrentAudioDevice();
    auto reason = device != nullptr ? device->getLastError() : juce::String();
    if (reason.isEmpty())
        reason = lostType == "JACK" ? juce::String ("the JACK audio server has shut down")
                                    : "the device \"" + lostSetup.outputDeviceName + "\" is no longer available";

    // No audio thread will finish a fade now: stop both players at once, where
    // they are, so the show keeps its song and position.
    RaTracks::stop (0.0);

    // Closing frees the dead device; the manager keeps its setup for the retries.
    manager.closeAudioDevice();
    nextAttemptMs = juce::Time::getMillisecondCounterHiRes() + retryMs;

    if (onLost != nullptr)
        onLost (reason);
}

void AudioDeviceWatch::tryAgain()
{
    nextAttemptMs = juce::Time::getMillisecondCounterHiRes() + retryMs;

    if (manager.getCurrentAudioDeviceType() != lostType)
        manager.setCurrentAudioDeviceType (lostType, false);

    // The device type's list of names is from before the loss (a JACK server
    // lists its ports only while it runs): read it again first.
    if (auto* type = manager.getCurrentDeviceTypeObject())
    {
        type->scanForDevices();
        if (! type->getDeviceNames (false).contains (lostSetup.outputDeviceName))
            return;
    }

    auto setup = lostSetup;
    const auto error = manager.setAudioDeviceSetup (setup, true);
    if (error.isNotEmpty() || ! deviceRuns())
    {
        manager.closeAudioDevice();
        return;
    }

    lost = false;
    sawRunning = true;
    if (onBack != nullptr)
        onBack();
}
