// SPDX-License-Identifier: MIT
#include "terrain/TerrainNode.h"

#include <gtest/gtest.h>

namespace moon {
namespace {

TEST(TerrainNodeTest, InitGivesExtentsDepthAndTheWorkedNormals) {
    const std::array<Vec3, 5> points = {Vec3(0, 20, -500), Vec3(0, -30, 0), Vec3(500, 20, 0),
                                        Vec3(500, -10, -500), Vec3(250, 0, -250)};
    TerrainNode root;
    root.Init(nullptr, points, true);
    EXPECT_EQ(root.depth, 0);
    EXPECT_EQ(root.parent, nullptr);
    EXPECT_TRUE(root.fixed);
    EXPECT_EQ(root.xExtent, 500.0);
    EXPECT_EQ(root.zExtent, 500.0);
    EXPECT_EQ(root.points, points);
    EXPECT_TRUE(root.IsLeaf());

    // The four cross products before normalisation, in face order.
    const Vec3 crosses[4] = {Vec3(7500, 125000, 2500), Vec3(-2500, 125000, -7500),
                             Vec3(-12500, 125000, 2500), Vec3(-2500, 125000, 12500)};
    for (int k = 0; k < 4; ++k) {
        Vec3 expected;
        expected.Normalise(crosses[k]);
        EXPECT_EQ(root.faceNormals[k], expected) << "face " << k;
    }
    EXPECT_NEAR(root.vertexNormals[4].x, -0.019929, 5e-7);
    EXPECT_NEAR(root.vertexNormals[4].y, 0.999603, 5e-7);
    EXPECT_NEAR(root.vertexNormals[4].z, 0.019929, 5e-7);
    for (int k = 0; k < 4; ++k) {
        EXPECT_EQ(root.vertexNormals[k], Vec3()) << "unused slot " << k;
    }

    TerrainNode child;
    child.Init(&root, points, false);
    EXPECT_EQ(child.depth, 1);
    EXPECT_EQ(child.parent, &root);
    EXPECT_FALSE(child.fixed);
}

TEST(TerrainNodeTest, FlatCellsPointUpAndDegenerateCellsKeepZeroNormals) {
    TerrainNode flat;
    flat.Init(nullptr,
              {Vec3(0, 5, -8), Vec3(0, 5, 0), Vec3(8, 5, 0), Vec3(8, 5, -8), Vec3(4, 5, -4)}, true);
    for (const Vec3& normal : flat.faceNormals) {
        EXPECT_EQ(normal, Vec3(0, 1, 0));
    }
    EXPECT_EQ(flat.vertexNormals[4], Vec3(0, 1, 0));

    TerrainNode point;
    const Vec3 p(3, 4, 5);
    point.Init(nullptr, {p, p, p, p, p}, true);
    for (const Vec3& normal : point.faceNormals) {
        EXPECT_EQ(normal, Vec3());
    }
    EXPECT_EQ(point.vertexNormals[4], Vec3());
    EXPECT_EQ(point.xExtent, 0.0);
}

}  // namespace
}  // namespace moon
