// SPDX-License-Identifier: MIT
// The .glb writer's limit: a mesh whose file would pass 4 GiB is refused
// with its size named, before a byte is written.
#include <gtest/gtest.h>

#include <filesystem>

#include "io/AtomicFile.h"
#include "mesh/Mesh.h"
#include "mesh/MeshDescription.h"
#include "mesh/MeshOutput.h"
#include "mesh/MeshWriters.h"
#include "tests/support/TempFolder.h"

namespace moon {
namespace {

// Counts only: a writer that visits anything has started to write.
class CountedMesh final : public Mesh {
public:
    CountedMesh(std::size_t vertices, std::size_t triangles)
        : m_vertices(vertices), m_triangles(triangles) {}
    MeshSharing GetSharing() const override { return MeshSharing::Vertices; }
    bool IsLines() const override { return false; }
    std::size_t GetVertexCount() const override { return m_vertices; }
    std::size_t GetNormalCount() const override { return 0; }
    std::size_t GetPrimitiveCount() const override { return m_triangles; }
    void GetBounds(std::array<float, 3>& low, std::array<float, 3>& high) const override {
        low = {0.0f, -20.0f, -500.0f};
        high = {500.0f, 40.0f, 0.0f};
    }
    void ForEachVertex(const Visit<MeshVertex>&, unsigned) const override {
        ADD_FAILURE() << "vertices";
    }
    void ForEachNormal(const Visit<Vec3>&) const override { ADD_FAILURE() << "normals"; }
    void ForEachCorner(const Visit<MeshCorner>&) const override { ADD_FAILURE() << "corners"; }

private:
    std::size_t m_vertices;
    std::size_t m_triangles;
};

TEST(GltfWriterTest, RefusesAFileOver4GiBBeforeWritingIt) {
    test::TempFolder folder("moon-gltf-writer-test");
    const std::string path = folder.Path("deep.glb");
    AtomicFile file(path);
    std::string problem;
    ASSERT_TRUE(file.Open(problem)) << problem;
    MeshOutput out(file, nullptr);
    // A depth-12 flat mesh: 196882244 vertices of 28 bytes and 67108864
    // triangles of 12 make 6318009200 bytes, and the JSON comes first.
    const CountedMesh mesh(196882244, 67108864);
    EXPECT_FALSE(WriteGlb(mesh, MeshDescription(), out, problem));
    EXPECT_NE(problem.find("the mesh needs 631801"), std::string::npos) << problem;
    EXPECT_NE(problem.find("more than a .glb holds (4 GiB)"), std::string::npos) << problem;
    EXPECT_EQ(file.GetBytesWritten(), 0u);
    EXPECT_TRUE(out.Text().empty());
}

}  // namespace
}  // namespace moon
