// SPDX-License-Identifier: MIT
#include "scene/Random.h"

namespace moon {

// Unseeded, the runtime's sequence starts as if seeded with 1.
std::uint32_t Random::s_state = 1;
std::uint64_t Random::s_drawn = 0;

void Random::Seed(std::uint32_t seed) {
    s_state = seed;
    s_drawn = 0;
}

int Random::Next() {
    s_state = s_state * 214013u + 2531011u;  // unsigned: wraps modulo 2^32
    ++s_drawn;
    return static_cast<int>((s_state >> 16) & 0x7FFFu);
}

void Random::Skip(std::uint64_t count) {
    s_drawn += count;
    // One step is x -> a x + c; doubling a step composes it with itself:
    // a x + c followed by a x + c is a^2 x + (a + 1) c. The steps for the
    // bits set in count, applied in turn, move the state by count.
    std::uint32_t multiplier = 214013u;
    std::uint32_t increment = 2531011u;
    for (; count > 0; count >>= 1) {
        if ((count & 1u) != 0) {
            s_state = s_state * multiplier + increment;
        }
        increment = (multiplier + 1u) * increment;
        multiplier *= multiplier;
    }
}

std::uint64_t Random::Drawn() {
    return s_drawn;
}

}  // namespace moon
