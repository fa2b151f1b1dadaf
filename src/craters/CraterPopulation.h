// SPDX-License-Identifier: MIT
// The craters of one landscape, from its seed and regeneration count alone
// (never the terrain's random sequence, and never the depth): an equilibrium
// population, cumulative D^-2 from CraterLaws::kSmallestDiameter to
// kLargestDiameter, placed uniformly over the square, each at a stage of its
// wear drawn uniformly over its life. Craters are made at a steady rate, so
// one of a given size is seen at every stage of its wear equally often, until
// diffusion erases it or, for the largest, back to the age of the surface.
// The erased are left out. Listed oldest first: a younger crater cuts into
// the older ones it overlaps.
#pragma once

#include <vector>

#include "craters/Crater.h"
#include "scene/LandscapeKey.h"

namespace moon {

class CraterPopulation {
public:
    // Depth / diameter from which a crater counts as fresh, and below which
    // as old; erased below CraterLaws::kErasedDepthRatio.
    static constexpr double kFreshDepthRatio = 0.15;
    static constexpr double kOldDepthRatio = 0.08;

    static std::vector<Crater> Generate(const LandscapeKey& key);
    static const char* AgeClassName(Crater::AgeClass ageClass);
};

}  // namespace moon
