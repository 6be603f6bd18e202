#include "audio/Limiter.h"

#include <juce_audio_basics/juce_audio_basics.h>

#include <algorithm>
#include <cmath>

int BLOCK_SIZE = 16;
double BLOCK_MULT = 1.0 / 16.0;

namespace
{
// Added to the gain of every sample so that it can never become denormal: the
// single-precision value nearest to 1e-20.
constexpr double antiDenormal = (double) 1e-20f;

/** The hot loop: gain on a straight line, makeup, clip, de-interleave. Built with
    the vectoriser on (the project builds at -O2, where GCC leaves this loop scalar). */
template <int numChannels>
[[gnu::optimize ("O3")]] void applyLine (const float* __restrict source, float* const* channels, int offset, int run,
                                         double startGain, double step, double makeup, double ceiling, double floor)
{
    for (int c = 0; c < numChannels; ++c)
    {
        float* __restrict out = channels[c] + offset;
        for (int k = 0; k < run; ++k)
        {
            auto value = (double) source[k * numChannels + c] * makeup * (startGain + (k + 1) * step);
            value = value > ceiling ? ceiling : value;
            value = value < floor ? floor : value;
            out[k] = (float) value;
        }
    }
}

// Below this look-ahead the analysis block would be empty (rates under 2000 Hz).
constexpr int minimumLookahead = 2;
} // namespace

Limiter::Limiter (double initialSampleRate)
    : sampleRate (initialSampleRate)
{
}

Limiter::~Limiter() = default;

void Limiter::cookProperties()
{
    makeup = autoMakeup ? ceiling / threshold : 1.0;

    // At least one sample of release, so that a silly rate cannot divide by zero.
    releaseSamples = std::max<int64_t> (1, (int64_t) (std::max (attackTime, releaseTime) * sampleRate));
    releaseStep = 1.0 / (double) releaseSamples;

    // Rates below 2000 Hz would give a look-ahead under two samples and an empty
    // analysis block; two samples is the shortest look-ahead that still plans.
    lookahead = std::max (minimumLookahead, (int) (attackTime * sampleRate));
    blockSize = lookahead / 2;
    blockMult = 1.0 / blockSize;
    BLOCK_SIZE = blockSize;
    BLOCK_MULT = blockMult;

    if (lookahead % blockSize != 0)
        lookahead += blockSize - lookahead % blockSize;
    blocks = lookahead / blockSize;

    monoDelay = blockSize + lookahead;
    stereoDelay = 2 * monoDelay;

    if (sampleRate > allocatedRate || sampleRing == nullptr || gainRing == nullptr)
    {
        allocatedRate = (int) sampleRate;
        ringLength = 4 * lookahead + 16384;
        sampleRing.reset (new float[(size_t) ringLength]);
        gainRing.reset (new double[(size_t) ringLength]);
        std::fill_n (sampleRing.get(), ringLength, 0.0f);
        std::fill_n (gainRing.get(), ringLength, 1.0);
        readIndex = 0;
        gainIndex = 0;
    }
}

void Limiter::reset()
{
    if (sampleRing != nullptr && gainRing != nullptr)
    {
        std::fill_n (sampleRing.get(), ringLength, 0.0f);
        std::fill_n (gainRing.get(), ringLength, 1.0);
    }
    gain = 1.0;
    countdown = 0;
    readIndex = 0;
    gainIndex = 0;
}

void Limiter::processStereo (float* left, float* right, int numFrames)
{
    float* channels[] = { left, right };
    process<2> (channels, numFrames);
}

void Limiter::processMono (float* samples, int numFrames)
{
    float* channels[] = { samples };
    process<1> (channels, numFrames);
}

