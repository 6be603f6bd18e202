#include "audio/Limiter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace
{
/** A limiter with its sizes derived for the rate. */
struct Cooked : Limiter
{
    explicit Cooked (double rate)
        : Limiter (rate)
    {
        cookProperties();
    }
};

/** Runs a stereo signal through the limiter in blocks of uneven sizes (blocks must
    run on across calls) and returns the left output. */
std::vector<float> runStereo (Limiter& limiter, const std::vector<float>& input)
{
    std::vector<float> left (input), right (input);
    const int sizes[] = { 1, 37, 256, 5, 100 };
    size_t done = 0;
    for (int k = 0; done < input.size(); ++k)
    {
        auto n = std::min<size_t> ((size_t) sizes[k % 5], input.size() - done);
        limiter.processStereo (left.data() + done, right.data() + done, (int) n);
        for (size_t i = done; i < done + n; ++i)
            EXPECT_EQ (left[i], right[i]);
        done += n;
    }
    return left;
}
} // namespace

TEST (Limiter, DerivedValuesFollowTheSampleRate)
{
    struct Case
    {
        double rate;
        int lookahead, blockSize, blocks, delay;
        int64_t releaseSamples;
        int ringLength;
    };
    for (auto c : { Case { 44100, 44, 22, 2, 66, 8820, 16560 }, Case { 48000, 48, 24, 2, 72, 9600, 16576 },
                    Case { 96000, 96, 48, 2, 144, 19200, 16768 },
                    // Below 2000 Hz the look-ahead is held at two samples instead of dividing by zero.
                    Case { 1000, 2, 1, 2, 3, 200, 16392 }, Case { 300, 2, 1, 2, 3, 60, 16392 } })
    {
        SCOPED_TRACE (c.rate);
        Cooked limiter (c.rate);
        EXPECT_EQ (limiter.getLookahead(), c.lookahead);
        EXPECT_EQ (limiter.getBlockSize(), c.blockSize);
        EXPECT_EQ (BLOCK_SIZE, c.blockSize);
        EXPECT_DOUBLE_EQ (BLOCK_MULT, 1.0 / c.blockSize);
        EXPECT_EQ (limiter.getBlocks(), c.blocks);
        EXPECT_EQ (limiter.getMonoDelay(), c.delay);
        EXPECT_EQ (limiter.getStereoDelay(), 2 * c.delay);
        EXPECT_EQ (limiter.getReleaseSamples(), c.releaseSamples);
        EXPECT_EQ (limiter.getRingLength(), c.ringLength);
    }
}

TEST (Limiter, OddLookaheadUsesThreeBlocks)
{
    Cooked limiter (45000); // look-ahead 45, blocks of 22 -> raised to 66
    EXPECT_EQ (limiter.getBlockSize(), 22);
    EXPECT_EQ (limiter.getLookahead(), 66);
    EXPECT_EQ (limiter.getBlocks(), 3);
}

TEST (Limiter, QuietSignalPassesDelayedByOneBlockAndTheLookahead)
{
    Cooked stereo (44100);
    auto out = runStereo (stereo, std::vector<float> (3000, 0.5f));
    for (int i = 0; i < 3000; ++i)
        ASSERT_NEAR (out[(size_t) i], i < 66 ? 0.0f : 0.5f, 1e-6f) << i;

    Cooked mono (48000);
    std::vector<float> samples (1000, 0.5f);
    mono.processMono (samples.data(), 1000);
    for (int i = 0; i < 1000; ++i)
        ASSERT_NEAR (samples[(size_t) i], i < 72 ? 0.0f : 0.5f, 1e-6f) << i;
}

