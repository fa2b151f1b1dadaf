// SPDX-License-Identifier: MIT
#include "terrain/LunarRoughness.h"

#include "base/Check.h"

namespace moon {
namespace {

// sqrt(3): a sum of four uniform numbers has variance 4/12.
constexpr double kSqrt3 = 1.7320508075688772;

// SplitMix64's finaliser: every bit of the input moves every bit of the output.
std::uint64_t mix(std::uint64_t z) {
    z += 0x9E3779B97F4A7C15u;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9u;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBu;
    return z ^ (z >> 31);
}

}  // namespace

double LunarRoughness::Deviation(int depth) {
    MOON_CHECK(depth >= 1);
    double deviation = kDepth7Deviation;
    for (int d = 7; d < depth; ++d) {
        deviation *= kLevelFactor;
    }
    for (int d = depth; d < 7; ++d) {
        deviation /= kLevelFactor;
    }
    return deviation;
}

double LunarRoughness::UnitVariate(const LandscapeKey& key, int depth, std::uint32_t column,
                                   std::uint32_t row) {
    std::uint64_t hash = mix(key.seed | static_cast<std::uint64_t>(key.regeneration) << 32);
    hash = mix(hash ^ static_cast<std::uint64_t>(depth));
    hash = mix(hash ^ (column | static_cast<std::uint64_t>(row) << 32));
    double sum = 0.0;
    for (int i = 0; i < 4; ++i) {
        sum += (static_cast<double>(hash & 0xFFFFu) + 0.5) / 65536.0;
        hash >>= 16;
    }
    return (sum - 2.0) * kSqrt3;
}

double LunarRoughness::Displacement(const LandscapeKey& key, int depth, std::uint32_t column,
                                    std::uint32_t row, double deviation) {
    const bool centre = (column & 1u) != 0 && (row & 1u) != 0;
    const double scale = centre ? deviation : deviation * kDiamondFactor;
    return UnitVariate(key, depth, column, row) * scale;
}

}  // namespace moon
