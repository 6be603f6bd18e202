#include "core/OlaLink.h"

#include <ola/Callback.h>
#include <ola/DmxBuffer.h>
#include <ola/client/OlaClient.h>
#include <ola/io/SelectServer.h>
#include <ola/network/TCPSocket.h>

#include <arpa/inet.h>
#include <cerrno>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace lighting
{

/** The library's objects for one connection; torn down together. */
struct OlaLink::Connection
{
    ola::io::SelectServer server;
    std::unique_ptr<ola::network::TCPSocket> socket;
    std::unique_ptr<ola::client::OlaClient> client;
    std::unique_ptr<ola::client::GeneralSetCallback> answer; // reused for every frame

    ~Connection()
    {
        if (client != nullptr)
            client->Stop(); // answers still outstanding are reported as failed, to the link that still exists
        if (socket != nullptr)
        {
            server.RemoveReadDescriptor (socket.get());
            socket->Close();
        }
    }

    static void onAnswer (OlaLink* link, const ola::client::Result& result)
    {
        link->answerArrived (result.Success(), result.Error());
    }

    static void onClosed (OlaLink* link) { link->connectionClosed(); }
};

namespace
{
/** A connected, non-blocking socket to the port on 127.0.0.1, or -1. A daemon that
    no longer accepts (stopped, hung, its queue full) makes a blocking connect wait
    for minutes; this one gives up after timeoutMs. The socket stays non-blocking,
    so a send that does not fit fails (and closes the connection) instead of waiting. */
int connectWithin (int port, int timeoutMs)
{
    const int fd = socket (AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return -1;

    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl (INADDR_LOOPBACK);
    address.sin_port = htons ((std::uint16_t) juce::jlimit (1, 65535, port));

    if (::connect (fd, (const sockaddr*) &address, sizeof (address)) != 0)
    {
        pollfd waiting { fd, POLLOUT, 0 };
        int error = 0;
        socklen_t length = sizeof (error);
        if (errno != EINPROGRESS || poll (&waiting, 1, timeoutMs) != 1
            || getsockopt (fd, SOL_SOCKET, SO_ERROR, &error, &length) != 0 || error != 0)
        {
            close (fd);
            return -1;
        }
    }
    return fd;
}
} // namespace

OlaLink::OlaLink (int rpcPort)
    : port (rpcPort)
{
}

OlaLink::~OlaLink()
{
    disconnect();
}

bool OlaLink::connect()
{
    disconnect();

    const auto fd = connectWithin (port, connectTimeoutMs);
    if (fd < 0)
        return false;

    auto c = std::make_unique<Connection>();
    c->socket = std::make_unique<ola::network::TCPSocket> (fd); // owns fd from here on
    c->socket->SetNoDelay();

    c->client = std::make_unique<ola::client::OlaClient> (c->socket.get());
    if (! c->client->Setup())
        return false;
    c->client->SetCloseHandler (ola::NewSingleCallback (&Connection::onClosed, this));
    c->server.AddReadDescriptor (c->socket.get());
    c->answer.reset (ola::NewCallback (&Connection::onAnswer, this));

    connection = std::move (c);
    return true;
}

void OlaLink::disconnect()
{
    connection.reset();
    closed = answered = false;
    unanswered = 0;
    lastError.clear();
}

bool OlaLink::isConnected() const noexcept
{
    return connection != nullptr;
}

void OlaLink::send (int universe, const DmxLevels& levels)
{
    if (connection == nullptr)
        return;

    if (unanswered++ == 0)
        oldestUnansweredTime = juce::Time::getMillisecondCounterHiRes() / 1000.0;

    // A failure to write is answered at once, inside SendDMX.
    const ola::DmxBuffer buffer (levels.data(), (unsigned int) levels.size());
    connection->client->SendDMX ((unsigned int) universe, buffer, ola::client::SendDMXArgs (connection->answer.get()));
}

void OlaLink::poll()
{
    if (connection != nullptr && ! closed)
        connection->server.RunOnce (ola::TimeInterval (0, 0));

    if (closed)
        disconnect();
}

void OlaLink::answerArrived (bool success, const std::string& error)
{
    answered = true;
    lastError = success ? std::string() : (error.empty() ? std::string ("no reason given") : error);
    if (unanswered > 0 && --unanswered > 0)
        oldestUnansweredTime = juce::Time::getMillisecondCounterHiRes() / 1000.0;
}

void OlaLink::connectionClosed()
{
    closed = true;
}

} // namespace lighting
