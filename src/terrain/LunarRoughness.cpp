// SPDX-License-Identifier: MIT
#include "terrain/LunarRoughness.h"

#include "base/Check.h"

namespace moon {
namespace {

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

std::uint64_t LunarRoughness::LevelSeed(const LandscapeKey& key, int depth) {
    const std::uint64_t landscape =
        mix(key.seed | static_cast<std::uint64_t>(key.regeneration) << 32);
    return mix(landscape ^ static_cast<std::uint64_t>(depth));
}

double LunarRoughness::UnitVariate(std::uint64_t levelSeed, std::uint32_t column,
                                   std::uint32_t row) {
    // Distinct points are distinct inputs, and the finaliser is a bijection.
    std::uint64_t hash = mix(levelSeed ^ (column | static_cast<std::uint64_t>(row) << 32));
    // Four uniform numbers (k + 0.5) / 65536 from the hash's four 16-bit
    // parts; their sum less 2 is (k0 + k1 + k2 + k3 - 131070) / 65536, exactly.
    std::int64_t parts = 0;
    for (int i = 0; i < 4; ++i) {
        parts += static_cast<std::int64_t>(hash & 0xFFFFu);
        hash >>= 16;
    }
    return static_cast<double>(parts - 131070) / 65536.0 * kSqrt3;
}

double LunarRoughness::Displacement(std::uint64_t levelSeed, std::uint32_t column,
                                    std::uint32_t row, double deviation) {
    const bool centre = (column & 1u) != 0 && (row & 1u) != 0;
    const double scale = centre ? deviation : deviation * kDiamondFactor;
    return UnitVariate(levelSeed, column, row) * scale;
}

}  // namespace moon
