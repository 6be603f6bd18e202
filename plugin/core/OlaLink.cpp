#include "core/OlaLink.h"

#include <ola/Callback.h>
#include <ola/DmxBuffer.h>
#include <ola/client/OlaClient.h>
#include <ola/io/SelectServer.h>
#include <ola/network/SocketAddress.h>
#include <ola/network/TCPSocket.h>

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

    auto c = std::make_unique<Connection>();
    c->socket.reset (ola::network::TCPSocket::Connect (ola::network::IPV4SocketAddress (
        ola::network::IPV4Address::Loopback(), (std::uint16_t) juce::jlimit (1, 65535, port))));
    if (c->socket == nullptr)
        return false;

    c->socket->SetNoDelay();
    // A daemon that stops reading (stopped, hung) must never block the sender: a
    // send that does not fit fails and closes the connection instead.
    ola::io::ConnectedDescriptor::SetNonBlocking (c->socket->ReadDescriptor());

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