void Limiter::analyse (int64_t scanStart, int scanLength)
{
    // Peak of the frames that will be played `lookahead` frames from now; the
    // range starts from 0 so that the peak is never negative.
    auto index = wrap (scanStart);
    double lowest = 0.0, highest = 0.0;
    while (scanLength > 0)
    {
        auto count = (int) std::min<int64_t> (scanLength, ringLength - index);
        auto range = juce::FloatVectorOperations::findMinAndMax (sampleRing.get() + index, count);
        lowest = std::min (lowest, (double) range.getStart());
        highest = std::max (highest, (double) range.getEnd());
        scanLength -= count;
        index = wrap (index + count);
    }
    auto peak = std::max (std::abs (lowest), std::abs (highest));

    auto target = peak > threshold ? threshold / peak : 1.0;
    auto delta = target - gain;
    auto slot = gainIndex;

    if (delta < 0.0)
    {
        // Attack: half of the reduction in the first block, a quarter in the next...
        // the last block repeats the previous share, so the shares add up to delta.
        auto increment = 0.0;
        auto share = 1.0;
        for (int k = 0; k < blocks; ++k)
        {
            if (k < blocks - 1)
            {
                share *= 0.5; // 0.5^(k+1)
                increment = delta * share * blockMult;
            }
            gainRing[(size_t) slot] = std::min (gainRing[(size_t) slot], increment);
            slot = wrap (slot + 1);
        }
    }
    else
    {
        // Release: never replaces a smaller (attack) plan already in a slot.
        auto increment = delta * releaseStep;
        for (int k = 0; k < blocks; ++k)
        {
            gainRing[(size_t) slot] = std::min (gainRing[(size_t) slot], increment);
            slot = wrap (slot + 1);
        }
    }

    countdown = blockSize;
}

void Limiter::finishFrame()
{
    if (--countdown == 0)
    {
        gainRing[(size_t) gainIndex] = 1.0;
        gainIndex = wrap (gainIndex + 1);
    }
}

template <int numChannels>
void Limiter::process (float* const* channels, int numFrames)
{
    const int delay = numChannels == 2 ? stereoDelay : monoDelay;
    auto* ring = sampleRing.get();
    int done = 0;

    while (done < numFrames)
    {
        if (countdown == 0)
            analyse (readIndex + (int64_t) numChannels * lookahead, numChannels * blockSize);

        const auto writeIndex = wrap (readIndex + delay);
        const auto room = std::min (ringLength - readIndex, ringLength - writeIndex) / numChannels;

        if (room == 0)
        {
            // A frame that straddles the end of the ring (only after switching
            // between mono and stereo): one frame, element by element.
            auto w = writeIndex;
            for (int c = 0; c < numChannels; ++c)
            {
                ring[w] = channels[c][done];
                w = wrap (w + 1);
            }
            gain = std::max (0.0, gain + gainRing[(size_t) gainIndex]) + antiDenormal;
            for (int c = 0; c < numChannels; ++c)
            {
                auto value = (double) ring[readIndex] * makeup * gain;
                value = value > ceiling ? ceiling : value;
                value = value < floor ? floor : value;
                channels[c][done] = (float) value;
                readIndex = wrap (readIndex + 1);
            }
            finishFrame();
            ++done;
            continue;
        }

        // A run of frames inside one analysis block and inside the ring: the
        // per-sample gain increment is constant over it.
        const auto run = (int) std::min<int64_t> ({ countdown, (int64_t) (numFrames - done), room });

        for (int c = 0; c < numChannels; ++c)
        {
            const float* in = channels[c] + done;
            float* dest = ring + writeIndex + c;
            for (int k = 0; k < run; ++k)
                dest[k * numChannels] = in[k];
        }

        const auto increment = gainRing[(size_t) gainIndex];
        const auto startGain = gain;
        const float* source = ring + readIndex;

        if (startGain + increment > 0.0 && startGain + run * increment > 0.0)
        {
            // The gain never reaches the floor of 0 in this run, so it is a straight
            // line: computing each frame's gain directly lets the loop vectorise.
            const auto step = increment + antiDenormal;
            applyLine<numChannels> (source, channels, done, run, startGain, step, makeup, ceiling, floor);
            gain = startGain + run * step;
        }
        else
        {
            for (int k = 0; k < run; ++k)
            {
                gain = std::max (0.0, gain + increment) + antiDenormal;
                for (int c = 0; c < numChannels; ++c)
                {
                    auto value = (double) source[k * numChannels + c] * makeup * gain;
                    value = value > ceiling ? ceiling : value;
                    value = value < floor ? floor : value;
                    channels[c][done + k] = (float) value;
                }
            }
        }

        readIndex = wrap (readIndex + (int64_t) run * numChannels);
        countdown -= run - 1;
        finishFrame();
        done += run;
    }
}

template void Limiter::process<1> (float* const*, int);
template void Limiter::process<2> (float* const*, int);
