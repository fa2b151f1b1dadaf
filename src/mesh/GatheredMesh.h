// SPDX-License-Identifier: MIT
// A mesh gathered in memory from triangles: those of the drawing walk
// (TriangleSink, with OpenGL's rules for the current normal) or ones with a
// normal at each corner (a joined surface). Each distinct vertex, position or
// normal is kept once, in order of first use, found by hashing the bits the
// file will hold; in a line mesh a triangle becomes its three edges and an
// edge that triangles share is kept once. For trees that level of detail has
// shaped; the generated grid's meshes stream instead (GridMesh).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string_view>
#include <vector>

#include "mesh/Mesh.h"
#include "mesh/VertexTable.h"
#include "terrain/TriangleSink.h"

namespace moon {

class GatheredMesh final : public Mesh, public TriangleSink {
public:
    // Told how far gathering is, 0 to 1.
    using Progress = std::function<void(std::string_view stage, double fraction)>;

    // lines: wireframe, edges instead of faces. expectedTriangles: what will
    // be added, for progress and reservations only.
    GatheredMesh(MeshSharing sharing, bool lines, std::size_t expectedTriangles,
                 Progress progress = nullptr);

    // A triangle of the drawing walk.
    void AddTriangle(const TerrainTriangle& triangle) override;
    // A triangle with its own unit normal at each corner (ignored for lines).
    void AddTriangle(const std::array<const Vec3*, 3>& vertices,
                     const std::array<const Vec3*, 3>& normals,
                     const std::array<Colour4f, 3>& colours);

    MeshSharing GetSharing() const override { return m_sharing; }
    bool IsLines() const override { return m_bLines; }
    std::size_t GetVertexCount() const override;
    std::size_t GetNormalCount() const override { return m_normals.Size(); }
    std::size_t GetPrimitiveCount() const override;
    void GetBounds(std::array<float, 3>& low, std::array<float, 3>& high) const override;
    // Every part, whatever is asked: the arrays are there.
    void ForEachVertex(const Visit<MeshVertex>& visit, unsigned parts) const override;
    void ForEachNormal(const Visit<Vec3>& visit) const override;
    void ForEachCorner(const Visit<MeshCorner>& visit) const override;

private:
    MeshCorner AddCorner(const Vec3& vertex, const Vec3* normal, const Colour4f& colour);
    void AddCorners(const std::array<MeshCorner, 3>& corners);

    MeshSharing m_sharing;
    bool m_bLines;
    std::size_t m_expected;
    Progress m_progress;
    std::size_t m_triangles = 0;
    // OpenGL's initial current normal; a triangle that carries none keeps the last.
    Vec3 m_normal{0.0, 0.0, 1.0};
    // Vertices: x y z nx ny nz as float bits (normal 0 for lines), then the packed colour.
    VertexTable<7> m_vertices;
    // Attributes: x y z as double bits, then r g b as float bits; normals as double bits.
    VertexTable<9> m_positions;
    VertexTable<6> m_normals;
    // Triangles' corners in order.
    std::vector<MeshCorner> m_corners;
    // Lines: the two vertex (or position) indices, smaller first.
    VertexTable<2> m_lines;
};

}  // namespace moon
