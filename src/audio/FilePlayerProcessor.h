#pragma once

#include "audio/Limiter.h"
#include "audio/TrackTransport.h"

#include <juce_audio_devices/juce_audio_devices.h>
#include <juce_audio_formats/juce_audio_formats.h>
#include <juce_audio_processors/juce_audio_processors.h>

#include <atomic>
#include <map>
#include <memory>
#include <vector>

/** Codes a player stores in lastEvent before each change broadcast. Listeners
    read lastEvent when their (coalesced) callback runs. */
struct PlayerEvent
{
    enum Code : int
    {
        none = 0,
        started = 1,         ///< play() started the transport
        stopped = 2,         ///< a stop (immediate, or at the end of a fade-out) completed
        reachedEnd = 3,      ///< the track stopped at its end while not looping
        positionChanged = 4, ///< the position was set from outside or rewound for a loop
        tick = 5,            ///< every timer tick while playing
        looping = 6,         ///< looping was toggled
        slowTick = 7,        ///< every second timer tick while playing, right after tick
        looped = 8           ///< the track restarted at its start because looping is on
    };
};

/** The read-ahead thread of one player: fills the streaming rings of its tracks. */
class VovirCtrlTimeSlice final : public juce::TimeSliceThread
{
public:
    VovirCtrlTimeSlice()
        : juce::TimeSliceThread ("vovirCtrlTimeSlice")
    {
    }
};

/** The program's audio device manager (the main window's), or null while there is
    no main window. The players ask it whether an output device is open. */
extern juce::AudioDeviceManager* playerDeviceManager;

