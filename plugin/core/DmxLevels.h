#pragma once

#include "lighting/VovirApi.h"

#include <array>
#include <cstdint>

namespace lighting
{
inline constexpr int numChannels = vovir::numDmxChannels;

/** One level (0-255) per DMX channel. */
using DmxLevels = std::array<std::uint8_t, (size_t) numChannels>;
} // namespace lighting
