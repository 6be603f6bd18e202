#include "audio/AudioTestSupport.h"
#include "support/TestAudio.h"

#include "audio/FilePlayerProcessor.h"

#include <atomic>
#include <csignal>
#include <fcntl.h>
#include <cstdlib>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace
{
/** Starts a program with its output going to a log. It gets SIGTERM when this
    process dies, so a crashed test never leaves a JACK server behind. */
pid_t spawn (const juce::StringArray& args, const char* logPath = "/dev/null")
{
    std::vector<std::string> storage;
    for (auto& a : args)
        storage.push_back (a.toStdString());
    std::vector<char*> argv;
    for (auto& s : storage)
        argv.push_back (s.data());
    argv.push_back (nullptr);

    const auto parent = getpid();
    auto pid = fork();
    if (pid == 0)
    {
        // Only async-signal-safe calls between fork and exec.
        prctl (PR_SET_PDEATHSIG, SIGTERM);
        if (getppid() != parent)
            _exit (1);
        auto fd = open (logPath, O_WRONLY | O_CREAT | O_APPEND, 0644);
        if (fd >= 0)
        {
            dup2 (fd, 1);
            dup2 (fd, 2);
            close (fd);
        }
        execvp (argv[0], argv.data());
        _exit (127);
    }
    return pid;
}

} // namespace

int runToEnd (const juce::StringArray& args, const char* logPath)
{
    auto pid = spawn (args, logPath);
    if (pid <= 0)
        return -1;
    int status = 0;
    waitpid (pid, &status, 0);
    return WIFEXITED (status) ? WEXITSTATUS (status) : -1;
}

bool JackDummyServer::isInstalled()
{
    return juce::File ("/usr/bin/jackd").existsAsFile() && juce::File ("/usr/bin/jack_wait").existsAsFile();
}

JackDummyServer::JackDummyServer (int framesPerPeriod) : period (framesPerPeriod)
{
    static std::atomic<int> counter { 0 };
    if (! isInstalled())
        return;

    // Servers of other test programs starting at the same time share JACK's
    // registry, and now and then a server or the wait for it fails: start again
    // under a new name, a bounded number of times.
    for (int attempt = 0; attempt < 5 && ! running; ++attempt)
    {
        stop();
        name = "rav-audio-" + juce::String (getpid()) + "-" + juce::String (++counter);
        if (! startNamed())
            return;
    }
    if (running)
    {
        setenv ("JACK_DEFAULT_SERVER", name.toRawUTF8(), 1);
        setenv ("JACK_NO_AUDIO_RESERVATION", "1", 1);
    }
}

bool JackDummyServer::startNamed()
{
    // Its messages go to a log in the temporary folder, for when it does not come up.
    logFile = juce::File::getSpecialLocation (juce::File::tempDirectory).getChildFile (name + ".log");
    const auto log = logFile.getFullPathName().toStdString();
    pid = spawn ({ "jackd", "-n", name, "--no-realtime", "-d", "dummy", "-r", "48000", "-p", juce::String (period), "-C", "2",
                   "-P", "4" },
                 log.c_str());
    if (pid <= 0)
        return false;
    for (int wait = 0; wait < 3 && ! running; ++wait)
        running = runToEnd ({ "jack_wait", "-w", "-s", name, "-t", "20" }, log.c_str()) == 0
                  && waitpid (pid, nullptr, WNOHANG) == 0;
    return true;
}

void JackDummyServer::killNow()
{
    if (pid > 0)
    {
        kill (pid, SIGKILL);
        waitpid (pid, nullptr, 0);
        pid = -1;
    }
    running = false;
}

bool JackDummyServer::startAgain()
{
    killNow();
    startNamed();
    return running;
}

void JackDummyServer::stop()
{
    if (pid > 0)
    {
        kill (pid, SIGTERM);
        waitpid (pid, nullptr, 0);
        pid = -1;
    }
    if (logFile != juce::File())
        logFile.deleteFile();
}

JackDummyServer::~JackDummyServer()
{
    if (running)
        unsetenv ("JACK_DEFAULT_SERVER");
    const auto keepLog = ! running;
    if (keepLog)
        logFile = juce::File(); // the log explains the failure
    stop();
}

