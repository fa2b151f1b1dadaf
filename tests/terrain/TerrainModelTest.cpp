// SPDX-License-Identifier: MIT
#include "terrain/TerrainModel.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "terrain/GridLeaves.h"
#include "terrain/RefinedGrid.h"
#include "tests/support/RecordingGL.h"
#include "tests/terrain/TerrainTestSupport.h"

namespace moon {
namespace {

using test::GLCall;
using test::RecordingGL;

Colour4f BandColour(double height, const HeightPalette& palette) {
    Colour4f colour;
    TerrainNode::ColourForHeight(height, palette, colour);
    return colour;
}

TEST(TerrainModelTest, BandsAreChosenWithStrictThresholds) {
    const TerrainModel model;
    const HeightPalette& sand = model.GetPalette(0);
    EXPECT_EQ(BandColour(20.0, sand), Colour4f(181, 153, 112));
    EXPECT_EQ(BandColour(15.0, sand), Colour4f(173, 148, 102));
    EXPECT_EQ(BandColour(15.001, sand), Colour4f(181, 153, 112));
    EXPECT_EQ(BandColour(20.001, sand), Colour4f(255, 240, 173));
    EXPECT_EQ(BandColour(-100.0, sand), Colour4f(173, 148, 102));

    const HeightPalette& last = model.GetPalette(5);
    EXPECT_EQ(last.GetThreshold(1), 25.0);
    EXPECT_EQ(last.GetThreshold(2), 30.0);
    EXPECT_EQ(BandColour(24.0, last), last.GetColour(0));
    EXPECT_EQ(BandColour(25.0, last), last.GetColour(0));
    EXPECT_EQ(BandColour(25.5, last), last.GetColour(1));
    EXPECT_EQ(BandColour(30.5, last), last.GetColour(2));
    EXPECT_EQ(last.GetColour(1), Colour4f(255, 255, 202));
    EXPECT_EQ(model.GetPalette(4).GetColour(2), Colour4f(133, 89, 62));

    const HeightPalette blank;
    EXPECT_EQ(blank.GetColour(2), Colour4f());
}

// The calls one triangle should produce in the given mode.
std::vector<GLCall> Triangle(RenderMode mode, const TerrainNode& cell, int face,
                             std::array<int, 3> corners, const HeightPalette& palette) {
    std::vector<GLCall> calls;
    auto add = [&calls](const char* name, std::initializer_list<double> args) {
        calls.push_back(test::Call(name, args));
    };
    add("glBegin", {mode == Wireframe ? double{GL_LINE_LOOP} : double{GL_TRIANGLES}});
    const Vec3& faceNormal = cell.faceNormals[face];
    if (mode == Flat) {
        add("glNormal3d", {faceNormal.x, faceNormal.y, faceNormal.z});
    }
    for (int corner : corners) {
        const Vec3& normal = cell.vertexNormals[4];
        if (mode == Smooth) {
            add("glNormal3d", {normal.x, normal.y, normal.z});
        }
        const Vec3& p = cell.points[corner];
        const Colour4f colour = BandColour(p.y, palette);
        add("glColor3f", {colour.r, colour.g, colour.b});
        add("glVertex3d", {p.x, p.y, p.z});
    }
    add("glEnd", {});
    return calls;
}

TEST(TerrainModelTest, ALeafSendsFourTrianglesAsTheModeSays) {
    Random::Seed(1);  // corner heights 20, 30, 20, 10: bands 1, 2, 1, 0; centre 0
    TerrainModel model;
    model.Regenerate(0);
    const TerrainNode& root = *model.GetTerrain()->GetRoot();
    for (RenderMode mode : {Wireframe, Flat, Smooth, static_cast<RenderMode>(7)}) {
        model.SetRenderMode(mode);
        RecordingGL::Reset();
        model.Draw();
        std::vector<GLCall> expected;
        const std::array<int, 3> triangles[4] = {{0, 4, 3}, {3, 4, 2}, {4, 1, 2}, {0, 1, 4}};
        for (int t = 0; t < 4; ++t) {
            const auto calls = Triangle(mode, root, t, triangles[t], model.GetPalette(0));
            expected.insert(expected.end(), calls.begin(), calls.end());
        }
        EXPECT_EQ(RecordingGL::Calls(), expected) << "mode " << mode << "\n" << RecordingGL::Dump();
    }
    // The first triangle, p0 p4 p3, at heights 20, 0 and 10: bands 1, 0 and 0.
    const auto colours = RecordingGL::CallsNamed("glColor3f");
    EXPECT_EQ(colours[0][0], Colour4f(181, 153, 112).r);
    EXPECT_EQ(colours[1][1], Colour4f(173, 148, 102).g);
    EXPECT_EQ(colours[2][2], Colour4f(173, 148, 102).b);
}

TEST(TerrainModelTest, OnlyLeavesDrawChildrenFirstInOrder) {
    Random::Seed(2);
    TerrainModel model;
    model.Regenerate(1);
    RecordingGL::Reset();
    model.Draw();
    const auto vertices = RecordingGL::CallsNamed("glVertex3d");
    ASSERT_EQ(vertices.size(), 4u * 4u * 3u);
    const TerrainNode& root = *model.GetTerrain()->GetRoot();
    for (int k = 0; k < 4; ++k) {
        const Vec3& first = root.children[k]->points[0];  // first vertex of its first triangle
        EXPECT_EQ(vertices[12 * k][0], first.x);
        EXPECT_EQ(vertices[12 * k][2], first.z);
    }
    // The root alone, drawn directly, sends nothing: it has children.
    RecordingGL::Reset();
    root.DrawCell(Flat, model.GetPalette(0));
    EXPECT_EQ(RecordingGL::Count(), 0u);
}

TEST(TerrainModelTest, ModelKeepsPaletteAndModeAcrossRegeneration) {
    TerrainModel model;
    EXPECT_EQ(model.GetTerrain(), nullptr);
    EXPECT_EQ(model.GetRenderMode(), Flat);
    EXPECT_EQ(model.GetPaletteIndex(), 0);
    RecordingGL::Reset();
    model.Draw();
    model.UpdateDetail(Vec3(), true);
    EXPECT_EQ(RecordingGL::Count(), 0u);

    model.SetPalette(5);
    model.SetPalette(6);
    model.SetPalette(-1);
    EXPECT_EQ(model.GetPaletteIndex(), 5);
    model.SetRenderMode(Wireframe);

    Random::Seed(4);
    model.Regenerate(1);
    EXPECT_EQ(Random::Drawn(), 14u);
    auto first = test::GeneratedTerrain(4, 1);
    EXPECT_TRUE(test::SameTree(model.GetTerrain()->GetRoot(), first->GetRoot()));
    Random::Seed(4);
    model.Regenerate(1);
    model.Regenerate(1);  // continues the sequence: a different terrain
    EXPECT_EQ(Random::Drawn(), 28u);
    EXPECT_FALSE(test::SameTree(model.GetTerrain()->GetRoot(), first->GetRoot()));
    EXPECT_EQ(model.GetPaletteIndex(), 5);
    EXPECT_EQ(model.GetRenderMode(), Wireframe);

    RecordingGL::Reset();
    model.Draw();
    EXPECT_TRUE(RecordingGL::CallsNamed("glNormal3d").empty());
    for (const GLCall& colour : RecordingGL::CallsNamed("glColor3f")) {
        const bool fromPalette5 = colour[0] == model.GetPalette(5).GetColour(0).r ||
                                  colour[0] == model.GetPalette(5).GetColour(1).r ||
                                  colour[0] == model.GetPalette(5).GetColour(2).r;
        EXPECT_TRUE(fromPalette5) << colour.ToString();
    }
}

// A refined model of the seed: the random sequence seeded as the viewer seeds it.
void regenerateRefined(TerrainModel& model, std::uint32_t seed, int depth) {
    Random::Seed(seed);
    model.EnableRefinement(seed);
    model.Regenerate(depth);
}

bool sameBits(const Vec3& a, const Vec3& b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

TEST(TerrainModelTest, RefinedLevelOfDetailMakesCellsWithTheExportedGridsHeights) {
    const std::uint32_t seed = 42;
    TerrainModel model;
    regenerateRefined(model, seed, TerrainModel::kGeneratedDepth);
    // Generation itself is the viewer's, untouched.
    auto written = test::GeneratedTerrain(seed, TerrainModel::kGeneratedDepth);
    EXPECT_TRUE(test::SameTree(model.GetTerrain()->GetRoot(), written->GetRoot()));

    // What moon-terrain export --refine --depth 10 writes.
    Random::Seed(seed);
    HeightGrid exported;
    RefinedGrid::Generate(10, LandscapeKey{seed, 0}, exported);

    for (const Vec3& viewpoint : {Vec3(250, 10, -250), Vec3(3, 40, -497), Vec3(400, 2, -120)}) {
        model.UpdateDetail(viewpoint, true);
        const double spacing = exported.GetSpacing();
        int refinedLeaves = 0;
        int deepest = 0;
        int mismatches = 0;
        ForEachNode(model.GetTerrain()->GetRoot(), [&](const TerrainNode& node) {
            if (!node.IsLeaf()) {
                return;
            }
            refinedLeaves += !node.fixed;
            deepest = std::max(deepest, static_cast<int>(node.depth));
            for (std::size_t k = 0; k < 4; ++k) {
                const Vec3& corner = node.points[k];
                const double height =
                    exported.GetHeight(static_cast<int>(corner.x / spacing),
                                       static_cast<int>((corner.z + 500.0) / spacing));
                mismatches += std::memcmp(&height, &corner.y, sizeof height) != 0;
            }
            // As the exported mesh's cells: the centre is the mean of the corners.
            if (!node.fixed) {
                EXPECT_EQ(node.points[4].y, (node.points[2].y + node.points[0].y +
                                             node.points[3].y + node.points[1].y) *
                                                0.25);
            }
        });
        EXPECT_GT(refinedLeaves, 1000);
        EXPECT_EQ(deepest, Terrain::kDeepestRefinedDepth);
        EXPECT_EQ(mismatches, 0);
    }
    // Detail off gives the generated tree back.
    model.UpdateDetail(Vec3(), false);
    EXPECT_TRUE(test::SameTree(model.GetTerrain()->GetRoot(), written->GetRoot()));
}

TEST(TerrainModelTest, EachRefinedRegenerationHasItsOwnCount) {
    const std::uint32_t seed = 77;
    TerrainModel model;
    regenerateRefined(model, seed, 6);
    model.Regenerate(6);

    // The second landscape's base, from the sequence where the first left it.
    Random::Seed(seed);
    HeightGrid base;
    base.Generate(6);
    base.Generate(6);
    HeightGrid expected;
    RefinedGrid::Refine(base, 10, LandscapeKey{seed, 1}, expected);
    const HeightGrid& grid = *model.GetRefinedGrid();
    ASSERT_EQ(grid.GetSide(), expected.GetSide());
    for (int row = 0; row < grid.GetSide(); ++row) {
        ASSERT_EQ(std::memcmp(grid.GetRow(row), expected.GetRow(row),
                              sizeof(double) * static_cast<std::size_t>(grid.GetSide())),
                  0)
            << "row " << row;
    }
}

// Trees of other depths (moon-terrain dump and export with passes) are the
// refined grid's cells, leaf for leaf the cells the streamed mesh walks.
TEST(TerrainModelTest, RefinedTreesOfOtherDepthsAreTheRefinedGridsCells) {
    for (const int depth : {0, 3, 8}) {
        SCOPED_TRACE(testing::Message() << "depth " << depth);
        TerrainModel model;
        regenerateRefined(model, 9, depth);
        std::vector<const TerrainNode*> leaves;
        int nodes = 0;
        ForEachNode(model.GetTerrain()->GetRoot(), [&](const TerrainNode& node) {
            ++nodes;
            EXPECT_TRUE(node.fixed);
            if (node.IsLeaf()) {
                leaves.push_back(&node);
            }
        });
        EXPECT_EQ(nodes, ((1 << (2 * depth + 2)) - 1) / 3);

        Random::Seed(9);
        HeightGrid grid;
        RefinedGrid::Generate(depth, LandscapeKey{9, 0}, grid);
        std::size_t next = 0;
        int mismatches = 0;
        GridLeaves::ForEach(grid, [&](const TerrainNode& leaf, int, int) {
            ASSERT_LT(next, leaves.size());
            const TerrainNode& expected = *leaves[next++];
            bool same = sameBits(leaf.vertexNormals[4], expected.vertexNormals[4]);
            for (std::size_t k = 0; k < 5; ++k) {
                same = same && sameBits(leaf.points[k], expected.points[k]);
            }
            for (std::size_t k = 0; k < 4; ++k) {
                same = same && sameBits(leaf.faceNormals[k], expected.faceNormals[k]);
            }
            mismatches += !same;
        });
        EXPECT_EQ(next, leaves.size());
        EXPECT_EQ(mismatches, 0);
    }
}

TEST(TerrainModelTest, CrateredModelsAreTheCrateredGridAtEveryCornerAndEveryRegeneration) {
    const std::uint32_t seed = 64;
    TerrainModel model;
    Random::Seed(seed);
    model.EnableRefinement(seed, true);
    for (std::uint32_t regeneration = 0; regeneration < 2; ++regeneration) {
        SCOPED_TRACE(testing::Message() << "regeneration " << regeneration);
        model.Regenerate(TerrainModel::kGeneratedDepth);
        model.UpdateDetail(Vec3(120, 15, -380), true);
        // What the exporter writes for this landscape with its craters.
        const HeightGrid& grid = *model.GetRefinedGrid();
        const double spacing = grid.GetSpacing();
        int refinedLeaves = 0;
        int off = 0;
        ForEachNode(model.GetTerrain()->GetRoot(), [&](const TerrainNode& node) {
            refinedLeaves += node.IsLeaf() && !node.fixed;
            for (std::size_t k = 0; k < 4; ++k) {
                const Vec3& corner = node.points[k];
                const int column = static_cast<int>(corner.x / spacing);
                const int row = static_cast<int>((corner.z + 500.0) / spacing);
                off += corner.y != grid.GetHeight(column, row);
            }
        });
        EXPECT_GT(refinedLeaves, 1000);
        EXPECT_EQ(off, 0);
        if (regeneration == 0) {
            Random::Seed(seed);
            HeightGrid exported;
            RefinedGrid::Generate(10, LandscapeKey{seed, 0}, exported, 0, true);
            for (int row = 0; row < grid.GetSide(); row += 17) {
                ASSERT_EQ(std::memcmp(grid.GetRow(row), exported.GetRow(row),
                                      sizeof(double) * static_cast<std::size_t>(grid.GetSide())),
                          0);
            }
        }
    }
}

}  // namespace
}  // namespace moon
