#include "audio/AudioTestSupport.h"

#include "audio/FilePlayerProcessor.h"

#include <atomic>
#include <csignal>
#include <fcntl.h>
#include <cstdlib>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace
{
pid_t spawn (const juce::StringArray& args)
{
    std::vector<std::string> storage;
    for (auto& a : args)
        storage.push_back (a.toStdString());
    std::vector<char*> argv;
    for (auto& s : storage)
        argv.push_back (s.data());
    argv.push_back (nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init (&actions);
    posix_spawn_file_actions_addopen (&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen (&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    if (posix_spawnp (&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0)
        pid = -1;
    posix_spawn_file_actions_destroy (&actions);
    return pid;
}

int runToEnd (const juce::StringArray& args)
{
    auto pid = spawn (args);
    if (pid <= 0)
        return -1;
    int status = 0;
    waitpid (pid, &status, 0);
    return WIFEXITED (status) ? WEXITSTATUS (status) : -1;
}
} // namespace

bool JackDummyServer::isInstalled()
{
    return juce::File ("/usr/bin/jackd").existsAsFile() && juce::File ("/usr/bin/jack_wait").existsAsFile();
}

JackDummyServer::JackDummyServer()
{
    static std::atomic<int> counter { 0 };
    name = "rav-audio-" + juce::String (getpid()) + "-" + juce::String (++counter);
    if (! isInstalled())
        return;

    pid = spawn ({ "jackd", "-n", name, "--no-realtime", "-d", "dummy", "-r", "48000", "-p", "512", "-C", "2", "-P",
                   "4" });
    if (pid <= 0)
        return;
    running = runToEnd ({ "jack_wait", "-w", "-s", name, "-t", "10" }) == 0;
    setenv ("JACK_DEFAULT_SERVER", name.toRawUTF8(), 1);
    setenv ("JACK_NO_AUDIO_RESERVATION", "1", 1);
}

JackDummyServer::~JackDummyServer()
{
    if (pid > 0)
    {
        kill (pid, SIGTERM);
        int status = 0;
        waitpid (pid, &status, 0);
    }
    unsetenv ("JACK_DEFAULT_SERVER");
}

std::unique_ptr<juce::AudioDeviceManager> openJackDevice (int numOutputs, juce::String& error)
{
    auto manager = std::make_unique<juce::AudioDeviceManager>();
    manager->initialise (0, 0, nullptr, false);
    manager->setCurrentAudioDeviceType ("JACK", true);

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
    return manager;
}

bool writeConstantWav (const juce::File& file, double seconds, double sampleRate, float value, int channels)
{
    file.deleteFile();
    auto stream = file.createOutputStream();
    if (stream == nullptr)
        return false;
    juce::WavAudioFormat wav;
    std::unique_ptr<juce::AudioFormatWriter> writer (
        wav.createWriterFor (stream.get(), sampleRate, (unsigned int) channels, 24, {}, 0));
    if (writer == nullptr)
        return false;
    stream.release();
    auto total = (int) std::lround (seconds * sampleRate);
    juce::AudioBuffer<float> buffer (channels, total);
    for (int c = 0; c < channels; ++c)
        juce::FloatVectorOperations::fill (buffer.getWritePointer (c), value, total);
    return writer->writeFromAudioSampleBuffer (buffer, 0, total);
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
    ASSERT_TRUE (server->isRunning()) << "jackd did not start";
    ASSERT_NE (devices, nullptr) << deviceError;
    playerDeviceManager = devices.get();
}

void JackDeviceTest::TearDown()
{
    playerDeviceManager = nullptr;
}
