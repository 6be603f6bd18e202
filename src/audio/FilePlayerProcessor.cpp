#include "audio/FilePlayerProcessor.h"

#include "app/Globals.h"
#include "ui/UserDialogs.h"

#include <algorithm>

FilePlayerProcessor* filePlayer = nullptr;
FilePlayerProcessor* filePlayerB = nullptr;
juce::AudioDeviceManager* playerDeviceManager = nullptr;

namespace
{
constexpr int timerIntervalMs = 66;
constexpr int readAheadFrames = 65535;
} // namespace

FilePlayerProcessor::FilePlayerProcessor()
    : juce::AudioProcessor (BusesProperties().withOutput ("Output", juce::AudioChannelSet::stereo(), true))
{
    readAheadThread.startThread();
    startTimer (timerIntervalMs);
    limiter = std::make_unique<Limiter> (44100.0);
    limiter->cookProperties();
}

FilePlayerProcessor::~FilePlayerProcessor()
{
    // The graph no longer runs this processor, so nothing on the audio thread can
    // hold a transport any more.
    if (filePlayer == this)
        filePlayer = nullptr;
    if (filePlayerB == this)
        filePlayerB = nullptr;

    limiter.reset();
    stopTimer();
    unloadSources();
    retired.clear();
    readAheadThread.stopThread (2000);
}

//==============================================================================
juce::String FilePlayerProcessor::sourceKey (const juce::String& path, double trimStart, double trimEnd)
{
    return path + "." + juce::String::formatted ("%.5f", trimStart) + "." + juce::String::formatted ("%.5f", trimEnd);
}

TrackTransport* FilePlayerProcessor::getTransport (const juce::String& key) const
{
    auto found = transports.find (key);
    return found != transports.end() ? found->second.get() : nullptr;
}

double FilePlayerProcessor::getCurrentPosition() const noexcept
{
    return currentTransport != nullptr ? currentTransport->getCurrentPosition() : 0.0;
}

void FilePlayerProcessor::broadcast (PlayerEvent::Code event)
{
    lastEvent = event;
    sendChangeMessage();
}

bool FilePlayerProcessor::hasOutputDevice()
{
    if (playerDeviceManager != nullptr)
        if (auto* device = playerDeviceManager->getCurrentAudioDevice())
            if (device->isOpen() && device->getActiveOutputChannels().countNumberOfSetBits() > 0)
                return true;
    return false;
}

const char* const FilePlayerProcessor::noDeviceText =
    "No audio output device is open.\n\nRaziviz Avodoru plays through a running JACK server or an ALSA sound "
    "card. Start the JACK server (or connect the sound card), then choose it in File > \"Preferences...\" > "
    "\"Audio/MIDI Devices\" (or restart Raziviz Avodoru: it opens the device it finds).";

std::function<void()> FilePlayerProcessor::tellDeviceLost;

bool FilePlayerProcessor::isOutputDeviceValid()
{
    if (hasOutputDevice())
        return true;

    if (tellDeviceLost != nullptr)
    {
        tellDeviceLost();
        return false;
    }

    userDialogs().showMessageBox (juce::MessageBoxIconType::InfoIcon, "Audio preferences not set up", noDeviceText);
    return false;
}

//==============================================================================
void FilePlayerProcessor::setCurrentTransport (TrackTransport* transport, juce::AudioFormatReaderSource* readerSource)
{
    currentTransport = transport;
    currentReaderSource = readerSource;
    audioTransport.store (transport);
}

void FilePlayerProcessor::releaseRetired()
{
    // See the class comment: an entry is free once no callback that might have read
    // its pointer is still running.
    const auto now = callbackCounter.load();
    retired.erase (std::remove_if (retired.begin(), retired.end(),
                                   [now] (const Retired& r) { return r.counterSeen % 2 == 0 || r.counterSeen != now; }),
                   retired.end());
}

void FilePlayerProcessor::unloadSources()
{
    cancelFollowOn();
    handedOverTo = nullptr;
    continuingTrack = false;

    if (currentTransport != nullptr)
    {
        currentTransport->stop();
        setCurrentTransport (nullptr, nullptr);
    }

    // Counter value after the handover: callbacks that start later see no transport.
    const auto seen = callbackCounter.load();

    for (auto& [key, transport] : transports)
    {
        transport->stop();
        readAheadThread.removeTimeSliceClient (transport.get());
        Retired entry;
        entry.transport = std::move (transport);
        auto source = readerSources.find (key);
        if (source != readerSources.end())
            entry.readerSource = std::move (source->second);
        entry.counterSeen = seen;
        retired.push_back (std::move (entry));
    }
    transports.clear();
    readerSources.clear();
    releaseRetired();
}

