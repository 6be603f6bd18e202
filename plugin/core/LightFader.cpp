#include "core/LightFader.h"

#include <algorithm>

namespace lighting
{

void CueHandoff::publish (const Cue& cue) noexcept
{
    slots[writeIndex] = cue;
    writeIndex = middle.exchange (writeIndex | freshBit, std::memory_order_acq_rel) & ~freshBit;
}

const Cue* CueHandoff::fetch() noexcept
{
    if ((middle.load (std::memory_order_acquire) & freshBit) == 0)
        return nullptr;

    readIndex = middle.exchange (readIndex, std::memory_order_acq_rel) & ~freshBit;
    return &slots[readIndex];
}

//==============================================================================
LightFader::LightFader() = default;

void LightFader::start (const DmxLevels& target, double fadeSeconds) noexcept
{
    from = now;
    for (size_t i = 0; i < to.size(); ++i)
        to[i] = (float) target[i];

    elapsed = 0.0;
    duration = fadeSeconds > 0.0 ? fadeSeconds : 0.0;
    jumpPending = duration == 0.0;
    if (jumpPending)
        now = to;
}

bool LightFader::advance (double seconds) noexcept
{
    if (jumpPending)
    {
        jumpPending = false;
        return true;
    }

    if (! isFading())
        return false;

    elapsed += seconds;
    const auto t = (float) std::min (1.0, elapsed / duration);
    for (size_t i = 0; i < now.size(); ++i)
        now[i] = from[i] + (to[i] - from[i]) * t;
    return true;
}

} // namespace lighting
