// SPDX-License-Identifier: MIT
// The crater population's own random sequence (SplitMix64: Steele, Lea and
// Flood 2014, "Fast splittable pseudorandom number generators", OOPSLA), so
// that the terrain's 15-bit sequence keeps its draws and their order.
#pragma once

#include <cstdint>

namespace moon {

class SplitMix64 {
public:
    explicit SplitMix64(std::uint64_t seed) : m_state(seed) {}

    std::uint64_t Next() {
        m_state += 0x9E3779B97F4A7C15u;
        std::uint64_t z = m_state;
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9u;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBu;
        return z ^ (z >> 31);
    }
    // Uniform in [0, 1): the top 53 bits.
    double NextUnit() { return static_cast<double>(Next() >> 11) * 0x1.0p-53; }

private:
    std::uint64_t m_state;
};

}  // namespace moon