void FilePlayerProcessor::preloadAudioFiles (std::vector<juce::String> paths, std::vector<double> trimStarts,
                                             std::vector<double> trimEnds)
{
    if (paths.empty())
        return;

    unloadSources();

    for (size_t i = 0; i < paths.size(); ++i)
    {
        const auto& path = paths[i];
        if (path.isEmpty() || ! juce::File::isAbsolutePath (path) || formatManager == nullptr)
            continue;

        const auto trimStart = i < trimStarts.size() ? trimStarts[i] : 0.0;
        const auto trimEnd = i < trimEnds.size() ? trimEnds[i] : 0.0;
        const auto key = sourceKey (path, trimStart, trimEnd);
        if (readerSources.count (key) != 0)
            continue;

        std::unique_ptr<juce::AudioFormatReader> reader (formatManager->createReaderFor (juce::File (path)));
        if (reader == nullptr || reader->sampleRate <= 0.0)
            continue;

        const auto rate = reader->sampleRate;
        const auto total = reader->lengthInSamples;
        // Trims larger than the file (or negative ones) would give a negative range.
        const auto start = std::clamp<juce::int64> ((juce::int64) (trimStart * rate), 0, total);
        auto length = (juce::int64) (((double) total / rate - trimStart - trimEnd) * rate);
        length = std::clamp<juce::int64> (length, 0, std::max<juce::int64> (0, total - start));

        auto* subsection = new juce::AudioSubsectionReader (reader.release(), start, length, true);
        auto readerSource = std::make_unique<juce::AudioFormatReaderSource> (subsection, true);
        readerSource->setLooping (false);

        auto transport = std::make_unique<TrackTransport> (*readerSource, rate, readAheadFrames);
        transport->prepareToPlay (blockSize.load(), sampleRate.load());
        readAheadThread.addTimeSliceClient (transport.get());

        readerSources[key] = std::move (readerSource);
        transports[key] = std::move (transport);
    }
}

void FilePlayerProcessor::preloadAudioFile (juce::String path, double trimStart, double trimEnd)
{
    preloadAudioFiles ({ path }, { trimStart }, { trimEnd });
}

void FilePlayerProcessor::queueFollowOn (const juce::String& path, double trimStart, double trimEnd, bool loop)
{
    cancelFollowOn();

    auto* leader = filePlayer != nullptr ? filePlayer : this;
    TrackTransport* transport = nullptr;
    followOn.readerSource = nullptr;
    if (path.isNotEmpty())
    {
        const auto key = sourceKey (path, trimStart, trimEnd);
        transport = getTransport (key);
        auto source = readerSources.find (key);
        followOn.readerSource = source != readerSources.end() ? source->second.get() : nullptr;
    }
    followOn.path = path;
    followOn.length = followOn.readerSource != nullptr
                          ? (double)(float)((double)followOn.readerSource->getTotalLength() /
                                            followOn.readerSource->getAudioFormatReader()->sampleRate)
                          : 0.0;
    followOn.leader.store (leader);
    followOn.transport.store (transport);
    followOn.loop.store (loop);
    followOn.endsAtArming.store (leader->songEnds.load());
    followOn.generation.fetch_add (1, std::memory_order_release); // odd: armed
}

void FilePlayerProcessor::cancelFollowOn()
{
    auto generation = followOn.generation.load();
    if ((generation & 1u) != 0)
        followOn.generation.compare_exchange_strong (generation, generation + 1);
}

void FilePlayerProcessor::takeFollowOnIfDue() noexcept
{
    auto generation = followOn.generation.load (std::memory_order_acquire);
    const bool ownEnd = endPending;
    endPending = false;

    if ((generation & 1u) != 0)
    {
        auto* leader = followOn.leader.load();
        // Due once the leader's track has ended, in an earlier block, since arming.
        const bool due = leader->songEnds.load() > followOn.endsAtArming.load() &&
                         leader->lastEndBlock.load() < leader->blocksCounted.load();
        if (!due)
        {
            if (ownEnd) // armed again after this track ended: it ends as usual
                if (auto* old = audioTransport.load())
                    old->finishFromAudioThread();
            return;
        }

        auto* next = followOn.transport.load();
        const bool loop = followOn.loop.load();
        if (followOn.generation.compare_exchange_strong (generation, generation + 1))
        {
            if (auto* old = audioTransport.load())
                old->stop();
            if (next != nullptr)
                next->rewindFromAudioThread();
            audioTransport.store (next);
            looping = loop;
            fadingIn = false;
            fadingOut = false;
            fadeGain = 1.0f;
            followOnTaken = true;
            return;
        }
    }

    // The queued track was withdrawn after this track ended: it ends as usual.
    if (ownEnd)
        if (auto* old = audioTransport.load())
            old->finishFromAudioThread();
}

