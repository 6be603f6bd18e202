#pragma once

#include "core/DmxLevels.h"

#include <atomic>

namespace lighting
{

/** A cue on its way to the output: the target levels and the fade time. */
struct Cue
{
    DmxLevels levels {};
    float fadeSeconds = 0.0f;
};

/** Hands the newest cue from the control side to the audio side without locks or
    allocation (a triple buffer). A cue replaces the whole universe, so when two
    arrive between audio blocks only the newer one matters and nothing can overflow.

    One writer at a time (the owner serialises writers) and one reader. */
class CueHandoff final
{
public:
    /** Writer side. */
    void publish (const Cue& cue) noexcept;

    /** Reader side: the newest cue published since the last fetch, or null. The
        pointer stays valid until the next fetch. */
    const Cue* fetch() noexcept;

private:
    static constexpr int freshBit = 4;

    Cue slots[3];
    int writeIndex = 0;
    int readIndex = 1;
    std::atomic<int> middle { 2 };
};

/** The running crossfade between the current output and the latest cue's levels.
    Used on the audio thread only; time advances by the amount processed. */
class LightFader final
{
public:
    LightFader();

    /** Starts fading from the present levels towards target; 0 s jumps at once. */
    void start (const DmxLevels& target, double fadeSeconds) noexcept;

    /** Moves the fade on; true when the levels changed. */
    bool advance (double seconds) noexcept;

    float getLevel (int channel) const noexcept { return now[(size_t) channel]; }
    bool isFading() const noexcept { return elapsed < duration; }

private:
    std::array<float, (size_t) numChannels> from {}, to {}, now {};
    double elapsed = 0.0, duration = 0.0;
    bool jumpPending = false;
};

} // namespace lighting
