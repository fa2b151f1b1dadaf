// SPDX-License-Identifier: MIT
// GridMesh's walk over the grid's leaves, apart from the mesh for its size:
// included by the mesh library's GridMesh files alone.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "mesh/GridMesh.h"
#include "mesh/VertexTable.h"
#include "terrain/TerrainNode.h"

namespace moon {

// One pass over the leaves, giving indices as a gathered mesh would and
// handing what was asked for to the visitors in batches. A pass reads the
// heights only when it needs values, and makes the leaves' own normals only
// when it needs those; indices alone come from the grid's structure and what
// the first passes recorded.
class GridMesh::Walk {
public:
    enum class Purpose {
        SumNormals,    // joined: each position's sum of face normals
        Count,         // vertices and primitives; the hashes of normals apart
        CountNormals,  // normals apart, and each one's index
        Bounds,        // the positions' bounds
        Visit,
    };

    // keep: where the first walks put what they keep (null for the others).
    Walk(const GridMesh& mesh, Purpose purpose, Kept* keep = nullptr)
        : m_mesh(mesh), m_kept(mesh.m_kept), m_pKeep(keep), m_purpose(purpose) {}
    Walk(const GridMesh& mesh, const Ship<MeshVertex>* vertices, const Ship<Vec3>* normals,
         const Ship<MeshCorner>* corners)
        : m_mesh(mesh),
          m_kept(mesh.m_kept),
          m_purpose(Purpose::Visit),
          m_pVisitVertices(vertices),
          m_pVisitNormals(normals),
          m_pVisitCorners(corners) {}

    // Which parts of a vertex a vertex visit fills in.
    void SetVertexParts(unsigned parts) { m_parts = parts; }

    void Run();

    // What the walk found: counts, and the bounds of the positions as floats
    // when it read them all.
    bool HasBounds() const { return m_bounding; }
    std::size_t GetVertexCount() const { return m_nextVertex; }
    std::size_t GetNormalCount() const { return m_nextNormal; }
    std::size_t GetPrimitiveCount() const { return m_primitives; }
    const std::array<float, 3>& GetLow() const { return m_low; }
    const std::array<float, 3>& GetHigh() const { return m_high; }

private:
    static constexpr std::uint32_t kNone = 0xFFFFFFFFu;

    // A flat or smooth vertex at a position under Vertices sharing: its
    // normal's float bits (while counting) and its index.
    struct Entry {
        std::array<std::uint32_t, 3> key{};
        std::uint32_t index = 0;
    };
    // A position's vertices, from its first leaf to its last: at most two
    // triangles of each of four leaves.
    struct Open {
        int leavesLeft = 0;
        std::uint32_t count = 0;
        std::array<Entry, 8> entries{};
    };

    // leaf: null when the walk needs no values.
    void Leaf(const TerrainNode* leaf, int column, int row);

    // The grid position of the leaf's corner point.
    std::size_t Location(int point) const;

    // The open record of a leaf corner's position, made at its first leaf.
    std::uint32_t OpenAt(int point);

    // The normal the leaf's triangle t gives its corners (not joined).
    const Vec3& NormalOf(std::size_t t) const;

    // The same, as counting kept it: floats, all a file of Vertices sharing holds.
    Vec3 KeptNormal(std::size_t t) const;

    // Counting: which vertex at the position has this normal's float bits;
    // the count there when none has.
    std::uint32_t Match(std::uint32_t slot, const Vec3& normal);

    // A flat or smooth corner's vertex: the position's vertex which, made
    // now when which is the count there.
    std::uint32_t PatternedVertex(std::size_t t, int point, std::uint32_t slot,
                                  std::uint32_t which);

    // Any other corner's vertex, one per position.
    MeshCorner PositionVertex(int point);

    // A new vertex's index; its values to the visitor. normal: makes the
    // vertex's normal, for triangles under Vertices sharing.
    template <typename Normal>
    std::uint32_t NewVertex(int point, const Normal& normal);

