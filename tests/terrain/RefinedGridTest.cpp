// SPDX-License-Identifier: MIT
#include "terrain/RefinedGrid.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#include "craters/CraterField.h"
#include "craters/CraterPopulation.h"
#include "scene/Random.h"
#include "terrain/LunarRoughness.h"

namespace moon {
namespace {

HeightGrid refined(std::uint32_t seed, int depth, unsigned threads = 0,
                   std::uint32_t regeneration = 0) {
    Random::Seed(seed);
    HeightGrid grid;
    RefinedGrid::Generate(depth, LandscapeKey{seed, regeneration}, grid, threads);
    return grid;
}

// Bit for bit: fine sampled at every stride-th sample against coarse.
int countSampleMismatches(const HeightGrid& fine, const HeightGrid& coarse) {
    const int stride = (fine.GetSide() - 1) / (coarse.GetSide() - 1);
    int mismatches = 0;
    for (int row = 0; row < coarse.GetSide(); ++row) {
        for (int column = 0; column < coarse.GetSide(); ++column) {
            const double a = fine.GetHeight(column * stride, row * stride);
            const double b = coarse.GetHeight(column, row);
            mismatches += std::memcmp(&a, &b, sizeof a) != 0;
        }
    }
    return mismatches;
}

bool sameGrid(const HeightGrid& a, const HeightGrid& b) {
    if (a.GetSide() != b.GetSide()) {
        return false;
    }
    for (int row = 0; row < a.GetSide(); ++row) {
        if (std::memcmp(a.GetRow(row), b.GetRow(row), sizeof(double) * a.GetSide()) != 0) {
            return false;
        }
    }
    return true;
}

TEST(RefinedGridTest, EveryDepthSampledIsEveryShallowerDepthAndDepthSixIsTheViewers) {
    for (const std::uint32_t seed : {1u, 42u, 4294967295u}) {
        SCOPED_TRACE(testing::Message() << "seed " << seed);
        Random::Seed(seed);
        HeightGrid viewers;
        viewers.Generate(RefinedGrid::kBaseDepth);
        const std::uint64_t drawn = Random::Drawn();

        std::vector<HeightGrid> grids;
        for (int depth = 0; depth <= 10; ++depth) {
            grids.push_back(refined(seed, depth));
            // The base is drawn exactly as the viewer's first terrain is.
            EXPECT_EQ(Random::Drawn(), drawn);
        }
        EXPECT_EQ(countSampleMismatches(grids[6], viewers), 0);
        for (int fine = 1; fine <= 10; ++fine) {
            for (int coarse = 0; coarse < fine; ++coarse) {
                EXPECT_EQ(countSampleMismatches(grids[static_cast<std::size_t>(fine)],
                                                grids[static_cast<std::size_t>(coarse)]),
                          0)
                    << "depth " << fine << " against " << coarse;
            }
            // One range at every depth, which every sample lies within.
            const HeightGrid& grid = grids[static_cast<std::size_t>(fine)];
            EXPECT_EQ(grid.GetLowest(), grids[0].GetLowest());
            EXPECT_EQ(grid.GetHighest(), grids[0].GetHighest());
        }
    }
    // A deeper grid too, against depth 10.
    const HeightGrid ten = refined(7, 10);
    const HeightGrid twelve = refined(7, 12);
    EXPECT_EQ(countSampleMismatches(twelve, ten), 0);
    for (int row = 0; row < twelve.GetSide(); ++row) {
        const double* samples = twelve.GetRow(row);
        const auto [low, high] = std::minmax_element(samples, samples + twelve.GetSide());
        ASSERT_GE(*low, twelve.GetLowest());
        ASSERT_LE(*high, twelve.GetHighest());
    }
}

TEST(RefinedGridTest, CratersLieOnEveryDepthAlikeWithinTheRange) {
    const std::uint32_t seed = 31;
    const CraterField field(CraterPopulation::Generate({seed, 0}));
    std::vector<HeightGrid> grids;
    for (const int depth : {3, 6, 8, 10}) {
        Random::Seed(seed);
        grids.emplace_back();
        RefinedGrid::Generate(depth, LandscapeKey{seed, 0}, grids.back(), 0, true);
    }
    for (std::size_t coarse = 0; coarse < 3; ++coarse) {
        EXPECT_EQ(countSampleMismatches(grids[3], grids[coarse]), 0) << coarse;
    }
    // The craters are there: the grid is the refined one plus the field.
    const HeightGrid plain = refined(seed, 10);
    const HeightGrid& cratered = grids[3];
    const double spacing = cratered.GetSpacing();
    int off = 0;
    for (int row = 0; row < cratered.GetSide(); row += 3) {
        for (int column = 0; column < cratered.GetSide(); column += 3) {
            const double expected =
                plain.GetHeight(column, row) + field.At(column * spacing, row * spacing - 500.0);
            off += cratered.GetHeight(column, row) != expected;
            ASSERT_GE(cratered.GetHeight(column, row), cratered.GetLowest());
            ASSERT_LE(cratered.GetHeight(column, row), cratered.GetHighest());
        }
    }
    EXPECT_EQ(off, 0);
    EXPECT_FALSE(sameGrid(plain, cratered));
}

TEST(RefinedGridTest, TheSameHeightsWhateverTheThreadsAndOrder) {
    const HeightGrid one = refined(42, 9, 1);
    EXPECT_TRUE(sameGrid(one, refined(42, 9, 2)));
    EXPECT_TRUE(sameGrid(one, refined(42, 9, 3)));
    EXPECT_TRUE(sameGrid(one, refined(42, 9, 7)));

    // A displacement is a function of the key and the place alone: asking for
    // points in any order gives the same values.
    const std::uint64_t level = LunarRoughness::LevelSeed({42, 3}, 9);
    const double first = LunarRoughness::UnitVariate(level, 17, 300);
    for (std::uint32_t column = 0; column < 64; ++column) {
        LunarRoughness::UnitVariate(level, column, 5);
    }
    EXPECT_EQ(LunarRoughness::UnitVariate(level, 17, 300), first);
}

TEST(RefinedGridTest, EachRegenerationAndSeedIsItsOwnRefinement) {
    const HeightGrid start = refined(42, 8, 0, 0);
    const HeightGrid again = refined(42, 8, 0, 1);
    // The same base, other displacements below it.
    const HeightGrid base = refined(42, 6);
    EXPECT_EQ(countSampleMismatches(again, base), 0);
    EXPECT_FALSE(sameGrid(start, again));
    EXPECT_NE(LunarRoughness::LevelSeed({42, 0}, 7), LunarRoughness::LevelSeed({43, 0}, 7));
    EXPECT_NE(LunarRoughness::LevelSeed({42, 0}, 7), LunarRoughness::LevelSeed({42, 1}, 7));
    EXPECT_NE(LunarRoughness::LevelSeed({42, 0}, 7), LunarRoughness::LevelSeed({42, 0}, 8));
}

TEST(RefinedGridTest, VariatesAreCentredWithUnitVarianceAndBounded) {
    double sum = 0.0;
    double squares = 0.0;
    double largest = 0.0;
    const int count = 200000;
    for (int i = 0; i < count; ++i) {
        const double v = LunarRoughness::UnitVariate(LunarRoughness::LevelSeed({9, 0}, 12),
                                                     static_cast<std::uint32_t>(i % 4096),
                                                     static_cast<std::uint32_t>(i / 4096));
        sum += v;
        squares += v * v;
        largest = std::max(largest, std::fabs(v));
    }
    EXPECT_NEAR(sum / count, 0.0, 0.01);
    EXPECT_NEAR(squares / count, 1.0, 0.02);
    EXPECT_LT(largest, 2.0 * std::sqrt(3.0));
}

TEST(RefinedGridTest, NewPointsAreMeansOfTheirNeighboursPlusTheirDisplacement) {
    const std::uint32_t seed = 5;
    const HeightGrid grid = refined(seed, 7);
    const std::uint64_t key = LunarRoughness::LevelSeed({seed, 0}, 7);
    const double deviation = LunarRoughness::Deviation(7);
    // A cell's centre: its four corners.
    const double centre = (grid.GetHeight(10, 20) + grid.GetHeight(10, 22) +
                           grid.GetHeight(12, 22) + grid.GetHeight(12, 20)) *
                              0.25 +
                          LunarRoughness::Displacement(key, 11, 21, deviation);
    EXPECT_EQ(grid.GetHeight(11, 21), centre);
    // An edge's middle: its ends and the centres on either side.
    const double edge = (grid.GetHeight(11, 19) + grid.GetHeight(10, 20) + grid.GetHeight(12, 20) +
                         grid.GetHeight(11, 21)) *
                            0.25 +
                        LunarRoughness::Displacement(key, 11, 20, deviation);
    EXPECT_EQ(grid.GetHeight(11, 20), edge);
    // On the square's border an edge's middle has three neighbours.
    const double border =
        (grid.GetHeight(0, 20) + grid.GetHeight(1, 21) + grid.GetHeight(0, 22)) / 3.0 +
        LunarRoughness::Displacement(key, 0, 21, deviation);
    EXPECT_EQ(grid.GetHeight(0, 21), border);
    // The diamond step's displacements are the smaller.
    EXPECT_EQ(LunarRoughness::Displacement(key, 0, 21, 1.0),
              LunarRoughness::UnitVariate(key, 0, 21) * LunarRoughness::kDiamondFactor);
}

}  // namespace
}  // namespace moon
