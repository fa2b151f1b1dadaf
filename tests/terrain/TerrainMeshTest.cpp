// SPDX-License-Identifier: MIT
#include "terrain/TerrainMesh.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <string>

#include "terrain/TerrainModel.h"
#include "tests/support/RecordingGL.h"
#include "tests/terrain/TerrainTestSupport.h"

namespace moon {
namespace {

using test::Call;
using test::DrawnVertex;
using test::GLCall;
using test::RecordingGL;

constexpr RenderMode kModes[] = {Wireframe, Flat, Smooth, static_cast<RenderMode>(7)};

std::vector<DrawnVertex> DrawnByImmediateStream(const Terrain& terrain, RenderMode mode,
                                                const HeightPalette& palette) {
    RecordingGL::Reset();
    terrain.Draw(mode, palette);
    return RecordingGL::DrawnVertices();
}

std::vector<DrawnVertex> DrawnByMesh(const TerrainMesh& mesh) {
    RecordingGL::Reset();
    mesh.Draw();
    return RecordingGL::DrawnVertices();
}

// The last call of the given names, or an empty call when there is none.
GLCall LastCall(std::initializer_list<const char*> names) {
    GLCall last;
    for (const GLCall& call : RecordingGL::Calls()) {
        for (const char* name : names) {
            if (std::string(call.name) == name) {
                last = call;
            }
        }
    }
    return last;
}

// Expanded back into vertices, the mesh is the immediate stream: the same
// primitives in the same order, every vertex with the same position, normal and
// colour as OpenGL would take them, and it leaves the same current normal and
// colour behind, whatever the tree, the mode and the palette.
TEST(TerrainMeshTest, MeshReplaysTheImmediateStreamForEveryTreeModeAndPalette) {
    const TerrainModel palettes;
    struct Case {
        std::uint32_t seed;
        int depth;
        bool refine;
    };
    for (const Case& c : {Case{1, 0, false}, Case{2, 1, false}, Case{3, 3, true},
                          Case{77, 6, false}, Case{12345, 6, true}}) {
        auto terrain = test::GeneratedTerrain(c.seed, c.depth);
        if (c.refine) {
            // Low over the middle: cells down to depth 10.
            terrain->UpdateDetail(Vec3(250, 5, -250), true);
        }
        for (RenderMode mode : kModes) {
            for (int index : {0, 5}) {
                const HeightPalette& palette = palettes.GetPalette(index);
                const std::string where =
                    "seed " + std::to_string(c.seed) + " depth " + std::to_string(c.depth) +
                    " mode " + std::to_string(mode) + " palette " + std::to_string(index);
                const std::vector<DrawnVertex> expected =
                    DrawnByImmediateStream(*terrain, mode, palette);
                const GLCall lastNormal = LastCall({"glNormal3d"});
                const GLCall lastColour = LastCall({"glColor3f"});

                TerrainMesh mesh;
                mesh.Build(*terrain, mode, palette);
                const std::vector<DrawnVertex> drawn = DrawnByMesh(mesh);
                ASSERT_EQ(drawn.size(), expected.size()) << where;
                for (std::size_t i = 0; i < drawn.size(); ++i) {
                    ASSERT_EQ(drawn[i], expected[i])
                        << where << " vertex " << i << ": " << drawn[i].ToString() << " expected "
                        << expected[i].ToString();
                }
                EXPECT_EQ(LastCall({"glNormal3d"}), lastNormal) << where;
                EXPECT_EQ(LastCall({"glColor3f"}), lastColour) << where;
            }
        }
    }
}

TEST(TerrainMeshTest, DrawingRestoresTheClientStateAndSplitsIntoWholePrimitives) {
    auto terrain = test::GeneratedTerrain(5, 6);  // 4,096 leaves
    const TerrainModel palettes;
    for (RenderMode mode : kModes) {
        TerrainMesh mesh;
        mesh.Build(*terrain, mode, palettes.GetPalette(0));
        DrawnByMesh(mesh);
        const auto calls = RecordingGL::Calls();
        ASSERT_FALSE(calls.empty());
        EXPECT_EQ(calls.front(), Call("glPushClientAttrib", {GL_CLIENT_VERTEX_ARRAY_BIT}));
        std::size_t pops = 0;
        std::size_t drawn = 0;
        for (const GLCall& call : calls) {
            const std::string name = call.name;
            if (name == "glPopClientAttrib") {
                ++pops;
            } else if (name == "glDrawArrays" || name == "glDrawElements") {
                EXPECT_EQ(pops, 0u) << "drawn after the state was restored";
                const double count = name == "glDrawArrays" ? call[2] : call[1];
                EXPECT_LE(count, double{TerrainMesh::kBatchIndices});
                EXPECT_EQ(static_cast<std::size_t>(count) % 6, 0u);
                drawn += static_cast<std::size_t>(count);
            }
        }
        EXPECT_EQ(pops, 1u);
        EXPECT_EQ(drawn, mesh.GetElementCount());
        // Four triangles a leaf; an outline is three lines of two vertices.
        EXPECT_EQ(drawn, 4096u * 4u * (mode == Wireframe ? 6u : 3u)) << "mode " << mode;
    }

    TerrainMesh empty;
    DrawnByMesh(empty);
    EXPECT_TRUE(RecordingGL::Calls().empty());
}

// A leaf's points repeat across its four triangles; only flat shading, where
// each triangle has its own normal, needs twelve vertices a leaf.
TEST(TerrainMeshTest, VerticesAreSharedWithinALeafWhereTheyCarryTheSameValues) {
    auto terrain = test::GeneratedTerrain(9, 6);
    const TerrainModel palettes;
    TerrainMesh mesh;

    mesh.Build(*terrain, Flat, palettes.GetPalette(0));
    EXPECT_EQ(mesh.GetVertexCount(), 4096u * 12u);
    EXPECT_TRUE(mesh.GetIndices().empty());
    EXPECT_TRUE(mesh.HasNormals());

    mesh.Build(*terrain, Smooth, palettes.GetPalette(0));
    EXPECT_EQ(mesh.GetVertexCount(), 4096u * 5u);
    EXPECT_EQ(mesh.GetIndices().size(), 4096u * 12u);

    mesh.Build(*terrain, Wireframe, palettes.GetPalette(0));
    EXPECT_EQ(mesh.GetVertexCount(), 4096u * 5u);
    EXPECT_FALSE(mesh.HasNormals());
    EXPECT_TRUE(mesh.IsOutline());
    // Positions, colours and indices, no normals.
    EXPECT_GE(mesh.GetByteSize(), 4096u * (5u * 6u * sizeof(float) + 24u * 4u));
}

TEST(TerrainMeshTest, LevelOfDetailCountsChangesOnlyWhenTheTreeChanges) {
    auto terrain = test::GeneratedTerrain(3, 6);
    const std::uint64_t generated = terrain->GetChangeCount();
    EXPECT_EQ(generated, 5461u);  // one per node made

    // Off on a generated tree: nothing to remove.
    terrain->UpdateDetail(Vec3(250, 5, -250), false);
    EXPECT_EQ(terrain->GetChangeCount(), generated);
    terrain->UpdateDetail(Vec3(250, 5, -250), true);
    const std::uint64_t refined = terrain->GetChangeCount();
    EXPECT_GT(refined, generated);
    // The same viewpoint again: the tree is already as the pass wants it.
    terrain->UpdateDetail(Vec3(250, 5, -250), true);
    EXPECT_EQ(terrain->GetChangeCount(), refined);
    terrain->UpdateDetail(Vec3(250, 5, -250), false);
    EXPECT_GT(terrain->GetChangeCount(), refined);
}

// The model rebuilds its mesh when, and only when, what it shows changed.
TEST(TerrainMeshTest, ModelRebuildsTheMeshOnlyForAChangeItCanShow) {
    Random::Seed(8);
    TerrainModel model;
    model.DrawCached();  // no terrain: nothing
    EXPECT_EQ(model.GetMeshBuildCount(), 0u);
    model.Regenerate(6);

    std::uint64_t builds = 0;
    const auto rebuilt = [&model, &builds] {
        RecordingGL::Reset();
        model.DrawCached();
        model.DrawCached();  // a second frame of the same state reuses the mesh
        const bool was = model.GetMeshBuildCount() != builds;
        builds = model.GetMeshBuildCount();
        return was;
    };
    EXPECT_TRUE(rebuilt());
    EXPECT_FALSE(rebuilt());

    model.UpdateDetail(Vec3(250, 5, -250), false);  // changes nothing
    EXPECT_FALSE(rebuilt());
    model.UpdateDetail(Vec3(250, 5, -250), true);  // adds cells
    EXPECT_TRUE(rebuilt());
    model.UpdateDetail(Vec3(250, 5, -250), true);
    EXPECT_FALSE(rebuilt());
    model.UpdateDetail(Vec3(250, 500, -250), true);  // far away: removes them
    EXPECT_TRUE(rebuilt());

    model.SetPalette(0);
    EXPECT_FALSE(rebuilt());
    model.SetPalette(3);
    EXPECT_TRUE(rebuilt());
    model.SetPalette(9);  // ignored
    EXPECT_FALSE(rebuilt());
    model.SetRenderMode(Flat);
    EXPECT_FALSE(rebuilt());
    model.SetRenderMode(Smooth);
    EXPECT_TRUE(rebuilt());
    model.Regenerate(6);
    EXPECT_TRUE(rebuilt());

    // The drawn mesh is the current state's, not an older one's.
    RecordingGL::Reset();
    model.DrawCached();
    const std::vector<DrawnVertex> cached = RecordingGL::DrawnVertices();
    RecordingGL::Reset();
    model.Draw();
    EXPECT_TRUE(cached == RecordingGL::DrawnVertices());

    // Switched off, the views get the immediate stream itself.
    model.SetMeshEnabled(false);
    RecordingGL::Reset();
    model.DrawCached();
    EXPECT_EQ(RecordingGL::CallsNamed("glBegin").size(), 4096u * 4u);
    EXPECT_TRUE(RecordingGL::CallsNamed("glDrawElements").empty());
    EXPECT_EQ(model.GetMeshBuildCount(), builds);
}

}  // namespace
}  // namespace moon
