// SPDX-License-Identifier: MIT
// Which landscape a refinement belongs to: the seed of the random sequence
// and how many times the viewer has regenerated since it was seeded (0 for
// the landscape it starts with). Every displacement below the generated depth
// is a function of this key and the point's position alone.
#pragma once

#include <cstdint>

namespace moon {

struct LandscapeKey {
    std::uint32_t seed = 0;
    std::uint32_t regeneration = 0;
};

}  // namespace moon
