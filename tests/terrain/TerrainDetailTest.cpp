// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include "terrain/Terrain.h"
#include "tests/terrain/TerrainTestSupport.h"

namespace moon {
namespace {

using test::CountNodes;
using test::ForEachNode;
using test::GeneratedTerrain;
using test::SameTree;

// One flat generated cell 2 units across, centred on the origin, given the
// depth under test; with refined children when asked.
std::unique_ptr<Terrain> SingleCell(int depth, bool refined) {
    auto terrain = std::make_unique<Terrain>();
    auto cell = std::make_unique<TerrainNode>();
    cell->Init(nullptr,
               {Vec3(-1, 0, -1), Vec3(-1, 0, 1), Vec3(1, 0, 1), Vec3(1, 0, -1), Vec3(0, 0, 0)},
               true);
    cell->depth = depth;
    terrain->SetRoot(std::move(cell));
    if (refined) {
        terrain->Subdivide(0, 1, terrain->GetRoot(), false);
    }
    return terrain;
}

TEST(TerrainDetailTest, ThresholdsAreStrictAndDependOnDepth) {
    struct Case {
        int depth;
        double distance;  // straight above the centre
        bool refines;     // a leaf gets children
        bool prunes;      // refined children are removed
    };
    const Case cases[] = {
        {0, 119.999, true, false}, {6, 119.999, true, false}, {6, 120.0, false, false},
        {6, 120.001, false, true}, {7, 69.999, true, false},  {7, 70.0, false, false},
        {7, 70.001, false, true},  {8, 29.999, true, false},  {8, 30.0, false, false},
        {8, 30.001, false, true},  {9, 29.999, true, false},  {9, 30.001, false, true},
        {10, 0.0, false, false},   {10, 30.0, false, false},  {10, 30.001, false, true},
    };
    for (const Case& c : cases) {
        const Vec3 viewpoint(0, c.distance, 0);
        auto leaf = SingleCell(c.depth, false);
        leaf->UpdateDetail(viewpoint, true);
        EXPECT_EQ(!leaf->GetRoot()->IsLeaf(), c.refines)
            << "depth " << c.depth << " at " << c.distance;

        auto parent = SingleCell(c.depth, true);
        parent->UpdateDetail(viewpoint, true);
        EXPECT_EQ(parent->GetRoot()->IsLeaf(), c.prunes)
            << "depth " << c.depth << " at " << c.distance;
    }

    // Detail off prunes at any distance and refines nothing; fixed children stay.
    auto parent = SingleCell(3, true);
    parent->UpdateDetail(Vec3(), false);
    EXPECT_TRUE(parent->GetRoot()->IsLeaf());
    auto generated = GeneratedTerrain(8, 1);
    generated->UpdateDetail(Vec3(250, 0, -250), false);
    EXPECT_EQ(CountNodes(generated->GetRoot()), 5);

    Terrain empty;
    empty.UpdateDetail(Vec3(), true);
    EXPECT_EQ(empty.GetRoot(), nullptr);
}

TEST(TerrainDetailTest, LeafOfTheGeneratedTreeAtTheThreshold) {
    auto terrain = GeneratedTerrain(5, 6);
    const TerrainNode* leaf = terrain->GetRoot()
                                  ->children[2]
                                  ->children[0]
                                  ->children[1]
                                  ->children[3]
                                  ->children[0]
                                  ->children[2]
                                  .get();
    ASSERT_TRUE(leaf->IsLeaf());
    const Vec3& centre = leaf->points[4];
    const Vec3 at(centre.x, centre.y + 120.0, centre.z);
    ASSERT_EQ(at.Distance(centre), 120.0);
    // Neighbouring leaves may be nearer; only this leaf is looked at.
    terrain->UpdateDetail(at, true);
    EXPECT_TRUE(leaf->IsLeaf());

    terrain->UpdateDetail(Vec3(centre.x, centre.y + 119.999, centre.z), true);
    ASSERT_FALSE(leaf->IsLeaf());
    EXPECT_EQ(leaf->children[3]->depth, 7);

    terrain->UpdateDetail(Vec3(centre.x, centre.y + 120.001, centre.z), true);
    EXPECT_TRUE(leaf->IsLeaf());
}

TEST(TerrainDetailTest, OnePassIsCompleteAndOffRestoresTheGeneratedTree) {
    auto terrain = GeneratedTerrain(1, 6);
    const Vec3 viewpoint(250, terrain->GetRoot()->children[0]->points[2].y + 2.0, -250);
    terrain->UpdateDetail(viewpoint, true);
    const int refinedCount = CountNodes(terrain->GetRoot());
    EXPECT_GT(refinedCount, 20000);
    EXPECT_LT(refinedCount, 26000);

    auto twice = GeneratedTerrain(1, 6);
    twice->UpdateDetail(viewpoint, true);
    twice->UpdateDetail(viewpoint, true);
    EXPECT_TRUE(SameTree(terrain->GetRoot(), twice->GetRoot()));

    // Refined cells: not fixed, one level below their parent, plain averages.
    int deepest = 0;
    ForEachNode(terrain->GetRoot(), [&deepest](const TerrainNode& node) {
        deepest = std::max(deepest, node.depth);
        if (node.IsLeaf() || node.children[0]->fixed) {
            return;
        }
        const auto& p = node.points;
        const double common = (p[2].y + p[3].y + p[1].y + p[0].y) * 0.25;
        for (int k = 0; k < 4; ++k) {
            const TerrainNode& child = *node.children[k];
            EXPECT_FALSE(child.fixed);
            EXPECT_EQ(child.depth, node.depth + 1);
            const auto& q = child.points;
            EXPECT_EQ(q[k].y, p[k].y);
            EXPECT_EQ(q[(k + 2) % 4].y, common);
            EXPECT_EQ(q[(k + 1) % 4].y, (p[k].y + p[(k + 1) % 4].y) * 0.5);
            EXPECT_EQ(q[(k + 3) % 4].y, (p[k].y + p[(k + 3) % 4].y) * 0.5);
            EXPECT_EQ(q[4].y, (q[2].y + q[0].y + q[3].y + q[1].y) * 0.25);
        }
    });
    EXPECT_EQ(deepest, 10);

    auto generated = GeneratedTerrain(1, 6);
    terrain->UpdateDetail(Vec3(250, 1000, -250), true);  // far from every cell
    EXPECT_TRUE(SameTree(terrain->GetRoot(), generated->GetRoot()));
    twice->UpdateDetail(viewpoint, false);
    EXPECT_TRUE(SameTree(twice->GetRoot(), generated->GetRoot()));
}

}  // namespace
}  // namespace moon
