// SPDX-License-Identifier: MIT
// Counting the vertices keyed by normal of a flat or smooth grid mesh under
// Vertices sharing (GridMesh's header explains the words): one walk with the
// leaves' heights and own normals, which records each leaf's pattern and its
// normals as floats, so the writer's walks number and fill in the vertices
// without making normals again. The walk reads every position, so it finds
// the mesh's bounds on the way.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "mesh/GridLeafWalk.h"
#include "mesh/MeshBounds.h"
#include "scene/Vec3.h"

namespace moon {

class GridKeyedVertices {
public:
    // A leaf's pattern: for each of its twelve triangle corners, 4 bits from
    // bit 4 (3 t + i) saying which vertex at its position it is, and from
    // this bit on one bit each saying the corner made that vertex.
    static constexpr int kNewBits = 48;

    // flat: a normal per triangle, else one per leaf.
    void Count(const HeightGrid& grid, bool flat, const GridLeafWalk::Progress& progress);

    std::size_t GetVertexCount() const { return m_vertices; }
    const MeshBounds& GetBounds() const { return m_bounds; }

    // leaf: its place in the walk.
    std::uint64_t PatternOf(std::size_t leaf) const { return m_patterns[leaf]; }
    // The normal of the leaf's triangle t, as a file of Vertices sharing holds it.
    Vec3 KeptNormal(std::size_t leaf, std::size_t t) const {
        const float* kept = m_normals.data() + leaf * (m_flat ? 12 : 3) + (m_flat ? 3 * t : 0);
        return Vec3(kept[0], kept[1], kept[2]);
    }

private:
    bool m_flat = false;
    std::size_t m_vertices = 0;
    MeshBounds m_bounds;
    std::vector<std::uint64_t> m_patterns;
    std::vector<float> m_normals;
};

}  // namespace moon
