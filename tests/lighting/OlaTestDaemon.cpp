#include "lighting/OlaTestDaemon.h"

#include <ola/Callback.h>
#include <ola/DmxBuffer.h>
#include <ola/client/OlaClient.h>
#include <ola/io/SelectServer.h>
#include <ola/network/SocketAddress.h>
#include <ola/network/TCPSocket.h>

#include <arpa/inet.h>
#include <fcntl.h>
#include <future>
#include <grp.h>
#include <netinet/in.h>
#include <pwd.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace
{
/** Every plug-in olad 0.10 loads, except "dummy". Each gets "enabled = false";
    a plug-in missing here would start with its defaults (network ones broadcast),
    so start() refuses to go on when olad writes a config this list does not know. */
const char* const disabledPlugins[] = { "artnet", "e131",       "espnet",  "ftdidmx", "gpio",
                                        "karate", "kinet",      "milinst", "opendmx", "openpixelcontrol",
                                        "osc",    "pathport",   "renard",  "sandnet", "shownet",
                                        "spi",    "stageprofi", "uartdmx", "usbdmx",  "usbserial" };
const char* const daemonConfigs[] = { "dummy", "server", "port", "universe" };

int freeLoopbackPort()
{
    const int fd = socket (AF_INET, SOCK_STREAM, 0);
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl (INADDR_LOOPBACK);
    socklen_t length = sizeof (address);
    int result = 0;
    if (fd >= 0 && bind (fd, (sockaddr*) &address, sizeof (address)) == 0 &&
        getsockname (fd, (sockaddr*) &address, &length) == 0)
        result = ntohs (address.sin_port);
    if (fd >= 0)
        close (fd);
    return result;
}

bool portAnswers (int port)
{
    std::unique_ptr<ola::network::TCPSocket> socket (ola::network::TCPSocket::Connect (
        ola::network::IPV4SocketAddress (ola::network::IPV4Address::Loopback(), (std::uint16_t) port)));
    return socket != nullptr;
}

/** An OLA callback of the given kind that runs a std::function (OLA's own helpers
    take plain functions and methods). */
template <typename Kind, typename... Args>
class Run final : public Kind
{
public:
    explicit Run (std::function<void (Args...)> f)
        : function (std::move (f))
    {
    }

private:
    void DoRun (Args... args) override { function (args...); }
    std::function<void (Args...)> function;
};

using Result = ola::client::Result;
using Task = Run<ola::SingleUseCallback0<void>>;
using SetDone = Run<ola::SingleUseCallback1<void, const Result&>, const Result&>;
using DevicesDone = Run<ola::SingleUseCallback2<void, const Result&, const std::vector<ola::client::OlaDevice>&>,
                        const Result&, const std::vector<ola::client::OlaDevice>&>;
} // namespace

//==============================================================================
OlaTestDaemon::OlaTestDaemon (juce::File f)
    : folder (std::move (f))
    , configFolder (folder.getChildFile ("ola-config"))
    , logFile (folder.getChildFile ("olad.log"))
    , port (freeLoopbackPort())
{
}

OlaTestDaemon::~OlaTestDaemon()
{
    kill();
}

bool OlaTestDaemon::writeConfig()
{
    if (configFolder.isDirectory())
        return true; // a restart keeps the daemon's own saved state, as on a real machine

    if (! configFolder.createDirectory())
        return false;
    for (auto* plugin : disabledPlugins)
        if (! configFolder.getChildFile (juce::String ("ola-") + plugin + ".conf")
                  .replaceWithText ("enabled = false\n"))
            return false;

    // One Dummy device, without the RDM responders it would also make.
    configFolder.getChildFile ("ola-dummy.conf")
        .replaceWithText ("enabled = true\ndummy_device_count = 1\ndimmer_count = 0\ndimmer_subdevice_count = 0\n"
                          "moving_light_count = 0\nsensor_device_count = 0\nnetwork_device_count = 0\n"
                          "advanced_dimmer_count = 0\nack_timer_count = 0\n");
    return true;
}

bool OlaTestDaemon::onlyKnownPluginsConfigured()
{
    for (const auto& file : configFolder.findChildFiles (juce::File::findFiles, false, "ola-*.conf"))
    {
        const auto name = file.getFileNameWithoutExtension().fromFirstOccurrenceOf ("ola-", false, false);
        bool known = false;
        for (auto* plugin : disabledPlugins)
            known = known || name == plugin;
        for (auto* config : daemonConfigs)
            known = known || name == config;
        if (! known)
        {
            error = "olad loaded a plug-in this test does not disable: " + name;
            return false;
        }
    }
    return true;
}

