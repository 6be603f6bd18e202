#include "audio/TrackTransport.h"

#include <algorithm>
#include <cmath>

namespace
{
// Frames kept at the start of every track, so that a rewind plays at once.
constexpr int64_t headFrames = 32768;

// Largest piece the read-ahead thread reads at a time.
constexpr int readChunk = 2048;
} // namespace

TrackTransport::TrackTransport (juce::PositionableAudioSource& sourceToPlay, double sourceRate, int readAheadFrames)
    : source (sourceToPlay)
    , sourceSampleRate (sourceRate)
    , totalLength (std::max<int64_t> (0, sourceToPlay.getTotalLength()))
{
    headLength = std::min (totalLength, headFrames);
    head.setSize (numChannels, (int) std::max<int64_t> (1, headLength));
    head.clear();
    if (headLength > 0)
    {
        source.setNextReadPosition (0);
        source.getNextAudioBlock (juce::AudioSourceChannelInfo (&head, 0, (int) headLength));
    }

    ringSize = std::max (readChunk, readAheadFrames);
    ring.setSize (numChannels, (int) ringSize);
    ring.clear();
    ringWanted.store (headLength);
    ringStart.store (headLength);
    ringEnd.store (headLength);
}

TrackTransport::~TrackTransport() = default;

void TrackTransport::prepareToPlay (int maximumBlockSize, double outputRate)
{
    outputSampleRate = outputRate;
    speedRatio = (outputRate > 0.0 && sourceSampleRate > 0.0) ? sourceSampleRate / outputRate : 1.0;
    maxChunk = std::max (1, maximumBlockSize);
    scratch.setSize (numChannels, (int) std::ceil (maxChunk * speedRatio) + 8);
    for (auto& interpolator : interpolators)
        interpolator.reset();
}

void TrackTransport::start() noexcept
{
    if (totalLength > 0)
    {
        endOfData.store (false);
        playing.store (true);
    }
}

int64_t TrackTransport::getNextReadPosition() const noexcept
{
    auto pending = seekTarget.load();
    return pending >= 0 ? pending : position.load();
}

void TrackTransport::setNextReadPosition (int64_t frame) noexcept
{
    seekTarget.store (std::clamp<int64_t> (frame, 0, totalLength));
}

double TrackTransport::getCurrentPosition() const noexcept
{
    return sourceSampleRate > 0.0 ? (double) getNextReadPosition() / sourceSampleRate : 0.0;
}

void TrackTransport::setPosition (double seconds) noexcept
{
    if (sourceSampleRate > 0.0)
        setNextReadPosition ((int64_t) (seconds * sourceSampleRate));
}

bool TrackTransport::isBuffered (int64_t frames) const noexcept
{
    const auto first = getNextReadPosition();
    const auto wanted = std::min (totalLength, first + frames);
    if (wanted <= headLength)
        return true;
    if (seekTarget.load() >= 0)
        return false; // the ring follows the new position only once the audio thread took it
    return rebaseDone.load() == rebaseRequested.load() && ringStart.load() <= std::max (first, headLength)
           && ringEnd.load() >= wanted;
}

//==============================================================================
void TrackTransport::takeSeekRequest() noexcept
{
    auto pending = seekTarget.load();
    if (pending >= 0)
    {
        jumpTo (pending);
        // A newer request that arrived meanwhile stays for the next block.
        seekTarget.compare_exchange_strong (pending, -1);
    }
}

void TrackTransport::jumpTo (int64_t frame) noexcept
{
    const auto current = position.load (std::memory_order_relaxed);
    position.store (frame);
    for (auto& interpolator : interpolators)
        interpolator.reset();

    // A forward jump inside the filled part of the ring keeps it; any backward jump
    // rebases it, because the read-ahead thread may already be writing over the
    // slots of frames behind the old position.
    const auto target = std::max (frame, headLength);
    const bool settled = rebaseDone.load (std::memory_order_acquire)
                         == rebaseRequested.load (std::memory_order_relaxed);
    if (! (settled && frame >= current && ringStart.load (std::memory_order_relaxed) <= target
           && target <= ringEnd.load (std::memory_order_acquire)))
        requestRebase (target);
}

void TrackTransport::requestRebase (int64_t frame) noexcept
{
    ringWanted.store (frame, std::memory_order_release);
    rebaseRequested.fetch_add (1, std::memory_order_release);
}

void TrackTransport::copySourceFrames (int64_t first, int count, float* const* dest, int destOffset) noexcept
{
    auto frame = first;
    auto offset = destOffset;
    auto remaining = (int64_t) count;

    // The head never changes.
    if (frame < headLength && remaining > 0)
    {
        auto n = (int) std::min (remaining, headLength - frame);
        for (int c = 0; c < numChannels; ++c)
            juce::FloatVectorOperations::copy (dest[c] + offset, head.getReadPointer (c, (int) frame), n);
        frame += n;
        offset += n;
        remaining -= n;
    }

    // Then the ring, as far as the read-ahead thread has filled it.
    if (remaining > 0 && frame < totalLength)
    {
        const bool settled = rebaseDone.load (std::memory_order_acquire)
                             == rebaseRequested.load (std::memory_order_relaxed);
        if (settled && ringStart.load (std::memory_order_relaxed) <= frame)
        {
            const auto filledEnd = ringEnd.load (std::memory_order_acquire);
            auto available = std::min ({ remaining, filledEnd - frame, totalLength - frame });
            while (available > 0)
            {
                auto slot = (int) (frame % ringSize);
                auto n = (int) std::min<int64_t> (available, ringSize - slot);
                for (int c = 0; c < numChannels; ++c)
                    juce::FloatVectorOperations::copy (dest[c] + offset, ring.getReadPointer (c, slot), n);
                frame += n;
                offset += n;
                remaining -= n;
                available -= n;
            }
        }
    }

    // Past the end, or not read yet: silence.
    if (remaining > 0)
        for (int c = 0; c < numChannels; ++c)
            juce::FloatVectorOperations::clear (dest[c] + offset, (int) remaining);
}

