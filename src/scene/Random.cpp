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

std::uint64_t Random::Drawn() {
    return s_drawn;
}

}  // namespace moon
