// SPDX-License-Identifier: MIT
#include "terrain/HeightGrid.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#include "scene/Random.h"
#include "tests/terrain/TerrainTestSupport.h"

namespace moon {
namespace {

using test::GeneratedTerrain;

struct Generated {
    HeightGrid grid;
    std::uint64_t drawn = 0;
    int next = 0;  // the value the sequence gives after generation
};

void generateGrid(std::uint32_t seed, int depth, Generated& generated) {
    Random::Seed(seed);
    generated.grid.Generate(depth);
    generated.drawn = Random::Drawn();
    generated.next = Random::Next();
}

bool sameBits(double a, double b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

// Every corner of every cell of the tree, against the grid's sample there,
// bit for bit; and the random sequence left in the same place.
void expectGridEqualsTree(std::uint32_t seed, int depth) {
    SCOPED_TRACE(testing::Message() << "seed " << seed << ", depth " << depth);
    Generated generated;
    generateGrid(seed, depth, generated);
    const HeightGrid& grid = generated.grid;

    auto terrain = GeneratedTerrain(seed, depth);
    EXPECT_EQ(Random::Drawn(), generated.drawn);
    EXPECT_EQ(Random::Next(), generated.next);

    const int side = (1 << std::max(depth, 0)) + 1;
    ASSERT_EQ(grid.GetSide(), side);
    const double spacing = 500.0 / (side - 1);
    std::vector<char> seen(static_cast<std::size_t>(side) * side, 0);
    int mismatches = 0;
    ForEachNode(terrain->GetRoot(), [&](const TerrainNode& node) {
        for (int k = 0; k < 4; ++k) {
            const Vec3& corner = node.points[static_cast<std::size_t>(k)];
            const double column = corner.x / spacing;
            const double row = (corner.z + 500.0) / spacing;
            ASSERT_EQ(column, std::floor(column));
            ASSERT_EQ(row, std::floor(row));
            const double sample = grid.GetHeight(static_cast<int>(column), static_cast<int>(row));
            if (!sameBits(sample, corner.y) && ++mismatches <= 5) {
                ADD_FAILURE() << "corner (" << corner.x << ", " << corner.z << ") of a depth "
                              << node.depth << " cell: tree " << corner.y << ", grid " << sample;
            }
            seen[static_cast<std::size_t>(row) * side + static_cast<std::size_t>(column)] = 1;
        }
    });
    EXPECT_EQ(mismatches, 0);
    // The leaves' corners cover the whole grid: no sample is left unchecked.
    EXPECT_EQ(std::count(seen.begin(), seen.end(), 0), 0);
}

TEST(HeightGridTest, EqualsTheTreeAtEveryDepthForManySeeds) {
    const std::uint32_t seeds[] = {0u,          1u,          7u,          42u,
                                   99u,         16384u,      20240607u,   1709294400u,
                                   2954622529u, 3782276673u, 4294967294u, 4294967295u};
    for (const std::uint32_t seed : seeds) {
        for (int depth = 0; depth <= 8; ++depth) {
            expectGridEqualsTree(seed, depth);
        }
    }
}

TEST(HeightGridTest, EqualsTheTreeAtDepthsNineAndTen) {
    // Depth 10 is where the common corner stops being displaced.
    for (const std::uint32_t seed : {0u, 99u, 4294967295u}) {
        expectGridEqualsTree(seed, 9);
        expectGridEqualsTree(seed, 10);
    }
}

TEST(HeightGridTest, RootAloneAndItsRange) {
    // Seed 1 draws 41, 18467, 6334, 26500 first: signs -, +, -, +.
    for (const int depth : {0, -2}) {
        Generated generated;
        generateGrid(1, depth, generated);
        const HeightGrid& grid = generated.grid;
        EXPECT_EQ(generated.drawn, 4u);
        ASSERT_EQ(grid.GetSide(), 2);
        EXPECT_EQ(grid.GetSpacing(), 500.0);
        EXPECT_EQ(grid.GetHeight(0, 0), 20.0);  // north-west, (0, -500)
        EXPECT_EQ(grid.GetHeight(0, 1), 30.0);  // south-west, (0, 0)
        EXPECT_EQ(grid.GetHeight(1, 1), 20.0);  // south-east, (500, 0)
        EXPECT_EQ(grid.GetHeight(1, 0), 10.0);  // north-east, (500, -500)
        EXPECT_EQ(grid.GetLowest(), 10.0);
        EXPECT_EQ(grid.GetHighest(), 30.0);
    }
}

TEST(HeightGridTest, DeepGridDrawsWhatTheTreeWouldDraw) {
    // Depth 12: 4 signs and ten draws for each of (4^12 - 1) / 3 steps,
    // without building the 22-million-node tree.
    Generated generated;
    generateGrid(5, 12, generated);
    EXPECT_EQ(generated.drawn, 4u + 10u * ((std::uint64_t{1} << 24) - 1) / 3);
    const HeightGrid& grid = generated.grid;
    EXPECT_EQ(grid.GetSide(), 4097);
    EXPECT_EQ(grid.GetSpacing(), 500.0 / 4096);
    double lowest = grid.GetHeight(0, 0);
    double highest = lowest;
    for (int row = 0; row < grid.GetSide(); ++row) {
        const double* samples = grid.GetRow(row);
        for (int column = 0; column < grid.GetSide(); ++column) {
            ASSERT_TRUE(std::isfinite(samples[column]));
            lowest = std::min(lowest, samples[column]);
            highest = std::max(highest, samples[column]);
        }
    }
    EXPECT_EQ(grid.GetLowest(), lowest);
    EXPECT_EQ(grid.GetHighest(), highest);
}

}  // namespace
}  // namespace moon