TEST (Limiter, LoudStepIsReducedByTheTimeItIsPlayedAndReleasedSlowly)
{
    Cooked limiter (44100);
    // The loud part starts on an analysis block boundary (blocks of 22 from frame 0).
    const int loudStart = 990, loudLength = 2002, quietLength = 60000;
    std::vector<float> input ((size_t) (loudStart + loudLength + quietLength), 0.25f);
    std::fill_n (input.begin() + loudStart, loudLength, 2.0f);

    std::vector<float> left (input), right (input);
    std::vector<double> gains (input.size());
    for (size_t i = 0; i < input.size(); ++i)
    {
        limiter.processStereo (left.data() + i, right.data() + i, 1);
        gains[i] = limiter.getGain();
    }

    for (size_t i = 0; i < left.size(); ++i)
        ASSERT_LE (std::abs (left[i]), 1.0f) << i;

    // The loud frames are first seen one block after they enter; half of the
    // reduction follows over each look-ahead block: 0.75, then 0.5 as they arrive.
    const int arrival = loudStart + 66;
    EXPECT_NEAR (gains[(size_t) arrival - 45], 1.0, 1e-9);
    EXPECT_NEAR (gains[(size_t) arrival - 23], 0.75, 1e-9);
    EXPECT_NEAR (gains[(size_t) arrival - 1], 0.5, 1e-9);
    EXPECT_NEAR (left[(size_t) arrival - 1], 0.125f, 1e-6f); // the last quiet frame, reduced as well
    EXPECT_NEAR (left[(size_t) arrival], 2.0f * (0.5f - 0.125f / 22), 1e-6f);
    // Each block re-plans from the gain reached so far, so the plan placed before
    // arrival still lowers it by one more step; it never goes below that.
    const auto lowest = *std::min_element (gains.begin(), gains.end());
    EXPECT_NEAR (lowest, 0.375, 1e-3);

    // Release: once the quiet frames are analysed, an exponential approach to 1
    // with a time constant of releaseSamples (8820), never falling on the way.
    const int releaseStart = loudStart + loudLength + 44;
    for (int i = releaseStart + 1; i < (int) gains.size(); ++i)
        ASSERT_GE (gains[(size_t) i] + 1e-12, gains[(size_t) i - 1]) << i;
    const auto startGain = gains[(size_t) releaseStart];
    EXPECT_NEAR (gains[(size_t) releaseStart + 8820], 1.0 - (1.0 - startGain) * std::exp (-1.0), 0.02);
    EXPECT_GT (gains.back(), 0.99);
}

TEST (Limiter, ResetSilencesTheDelayLineAtOnce)
{
    Cooked limiter (44100);
    runStereo (limiter, std::vector<float> (500, 3.0f));
    limiter.reset();
    EXPECT_EQ (limiter.getGain(), 1.0);
    auto out = runStereo (limiter, std::vector<float> (300, 0.0f));
    for (auto sample : out)
        ASSERT_EQ (sample, 0.0f);
}

TEST (Limiter, RingsAreKeptForALowerRateAndReallocatedForAHigherOne)
{
    Limiter limiter (48000);
    limiter.cookProperties();
    runStereo (limiter, std::vector<float> (200, 0.5f));
    const auto* ring = limiter.getSampleRing();
    const std::vector<float> before (ring, ring + limiter.getRingLength());

    limiter.setSampleRate (44100);
    limiter.cookProperties();
    EXPECT_EQ (limiter.getSampleRing(), ring);
    EXPECT_EQ (limiter.getRingLength(), 16576);
    EXPECT_EQ (limiter.getAllocatedRate(), 48000);
    EXPECT_TRUE (std::equal (before.begin(), before.end(), limiter.getSampleRing()));
    EXPECT_EQ (limiter.getStereoDelay(), 132); // the sizes follow the new rate

    limiter.setSampleRate (96000);
    limiter.cookProperties();
    EXPECT_EQ (limiter.getRingLength(), 16768);
    EXPECT_EQ (limiter.getAllocatedRate(), 96000);
    const auto* fresh = limiter.getSampleRing();
    EXPECT_TRUE (std::all_of (fresh, fresh + limiter.getRingLength(), [] (float s) { return s == 0.0f; }));
}

TEST (Limiter, WorksAtARateBelow2000Hz)
{
    Cooked limiter (1000);
    std::vector<float> input (400, 0.5f);
    std::fill (input.begin() + 200, input.end(), 4.0f);
    auto out = runStereo (limiter, input);
    for (size_t i = 0; i < out.size(); ++i)
    {
        ASSERT_TRUE (std::isfinite (out[i])) << i;
        ASSERT_LE (std::abs (out[i]), 1.0f) << i;
    }
    EXPECT_NEAR (out[100], 0.5f, 1e-6f);
    EXPECT_LT (limiter.getGain(), 0.26); // the loud part is limited
}
