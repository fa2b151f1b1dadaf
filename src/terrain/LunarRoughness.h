// SPDX-License-Identifier: MIT
// The roughness law of the refined landscape: how far a point made below the
// generated depth is displaced from the mean of its neighbours.
//
// Lunar topography is self-affine over the baselines that matter here: the RMS
// height difference over a baseline L grows as L^H. LOLA's altimetry gives
// Hurst exponents H mostly between 0.7 and 1 over baselines from 57 m to 2.7 km
// (Rosenburg et al. 2011, "Global surface slopes and roughness of the Moon from
// the Lunar Orbiter Laser Altimeter", JGR 116, E02001; maps at
// pgda.gsfc.nasa.gov/products/70); we take H = 0.9, between the smoother maria
// and the rougher highlands. Each halving of the cells therefore scales the
// displacements by 2^-H, a constant, so no power function runs.
//
// A displacement is a function of the landscape's key and the point's place
// alone: a hash of them gives four uniform numbers, whose sum, centred and
// scaled, is near enough a normal variate with unit variance (Irwin-Hall),
// using only + - * /. Every platform computes the same bits.
#pragma once

#include <cstdint>

#include "scene/LandscapeKey.h"

namespace moon {

class LunarRoughness {
public:
    // H, the Hurst exponent.
    static constexpr double kHurst = 0.9;
    // 2^-H: the displacements' scale from one depth to the next.
    static constexpr double kLevelFactor = 0.5358867312681466;
    // 2^-H/2: a point made by the diamond step lies 1/sqrt(2) as far from its
    // neighbours as one made by the square step of the same depth.
    static constexpr double kDiamondFactor = 0.7320428479728127;
    // The standard deviation of the displacements of the points that first
    // appear at depth 7 (the square step), world units. It continues the
    // relief of the generated depth-6 landscape, whose last displacements
    // (at depth 6, whole numbers below 8 in size) are about 4 units.
    static constexpr double kDepth7Deviation = 1.5;
    // sqrt(3), which gives a sum of four uniform numbers unit variance, and
    // the bound UnitVariate stays strictly within: 2 sqrt(3).
    static constexpr double kSqrt3 = 1.7320508075688772;
    static constexpr double kVariateBound = 2.0 * kSqrt3;

    // The standard deviation of the square step's displacements for points
    // that first appear at the given depth (at least 1).
    static double Deviation(int depth);

    // What the displacements of one depth of one landscape are drawn from: a
    // hash of the key and the depth.
    static std::uint64_t LevelSeed(const LandscapeKey& key, int depth);

    // The displacement of the point at (column, row) of the grid of the
    // level's depth, where it first appears: both odd for a cell's centre
    // (the square step), one odd for an edge's middle (the diamond step).
    // deviation is Deviation(depth); a caller reckons both once a depth.
    static double Displacement(std::uint64_t levelSeed, std::uint32_t column, std::uint32_t row,
                               double deviation);

    // A unit-variance variate from the hash of the level's seed and the point.
    static double UnitVariate(std::uint64_t levelSeed, std::uint32_t column, std::uint32_t row);
};

}  // namespace moon