namespace
{
std::unique_ptr<juce::AudioDeviceManager> tryOpenJackDevice (int numOutputs, juce::String& error)
{
    auto manager = std::make_unique<juce::AudioDeviceManager>();
    manager->initialise (0, 0, nullptr, false);
    manager->setCurrentAudioDeviceType ("JACK", true);

    // A server that just came up may not list its "system" ports yet: scan again
    // until it does (bounded).
    for (auto* type : manager->getAvailableDeviceTypes())
    {
        if (type->getTypeName() != "JACK")
            continue;
        for (int attempt = 0; attempt < 100 && ! type->getDeviceNames (false).contains ("system"); ++attempt)
        {
            juce::Thread::sleep (50);
            type->scanForDevices();
        }
    }

    auto setup = manager->getAudioDeviceSetup();
    setup.inputDeviceName = "system";
    setup.outputDeviceName = "system";
    setup.sampleRate = 48000;
    setup.bufferSize = 512;
    setup.useDefaultInputChannels = false;
    setup.useDefaultOutputChannels = false;
    setup.inputChannels.clear();
    setup.inputChannels.setRange (0, 2, true);
    setup.outputChannels.clear();
    setup.outputChannels.setRange (0, numOutputs, true);
    error = manager->setAudioDeviceSetup (setup, true);

    auto* device = manager->getCurrentAudioDevice();
    if (device == nullptr || ! device->isOpen())
    {
        if (error.isEmpty())
            error = "no JACK device opened";
        return nullptr;
    }
    // JUCE reads which of its ports are connected while JACK may still be
    // connecting them, and can see fewer channels than asked for: open again.
    const auto active = device->getActiveOutputChannels().countNumberOfSetBits();
    if (active != numOutputs)
    {
        error = juce::String (active) + " of " + juce::String (numOutputs) + " outputs active";
        return nullptr;
    }
    return manager;
}
} // namespace

std::unique_ptr<juce::AudioDeviceManager> openJackDevice (int numOutputs, juce::String& error)
{
    // Clients of several JACK servers share one registry; when test programs start
    // servers side by side, a client can fail to open now and then. Try again (bounded).
    for (int attempt = 0; attempt < 10; ++attempt)
    {
        if (auto manager = tryOpenJackDevice (numOutputs, error))
            return manager;
        juce::Thread::sleep (200);
    }
    return nullptr;
}

bool writeConstantWav (const juce::File& file, double seconds, double sampleRate, float value, int channels)
{
    auto total = (int) std::lround (seconds * sampleRate);
    juce::AudioBuffer<float> buffer (channels, total);
    for (int c = 0; c < channels; ++c)
        juce::FloatVectorOperations::fill (buffer.getWritePointer (c), value, total);
    return writeWav (file, buffer, sampleRate, 24);
}

double toneLevel (const float* samples, int numSamples, double sampleRate, double frequency)
{
    const auto w = juce::MathConstants<double>::twoPi * frequency / sampleRate;
    const auto coefficient = 2.0 * std::cos (w);
    double s1 = 0.0, s2 = 0.0;
    for (int i = 0; i < numSamples; ++i)
    {
        auto s0 = samples[i] + coefficient * s1 - s2;
        s2 = s1;
        s1 = s0;
    }
    auto power = s1 * s1 + s2 * s2 - coefficient * s1 * s2;
    return 2.0 * std::sqrt (std::max (0.0, power)) / numSamples;
}

bool pumpUntil (const std::function<bool()>& condition, int timeoutMs)
{
    auto end = juce::Time::getMillisecondCounter() + (juce::uint32) timeoutMs;
    while (! condition())
    {
        if (juce::Time::getMillisecondCounter() > end)
            return condition();
        juce::MessageManager::getInstance()->runDispatchLoopUntil (5);
    }
    return true;
}

void JackDeviceTest::SetUpTestSuite()
{
    if (! JackDummyServer::isInstalled())
        return;
    server = std::make_unique<JackDummyServer>();
    if (server->isRunning())
        devices = openJackDevice (2, deviceError);
}

void JackDeviceTest::TearDownTestSuite()
{
    devices.reset();
    server.reset();
}

void JackDeviceTest::SetUp()
{
    if (! JackDummyServer::isInstalled())
        GTEST_SKIP() << "jackd is not installed (package jackd2): no output device for the players";
    ASSERT_TRUE (server->isRunning()) << "jackd did not start: " << server->getLog();
    ASSERT_NE (devices, nullptr) << deviceError;
    playerDeviceManager = devices.get();
}

void JackDeviceTest::TearDown()
{
    playerDeviceManager = nullptr;
}
