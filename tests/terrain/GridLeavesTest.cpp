// SPDX-License-Identifier: MIT
#include "terrain/GridLeaves.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "scene/Random.h"
#include "terrain/HeightGrid.h"
#include "tests/terrain/TerrainTestSupport.h"

namespace moon {
namespace {

// Every leaf of the generated tree, in drawing order, against the grid's
// leaves: points, face normals and vertex normal bit for bit, and where it is.
void expectLeavesEqualTree(std::uint32_t seed, int depth) {
    SCOPED_TRACE(testing::Message() << "seed " << seed << ", depth " << depth);
    auto terrain = test::GeneratedTerrain(seed, depth);
    std::vector<const TerrainNode*> leaves;
    ForEachNode(terrain->GetRoot(), [&leaves](const TerrainNode& node) {
        if (node.IsLeaf()) {
            leaves.push_back(&node);
        }
    });

    Random::Seed(seed);
    HeightGrid grid;
    grid.Generate(depth, true);
    const double spacing = grid.GetSpacing();
    std::size_t next = 0;
    int mismatches = 0;
    GridLeaves::ForEach(grid, [&](const TerrainNode& leaf, int column, int row) {
        ASSERT_LT(next, leaves.size());
        const TerrainNode& expected = *leaves[next++];
        EXPECT_EQ(expected.points[0].x, column * spacing);
        EXPECT_EQ(expected.points[0].z, row * spacing - 500.0);
        const bool same =
            std::memcmp(leaf.points.data(), expected.points.data(), sizeof leaf.points) == 0 &&
            std::memcmp(leaf.faceNormals.data(), expected.faceNormals.data(),
                        sizeof leaf.faceNormals) == 0 &&
            std::memcmp(&leaf.vertexNormals[4], &expected.vertexNormals[4], sizeof(Vec3)) == 0;
        if (!same && ++mismatches <= 3) {
            ADD_FAILURE() << "leaf " << next - 1 << " at column " << column << ", row " << row
                          << ": centre " << leaf.points[4].y << " against " << expected.points[4].y;
        }
    });
    EXPECT_EQ(next, leaves.size());
    EXPECT_EQ(mismatches, 0);
}

TEST(GridLeavesTest, AreTheTreesLeavesInDrawingOrder) {
    for (const std::uint32_t seed : {0u, 7u, 42u, 1709294400u, 4294967295u}) {
        for (int depth = 0; depth <= 7; ++depth) {
            expectLeavesEqualTree(seed, depth);
        }
    }
    // Deep enough that the common corner is no longer displaced.
    expectLeavesEqualTree(99u, 10);
}

}  // namespace
}  // namespace moon
