#pragma once

#include "core/DmxLevels.h"

#include <juce_core/juce_core.h>

#include <memory>
#include <string>

namespace lighting
{

/** One connection to OLA's daemon (olad) on this machine, through OLA's client
    library, on the daemon's RPC port.

    No call waits for the daemon: connecting gives up after connectTimeoutMs (a
    port where nothing listens is refused at once), the socket never blocks a
    send, and answers are read only when poll() finds them waiting.

    Not thread-safe: one thread (the frame sender's) owns it. */
class OlaLink final
{
public:
    static constexpr int defaultRpcPort = 9010;
    static constexpr int connectTimeoutMs = 250;

    explicit OlaLink (int rpcPort);
    ~OlaLink();

    /** False when no daemon listens on the port. */
    bool connect();
    void disconnect();
    bool isConnected() const noexcept;

    /** Sends one frame; olad's answer arrives through poll(). */
    void send (int universe, const DmxLevels& levels);

    /** Reads olad's answers and notices a closed connection (then disconnects). */
    void poll();

    /** Frames sent since the last answer arrived, and when the oldest of them was sent. */
    int getUnanswered() const noexcept { return unanswered; }
    double getOldestUnansweredTime() const noexcept { return oldestUnansweredTime; }

    /** Whether any answer arrived on this connection, and the newest one: empty
        when olad accepted the frame, else OLA's reason for refusing it. */
    bool hasAnswer() const noexcept { return answered; }
    const std::string& getLastError() const noexcept { return lastError; }

private:
    struct Connection;

    void answerArrived (bool success, const std::string& error);
    void connectionClosed();

    const int port;
    std::unique_ptr<Connection> connection;
    bool closed = false, answered = false;
    int unanswered = 0;
    double oldestUnansweredTime = 0.0;
    std::string lastError;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (OlaLink)
};

} // namespace lighting
