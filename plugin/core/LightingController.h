#pragma once

#include "core/LightFader.h"
#include "core/ShowLibrary.h"

#include <atomic>

namespace lighting
{

/** The lighting controller without its plug-in wrapper: the stored shows, cue
    recall with fades, the burst pair, the footswitch link to the host and the
    live DMX output.

    Threads: the control side (the host's function-table calls, the editor, the
    plug-in's timer) may run on different threads and is guarded by one lock. The
    audio side (process) never locks or allocates: cues reach it through a
    lock-free handoff, and it publishes the output levels as atomics. */
class LightingController final
{
public:
    /** Loads the shows from storeFile, or seeds it with the starter library when
        it is missing or unreadable. */
    explicit LightingController (juce::File storeFile);
    ~LightingController();

    //==============================================================================
    // Control side

    /** Runs f (ShowLibrary&) under the state lock and returns its result. Call
        markChanged() inside f after editing. */
    template <typename Function>
    auto withLibrary (Function&& f)
    {
        const juce::ScopedLock sl (lock);
        const OutputSettingsFollower follower { *this }; // f may load another show or change its output
        return f (shows);
    }

    /** Records that the shows were edited: they are saved by the next saveIfNeeded(). */
    void markChanged() noexcept;

    /** Grows with every change to the shows or the loaded show (for views to refresh). */
    std::uint32_t getChangeCount() const noexcept { return changeCount.load(); }

    bool loadShow (const juce::String& name);

    /** Recalls a preset of the loaded show with this fade; false when it does not
        exist. Inside a burst only the last recall is applied, at its end. */
    bool triggerPreset (const juce::String& bankName, const juce::String& presetName, float fadeSeconds);
    void beginCueBurst();
    void endCueBurst();

    void setTempo (float bpm) noexcept { tempo.store (bpm); }
    float getTempo() const noexcept { return tempo.load(); }

    /** The host's footswitch functions (null clears them). Safe from any thread. */
    void setHostCallbacks (const HostApiTable* host) noexcept;
    void footswitchNext() const noexcept;
    void footswitchPrev() const noexcept;

    /** Writes the shows to the store file when they changed since the last save. */
    bool saveIfNeeded();
    juce::File getStoreFile() const { return storeFile; }

    /** The whole library for the host's saved state. */
    std::unique_ptr<juce::XmlElement> createStateXml();
    bool restoreStateXml (const juce::XmlElement& xml);

    //==============================================================================
    // Audio side (one thread)

    /** Applies the newest cue, if any, and moves the fade on by this much time. */
    void process (double seconds) noexcept;

    //==============================================================================
    // Any thread

    std::uint8_t getOutputLevel (int channel) const noexcept;
    int getOutputLevels (std::uint8_t* dest, int maxChannels) const noexcept;

    /** Copies the whole universe as one consistent frame (never half of one block's
        update and half of the next) and returns the output's serial number, which
        grows every time the audio side changes the levels. Never blocks the audio side. */
    std::uint32_t readOutput (DmxLevels& dest) const noexcept;

    /** How many cues have reached the output so far. */
    int getNumCuesApplied() const noexcept { return cuesApplied.load(); }

    /** The DMX output settings of the loaded show. */
    DmxOutputSettings getOutputSettings() const noexcept;

    /** The frame sender's wake-up, signalled when a cue is published or the output
        settings change (null clears it; cleared under the lock, so no signal can
        reach an event after it is gone). */
    void setOutputWakeUp (juce::WaitableEvent* event);

private:
    /** Copies the loaded show's output settings into the atomics at the end of a
        locked scope, so the frame sender reads them without taking the lock. */
    struct OutputSettingsFollower
    {
        LightingController& owner;
        ~OutputSettingsFollower() { owner.followOutputSettings(); }
    };

    void publishCue (const Cue& cue);
    void followOutputSettings();

    juce::CriticalSection lock;
    juce::CriticalSection saveLock; // one writer of the store file at a time
    ShowLibrary shows;
    const juce::File storeFile;
    std::uint32_t savedChangeCount = 0;
    std::atomic<std::uint32_t> changeCount { 0 };

    int burstDepth = 0;
    bool burstHasCue = false;
    Cue burstCue;

    CueHandoff handoff;
    LightFader fader; // audio side only
    std::array<std::atomic<std::uint8_t>, (size_t) numChannels> output {};
    std::atomic<std::uint32_t> outputSerial { 0 }; // odd while the audio side writes the levels
    std::atomic<int> cuesApplied { 0 };

    std::atomic<bool> outputEnabled { true };
    std::atomic<int> outputUniverse { 1 };
    juce::WaitableEvent* outputWakeUp = nullptr; // guarded by lock

    std::atomic<float> tempo { 120.0f };
    std::atomic<void (*)()> hostNext { nullptr }, hostPrev { nullptr };

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (LightingController)
};

} // namespace lighting
