#pragma once

#include <juce_core/juce_core.h>

#include <cstdint>
#include <memory>

/** Analysis block length of the limiters and its reciprocal, written by every
    limiter when it derives its sizes (all limiters run at one sample rate).
    Only the message thread touches these: the audio path uses each limiter's own
    copy, so a re-derivation can never race with a running limiter. */
extern int BLOCK_SIZE;
extern double BLOCK_MULT;

/** Look-ahead peak limiter with fixed settings: delays the signal by one block
    plus the look-ahead (about 1.5 ms), plans gain reductions so that they are
    complete when the loud frames are played, releases over 0.2 s and clips every
    output sample to the ceiling and floor.

    Single-threaded: cookProperties() and reset() must not run while a process
    call is under way (the owning player arranges that). Processing allocates
    nothing.
*/
class Limiter
{
public:
    explicit Limiter (double initialSampleRate = 44100.0);
    virtual ~Limiter();

    /** Takes a new sample rate; call cookProperties() afterwards. */
    void setSampleRate (double newRate) noexcept { sampleRate = newRate; }
    double getSampleRate() const noexcept { return sampleRate; }

    /** Derives the working sizes from the sample rate and (re)allocates the rings
        when the rate rose above the one they were sized for. */
    void cookProperties();

    /** Clears the delay line and every planned gain step. */
    void reset();

    void processStereo (float* left, float* right, int numFrames);
    void processMono (float* samples, int numFrames);

    // Derived values, for inspection.
    int getLookahead() const noexcept { return lookahead; }
    int getBlockSize() const noexcept { return blockSize; }
    int getBlocks() const noexcept { return blocks; }
    int getMonoDelay() const noexcept { return monoDelay; }
    int getStereoDelay() const noexcept { return stereoDelay; }
    int64_t getReleaseSamples() const noexcept { return releaseSamples; }
    int getRingLength() const noexcept { return ringLength; }
    int getAllocatedRate() const noexcept { return allocatedRate; }
    double getGain() const noexcept { return gain; }
    const float* getSampleRing() const noexcept { return sampleRing.get(); }

private:
    template <int numChannels>
    void process (float* const* channels, int numFrames);

    void analyse (int64_t scanStart, int scanLength);
    void finishFrame();
    int64_t wrap (int64_t index) const noexcept { return index >= ringLength ? index - ringLength : index; }

    double gain = 1.0;
    double makeup = 1.0;
    double threshold = 1.0;
    double releaseStep = 0.0;
    double releaseTime = 0.2;
    double ceiling = 1.0;
    double floor = -1.0;
    int64_t releaseSamples = 0;
    int64_t readIndex = 0;
    int64_t gainIndex = 0;
    std::unique_ptr<float[]> sampleRing;
    int ringLength = 0;
    int allocatedRate = 0;
    double sampleRate = 44100.0;
    std::unique_ptr<double[]> gainRing;
    double attackTime = 0.001;
    int lookahead = 0;
    int blocks = 0;
    bool autoMakeup = false;
    int64_t countdown = 0;
    int monoDelay = 0;
    int stereoDelay = 0;

    // This limiter's own copies of BLOCK_SIZE and BLOCK_MULT.
    int blockSize = 16;
    double blockMult = 1.0 / 16.0;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (Limiter)
};
