// SPDX-License-Identifier: MIT
// The random-input soak: no crash and no sanitizer report under a long random
// message sequence, and the quadtree keeps its invariants afterwards.
#include <gtest/gtest.h>

#include <cstdio>

#include "terrain/Terrain.h"
#include "terrain/TerrainModel.h"
#include "tests/support/SoakDriver.h"
#include "viewer/MoonApp.h"

namespace moon {
namespace {

struct Invariants {
    int generated = 0;  // fixed cells
    int maxDepth = 0;
    int badChildren = 0;  // some but not all four child slots filled
    int badLinks = 0;     // parent link, depth or extent not matching the parent
    int fixedUnderRefined = 0;
    int incompleteGenerated = 0;  // a generated cell above depth 6 without its four
};

void Walk(const TerrainNode& node, Invariants& found) {
    found.generated += node.fixed ? 1 : 0;
    found.maxDepth = std::max(found.maxDepth, static_cast<int>(node.depth));
    int filled = 0;
    for (const auto& child : node.children) {
        filled += child ? 1 : 0;
    }
    if (filled != 0 && filled != 4) {
        ++found.badChildren;
    }
    if (node.fixed && node.depth < 6 && filled != 4) {
        ++found.incompleteGenerated;
    }
    for (const auto& child : node.children) {
        if (!child) {
            continue;
        }
        if (child->parent != &node || child->depth != node.depth + 1 ||
            child->xExtent != node.xExtent / 2 || child->zExtent != node.zExtent / 2) {
            ++found.badLinks;
        }
        if (child->fixed && !node.fixed) {
            ++found.fixedUnderRefined;
        }
        Walk(*child, found);
    }
}

TEST(MoonSoakTest, RandomMessagesLeaveTheQuadtreeSound) {
    const SoakOptions options = SoakOptionsFromEnvironment(SoakOptions{});
    Invariants during;
    Invariants after;
    std::vector<Vec3> beforeOff;
    std::vector<Vec3> afterOff;

    const SoakResult result = RunSoak(options, [&](MoonApp& app) {
        TerrainModel& model = *app.GetTerrainModel();
        Walk(*model.GetTerrain()->GetRoot(), during);
        beforeOff = GeneratedPoints(model);
        // Level of detail off brings back exactly the generated cells.
        model.UpdateDetail(app.GetCamera().GetPosition(), false);
        Walk(*model.GetTerrain()->GetRoot(), after);
        afterOff = GeneratedPoints(model);
    });
    std::printf(
        "soak: %llu messages, %llu idle passes, %llu GL calls, %llu regenerations, "
        "%.1f s%s\n",
        static_cast<unsigned long long>(result.messages),
        static_cast<unsigned long long>(result.idlePasses),
        static_cast<unsigned long long>(result.glCalls),
        static_cast<unsigned long long>(result.regenerations), result.seconds,
        result.planClosed ? ", plan view closed" : "");

    EXPECT_EQ(result.exitCode, 0);
    EXPECT_GT(result.messages, 0u);
    EXPECT_GT(result.glCalls, 0u);

    EXPECT_EQ(during.badChildren, 0);
    EXPECT_EQ(during.badLinks, 0);
    EXPECT_EQ(during.fixedUnderRefined, 0);
    EXPECT_EQ(during.incompleteGenerated, 0);
    EXPECT_LE(during.maxDepth, 10);
    // Every generated cell is still there, with the points it was generated with.
    EXPECT_EQ(during.generated, 5461);
    EXPECT_TRUE(beforeOff == result.generatedPoints);

    EXPECT_EQ(after.generated, 5461);
    EXPECT_EQ(after.maxDepth, 6);
    EXPECT_EQ(after.badChildren + after.badLinks + after.incompleteGenerated, 0);
    EXPECT_TRUE(afterOff == result.generatedPoints);
}

}  // namespace
}  // namespace moon
