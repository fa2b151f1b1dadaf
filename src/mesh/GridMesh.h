// SPDX-License-Identifier: MIT
// A mesh of the generated grid's leaves, streamed: the tree is never built
// and no table of every vertex is kept. Each visit walks the leaves again
// (GridLeafWalk), in drawing order, and gives every vertex, normal and corner
// the index a mesh gathered from the tree would give it, so a writer writes
// the same bytes.
//
// Words used here and in the passes:
// - A position is a point of the grid (row * side + column); a leaf's centre
//   is a point of its own leaf alone.
// - Vertices keyed by normal: in a flat or smooth mesh under Vertices sharing
//   (PLY, glTF) the triangles at one position make one vertex for each
//   different normal they give it (as floats), so up to eight per position.
//   Every other mesh makes one vertex per position and per centre, so its
//   counts follow from the grid's side without a walk.
// - Separate normals: under Attributes sharing (OBJ) normals are numbered
//   apart from the vertices, one per distinct value over the whole mesh.
// - A live position: a position whose vertices are remembered while the
//   walk is among its leaves. A position lies in at most four leaves, so its
//   record is freed at its last; those live at once lie along the edge of the
//   part walked so far.
// - A leaf's pattern: for each of its twelve triangle corners, which vertex
//   at the position it is and whether it made it. Counting records it, so
//   that the later walks number vertices keyed by normal without their
//   normals.
//
// The passes made once, when the mesh is made, each a class owning what it
// finds:
// - joined normals, summed per position in a walk with heights
//   (GridJoinedNormals);
// - vertices keyed by normal, counted in a walk with heights and the leaves'
//   normals, which records each leaf's pattern (GridKeyedVertices);
// - separate normals (GridSeparateNormals): a leaf's own hashed in a walk
//   with heights and normals, a joined mesh's where they are held; then
//   numbered in a walk without heights.
// The first walk with heights finds the bounds on the way. Then the writer's
// visits, each one walk (GridMeshVisits.cpp), and one for the bounds if glTF
// asks for them and no walk has read every position.
// Walks a file makes, pass and visits:
//   PLY: 3 flat or smooth, 3 joined, 2 wireframe;
//   OBJ: 5 flat or smooth, 5 joined, 2 wireframe;
//   glb: 5 flat or smooth, 5 joined, 4 wireframe (one for its bounds).
// Memory: the grid's final and first heights, 8 bytes a leaf for flat and
// smooth meshes and their normals as floats, 12 bytes a normal while hashing
// separate normals, and for a joined mesh 24 bytes a position and a leaf: at
// most 1.4 GiB at depth 12.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string_view>
#include <vector>

#include "mesh/GridJoinedNormals.h"
#include "mesh/GridKeyedVertices.h"
#include "mesh/GridSeparateNormals.h"
#include "mesh/Mesh.h"
#include "mesh/MeshBounds.h"
#include "terrain/HeightGrid.h"
#include "terrain/RenderMode.h"

namespace moon {

class HeightPalette;

class GridMesh final : public Mesh {
public:
    using Progress = std::function<void(std::string_view stage, double fraction)>;

    struct Settings {
        std::uint32_t seed = 0;
        int depth = 0;
        RenderMode mode = Flat;
        const HeightPalette* palette = nullptr;  // must outlive the mesh
        // One vertex per position over the whole terrain, each with the mean
        // of the face normals around it, as JoinedMesh makes them.
        bool joined = false;
        MeshSharing sharing = MeshSharing::Vertices;
        // The refined landscape (RefinedGrid): its cells, every corner at its
        // one height. At depth 6 it is the generated landscape itself.
        bool refine = false;
        // With its craters (CraterField), at depth 6 too; needs refine.
        bool craters = false;
        // The viewer's landscape of this count.
        std::uint32_t regeneration = 0;
    };

    // Generates the grid and counts the mesh. The random sequence must stand
    // where the landscape's generation starts: seeded, and for a later
    // landscape past the draws of those before it.
    GridMesh(const Settings& settings, Progress progress = nullptr);

    MeshSharing GetSharing() const override { return m_settings.sharing; }
    bool IsLines() const override { return m_settings.mode == Wireframe; }
    std::size_t GetVertexCount() const override { return m_vertices; }
    std::size_t GetNormalCount() const override { return m_normals; }
    std::size_t GetPrimitiveCount() const override { return m_primitives; }
    void GetBounds(std::array<float, 3>& low, std::array<float, 3>& high) const override;
    void ForEachVertex(const Visit<MeshVertex>& visit, unsigned parts) const override;
    void ForEachNormal(const Visit<Vec3>& visit) const override;
    void ForEachCorner(const Visit<MeshCorner>& visit) const override;

private:
    bool IsKeyedByNormal() const {
        return !m_settings.joined && !IsLines() && m_settings.sharing == MeshSharing::Vertices;
    }
    bool HasSeparateNormals() const {
        return !IsLines() && m_settings.sharing == MeshSharing::Attributes;
    }
    // The passes made once: counts, bounds where a walk reads every
    // position, and what the visits number vertices and normals by.
    void Count();

    Settings m_settings;
    Progress m_progress;
    HeightGrid m_grid;
    std::size_t m_vertices = 0;
    std::size_t m_normals = 0;
    std::size_t m_primitives = 0;
    // The positions' bounds, once a walk has read every position.
    mutable bool m_bInBounds = false;
    mutable MeshBounds m_bounds;

    GridJoinedNormals m_joinedNormals;
    GridKeyedVertices m_keyedVertices;
    GridSeparateNormals m_separateNormals;
};

}  // namespace moon
