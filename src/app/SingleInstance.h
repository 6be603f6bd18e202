#pragma once

#include <juce_events/juce_events.h>

#include <functional>
#include <memory>
#include <optional>

/** One running program per user. The first instance listens on a local socket
    (127.0.0.1, a port chosen by the system and written to a file beside the user
    settings); a later one hands its command line over and ends, so a request
    such as --play-show reaches the program the user sees. */
class SingleInstance final
{
public:
    /** @param folder      where the lock's port file lives (the user settings' folder)
        @param onRequest   called on the message thread with each handed-over command line */
    SingleInstance (const juce::File& folder, std::function<void (const juce::String&)> onRequest);
    ~SingleInstance();

    /** True when this process is the first one (it then listens for requests). */
    bool isFirst() const noexcept { return first; }

    /** Hands a command line to the running instance; false when none answered. */
    bool handToRunningInstance (const juce::String& commandLine);

    juce::File getPortFile() const { return portFile; }

private:
    class Server;

    // One per user settings folder (the system's lock files are shared by every user).
    juce::InterProcessLock lock;
    juce::File portFile;
    std::unique_ptr<Server> server;
    bool first = false;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (SingleInstance)
};

/** The show name after --play-show, or nothing when the argument is not there
    (an empty name when it ends the command line). */
std::optional<juce::String> playShowArgument (const juce::String& commandLine);