TrackTransport::Rendered TrackTransport::render (juce::AudioBuffer<float>& buffer, int startFrame,
                                                 int numFrames) noexcept
{
    takeSeekRequest();

    Rendered result;
    if (! playing.load() || numFrames <= 0 || buffer.getNumChannels() < numChannels)
        return result;

    if (speedRatio != 1.0)
        return renderResampled (buffer, startFrame, numFrames);

    const auto first = position.load (std::memory_order_relaxed);
    const auto frames = (int) std::clamp<int64_t> (totalLength - first, 0, numFrames);

    float* dest[numChannels] = { buffer.getWritePointer (0), buffer.getWritePointer (1) };
    copySourceFrames (first, frames, dest, startFrame);

    const auto next = first + frames;
    position.store (next);
    result.frames = frames;
    result.reachedEnd = next >= totalLength;

    // Fell behind the read-ahead (a slow disk): let it continue from here.
    if (next >= headLength && next > ringEnd.load (std::memory_order_acquire)
        && rebaseDone.load (std::memory_order_acquire) == rebaseRequested.load (std::memory_order_relaxed))
        requestRebase (next);

    return result;
}

TrackTransport::Rendered TrackTransport::renderResampled (juce::AudioBuffer<float>& buffer, int startFrame,
                                                          int numFrames) noexcept
{
    Rendered result;
    float* scratchChannels[numChannels] = { scratch.getWritePointer (0), scratch.getWritePointer (1) };

    while (result.frames < numFrames)
    {
        const auto first = position.load (std::memory_order_relaxed);
        if (first >= totalLength)
            break;

        auto outFrames = std::min (numFrames - result.frames, maxChunk);
        auto framesToEnd = (int64_t) std::ceil ((double) (totalLength - first) / speedRatio);
        outFrames = (int) std::max<int64_t> (1, std::min<int64_t> (outFrames, framesToEnd));
        auto inFrames = std::min (scratch.getNumSamples(), (int) std::ceil (outFrames * speedRatio) + 4);

        copySourceFrames (first, inFrames, scratchChannels, 0);

        int used = 0;
        for (int c = 0; c < numChannels; ++c)
            used = interpolators[c].process (speedRatio, scratchChannels[c],
                                             buffer.getWritePointer (c, startFrame + result.frames), outFrames,
                                             inFrames, 0);

        position.store (std::min (totalLength, first + used));
        result.frames += outFrames;
    }

    const auto next = position.load (std::memory_order_relaxed);
    result.reachedEnd = next >= totalLength;
    if (next >= headLength && next > ringEnd.load (std::memory_order_acquire)
        && rebaseDone.load (std::memory_order_acquire) == rebaseRequested.load (std::memory_order_relaxed))
        requestRebase (next);
    return result;
}

void TrackTransport::rewindFromAudioThread() noexcept
{
    jumpTo (0);
    playing.store (true);
}

void TrackTransport::finishFromAudioThread() noexcept
{
    playing.store (false);
    endOfData.store (true);
}

//==============================================================================
int TrackTransport::useTimeSlice()
{
    const auto requested = rebaseRequested.load (std::memory_order_acquire);
    if (requested != rebaseDone.load (std::memory_order_relaxed))
    {
        const auto wanted = ringWanted.load (std::memory_order_acquire);
        ringStart.store (wanted, std::memory_order_relaxed);
        ringEnd.store (wanted, std::memory_order_relaxed);
        rebaseDone.store (requested, std::memory_order_release);
    }

    const auto start = ringStart.load (std::memory_order_relaxed);
    const auto end = ringEnd.load (std::memory_order_relaxed);

    // Slots of frames the audio thread has played may be written again.
    const auto limit = std::min (totalLength, std::max (position.load (std::memory_order_acquire), start) + ringSize);
    const auto count = (int) std::min<int64_t> (readChunk, limit - end);
    if (count <= 0)
        return end >= totalLength ? 50 : 5;

    auto slot = (int) (end % ringSize);
    auto first = std::min (count, (int) (ringSize - slot));
    if (source.getNextReadPosition() != end)
        source.setNextReadPosition (end);
    source.getNextAudioBlock (juce::AudioSourceChannelInfo (&ring, slot, first));
    if (first < count)
        source.getNextAudioBlock (juce::AudioSourceChannelInfo (&ring, 0, count - first));

    ringEnd.store (end + count, std::memory_order_release);
    return 0;
}