/** Plays one preloaded track at a time, through a fade, a volume and a limiter.

    Threads. The audio thread runs processBlock(); everything else runs on the
    message thread, except the read-ahead thread that streams the tracks.
    processBlock() never locks, allocates, opens files or waits:
    - The track it plays is handed over through the atomic `audioTransport`.
      Every processBlock() call makes `callbackCounter` odd on entry and even on
      exit. A transport that the message thread takes out of use goes to a
      retired list with the counter value seen right after the handover, and is
      deleted (on the message thread) only once that value was even or the
      counter has moved on, i.e. once no callback can still hold the old pointer.
    - The limiter belongs to the audio thread: the message thread asks for a reset
      through `limiterResetPending`, taken at the start of the next block.
    - Fade, volume, loop and length fields are atomics. Events found on the audio
      thread (loop restart, end of the track) raise flags that the 66 ms timer
      turns into change broadcasts on the message thread.
*/
class FilePlayerProcessor final : public juce::AudioProcessor,
                                  public juce::ChangeBroadcaster,
                                  public juce::Timer,
                                  public juce::ChangeListener
{
public:
    FilePlayerProcessor();
    ~FilePlayerProcessor() override;

    //==============================================================================
    const juce::String getName() const override { return "FilePlayer"; }
    const juce::String getInputChannelName (int) const override { return "In"; }
    const juce::String getOutputChannelName (int) const override { return "Out"; }
    bool isInputChannelStereoPair (int) const override { return true; }
    bool isOutputChannelStereoPair (int) const override { return true; }
    bool acceptsMidi() const override { return false; }
    bool producesMidi() const override { return false; }
    double getTailLengthSeconds() const override { return 0.0; }
    bool silenceInProducesSilenceOut() const override { return false; }
    bool hasEditor() const override { return false; }
    juce::AudioProcessorEditor* createEditor() override { return nullptr; }
    int getNumPrograms() override { return 1; }
    int getCurrentProgram() override { return 0; }
    void setCurrentProgram (int) override {}
    const juce::String getProgramName (int) override { return {}; }
    void changeProgramName (int, const juce::String&) override {}
    void getStateInformation (juce::MemoryBlock&) override {}
    void setStateInformation (const void*, int) override {}

    void prepareToPlay (double newSampleRate, int newBlockSize) override;
    void releaseResources() override;
    void processBlock (juce::AudioBuffer<float>&, juce::MidiBuffer&) override;
    using juce::AudioProcessor::processBlock;

    //==============================================================================
    void preloadAudioFiles (std::vector<juce::String> paths, std::vector<double> trimStarts,
                            std::vector<double> trimEnds);
    void preloadAudioFile (juce::String path, double trimStart, double trimEnd);
    void unloadSources();
    void loadFile (juce::String path, double trimStart, double trimEnd, bool loop);
    void play (double fadeInSeconds);
    void setTrimTimes (double trimStart, double trimEnd);

    /** True when an audio output device is open; otherwise tells the user. */
    static bool isOutputDeviceValid();
    /** The same test without telling anyone. */
    static bool hasOutputDevice();
    /** What the user is told when there is no output device: how to get one here. */
    static const char* const noDeviceText;
    /** While the device that was open is lost (see AudioDeviceWatch): the box that
        says so, shown instead of the one above when something tries to play. */
    static std::function<void()> tellDeviceLost;

    /** The key of a preloaded track: path, start trim and end trim. */
    static juce::String sourceKey (const juce::String& path, double trimStart, double trimEnd);

    //==============================================================================
    // Message thread helpers used by the transport operations and other views.
    bool hasTransport() const noexcept { return currentTransport != nullptr; }
    bool isPlaying() const noexcept { return currentTransport != nullptr && currentTransport->isPlaying(); }
    /** Position in seconds of the current track (0 without one). */
    double getCurrentPosition() const noexcept;
    TrackTransport* getCurrentTransport() const noexcept { return currentTransport; }
    juce::AudioFormatReaderSource* getCurrentReaderSource() const noexcept { return currentReaderSource; }
    int getNumPreloaded() const noexcept { return (int) transports.size(); }
    TrackTransport* getTransport (const juce::String& key) const;

    /** Stops now: no fade, event stopped. */
    void stopNow();
    /** Starts a fade-out over the given time; the timer completes the stop. */
    void startFadeOut (double fadeOutSeconds);
    /** Moves the current track (clamped to 0 .. songLength), event positionChanged. */
    void seekTo (double seconds);
    void toggleLooping();

    /** Arms the track that follows the current one without a gap: when the backing
        player's track ends (not looping), both players go on with their queued
        track in the next audio block, and the timer then broadcasts reachedEnd
        with that track already current and playing. An empty path queues
        silence. A stop, pause or seek keeps it (it waits for the end); loading
        or unloading a track drops it, and a track that ends while fading out
        ends as usual. */
    void queueFollowOn (const juce::String& path, double trimStart, double trimEnd, bool loop);
    /** Drops a queued track. */
    void cancelFollowOn();
    bool hasFollowOn() const noexcept { return (followOn.generation.load() & 1u) != 0; }
    /** True from the moment the queued track became current (the audio thread
        went on with it at the end of the last one) until the next loadFile():
        the track plays, but whoever showed the last one has not loaded it yet. */
    bool playsTrackNotYetLoaded() const noexcept
    {
        return handedOverTo != nullptr && handedOverTo == currentTransport;
    }
    /** True while the current track is one the audio thread went on with at the
        end of the last one, until the next play() or load: it has been playing
        since then, and a rewind would play its first moments twice. */
    bool continuesFollowOn() const noexcept
    {
        return playsTrackNotYetLoaded() || (continuingTrack && currentTransport != nullptr);
    }

    /** Frees transports that the audio thread can no longer hold (also done by the timer). */
    void releaseRetired();
    int getNumRetired() const noexcept { return (int) retired.size(); }

    void timerCallback() override;
    void changeListenerCallback (juce::ChangeBroadcaster* source) override;

    //==============================================================================
    std::atomic<double> sampleRate { 44100.0 };
    int tickCounter = 0;
    int lastEvent = PlayerEvent::none;
    float outputLatency = 0.0f;
    std::atomic<float> fadeGain { 1.0f };
    std::atomic<float> volumeGain { 1.0f };
    std::atomic<double> fadeStep { 0.0 };
    std::atomic<bool> fadingOut { false }, fadingIn { false }, fadeOutDone { false };
    std::atomic<double> songLength { 0.0 };
    bool loopOnLoad = false;
    std::atomic<bool> looping { false };
    std::atomic<int> blockSize { 1024 };
    std::atomic<bool> playRequested { false };
    juce::String currentFile;

private:
    struct Retired
    {
        // Declared in this order so that the transport goes before the source it reads.
        std::unique_ptr<juce::AudioFormatReaderSource> readerSource;
        std::unique_ptr<TrackTransport> transport;
        uint64_t counterSeen = 0;
    };

    /** The track queued to follow the current one. The message thread writes it
        while disarmed; the audio thread reads it once `armed` is set. */
    struct FollowOn
    {
        // Odd while armed. Both threads disarm with a compare-exchange, so the
        // audio thread takes the fields it read only if they still belong to
        // the generation it saw.
        std::atomic<uint32_t> generation{0};
        std::atomic<TrackTransport*> transport{nullptr};
        std::atomic<bool> loop{false};
        std::atomic<uint64_t> endsAtArming{0};
        std::atomic<FilePlayerProcessor*> leader{nullptr}; // whose track end starts it
        // Message thread only.
        juce::AudioFormatReaderSource* readerSource = nullptr;
        juce::String path;
        double length = 0.0;
    };

    void broadcast (PlayerEvent::Code event);
    /** Audio thread, start of a block: goes on with the queued track once the
        backing player's track has ended in an earlier block. */
    void takeFollowOnIfDue() noexcept;
    /** Message thread: the audio thread went on with the queued track. */
    void completeFollowOn();
    void setCurrentTransport (TrackTransport* transport, juce::AudioFormatReaderSource* readerSource);
    void requestLimiterReset() noexcept { limiterResetPending.store (true); }
    void restartFromAudioThread (TrackTransport& transport, juce::AudioBuffer<float>& buffer, int from, int numFrames);
    void applyGain (juce::AudioBuffer<float>& buffer, int numFrames, float previousFade, float newFade,
                    float previousVolume, float newVolume) noexcept;

    VovirCtrlTimeSlice readAheadThread;
    std::map<juce::String, std::unique_ptr<TrackTransport>> transports;
    std::map<juce::String, std::unique_ptr<juce::AudioFormatReaderSource>> readerSources;
    TrackTransport* currentTransport = nullptr;
    juce::AudioFormatReaderSource* currentReaderSource = nullptr;
    std::unique_ptr<Limiter> limiter;

    std::atomic<TrackTransport*> audioTransport { nullptr };
    std::atomic<uint64_t> callbackCounter { 0 };
    std::vector<Retired> retired;
    std::atomic<bool> limiterResetPending { false };
    std::atomic<bool> loopRestarted { false };
    float lastVolume = 1.0f; // audio thread only

    FollowOn followOn;
    std::atomic<bool> followOnTaken{false};
    // Counted by every player at the start of each block; the block in which its
    // track last ended with a follow-on armed, and how many such ends there were.
    std::atomic<uint64_t> blocksCounted{0}, lastEndBlock{0}, songEnds{0};
    bool endPending = false;                // audio thread: this track ended, waiting for the next block
    TrackTransport* handedOverTo = nullptr; // message thread: the track the audio thread went on with
    bool continuingTrack = false;           // message thread: loadFile kept that track playing

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (FilePlayerProcessor)
};

/** The backing-track and click-track players (graph nodes 4 and 5), null outside
    the life of the processing graph. */
extern FilePlayerProcessor* filePlayer;
extern FilePlayerProcessor* filePlayerB;

/** Operations on both players at once: filePlayer first, then filePlayerB. */
struct RaTracks
{
    static void stop (double fadeOutSeconds);
    static void setCurrentTime (double seconds);
    static void toggleLooping();
};
