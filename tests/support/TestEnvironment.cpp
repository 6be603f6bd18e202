#include "support/TestEnvironment.h"

#include <arpa/inet.h>
#include <cstdlib>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace
{
juce::File& homeFolder()
{
    static juce::File folder;
    return folder;
}

/** A loopback port held (bound, never listening) for the whole run, so the
    lighting controller's DMX output is refused there instead of reaching an OLA
    daemon that runs on this machine for real. Tests that need a daemon start
    their own and point RAV_OLA_PORT at it. */
int holdRefusingPort()
{
    const int fd = socket (AF_INET, SOCK_STREAM, 0);
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl (INADDR_LOOPBACK);
    socklen_t length = sizeof (address);
    if (fd < 0 || bind (fd, (sockaddr*) &address, sizeof (address)) != 0
        || getsockname (fd, (sockaddr*) &address, &length) != 0)
        return -1;
    setenv ("RAV_OLA_PORT", juce::String (ntohs (address.sin_port)).toRawUTF8(), 1);
    return fd;
}
} // namespace

TestHome::TestHome()
{
    oldHome = juce::SystemStats::getEnvironmentVariable ("HOME", {});
    oldDataHome = juce::SystemStats::getEnvironmentVariable ("XDG_DATA_HOME", {});

    auto base = juce::File::getSpecialLocation (juce::File::tempDirectory)
                    .getChildFile ("rav-test-" + juce::String (juce::Time::currentTimeMillis()) + "-"
                                   + juce::String (juce::Random::getSystemRandom().nextInt (1000000)));
    base.createDirectory();
    homeFolder() = base;

    setenv ("HOME", base.getFullPathName().toRawUTF8(), 1);
    setenv ("XDG_DATA_HOME", base.getChildFile (".local/share").getFullPathName().toRawUTF8(), 1);
    refusingPort = holdRefusingPort();
}

TestHome::~TestHome()
{
    if (refusingPort >= 0)
        close (refusingPort);
    homeFolder().deleteRecursively();
    setenv ("HOME", oldHome.toRawUTF8(), 1);
    if (oldDataHome.isEmpty())
        unsetenv ("XDG_DATA_HOME");
    else
        setenv ("XDG_DATA_HOME", oldDataHome.toRawUTF8(), 1);
}

juce::File TestHome::folder()
{
    return homeFolder();
}
