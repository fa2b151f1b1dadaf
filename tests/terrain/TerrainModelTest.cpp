// SPDX-License-Identifier: MIT
#include "terrain/TerrainModel.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

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

}  // namespace
}  // namespace moon