bool OlaTestDaemon::start()
{
    error.clear();
    if (pid > 0)
        return true;

    const juce::File olad ("/usr/sbin/olad"), oladBin ("/usr/bin/olad");
    const auto program = oladBin.existsAsFile() ? oladBin : olad;
    if (! program.existsAsFile())
    {
        error = "olad is not installed (the bootstrap installs Debian's \"ola\": bash scripts/bootstrap.sh)";
        return false;
    }

    folder.createDirectory();
    if (! writeConfig())
    {
        error = "cannot write the config folder " + configFolder.getFullPathName();
        return false;
    }

    // As root, olad runs as its own user and must own its config folder.
    const bool asRoot = geteuid() == 0;
    passwd* user = asRoot ? getpwnam ("olad") : nullptr;
    if (asRoot && user == nullptr)
    {
        error = "running as root, but there is no \"olad\" user to run olad as (Debian's ola package creates it)";
        return false;
    }
    if (asRoot)
    {
        // The olad user must reach its folder through the test's own folders
        // (whatever the umask made them); nothing above the temporary folder is touched.
        const auto temporary = juce::File::getSpecialLocation (juce::File::tempDirectory);
        for (auto dir = configFolder.getParentDirectory(); dir.isAChildOf (temporary); dir = dir.getParentDirectory())
        {
            struct stat info {};
            if (stat (dir.getFullPathName().toRawUTF8(), &info) == 0 && (info.st_mode & S_IXOTH) == 0)
                juce::ignoreUnused (chmod (dir.getFullPathName().toRawUTF8(), (info.st_mode & 07777) | S_IXOTH));
        }
        for (const auto& file : configFolder.findChildFiles (juce::File::findFilesAndDirectories, true))
            juce::ignoreUnused (chown (file.getFullPathName().toRawUTF8(), user->pw_uid, user->pw_gid));
        juce::ignoreUnused (chown (configFolder.getFullPathName().toRawUTF8(), user->pw_uid, user->pw_gid));
    }

    // Everything the child needs is prepared before fork: after it, only calls
    // that are safe in a child of a threaded process are made.
    const std::string programPath = program.getFullPathName().toStdString();
    const std::string configPath = configFolder.getFullPathName().toStdString();
    const std::string portText = std::to_string (port);
    const std::string logPath = logFile.getFullPathName().toStdString();
    const char* argv[] = {
        programPath.c_str(), "--config-dir",   configPath.c_str(), "--no-http", "--no-register-with-dns-sd",
        "--rpc-port",        portText.c_str(), "--log-level",      "3",         nullptr
    };
    const auto uid = asRoot ? user->pw_uid : getuid();
    const auto gid = asRoot ? user->pw_gid : getgid();
    const auto parent = getpid();

    const auto child = fork();
    if (child < 0)
    {
        error = "fork failed";
        return false;
    }
    if (child == 0)
    {
        const int log = open (logPath.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
        if (log >= 0)
        {
            dup2 (log, STDOUT_FILENO);
            dup2 (log, STDERR_FILENO);
        }
        if (asRoot && (setgroups (0, nullptr) != 0 || setgid (gid) != 0 || setuid (uid) != 0))
            _exit (126);
        // After the change of user (which clears it): die with the thread that started us.
        prctl (PR_SET_PDEATHSIG, SIGKILL);
        if (getppid() != parent)
            _exit (125);
        execv (argv[0], const_cast<char* const*> (argv));
        _exit (127);
    }
    pid = child;

    // Ready once the RPC port answers; a daemon that exits early fails at once.
    const auto deadline = juce::Time::getMillisecondCounter() + 15000;
    while (! portAnswers (port))
    {
        int status = 0;
        if (waitpid (pid, &status, WNOHANG) == pid)
        {
            pid = -1;
            error = "olad exited at start: " + logFile.loadFileAsString().getLastCharacters (2000);
            return false;
        }
        if (juce::Time::getMillisecondCounter() > deadline)
        {
            kill();
            error = "olad did not answer on port " + juce::String (port) + " within 15 s";
            return false;
        }
        juce::Thread::sleep (10);
    }

    if (! onlyKnownPluginsConfigured())
    {
        kill();
        return false;
    }
    return true;
}

void OlaTestDaemon::freeze (bool frozen)
{
    if (pid > 0)
        ::kill (pid, frozen ? SIGSTOP : SIGCONT);
}

void OlaTestDaemon::kill()
{
    if (pid <= 0)
        return;
    ::kill (pid, SIGKILL); // a stopped process dies of it too
    int status = 0;
    waitpid (pid, &status, 0);
    pid = -1;
}

//==============================================================================
struct OlaProbe::Impl
{
    explicit Impl (OlaProbe& o, int port)
        : owner (o)
    {
        socket.reset (ola::network::TCPSocket::Connect (
            ola::network::IPV4SocketAddress (ola::network::IPV4Address::Loopback(), (std::uint16_t) port)));
        if (socket == nullptr)
            return;
        socket->SetNoDelay();
        client = std::make_unique<ola::client::OlaClient> (socket.get());
        if (! client->Setup())
        {
            client.reset();
            return;
        }
        client->SetDMXCallback (ola::NewCallback (this, &Impl::frameArrived));
        server.AddReadDescriptor (socket.get());
        loop = std::thread ([this] { server.Run(); });
    }

    ~Impl()
    {
        if (loop.joinable())
        {
            server.Terminate();
            loop.join();
        }
        if (client != nullptr)
            client->Stop();
        if (socket != nullptr)
        {
            server.RemoveReadDescriptor (socket.get());
            socket->Close();
        }
    }

    using Finish = std::function<void (const juce::String& problem)>;

    /** Runs request on the event loop's thread; it starts one call to olad whose
        answer calls finish. Waits for that (within a time limit) and returns the
        problem, empty when there was none. */
    juce::String ask (std::function<void (Finish)> request)
    {
        auto answer = std::make_shared<std::promise<juce::String>>();
        auto future = answer->get_future();
        server.Execute (new Task ([request, answer]
        { request ([answer] (const juce::String& problem) { answer->set_value (problem); }); }));
        if (future.wait_for (std::chrono::seconds (10)) != std::future_status::ready)
            return "olad did not answer within 10 s";
        return future.get();
    }

    void frameArrived (const ola::client::DMXMetadata& metadata, const ola::DmxBuffer& buffer)
    {
        Frame frame;
        frame.arrived = Clock::now();
        frame.universe = (int) metadata.universe;
        unsigned int length = (unsigned int) frame.levels.size();
        buffer.Get (frame.levels.data(), &length);
        {
            const std::lock_guard<std::mutex> lock (owner.frameMutex);
            owner.received.push_back (frame);
        }
        owner.frameArrived.notify_all();
    }

    OlaProbe& owner;
    ola::io::SelectServer server;
    std::unique_ptr<ola::network::TCPSocket> socket;
    std::unique_ptr<ola::client::OlaClient> client;
    std::thread loop;
};

OlaProbe::OlaProbe (int rpcPort)
    : impl (std::make_unique<Impl> (*this, rpcPort))
{
}

OlaProbe::~OlaProbe() = default;

bool OlaProbe::isConnected() const noexcept
{
    return impl->loop.joinable();
}

juce::String OlaProbe::watchUniverse (int universe)
{
    if (! isConnected())
        return "the probe could not connect to olad";

    auto errorOf = [] (const ola::client::Result& result)
    { return result.Success() ? juce::String() : juce::String (result.Error()); };

    // The Dummy device appears a moment after the RPC port opens. Everything an
    // answer touches is shared with it or copied into it, so an answer that comes
    // after the time limit touches nothing that is gone.
    auto devices = std::make_shared<std::vector<ola::client::OlaDevice>>();
    const auto deadline = juce::Time::getMillisecondCounter() + 10000;
    while (devices->empty() || (*devices)[0].OutputPorts().empty())
    {
        if (juce::Time::getMillisecondCounter() > deadline)
            return "olad shows no Dummy device";
        juce::Thread::sleep (devices->empty() ? 0 : 20);
        const auto problem = impl->ask ([this, devices, errorOf] (auto finish)
        {
            impl->client->FetchDeviceInfo (ola::OLA_PLUGIN_DUMMY,
                                           new DevicesDone ([devices, errorOf, finish] (auto& result, auto& found)
            {
                *devices = found;
                finish (errorOf (result));
            }));
        });
        if (problem.isNotEmpty())
            return "devices: " + problem;
    }

    const auto alias = (*devices)[0].Alias(), port = (*devices)[0].OutputPorts()[0].Id();
    if (auto problem = impl->ask ([this, alias, port, universe, errorOf] (auto finish)
        {
            impl->client->Patch (alias, port, ola::client::OUTPUT_PORT, ola::client::PATCH, (unsigned int) universe,
                                 new SetDone ([errorOf, finish] (auto& result) { finish (errorOf (result)); }));
        });
        problem.isNotEmpty())
        return "patch: " + problem;

    if (auto problem = impl->ask ([this, universe, errorOf] (auto finish)
        {
            impl->client->RegisterUniverse ((unsigned int) universe, ola::client::REGISTER,
                                            new SetDone ([errorOf, finish] (auto& result) { finish (errorOf (result)); }));
        });
        problem.isNotEmpty())
        return "register: " + problem;

    return {};
}

std::vector<OlaProbe::Frame> OlaProbe::frames() const
{
    const std::lock_guard<std::mutex> lock (frameMutex);
    return received;
}

size_t OlaProbe::numFrames() const
{
    const std::lock_guard<std::mutex> lock (frameMutex);
    return received.size();
}
