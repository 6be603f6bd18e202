#include "core/DmxOutput.h"

#include "core/OlaLink.h"

#include <cmath>

namespace lighting
{
namespace
{
double secondsNow()
{
    return juce::Time::getMillisecondCounterHiRes() * 0.001;
}
} // namespace

juce::String DmxOutput::Status::describe() const
{
    switch (state)
    {
        case State::off:
            return "DMX output is off";
        case State::connecting:
            return juce::String (juce::CharPointer_UTF8 ("Connecting to OLA\xe2\x80\xa6"));
        case State::notRunning:
            return juce::String (juce::CharPointer_UTF8 ("OLA is not running \xe2\x80\x94 start it with: olad"));
        case State::sending:
            return "Sending to OLA universe " + juce::String (universe);
        case State::failed:
            return "Sending failed: " + reason;
    }
    return {};
}

//==============================================================================
DmxOutput::DmxOutput (LightingController& c, int rpcPort)
    : juce::Thread ("DMX output")
    , controller (c)
    , port (rpcPort)
{
    controller.setOutputWakeUp (&wakeUp);
    startThread();
}

DmxOutput::~DmxOutput()
{
    controller.setOutputWakeUp (nullptr);
    signalThreadShouldExit();
    wakeUp.signal();
    // The loop never blocks on the daemon, so it ends within one pass.
    stopThread (10000);
}

int DmxOutput::rpcPortFromEnvironment()
{
    const auto text = juce::SystemStats::getEnvironmentVariable ("RAV_OLA_PORT", {}).trim();
    const auto number = text.getIntValue();
    return text.containsOnly ("0123456789") && juce::isPositiveAndBelow (number, 65536) && number > 0
               ? number
               : OlaLink::defaultRpcPort;
}

DmxOutput::Status DmxOutput::getStatus() const
{
    const juce::SpinLock::ScopedLockType sl (statusLock);
    return status;
}

void DmxOutput::setStatus (State state, int universe, const juce::String& reason)
{
    const juce::SpinLock::ScopedLockType sl (statusLock);
    status = { state, universe, reason };
}

//==============================================================================
void DmxOutput::run()
{
    constexpr double frameInterval = 1.0 / maxFramesPerSecond;
    // How long a published cue is watched for closely (until the audio side moves
    // the levels): longer than any audio block a host would use.
    constexpr double cueWatch = 1.0;

    OlaLink link (port);
    DmxLevels levels {}, sent {};
    bool haveSent = false;
    int sentUniverse = -1;
    double lastFrameTime = 0.0, nextConnectTime = 0.0, watchCueUntil = 0.0;
    auto seenSerial = controller.readOutput (levels);

    while (! threadShouldExit())
    {
        const auto now = secondsNow();
        const auto settings = controller.getOutputSettings();
        double waitSeconds = keepAliveSeconds;

        if (! settings.enabled)
        {
            // Switched off leaves the universe dark too. olad drops what a closing
            // connection still carries, so the link stays until the dark frame is
            // answered (or briefly, if olad does not answer).
            if (link.isConnected() && haveSent)
            {
                link.send (sentUniverse, DmxLevels {});
                haveSent = false;
            }
            link.poll();
            if (link.isConnected() && (link.getUnanswered() == 0 || now - link.getOldestUnansweredTime() > 0.5))
                link.disconnect();

            nextConnectTime = 0.0;
            setStatus (State::off, settings.universe);
            waitSeconds = link.isConnected() ? 0.005 : 1.0; // switching it on wakes the thread at once
        }
        else if (! link.isConnected() && now < nextConnectTime)
        {
            waitSeconds = nextConnectTime - now;
        }
        else
        {
            if (! link.isConnected())
            {
                nextConnectTime = now + retrySeconds;
                if (link.connect())
                {
                    haveSent = false;
                    if (getStatus().state != State::failed) // a failure stays shown until olad answers
                        setStatus (State::connecting, settings.universe);
                }
                else
                {
                    setStatus (State::notRunning, settings.universe);
                }
            }

            if (link.isConnected() && haveSent && settings.universe != sentUniverse)
            {
                // OLA's outputs hold a universe's last frame for good: a universe the
                // show no longer drives is left dark, not frozen on its last look.
                link.send (sentUniverse, DmxLevels {});
                haveSent = false;
            }

            if (link.isConnected())
            {
                const auto serial = controller.readOutput (levels);
                const bool moving = serial != seenSerial;
                seenSerial = serial;
                if (moving)
                    watchCueUntil = 0.0;

                auto pending = ! haveSent || settings.universe != sentUniverse || levels != sent;
                if ((pending && now - lastFrameTime >= frameInterval) || now - lastFrameTime >= keepAliveSeconds)
                {
                    link.send (settings.universe, levels);
                    ++framesSent;
                    sent = levels;
                    sentUniverse = settings.universe;
                    haveSent = true;
                    lastFrameTime = now;
                    pending = false;
                }

                link.poll();

                if (! link.isConnected())
                {
                    setStatus (State::notRunning, settings.universe); // olad closed the connection
                }
                else if (link.getUnanswered() > 0 && now - link.getOldestUnansweredTime() > answerTimeoutSeconds)
                {
                    link.disconnect();
                    nextConnectTime = now + retrySeconds;
                    setStatus (State::failed, settings.universe, "OLA does not answer");
                }
                else if (link.hasAnswer())
                {
                    if (link.getLastError().empty())
                        setStatus (State::sending, settings.universe);
                    else
                        setStatus (State::failed, settings.universe, juce::String (link.getLastError()));
                }

                if (! link.isConnected())
                    waitSeconds = juce::jmax (0.0, nextConnectTime - now);
                else if (pending)
                    waitSeconds = frameInterval - (now - lastFrameTime); // the change waits for its frame slot
                else if (moving)
                    waitSeconds = frameInterval; // a fade is running
                else if (now < watchCueUntil)
                    waitSeconds = 0.001; // a cue is on its way through the audio thread
                else
                    waitSeconds = keepAliveSeconds - (now - lastFrameTime);
            }
            else
            {
                waitSeconds = retrySeconds;
            }
        }

        if (wakeUp.wait (juce::jmax (1, (int) std::ceil (waitSeconds * 1000.0))))
            watchCueUntil = secondsNow() + cueWatch;
    }
}

} // namespace lighting
