#pragma once

#include "core/LightingController.h"

namespace lighting
{

/** Sends the controller's output universe to OLA's daemon from a thread of its own.

    The audio thread only publishes levels (LightingController::process); this
    thread reads them as whole frames without ever blocking it, and never takes
    the controller's lock, so neither the audio nor the host's calls can wait for
    the daemon. A frame goes out at every change, at most maxFramesPerSecond
    (fades included), and at least every keepAliveSeconds when nothing changes.
    When the daemon is missing or goes away the thread tries again every
    retrySeconds and resumes by itself. */
class DmxOutput final : private juce::Thread
{
public:
    static constexpr double maxFramesPerSecond = 44.0; // the DMX line's own limit
    static constexpr double keepAliveSeconds = 0.5;
    static constexpr double retrySeconds = 2.0;
    static constexpr double answerTimeoutSeconds = 3.0;

    enum class State
    {
        off,
        connecting,
        notRunning,
        sending,
        failed
    };

    struct Status
    {
        State state = State::connecting;
        int universe = 1;
        juce::String reason; // OLA's words when sending failed

        /** The link state in plain words, for the editor. */
        juce::String describe() const;
    };

    DmxOutput (LightingController& controller, int rpcPort);
    ~DmxOutput() override;

    /** The daemon's RPC port: $RAV_OLA_PORT when it holds a port number, else OLA's default. */
    static int rpcPortFromEnvironment();

    Status getStatus() const;

    /** Frames handed to the daemon so far. */
    std::uint64_t getFramesSent() const noexcept { return framesSent.load(); }

private:
    void run() override;
    void setStatus (State state, int universe, const juce::String& reason = {});

    LightingController& controller;
    const int port;
    juce::WaitableEvent wakeUp;

    mutable juce::SpinLock statusLock;
    Status status;
    std::atomic<std::uint64_t> framesSent { 0 };

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (DmxOutput)
};

} // namespace lighting