    void ExtendBounds(const Vec3& position);

    std::array<Vec3, 4> JoinedFaces() const;

    // A joined vertex's normal: the normalised sum of the face normals around
    // it, in the order of their triangles, made by the summing walk.
    const Vec3& JoinedNormal(int point) const;

    // The index of a new joined vertex's normal apart.
    std::uint32_t JoinedNormalIndex(int point);

    // The index of a leaf's own normal apart: its object o (a flat triangle,
    // or a smooth leaf's one), recorded at object.
    std::uint32_t ObjectNormal(std::size_t object, std::size_t o);

    // Counting normals: the index of the next normal apart, new or shared by
    // exact value. Its hash was kept by counting; normal() makes the value,
    // needed only where that hash is repeated.
    template <typename Normal>
    std::uint32_t NormalIndex(const Normal& normal);

    void EmitNormal(const Vec3& normal);

    // triangle: its corners' points.
    void AddPrimitive(const int (&triangle)[3], const std::array<MeshCorner, 3>& corners);

    // Whether the edge between points a and b of the leaf is new: a spoke to
    // the centre is its leaf's alone; an outer edge is shared with the leaf
    // beyond it.
    bool FirstSight(int a, int b);

    void FlushCornersIfFull();

    void Flush();

    const GridMesh& m_mesh;
    const Kept& m_kept;  // what the first walks kept, to read
    Kept* m_pKeep = nullptr;
    Purpose m_purpose;
    // Where full batches go; each leaves the batch it is given empty.
    const Ship<MeshVertex>* m_pVisitVertices = nullptr;
    const Ship<Vec3>* m_pVisitNormals = nullptr;
    const Ship<MeshCorner>* m_pVisitCorners = nullptr;
    int m_side = 0;
    bool m_lines = false;
    bool m_apart = false;  // normals apart: Attributes sharing, not lines
    bool m_joined = false;
    bool m_flat = false;
    bool m_patterned = false;
    bool m_bounding = false;
    unsigned m_parts = Mesh::kAllParts;

    // The leaf being walked: null when the walk reads no values.
    const TerrainNode* m_pLeaf = nullptr;
    int m_column = 0;
    int m_row = 0;
    std::size_t m_leaf = 0;  // its place in the walk

    // Patterned: a record per grid position while it is open, and the
    // centre's vertices for its leaf alone.
    std::vector<std::uint32_t> m_slots;
    std::vector<Open> m_pool;
    std::vector<std::size_t> m_openLocation;  // the position each record is for
    std::vector<std::uint32_t> m_free;
    std::array<Entry, 8> m_centre{};
    std::uint32_t m_centreCount = 0;
    std::array<std::uint32_t, 3> m_key{};  // counting: the normal bits last matched
    // Otherwise: each position's vertex, and the leaf centre's.
    std::vector<std::uint32_t> m_vertexAt;
    std::uint32_t m_centreVertex = kNone;
    // Lines: the spokes of this leaf, and the outer edges, already written.
    unsigned m_spokesSeen = 0;
    std::vector<std::uint64_t> m_horizontalSeen;
    std::vector<std::uint64_t> m_verticalSeen;

    std::uint32_t m_nextVertex = 0;
    std::uint32_t m_nextNormal = 0;
    std::size_t m_primitives = 0;
    std::array<float, 3> m_low{};
    std::array<float, 3> m_high{};
    std::size_t m_object = 0;  // normals apart looked up so far
    // Counting normals: a leaf made again, where a repeated hash needs its normal.
    TerrainNode m_madeLeaf;
    std::size_t m_madeLeafAt = kNone;
    VertexTable<6> m_exactNormals;
    std::vector<std::uint32_t> m_exactIndex;

    std::vector<MeshVertex> m_vertexBatch;
    std::vector<Vec3> m_normalBatch;
    std::vector<MeshCorner> m_cornerBatch;
};

}  // namespace moon
