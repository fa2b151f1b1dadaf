// SPDX-License-Identifier: MIT
// The streamed grid mesh against the mesh gathered from the generated tree:
// the same counts, bounds, vertices, normals and corners, in the same order,
// bit for bit, for every mode and way of sharing, plain and joined.
#include "mesh/GridMesh.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "mesh/GatheredMesh.h"
#include "mesh/JoinedMesh.h"
#include "scene/Random.h"
#include "terrain/TerrainModel.h"
#include "tests/terrain/TerrainTestSupport.h"

namespace moon {
namespace {

struct Recorded {
    std::vector<MeshVertex> vertices;
    std::vector<Vec3> normals;
    std::vector<MeshCorner> corners;
};

Recorded record(const Mesh& mesh) {
    Recorded recorded;
    mesh.ForEachVertex([&recorded](std::span<const MeshVertex> vertices) {
        recorded.vertices.insert(recorded.vertices.end(), vertices.begin(), vertices.end());
    });
    mesh.ForEachNormal([&recorded](std::span<const Vec3> normals) {
        recorded.normals.insert(recorded.normals.end(), normals.begin(), normals.end());
    });
    mesh.ForEachCorner([&recorded](std::span<const MeshCorner> corners) {
        recorded.corners.insert(recorded.corners.end(), corners.begin(), corners.end());
    });
    return recorded;
}

// What a writer reads of a vertex: floats and colour bytes under Vertices
// sharing, full precision under Attributes.
bool sameVertex(const MeshVertex& a, const MeshVertex& b, MeshSharing sharing) {
    if (PackedColour(a.colour) != PackedColour(b.colour)) {
        return false;
    }
    if (sharing == MeshSharing::Attributes) {
        return std::memcmp(&a.position, &b.position, sizeof(Vec3)) == 0 &&
               a.colour.r == b.colour.r && a.colour.g == b.colour.g && a.colour.b == b.colour.b;
    }
    const double values[2][6] = {
        {a.position.x, a.position.y, a.position.z, a.normal.x, a.normal.y, a.normal.z},
        {b.position.x, b.position.y, b.position.z, b.normal.x, b.normal.y, b.normal.z}};
    for (int k = 0; k < 6; ++k) {
        const auto x = static_cast<float>(values[0][k]);
        const auto y = static_cast<float>(values[1][k]);
        if (std::memcmp(&x, &y, sizeof x) != 0) {
            return false;
        }
    }
    return true;
}

void expectSameMesh(std::uint32_t seed, int depth, RenderMode mode, bool joined,
                    MeshSharing sharing) {
    SCOPED_TRACE(testing::Message()
                 << "seed " << seed << ", depth " << depth << ", mode " << mode
                 << (joined ? ", joined" : "") << ", sharing " << static_cast<int>(sharing));
    const TerrainModel palettes;
    const HeightPalette& palette = palettes.GetPalette(static_cast<int>(seed % 6));
    auto terrain = test::GeneratedTerrain(seed, depth);
    const bool lines = mode == Wireframe;
    GatheredMesh gathered(sharing, lines, 0);
    if (joined) {
        JoinedMesh joinedMesh;
        joinedMesh.Build(terrain->GetRoot(), palette);
        joinedMesh.Send(gathered);
    } else {
        terrain->Draw(mode, palette, gathered);
    }
    GridMesh::Settings settings;
    settings.seed = seed;
    settings.depth = depth;
    settings.mode = mode;
    settings.palette = &palette;
    settings.joined = joined;
    settings.sharing = sharing;
    Random::Seed(seed);
    const GridMesh grid(settings);

    ASSERT_EQ(grid.IsLines(), gathered.IsLines());
    ASSERT_EQ(grid.GetVertexCount(), gathered.GetVertexCount());
    ASSERT_EQ(grid.GetNormalCount(), gathered.GetNormalCount());
    ASSERT_EQ(grid.GetPrimitiveCount(), gathered.GetPrimitiveCount());
    std::array<float, 3> low[2];
    std::array<float, 3> high[2];
    grid.GetBounds(low[0], high[0]);
    gathered.GetBounds(low[1], high[1]);
    EXPECT_EQ(low[0], low[1]);
    EXPECT_EQ(high[0], high[1]);

    const Recorded expected = record(gathered);
    const Recorded actual = record(grid);
    ASSERT_EQ(actual.vertices.size(), expected.vertices.size());
    for (std::size_t i = 0; i < actual.vertices.size(); ++i) {
        ASSERT_TRUE(sameVertex(actual.vertices[i], expected.vertices[i], sharing))
            << "vertex " << i;
    }
    ASSERT_EQ(actual.normals.size(), expected.normals.size());
    for (std::size_t i = 0; i < actual.normals.size(); ++i) {
        ASSERT_EQ(std::memcmp(&actual.normals[i], &expected.normals[i], sizeof(Vec3)), 0)
            << "normal " << i;
    }
    ASSERT_EQ(actual.corners.size(), expected.corners.size());
    for (std::size_t i = 0; i < actual.corners.size(); ++i) {
        ASSERT_EQ(actual.corners[i].vertex, expected.corners[i].vertex) << "corner " << i;
        ASSERT_EQ(actual.corners[i].normal, expected.corners[i].normal) << "corner " << i;
    }
}

TEST(GridMeshTest, IsTheMeshGatheredFromTheTree) {
    for (const MeshSharing sharing : {MeshSharing::Vertices, MeshSharing::Attributes}) {
        for (const RenderMode mode : {Flat, Smooth, Wireframe}) {
            for (const bool joined : {false, true}) {
                for (const std::uint32_t seed : {0u, 1709294400u, 4294967295u}) {
                    for (const int depth : {0, 1, 2, 5}) {
                        expectSameMesh(seed, depth, mode, joined, sharing);
                    }
                }
                expectSameMesh(77u, 7, mode, joined, sharing);
            }
        }
    }
}

}  // namespace
}  // namespace moon
