// SPDX-License-Identifier: MIT
// The roughness law's effect on the landscape: twenty depth-12 grids, so not
// in the sanitizer build.
#include "terrain/LunarRoughness.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "scene/Random.h"
#include "terrain/RefinedGrid.h"

namespace moon {
namespace {

// The median of |dh| / dx between neighbouring samples, along rows and columns.
double medianSlope(const HeightGrid& grid) {
    std::vector<float> steps;
    const int side = grid.GetSide();
    steps.reserve(2 * static_cast<std::size_t>(side) * static_cast<std::size_t>(side));
    for (int row = 0; row < side; ++row) {
        const double* here = grid.GetRow(row);
        for (int column = 0; column + 1 < side; ++column) {
            steps.push_back(static_cast<float>(std::fabs(here[column + 1] - here[column])));
        }
        if (row + 1 < side) {
            const double* south = grid.GetRow(row + 1);
            for (int column = 0; column < side; ++column) {
                steps.push_back(static_cast<float>(std::fabs(south[column] - here[column])));
            }
        }
    }
    const auto middle = steps.begin() + static_cast<std::ptrdiff_t>(steps.size() / 2);
    std::nth_element(steps.begin(), middle, steps.end());
    return *middle / grid.GetSpacing();
}

// Lunar relief is self-affine: slopes grow only slowly towards small scales,
// where the written generation's needles reach 84 degrees at depth 12.
TEST(LunarRoughnessTest, DepthTwelveSlopesStayNearDepthSixs) {
    for (std::uint32_t seed = 1; seed <= 20; ++seed) {
        Random::Seed(seed);
        HeightGrid fine;
        RefinedGrid::Generate(12, LandscapeKey{seed, 0}, fine);
        Random::Seed(seed);
        HeightGrid base;
        base.Generate(6);
        const double ratio = medianSlope(fine) / medianSlope(base);
        EXPECT_GE(ratio, 0.5) << "seed " << seed;
        EXPECT_LE(ratio, 1.6) << "seed " << seed;
    }
}

}  // namespace
}  // namespace moon
