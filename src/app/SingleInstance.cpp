#include "app/SingleInstance.h"

namespace
{
constexpr juce::uint32 magic = 0x52415631; // "RAV1"

class RequestConnection final : public juce::InterprocessConnection
{
public:
    explicit RequestConnection (std::function<void (const juce::String&)> handler)
        : juce::InterprocessConnection (true, magic)
        , onRequest (std::move (handler))
    {
    }
    ~RequestConnection() override { disconnect(); }

    void connectionMade() override {}
    void connectionLost() override {}
    void messageReceived (const juce::MemoryBlock& message) override
    {
        if (onRequest != nullptr)
            onRequest (message.toString());
    }

private:
    std::function<void (const juce::String&)> onRequest;
};
} // namespace

class SingleInstance::Server final : public juce::InterprocessConnectionServer
{
public:
    explicit Server (std::function<void (const juce::String&)> handler)
        : onRequest (std::move (handler))
    {
    }
    ~Server() override
    {
        stop();
        connections.clear();
    }

private:
    juce::InterprocessConnection* createConnectionObject() override
    {
        // Each request is one short connection; they are few, and go with the server.
        auto* connection = new RequestConnection (onRequest);
        connections.add (connection);
        return connection;
    }

    std::function<void (const juce::String&)> onRequest;
    juce::OwnedArray<RequestConnection, juce::CriticalSection> connections;
};

SingleInstance::SingleInstance (const juce::File& folder, std::function<void (const juce::String&)> onRequest)
    : lock ("Raziviz Avodoru " + juce::String::toHexString (folder.getFullPathName().hashCode64()))
    , portFile (folder.getChildFile ("Vodozav.instance"))
{
    first = lock.enter (0);
    if (!first)
        return;

    server = std::make_unique<Server> (std::move (onRequest));
    if (server->beginWaitingForSocket (0, "127.0.0.1"))
    {
        folder.createDirectory();
        portFile.replaceWithText (juce::String (server->getBoundPort()));
    }
}

SingleInstance::~SingleInstance()
{
    if (first)
    {
        server.reset();
        portFile.deleteFile();
        lock.exit();
    }
}

bool SingleInstance::handToRunningInstance (const juce::String& commandLine)
{
    const auto port = portFile.loadFileAsString().trim().getIntValue();
    if (port <= 0)
        return false;

    RequestConnection connection (nullptr);
    if (!connection.connectToSocket ("127.0.0.1", port, 2000))
        return false;
    const auto text = commandLine.toStdString();
    return connection.sendMessage (juce::MemoryBlock (text.data(), text.size()));
}

std::optional<juce::String> playShowArgument (const juce::String& commandLine)
{
    auto arguments = juce::StringArray::fromTokens (commandLine, true);
    auto at = arguments.indexOf ("--play-show");
    if (at < 0)
        return std::nullopt;
    return arguments[at + 1].unquoted();
}
