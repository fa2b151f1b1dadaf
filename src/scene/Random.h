// SPDX-License-Identifier: MIT
// The process-wide 15-bit random sequence that terrain generation, the star
// field and every regeneration consume, in that order. It is the classic
// runtime generator, written here because the platform's rand() has another
// range: state = state * 214013 + 2531011 (mod 2^32), result = bits 16 to 30.
#pragma once

#include <cstdint>

namespace moon {

class Random {
public:
    static constexpr int kMax = 32767;

    // Starts the sequence afresh and resets the count of values drawn.
    static void Seed(std::uint32_t seed);
    // The next value, 0 to 32767.
    static int Next();
    // Moves the sequence on by count values at once, as count calls of Next
    // would (jumping the generator in about 64 steps), and counts them drawn.
    static void Skip(std::uint64_t count);
    // Values drawn since the last Seed (for tests and tools).
    static std::uint64_t Drawn();

private:
    static std::uint32_t s_state;
    static std::uint64_t s_drawn;
};

}  // namespace moon