void FilePlayerProcessor::completeFollowOn()
{
    // The audio thread already plays the queued track (or nothing): the message
    // thread's view follows, and the show hears of the end as before.
    currentTransport = followOn.transport.load();
    currentReaderSource = followOn.readerSource;
    currentFile = followOn.path;
    songLength = followOn.length;
    loopOnLoad = followOn.loop.load();
    handedOverTo = currentTransport;
    playRequested = currentTransport != nullptr;
    if (currentTransport != nullptr)
        broadcast (PlayerEvent::reachedEnd);
}

void FilePlayerProcessor::loadFile (juce::String path, double trimStart, double trimEnd, bool loop)
{
    // The track the audio thread went on with at the end of the last one is
    // already current and playing: it is kept, not rewound.
    const bool handedOver = handedOverTo != nullptr && handedOverTo == currentTransport;
    handedOverTo = nullptr;
    continuingTrack = false;
    if (handedOver && path.isNotEmpty() && getTransport (sourceKey (path, trimStart, trimEnd)) == currentTransport &&
        currentTransport->isPlaying())
    {
        currentFile = path;
        loopOnLoad = loop;
        looping = loop;
        continuingTrack = true;
        return;
    }
    cancelFollowOn();

    // Without an output device nothing changes (the old track stays current).
    // Loading is not playing: the user is told only when something tries to play.
    if (playerDeviceManager != nullptr)
    {
        if (!hasOutputDevice())
            return;
        auto* device = playerDeviceManager->getCurrentAudioDevice();
        const auto rate = getSampleRate() > 0.0 ? getSampleRate() : sampleRate.load();
        outputLatency = rate > 0.0 ? (float) (device->getOutputLatencyInSamples() / rate) : 0.0f;
    }

    currentFile = path;
    loopOnLoad = loop;
    looping = loop;
    songLength = 0.0;

    if (currentTransport != nullptr)
    {
        currentTransport->stop();
        currentTransport->setNextReadPosition (0);
    }

    if (path.isNotEmpty())
    {
        const auto key = sourceKey (path, trimStart, trimEnd);
        auto* transport = getTransport (key);
        auto source = readerSources.find (key);
        auto* readerSource = source != readerSources.end() ? source->second.get() : nullptr;

        if (transport != nullptr)
        {
            transport->takeEndOfData();
            transport->setNextReadPosition (0);
        }
        setCurrentTransport (transport, readerSource);

        if (readerSource != nullptr)
            songLength = (double) (float) ((double) readerSource->getTotalLength()
                                           / readerSource->getAudioFormatReader()->sampleRate);
    }
    else if (currentTransport != nullptr)
    {
        currentTransport->stop();
        setCurrentTransport (nullptr, nullptr);
    }
}

void FilePlayerProcessor::play (double fadeInSeconds)
{
    // Both players are started together; the user is told once, by the backing player.
    if (this == filePlayerB ? !hasOutputDevice() : !isOutputDeviceValid())
        return;

    // Already playing since the last track ended: nothing to restart or reset.
    if (continuingTrack && currentTransport != nullptr && currentTransport->isPlaying())
    {
        continuingTrack = false;
        playRequested = true;
        broadcast (PlayerEvent::started);
        return;
    }
    continuingTrack = false;

    requestLimiterReset();

    // Only a track resumed after a pause fades in; one started from its beginning does not.
    const auto rate = sampleRate.load();
    if (currentTransport != nullptr && currentTransport->getSampleRate() > 0.0
        && currentTransport->getCurrentPosition() > 0.0 && fadeInSeconds > 0.0 && rate > 0.0)
    {
        fadeStep = 1.0 / (fadeInSeconds * rate);
        fadingIn = true;
        fadeGain = 0.0f;
    }
    else
    {
        fadeGain = 1.0f;
    }

    fadeOutDone = false;
    playRequested = true;

    if (currentTransport != nullptr)
    {
        currentTransport->start();
        broadcast (PlayerEvent::started);
    }
}

void FilePlayerProcessor::stopNow()
{
    if (currentTransport == nullptr)
        return;
    fadingOut = false;
    playRequested = false;
    currentTransport->stop();
    requestLimiterReset();
    broadcast (PlayerEvent::stopped);
}

