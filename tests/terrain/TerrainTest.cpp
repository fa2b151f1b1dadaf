// SPDX-License-Identifier: MIT
#include "terrain/Terrain.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <utility>

#include "tests/terrain/TerrainTestSupport.h"

namespace moon {
namespace {

using test::CountNodes;
using test::ForEachNode;
using test::GeneratedTerrain;
using test::SameTree;

TEST(TerrainTest, GenerateZeroBuildsTheRootFromFourSigns) {
    // Seed 1 draws 41, 18467, 6334, 26500 first: signs -, +, -, +.
    auto terrain = GeneratedTerrain(1, 0);
    const TerrainNode* root = terrain->GetRoot();
    ASSERT_NE(root, nullptr);
    const std::array<Vec3, 5> expected = {Vec3(0, 20, -500), Vec3(0, 30, 0), Vec3(500, 20, 0),
                                          Vec3(500, 10, -500), Vec3(250, 0, -250)};
    EXPECT_EQ(root->points, expected);
    EXPECT_TRUE(root->IsLeaf());
    EXPECT_TRUE(root->fixed);
    EXPECT_EQ(Random::Drawn(), 4u);

    // A second Generate leaves the tree and the sequence alone.
    terrain->Generate(3);
    EXPECT_TRUE(terrain->GetRoot()->IsLeaf());
    EXPECT_EQ(Random::Drawn(), 4u);

    // The sign turns at 16384: these seeds draw 16383 and 16384 first.
    EXPECT_EQ(GeneratedTerrain(2954622529u, 0)->GetRoot()->points[0].y, 20.0);
    EXPECT_EQ(GeneratedTerrain(3782276673u, 0)->GetRoot()->points[0].y, -20.0);
    // Negative depths build the root alone, still drawing the four signs.
    EXPECT_TRUE(GeneratedTerrain(5, -3)->GetRoot()->IsLeaf());
    EXPECT_EQ(Random::Drawn(), 4u);
}

TEST(TerrainTest, DepthSixIsFullAndEveryCornerPositionHasOneHeight) {
    auto terrain = GeneratedTerrain(20240607, 6);
    EXPECT_EQ(Random::Drawn(), 13654u);
    int nodes = 0;
    int leaves = 0;
    std::map<std::pair<double, double>, double> heights;
    ForEachNode(terrain->GetRoot(), [&](const TerrainNode& node) {
        ++nodes;
        EXPECT_TRUE(node.fixed);
        EXPECT_EQ(node.xExtent, 500.0 / std::ldexp(1.0, node.depth));
        EXPECT_EQ(node.zExtent, node.xExtent);
        if (node.IsLeaf()) {
            ++leaves;
            EXPECT_EQ(node.depth, 6);
        }
        for (int k = 0; k < 4; ++k) {
            const Vec3& corner = node.points[k];
            const auto [it, inserted] =
                heights.emplace(std::make_pair(corner.x, corner.z), corner.y);
            EXPECT_EQ(it->second, corner.y) << "at " << corner.x << ", " << corner.z;
        }
    });
    EXPECT_EQ(nodes, 5461);
    EXPECT_EQ(leaves, 4096);
    EXPECT_EQ(heights.size(), 65u * 65u);
}

TEST(TerrainTest, SameSeedSameTreeOtherSeedOtherTree) {
    auto first = GeneratedTerrain(42, 5);
    auto second = GeneratedTerrain(42, 5);
    EXPECT_TRUE(SameTree(first->GetRoot(), second->GetRoot()));
    EXPECT_FALSE(SameTree(first->GetRoot(), GeneratedTerrain(43, 5)->GetRoot()));
}

// Generation repairs shared points through a grid of its cells; subdividing a
// hand-made root walks the tree from the root instead. Both must agree exactly.
TEST(TerrainTest, GridRepairMatchesTheWalkFromTheRoot) {
    for (std::uint32_t seed : {1u, 77u, 4294967295u}) {
        for (int depth = 0; depth <= 7; ++depth) {
            auto generated = GeneratedTerrain(seed, depth);
            const std::uint64_t drawn = Random::Drawn();

            Random::Seed(seed);
            Terrain walked;
            double signs[4];
            for (double& sign : signs) {
                sign = Random::Next() < 16384 ? -1.0 : 1.0;
            }
            auto root = std::make_unique<TerrainNode>();
            root->Init(
                nullptr,
                {Vec3(0, -20 * signs[0], -500), Vec3(0, 30 * signs[1], 0),
                 Vec3(500, -20 * signs[2], 0), Vec3(500, 10 * signs[3], -500), Vec3(250, 0, -250)},
                true);
            walked.SetRoot(std::move(root));
            walked.Subdivide(0, depth, walked.GetRoot(), true);

            EXPECT_TRUE(SameTree(generated->GetRoot(), walked.GetRoot()))
                << "seed " << seed << ", depth " << depth;
            EXPECT_EQ(Random::Drawn(), drawn);
        }
    }
}

TEST(TerrainTest, RefinementSplitsIntoPlainAveragesWithoutDrawing) {
    Terrain terrain;
    auto root = std::make_unique<TerrainNode>();
    root->Init(nullptr,
               {Vec3(0, 20, -500), Vec3(0, -30, 0), Vec3(500, 20, 0), Vec3(500, -10, -500),
                Vec3(250, 0, -250)},
               true);
    terrain.SetRoot(std::move(root));
    Random::Seed(9);
    terrain.Subdivide(0, 1, terrain.GetRoot(), false);
    EXPECT_EQ(Random::Drawn(), 0u);

    const std::array<Vec3, 5> expected[4] = {
        {Vec3(0, 20, -500), Vec3(0, -5, -250), Vec3(250, 0, -250), Vec3(250, 5, -500),
         Vec3(125, 5, -375)},
        {Vec3(0, -5, -250), Vec3(0, -30, 0), Vec3(250, -5, 0), Vec3(250, 0, -250),
         Vec3(125, -10, -125)},
        {Vec3(250, 0, -250), Vec3(250, -5, 0), Vec3(500, 20, 0), Vec3(500, 5, -250),
         Vec3(375, 5, -125)},
        {Vec3(250, 5, -500), Vec3(250, 0, -250), Vec3(500, 5, -250), Vec3(500, -10, -500),
         Vec3(375, 0, -375)}};
    for (int k = 0; k < 4; ++k) {
        const TerrainNode& child = *terrain.GetRoot()->children[k];
        EXPECT_EQ(child.points, expected[k]) << "child " << k;
        EXPECT_EQ(child.depth, 1);
        EXPECT_EQ(child.xExtent, 250.0);
        EXPECT_EQ(child.zExtent, 250.0);
        EXPECT_FALSE(child.fixed);
        EXPECT_TRUE(child.IsLeaf());
    }
}

// Each new edge point of a random step is the mean of its edge (0 here) plus
// a whole number below the bound 40 / depth; past depth 40 the bound is 0,
// which must give 0 rather than a division by zero, still drawing 10 values.
TEST(TerrainTest, RandomStepDisplacesWithinTheBoundOfItsDepth) {
    bool anyDisplaced = false;
    for (int depth : {0, 1, 3, 5, 9, 10, 11, 20, 21, 40, 41, 1000}) {
        const long bound = depth == 0 ? 40 : static_cast<long>(40.0 / depth);
        TerrainNode parent;
        parent.depth = depth - 1;
        TerrainNode cell;
        cell.Init(depth == 0 ? nullptr : &parent,
                  {Vec3(0, 0, -8), Vec3(0, 0, 0), Vec3(8, 0, 0), Vec3(8, 0, -8), Vec3(4, 0, -4)},
                  true);
        ASSERT_EQ(cell.depth, depth);
        Random::Seed(static_cast<std::uint32_t>(depth) + 11u);
        Terrain terrain;
        terrain.Subdivide(0, 1, &cell, true);
        EXPECT_EQ(Random::Drawn(), 10u) << "depth " << depth;

        const double edges[4] = {cell.children[0]->points[3].y, cell.children[0]->points[1].y,
                                 cell.children[2]->points[1].y, cell.children[2]->points[3].y};
        for (double height : edges) {
            EXPECT_EQ(height, std::trunc(height));
            EXPECT_LT(std::fabs(height), bound == 0 ? 1.0 : static_cast<double>(bound))
                << "depth " << depth;
            anyDisplaced = anyDisplaced || height != 0.0;
        }
        const double common = cell.children[0]->points[2].y;
        EXPECT_EQ(cell.children[3]->points[1].y, common);
        if (depth >= 10) {
            EXPECT_EQ(common, 0.0) << "depth " << depth;
        } else {
            EXPECT_LT(std::fabs(common), static_cast<double>(bound));
        }
        EXPECT_TRUE(cell.children[1]->fixed);
        EXPECT_EQ(cell.children[1]->depth, depth + 1);
    }
    EXPECT_TRUE(anyDisplaced);
}

TEST(TerrainTest, RepairWalkChangesOnlyFixedCellsHoldingThePoint) {
    auto terrain = GeneratedTerrain(3, 1);
    TerrainNode* root = terrain->GetRoot();
    const auto before = root->points;
    // (0, -250): corner 1 of child 0 and corner 0 of child 1.
    terrain->RepairSharedPoint(root, 0.0, 99.0, -250.0);
    EXPECT_EQ(root->children[0]->points[1].y, 99.0);
    EXPECT_EQ(root->children[1]->points[0].y, 99.0);
    EXPECT_EQ(root->points, before);
    EXPECT_NE(root->children[2]->points[1].y, 99.0);

    // NaN lies outside every cell; a null start does nothing.
    terrain->RepairSharedPoint(root, std::nan(""), 5.0, -250.0);
    terrain->RepairSharedPoint(nullptr, 0.0, 5.0, -250.0);
    EXPECT_EQ(root->children[0]->points[1].y, 99.0);

    // Refined cells are not entered, and refining changed no generated height.
    TerrainNode* child = root->children[0].get();
    const auto childBefore = child->points;
    terrain->Subdivide(0, 1, child, false);
    EXPECT_EQ(child->points, childBefore);
    const double refined = child->children[0]->points[1].y;  // at (0, -375)
    terrain->RepairSharedPoint(root, 0.0, 55.0, -375.0);
    EXPECT_EQ(child->children[0]->points[1].y, refined);
    EXPECT_EQ(CountNodes(root), 9);
}

}  // namespace
}  // namespace moon
