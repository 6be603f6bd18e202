#pragma once

#include <juce_audio_devices/juce_audio_devices.h>

#include <functional>

/** Notices when the open audio device goes away under the program (the JACK
    server shut down or was killed, a sound card was unplugged) and opens the same
    device again, with the same setup, once it is back.

    When the device is lost both players are stopped where they are (their
    positions kept: the audio thread that would finish a fade is gone), the dead
    device is closed, and `onLost` is told why in plain words. From then on the
    watch tries the device again every `retryMs`; when it opens, `onBack` is
    called and Play goes on from the same song and position.

    Message thread only: the checks run on its own timer and never wait for the
    audio server longer than one attempt to connect to it. */
class AudioDeviceWatch final : private juce::Timer
{
public:
    AudioDeviceWatch (juce::AudioDeviceManager& manager, std::function<void (const juce::String& reason)> onLost,
                      std::function<void()> onBack, int checkMs = 250, int retryMs = 1000);
    ~AudioDeviceWatch() override;

    /** True between the loss of the device and its return. */
    bool isDeviceLost() const noexcept { return lost; }

    /** The device type and name that was lost ("JACK", "system"). */
    juce::String getLostDeviceDescription() const;

    /** One check now (the timer calls this too). */
    void check();

private:
    void timerCallback() override { check(); }
    bool deviceRuns() const;
    void deviceLost();
    void tryAgain();

    juce::AudioDeviceManager& manager;
    std::function<void (const juce::String&)> onLost;
    std::function<void()> onBack;
    const int checkMs, retryMs;

    bool sawRunning = false;
    bool lost = false;
    double nextAttemptMs = 0.0;
    juce::String lostType;
    juce::AudioDeviceManager::AudioDeviceSetup lostSetup;

    JUCE_DECLARE_NON_COPYABLE (AudioDeviceWatch)
};
