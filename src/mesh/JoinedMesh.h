// SPDX-License-Identifier: MIT
// The terrain's leaves as one surface (moon-terrain export --join): one vertex
// per distinct position over the whole tree, so the mesh is one piece whose
// only boundary is the outer square.
//
// Each leaf gives its four triangles around its centre, as the drawing walk
// does. Where level of detail has left finer cells beside a coarser leaf,
// their corners lie on the leaf's outer edge; the leaf's triangle on that edge
// is split there (a fan from the centre), so no vertex sits on another
// triangle's edge (no T-junctions). Positions are matched exactly, bit for
// bit: generation repairs shared corners to one height, and level of detail
// computes an edge point from the same two corners on either side.
//
// Every vertex gets the normalised mean of the unit face normals of the
// triangles around it, and the colour of its height's band.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "scene/Colour4f.h"
#include "scene/Vec3.h"

namespace moon {

class HeightPalette;
class GatheredMesh;
class TerrainNode;

class JoinedMesh {
public:
    // Replaces what was built before by the leaves under root (null: nothing).
    void Build(const TerrainNode* root, const HeightPalette& palette);

    // Sends every triangle, counter-clockwise seen from above, with its
    // corners' normals and colours.
    void Send(GatheredMesh& mesh) const;
    // The unit normal of the triangle (p, q, r), counter-clockwise seen from
    // its front, as every joined vertex's normal sums them.
    static Vec3 FaceNormal(const Vec3& p, const Vec3& q, const Vec3& r) {
        Vec3 cross;
        cross.Cross(r.Subtract(q), p.Subtract(q));
        Vec3 face;
        face.Normalise(cross);
        return face;
    }

    const std::vector<Vec3>& GetPositions() const { return m_positions; }
    const std::vector<Vec3>& GetNormals() const { return m_normals; }
    // Three position indices a triangle.
    const std::vector<std::uint32_t>& GetTriangles() const { return m_triangles; }
    std::size_t GetTriangleCount() const { return m_triangles.size() / 3; }
    // Leaf corners at the same x and z as another with a different height:
    // 0 for every tree the terrain builds (the surface would crack there).
    std::size_t GetMismatchedPoints() const { return m_mismatched; }

private:
    struct Gathered;
    // Build's phases, in order.
    void Gather(const TerrainNode* root, Gathered& gathered);
    void Triangulate(const Gathered& gathered);
    void ComputeNormals(const HeightPalette& palette);

    std::vector<Vec3> m_positions;
    std::vector<Vec3> m_normals;
    std::vector<Colour4f> m_colours;
    std::vector<std::uint32_t> m_triangles;
    std::size_t m_mismatched = 0;
};

}  // namespace moon
