#pragma once

#include <juce_audio_devices/juce_audio_devices.h>
#include <juce_audio_formats/juce_audio_formats.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <vector>
#include <sys/types.h>

/** A JACK server with the dummy backend (48 kHz, 512 frames, 2 capture and 4
    playback ports) under a name of its own, stopped by its PID when destroyed.
    The process's JACK_DEFAULT_SERVER points at it while it lives. */
class JackDummyServer final
{
public:
    /** A dummy-backend server at 48 kHz with the given period (frames per block). */
    explicit JackDummyServer (int framesPerPeriod = 512);
    ~JackDummyServer();

    static bool isInstalled();
    bool isRunning() const noexcept { return running; }

    /** Kills the server at once (SIGKILL), as a crash would; its name is kept. */
    void killNow();

    /** Starts a server under the same name again; true when it runs. */
    bool startAgain();
    const juce::String& getName() const noexcept { return name; }
    juce::String getLog() const { return logFile.loadFileAsString(); }

private:
    void stop();
    bool startNamed();

    int period = 512;
    juce::String name;
    juce::File logFile;
    pid_t pid = -1;
    bool running = false;
};

/** Opens JACK's "system" device with two inputs and the given number of outputs;
    null (with the reason in error) when it cannot. */
std::unique_ptr<juce::AudioDeviceManager> openJackDevice (int numOutputs, juce::String& error);

/** Runs a program to its end with its output going to a log; its exit status, or -1. */
int runToEnd (const juce::StringArray& args, const char* logPath = "/dev/null");

/** Writes a WAV file holding one constant value on every channel. */
bool writeConstantWav (const juce::File& file, double seconds, double sampleRate, float value, int channels = 2);

/** Amplitude of one frequency in a signal (Goertzel), for a sine of amplitude A about A. */
double toneLevel (const float* samples, int numSamples, double sampleRate, double frequency);

/** Runs the message loop until the condition holds or the time is up; the result of the condition. */
bool pumpUntil (const std::function<bool()>& condition, int timeoutMs = 5000);

/** Records every code a player broadcasts, as its (coalesced) listener sees it. */
struct EventLog final : juce::ChangeListener
{
    std::vector<int> codes;
    std::function<int()> read;
    void changeListenerCallback (juce::ChangeBroadcaster*) override { codes.push_back (read()); }
    bool saw (int code) const { return std::find (codes.begin(), codes.end(), code) != codes.end(); }
};

/** Tests whose players need an open output device: one JACK dummy server and
    device per test program, installed as playerDeviceManager for each test. */
class JackDeviceTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite();
    static void TearDownTestSuite();
    void SetUp() override;
    void TearDown() override;

    static inline std::unique_ptr<JackDummyServer> server;
    static inline std::unique_ptr<juce::AudioDeviceManager> devices;
    static inline juce::String deviceError;
};
