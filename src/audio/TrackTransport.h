#pragma once

#include <juce_audio_basics/juce_audio_basics.h>

#include <atomic>
#include <cstdint>

/** Plays one preloaded track from a reader source without ever locking or
    waiting on the audio thread.

    The first frames of the track (the head) are read once, when the transport is
    made, and never change, so a rewind to the start (a loop, a new song) plays at
    once. Everything after the head streams through a ring that the player's
    read-ahead thread fills from the reader source. The ring is shared through
    atomics only:
    - the audio thread owns the play position; the message thread asks for a new
      one through `seekTarget`, which the audio thread takes at its next block;
    - a jump of the play position is handed to the read-ahead thread as a rebase
      request (`rebaseRequested` / `ringWanted`); until it answers (`rebaseDone`)
      the audio thread reads nothing from the ring;
    - the read-ahead thread publishes the frames it filled with `ringEnd`, and
      only writes frames below (play position + ring size), whose slots the audio
      thread has already played.

    start(), stop(), setPosition() and the getters may be called on the message
    thread while the audio thread renders; render() belongs to the audio thread.
    When the file's rate differs from the output rate the audio thread resamples
    (Lagrange), so positions always count frames of the file.
*/
class TrackTransport final : public juce::TimeSliceClient
{
public:
    /** @param source          the track's reader source; must outlive this transport
        @param sourceRate      the file's sample rate
        @param readAheadFrames size of the streaming ring */
    TrackTransport (juce::PositionableAudioSource& source, double sourceRate, int readAheadFrames);
    ~TrackTransport() override;

    // Message thread ----------------------------------------------------------
    /** Sizes the resampling for an output rate and block size. Never call it while
        render() may run on this transport. */
    void prepareToPlay (int maximumBlockSize, double outputRate);

    void start() noexcept;
    void stop() noexcept { playing.store (false); }
    bool isPlaying() const noexcept { return playing.load(); }

    /** Next frame to play (of the file), including a position not yet taken by the audio thread. */
    int64_t getNextReadPosition() const noexcept;
    void setNextReadPosition (int64_t frame) noexcept;
    double getCurrentPosition() const noexcept;
    void setPosition (double seconds) noexcept;

    int64_t getTotalLength() const noexcept { return totalLength; }
    double getSampleRate() const noexcept { return sourceSampleRate; }

    /** True when the next `frames` frames can be played from memory (the head, or
        the ring as filled by the read-ahead thread). */
    bool isBuffered (int64_t frames) const noexcept;

    /** True once (and then false) after the audio thread stopped at the end of the data. */
    bool takeEndOfData() noexcept { return endOfData.exchange (false); }

    // Audio thread -------------------------------------------------------------
    struct Rendered
    {
        int frames = 0;          ///< frames of the track written into the buffer
        bool reachedEnd = false; ///< the last frame of the track was among them (or had been played)
    };

    /** Renders up to numFrames frames into the buffer's first two channels from
        startFrame on; stops at the end of the track, leaving the rest of the range
        untouched. Renders nothing when not playing. */
    Rendered render (juce::AudioBuffer<float>& buffer, int startFrame, int numFrames) noexcept;

    /** Back to the first frame and playing (a loop restart, from the audio thread). */
    void rewindFromAudioThread() noexcept;

    /** Stops at the end of the data (audio thread); takeEndOfData() then reports it. */
    void finishFromAudioThread() noexcept;

    // Read-ahead thread ----------------------------------------------------------
    int useTimeSlice() override;

    static constexpr int numChannels = 2;

private:
    void takeSeekRequest() noexcept;
    void jumpTo (int64_t frame) noexcept;
    void requestRebase (int64_t frame) noexcept;
    /** Copies source frames [first, first + count) into dest (channel c at
        destChannels[c] + destOffset); frames not available yet become silence. */
    void copySourceFrames (int64_t first, int count, float* const* dest, int destOffset) noexcept;
    Rendered renderResampled (juce::AudioBuffer<float>& buffer, int startFrame, int numFrames) noexcept;

    juce::PositionableAudioSource& source;
    const double sourceSampleRate;
    const int64_t totalLength;

    // Immutable after construction.
    juce::AudioBuffer<float> head;
    int64_t headLength = 0;

    // Filled by the read-ahead thread.
    juce::AudioBuffer<float> ring;
    int64_t ringSize = 0;

    std::atomic<bool> playing { false };
    std::atomic<bool> endOfData { false };
    std::atomic<int64_t> seekTarget { -1 };
    std::atomic<int64_t> position { 0 };

    std::atomic<int64_t> ringWanted { 0 };
    std::atomic<uint32_t> rebaseRequested { 0 }, rebaseDone { 0 };
    std::atomic<int64_t> ringStart { 0 }, ringEnd { 0 };

    // Resampling (audio thread; sized in prepareToPlay).
    double outputSampleRate = 0.0;
    double speedRatio = 1.0;
    juce::AudioBuffer<float> scratch;
    int maxChunk = 0;
    juce::LagrangeInterpolator interpolators[numChannels];

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (TrackTransport)
};
