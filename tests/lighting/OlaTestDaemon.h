#pragma once

#include "core/DmxLevels.h"

#include <juce_core/juce_core.h>

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

/** An OLA daemon of the test's own: olad on a free loopback RPC port with a config
    folder in which every plug-in except the Dummy device is disabled, so nothing
    it does can leave the machine. olad refuses to run as root; as root it runs as
    the unprivileged "olad" user that Debian's package creates.

    Only the process started here is ever signalled, by its PID, and it dies with
    the thread that started it (the test's main thread) if the test itself dies. */
class OlaTestDaemon final
{
public:
    /** folder holds the config folder and olad's log. */
    explicit OlaTestDaemon (juce::File folder); // chooses a free port at once
    ~OlaTestDaemon();

    /** Starts olad (again on the same port and config after kill()) and waits,
        within a time limit, until it answers; false with a reason in getError(). */
    bool start();

    /** Ends olad at once (SIGKILL), as a crash would, and reaps it. */
    void kill();

    /** Stops olad where it is (SIGSTOP), as a hung daemon would be, or lets it go on. */
    void freeze (bool frozen);

    bool isRunning() const noexcept { return pid > 0; }
    int getPort() const noexcept { return port; }
    const juce::String& getError() const noexcept { return error; }

private:
    bool writeConfig();
    bool onlyKnownPluginsConfigured();

    const juce::File folder, configFolder, logFile;
    int port = 0;
    int pid = -1;
    juce::String error;
};

//==============================================================================
/** A client of the test daemon, running OLA's event loop on a thread of its own:
    patches the Dummy device's output to a universe and records every DMX frame
    the daemon forwards for it, with its arrival time. */
class OlaProbe final
{
public:
    using Clock = std::chrono::steady_clock;

    struct Frame
    {
        Clock::time_point arrived;
        int universe = 0;
        lighting::DmxLevels levels {};
    };

    explicit OlaProbe (int rpcPort);
    ~OlaProbe();

    bool isConnected() const noexcept;

    /** Patches output port 0 of the Dummy device to universe (waiting for the
        device to appear) and registers for the universe's frames; an empty
        string on success, else OLA's reason. */
    juce::String watchUniverse (int universe);

    std::vector<Frame> frames() const;
    size_t numFrames() const;

    /** Waits (within timeout) for a frame, received after the first `from` frames, that
        satisfies accept; returns its index or -1. */
    template <typename Predicate>
    int waitForFrame (size_t from, std::chrono::milliseconds timeout, Predicate&& accept) const
    {
        const auto deadline = Clock::now() + timeout;
        std::unique_lock<std::mutex> lock (frameMutex);
        for (;;)
        {
            for (auto i = from; i < received.size(); ++i)
                if (accept (received[i]))
                    return (int) i;
            from = received.size();
            if (frameArrived.wait_until (lock, deadline) == std::cv_status::timeout && from == received.size())
                return -1;
        }
    }

private:
    struct Impl;
    friend struct Impl;

    mutable std::mutex frameMutex;
    mutable std::condition_variable frameArrived;
    std::vector<Frame> received;
    std::unique_ptr<Impl> impl; // last: its thread starts after, and ends before, the members it records into
};

/** Waits (within timeout) for condition() to hold, checking every few milliseconds. */
template <typename Condition>
bool eventually (std::chrono::milliseconds timeout, Condition&& condition)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (! condition())
    {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for (std::chrono::milliseconds (5));
    }
    return true;
}
