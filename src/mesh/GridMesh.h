// SPDX-License-Identifier: MIT
// A mesh of the generated grid's leaves, streamed: the tree is never built
// and no table of every vertex is kept. Each visit walks the leaves again
// (GridLeaves), in drawing order, and gives every vertex, normal and corner
// the index a mesh gathered from the tree would give it, so a writer writes
// the same bytes.
//
// The grid says which vertices may coincide: only those at one position, and
// a leaf corner's position is shared with at most three other leaves. So a
// position's vertices are remembered from its first leaf to its last, and
// forgotten then; those open at once lie along the edges of the part walked
// so far. Normals apart (OBJ) are shared over the whole mesh by exact value:
// a first walk finds which normals' hashes repeat, and only those are kept.
// A joined mesh sums its face normals per position in a first walk too.
// Memory: the grid's final and first heights, 8 bytes a leaf for flat and
// smooth meshes and their normals as floats, 12 bytes a normal while counting
// normals apart, and for a joined mesh 24 bytes a position and a leaf: at
// most 1.4 GiB at depth 12.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string_view>
#include <vector>

#include "mesh/Mesh.h"
#include "mesh/RepeatedHashes.h"
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
    class Walk;
    // Hands a full batch on and leaves it empty (its storage may be another's).
    template <typename T>
    using Ship = std::function<void(std::vector<T>&)>;
    friend class Walk;

    Settings m_settings;
    Progress m_progress;
    HeightGrid m_grid;
    std::size_t m_vertices = 0;
    std::size_t m_normals = 0;
    std::size_t m_primitives = 0;
    // The positions' bounds as floats, once a walk has read them.
    mutable bool m_bInBounds = false;
    mutable std::array<float, 3> m_low{};
    mutable std::array<float, 3> m_high{};
    // What the first walks keep for the later ones.
    struct Kept {
        // Joined: each grid position's normal, and each leaf centre's.
        std::vector<Vec3> joinedNormals;
        std::vector<Vec3> centreNormals;
        // Flat and smooth under Vertices sharing: for each leaf, which vertex
        // at its position each of its twelve triangle corners is, 4 bits
        // each, and which of them made it, a bit each; and the leaf's normals
        // as floats, per triangle (flat) or per leaf.
        std::vector<std::uint64_t> pattern;
        std::vector<float> normalFloats;
        // Attributes: the hash of each normal apart, in order (while counting
        // them), and its index: per leaf (smooth) or per triangle (flat);
        // joined, per grid position and per leaf centre.
        std::vector<std::uint32_t> normalHashes;
        std::vector<std::uint32_t> objectNormalIndices;
        std::vector<std::uint32_t> locationNormalIndices;
        std::vector<std::uint32_t> centreNormalIndices;
    };

    void KeepBounds(const Walk& walk);

    Kept m_kept;
    // Attributes: the hashes that more than one normal apart has.
    RepeatedHashes m_repeatedNormals;
};

}  // namespace moon