void FilePlayerProcessor::startFadeOut (double fadeOutSeconds)
{
    const auto rate = sampleRate.load();
    fadeStep = 1.0 / (std::max (1.0, rate) * fadeOutSeconds);
    fadingOut = true;
}

void FilePlayerProcessor::seekTo (double seconds)
{
    if (currentTransport == nullptr)
        return;
    const auto target = seconds < 0.0 ? 0.0 : std::min (songLength.load(), seconds);
    if (currentTransport->getSampleRate() > 0.0)
        currentTransport->setNextReadPosition ((juce::int64) (target * currentTransport->getSampleRate()));
    broadcast (PlayerEvent::positionChanged);
}

void FilePlayerProcessor::toggleLooping()
{
    looping = ! looping.load();
    broadcast (PlayerEvent::looping);
}

void FilePlayerProcessor::setTrimTimes (double trimStart, double trimEnd)
{
    if (currentTransport == nullptr)
        return;

    const bool wasPlaying = currentTransport->isPlaying();
    const auto position = currentTransport->getSampleRate() > 0.0 ? currentTransport->getCurrentPosition() : 0.0;
    const auto savedLoopOnLoad = loopOnLoad;
    const bool savedLooping = looping;

    preloadAudioFile (currentFile, trimStart, trimEnd);
    loadFile (currentFile, trimStart, trimEnd, savedLoopOnLoad);

    if (currentTransport != nullptr)
    {
        currentTransport->setPosition (position);
        if (wasPlaying)
            currentTransport->start();
    }

    loopOnLoad = savedLoopOnLoad;
    looping = savedLooping;
}

//==============================================================================
void FilePlayerProcessor::timerCallback()
{
    releaseRetired();

    if (currentTransport != nullptr && currentTransport->isPlaying())
    {
        broadcast (PlayerEvent::tick);
        if (tickCounter++ > 0)
        {
            tickCounter = 0;
            broadcast (PlayerEvent::slowTick);
        }
    }

    // Events found by the audio thread come after the ticks, so that a listener
    // reading the latest code sees them.
    if (loopRestarted.exchange (false))
    {
        broadcast (PlayerEvent::positionChanged);
        broadcast (PlayerEvent::started);
        broadcast (PlayerEvent::looped);
    }

    if (followOnTaken.exchange (false))
        completeFollowOn();

    if (currentTransport != nullptr && currentTransport->takeEndOfData())
        changeListenerCallback (nullptr);

    if (fadeOutDone.exchange (false))
    {
        fadingOut = false;
        if (currentTransport != nullptr)
        {
            playRequested = false;
            currentTransport->stop();
            requestLimiterReset();
            broadcast (PlayerEvent::stopped);
        }
    }
}

void FilePlayerProcessor::changeListenerCallback (juce::ChangeBroadcaster*)
{
    // The current track stopped by itself at the end of its data.
    if (playRequested && currentTransport != nullptr && ! currentTransport->isPlaying())
    {
        currentTransport->setNextReadPosition (0);
        broadcast (loopOnLoad && looping ? PlayerEvent::looped : PlayerEvent::reachedEnd);
    }
}

//==============================================================================
void FilePlayerProcessor::prepareToPlay (double newSampleRate, int newBlockSize)
{
    sampleRate = newSampleRate;
    blockSize = newBlockSize;

    if (limiter->getSampleRate() != newSampleRate)
    {
        limiter->setSampleRate (newSampleRate);
        limiter->cookProperties();
    }
    limiter->reset();
    limiterResetPending = false;
    lastVolume = volumeGain.load();

    // Every preloaded track, not only the current one, so that switching tracks
    // never has to prepare one while the audio thread may be reading it.
    for (auto& entry : transports)
        entry.second->prepareToPlay (newBlockSize, newSampleRate);

    setPlayConfigDetails (0, 2, newSampleRate, newBlockSize);
}

void FilePlayerProcessor::releaseResources()
{
}

void FilePlayerProcessor::restartFromAudioThread (TrackTransport& transport, juce::AudioBuffer<float>& buffer,
                                                  int from, int numFrames)
{
    // A looping track goes on from its first frame in the same block, so the loop
    // has no gap. The limiter keeps its delay line: the same song goes on.
    while (from < numFrames)
    {
        transport.rewindFromAudioThread();
        auto more = transport.render (buffer, from, numFrames - from);
        from += more.frames;
        if (more.frames == 0)
            break;
    }
    if (from < numFrames)
        buffer.clear (from, numFrames - from);
    loopRestarted = true;
}

void FilePlayerProcessor::applyGain (juce::AudioBuffer<float>& buffer, int numFrames, float previousFade,
                                     float newFade, float previousVolume, float newVolume) noexcept
{
    // The volume ramps from the last block's value as well, so a volume change
    // during playback never clicks.
    const auto startGain = previousFade * previousVolume;
    const auto endGain = newFade * newVolume;

    if (startGain != endGain)
    {
        for (int c = 0; c < buffer.getNumChannels(); ++c)
            buffer.applyGainRamp (c, 0, numFrames, startGain, endGain);
    }
    else if (endGain == 0.0f)
    {
        buffer.clear (0, numFrames);
    }
    else if (endGain != 1.0f)
    {
        buffer.applyGain (0, numFrames, endGain);
    }
}

void FilePlayerProcessor::processBlock (juce::AudioBuffer<float>& buffer, juce::MidiBuffer&)
{
    callbackCounter.fetch_add (1); // odd: a callback is running
    blocksCounted.fetch_add (1);
    takeFollowOnIfDue();
    auto* transport = audioTransport.load();
    const auto numFrames = buffer.getNumSamples();

    if (limiterResetPending.exchange (false))
        limiter->reset();

    if (transport == nullptr || ! transport->isPlaying() || numFrames == 0)
    {
        if (transport != nullptr)
            transport->render (buffer, 0, 0); // takes a pending position request
        if (! buffer.hasBeenCleared())
            buffer.clear();
        callbackCounter.fetch_add (1);
        return;
    }

    // Fade. The message thread may set fadeGain meanwhile (play): its value wins.
    auto previous = fadeGain.load();
    auto next = previous;
    bool fadeInEnds = false;
    if (fadingOut)
    {
        const auto value = (double) previous - numFrames * fadeStep.load();
        next = value <= 0.0 ? 0.0f : (float) value;
    }
    else if (fadingIn)
    {
        const auto value = (double) previous + numFrames * fadeStep.load();
        fadeInEnds = value >= 1.0;
        next = fadeInEnds ? 1.0f : (float) value;
    }
    if (next != previous)
    {
        if (fadeGain.compare_exchange_strong (previous, next))
        {
            if (fadeInEnds)
                fadingIn = false;
        }
        else
        {
            next = previous;
        }
    }

    // Fill the buffer from the transport.
    auto rendered = transport->render (buffer, 0, numFrames);
    bool restarted = false;
    if (rendered.reachedEnd)
    {
        if (looping)
        {
            restartFromAudioThread (*transport, buffer, rendered.frames, numFrames);
            restarted = true;
        }
        else if ((followOn.generation.load() & 1u) != 0 && followOn.leader.load() == this && !fadingOut.load())
        {
            // The queued tracks start in the next block, on both players.
            transport->stop();
            lastEndBlock = blocksCounted.load();
            songEnds.fetch_add (1);
            endPending = true;
        }
        else
        {
            transport->finishFromAudioThread();
        }
    }
    if (! restarted && rendered.frames < numFrames)
        buffer.clear (rendered.frames, numFrames - rendered.frames);
    for (int c = 2; c < buffer.getNumChannels(); ++c)
        buffer.clear (c, 0, numFrames);

    const auto volume = volumeGain.load();
    applyGain (buffer, numFrames, previous, next, lastVolume, volume);
    lastVolume = volume;

    if (buffer.getNumChannels() >= 2)
        limiter->processStereo (buffer.getWritePointer (0), buffer.getWritePointer (1), numFrames);
    else
        limiter->processMono (buffer.getWritePointer (0), numFrames);

    if (fadingOut && fadeGain.load() == 0.0f)
        fadeOutDone = true;

    if (restarted)
        fadeGain = 1.0f;

    callbackCounter.fetch_add (1); // even: this callback holds nothing any more
}

//==============================================================================
void RaTracks::stop (double fadeOutSeconds)
{
    for (auto* player : { filePlayer, filePlayerB })
    {
        if (player == nullptr || ! player->hasTransport())
            continue;
        if (fadeOutSeconds > 0.0 && player->isPlaying())
            player->startFadeOut (fadeOutSeconds);
        else
            player->stopNow();
    }
}

void RaTracks::setCurrentTime (double seconds)
{
    for (auto* player : { filePlayer, filePlayerB })
        if (player != nullptr)
            player->seekTo (seconds);

    if (filePlayer != nullptr && filePlayerB != nullptr && filePlayer->isPlaying())
        filePlayerB->play (0.0);
}

void RaTracks::toggleLooping()
{
    for (auto* player : { filePlayer, filePlayerB })
        if (player != nullptr)
            player->toggleLooping();
}
