// SPDX-License-Identifier: MIT
// GridMesh's walk over the grid's leaves, apart from the mesh for its size:
// included by the mesh library's GridMesh files alone.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "mesh/GridMesh.h"
#include "mesh/MeshBounds.h"
#include "mesh/VertexTable.h"
#include "terrain/TerrainNode.h"

namespace moon {

// A walk over the leaves that numbers vertices, normals and primitives as a
// gathered mesh would, and hands what was asked for to the visitors in
// batches (GridMesh's header explains the words). It reads the heights only
// when it needs values, and makes the leaves' own normals only when it needs
// those; numbers alone come from the grid's structure and what the counting
// walks recorded.
class GridMesh::Walk {
public:
    enum class Purpose {
        Count,          // vertices and primitives; patterns and normal hashes
        NumberNormals,  // separate normals, and each one's number
        Visit,          // what the writer asks for
    };

    Walk(const GridMesh& mesh, Purpose purpose) : m_mesh(mesh), m_purpose(purpose) {}
    Walk(const GridMesh& mesh, const Deliver<MeshVertex>* vertices, const Deliver<Vec3>* normals,
         const Deliver<MeshCorner>* corners)
        : m_mesh(mesh),
          m_purpose(Purpose::Visit),
          m_pVisitVertices(vertices),
          m_pVisitNormals(normals),
          m_pVisitCorners(corners) {}

    // Counting: where the leaves' patterns and the separate normals' hashes go.
    void RecordInto(LeafPatterns* patterns, std::vector<std::uint32_t>* normalHashes) {
        m_pPatternsOut = patterns;
        m_pHashesOut = normalHashes;
    }
    // Numbering normals: the hashes counting recorded, and where the numbers go.
    void NumberInto(const std::vector<std::uint32_t>* normalHashes, NormalNumbers* numbers) {
        m_pHashes = normalHashes;
        m_pNumbersOut = numbers;
    }
    // Which parts of a vertex a vertex visit fills in.
    void SetVertexParts(unsigned parts) { m_parts = parts; }

    void Run();

    // What the walk found: counts, and the bounds of the positions as floats
    // when it read them all.
    bool HasBounds() const { return m_bounding; }
    std::size_t GetVertexCount() const { return m_nextVertex; }
    std::size_t GetNormalCount() const { return m_nextNormal; }
    std::size_t GetPrimitiveCount() const { return m_primitives; }
    const MeshBounds& GetBounds() const { return m_bounds; }

private:
    static constexpr std::uint32_t kNone = 0xFFFFFFFFu;

    // A flat or smooth vertex at a position under Vertices sharing: its
    // normal's float bits (while counting) and its index.
    struct Entry {
        std::array<std::uint32_t, 3> key{};
        std::uint32_t index = 0;
    };
    // A live position's vertices, from its first leaf to its last: at most
    // two triangles of each of four leaves.
    struct LivePosition {
        int leavesLeft = 0;
        std::uint32_t count = 0;
        std::array<Entry, 8> entries{};
    };

    // Sets what the walk reads and makes, and makes room for what it records.
    void Prepare();
    // Whether the walk reads the heights: for values, and for the normals
    // that counting tells vertices apart by.
    bool NeedsHeights() const;
    // leaf: null when the walk needs no values.
    void Leaf(const TerrainNode* leaf, int column, int row);
    // A visit to the vertices keyed by normal: the corners that make a
    // vertex, as counting marked them.
    void PatternVertices();
    // The leaf's separate normals, a triangle's each; false when the walk is
    // done with the leaf then.
    bool LeafNormals(std::array<std::uint32_t, 4>& normals);
    // The leaf's triangles with vertices keyed by normal, numbered at the
    // live records of its corner positions.
    void KeyedTriangles(const std::array<std::uint32_t, 4>& live);
    // The leaf's triangles with a vertex per position.
    void PositionTriangles(const std::array<std::uint32_t, 4>& normals);
    // Counting: the leaf's normals as floats, for the later walks.
    void KeepNormals();
    // Frees the records of the positions this was the last leaf of.
    void LeaveLeaf(const std::array<std::uint32_t, 4>& live);

    // The grid position of the leaf's corner point.
    std::size_t Location(int point) const;

    // The live record of a leaf corner's position, made at its first leaf.
    std::uint32_t LiveAt(int point);

    // The normal the leaf's triangle t gives its corners (not joined).
    const Vec3& NormalOf(std::size_t t) const;

    // The same, as counting kept it: floats, all a file of Vertices sharing holds.
    Vec3 KeptNormal(std::size_t t) const;

    // Counting: which vertex at the position has this normal's float bits;
    // the count there when none has.
    std::uint32_t Match(std::uint32_t slot, const Vec3& normal);

    // A flat or smooth corner's vertex: the position's vertex which, made
    // now when which is the count there.
    std::uint32_t KeyedVertex(std::size_t t, int point, std::uint32_t slot, std::uint32_t which);

    // Any other corner's vertex, one per position.
    MeshCorner PositionVertex(int point);

    // A new vertex's index; its values to the visitor. normal: makes the
    // vertex's normal, for triangles under Vertices sharing.
    template <typename Normal>
    std::uint32_t NewVertex(int point, const Normal& normal);

    // A joined vertex's normal (GridJoinedNormals).
    const Vec3& JoinedNormal(int point) const;

    // The number of a new joined vertex's separate normal.
    std::uint32_t JoinedNormalIndex(int point);

    // The number of a leaf's own separate normal: its object o (a flat
    // triangle, or a smooth leaf's one), recorded at object.
    std::uint32_t ObjectNormal(std::size_t object, std::size_t o);

    // Numbering normals: the number of the next separate normal, new or
    // shared by exact value. Its hash was kept by counting; normal() makes
    // the value, needed only where that hash is repeated.
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
    Purpose m_purpose;
    // Where full batches go; each leaves the batch it is given empty.
    const Deliver<MeshVertex>* m_pVisitVertices = nullptr;
    const Deliver<Vec3>* m_pVisitNormals = nullptr;
    const Deliver<MeshCorner>* m_pVisitCorners = nullptr;
    // What counting and numbering record, and the hashes numbering reads.
    LeafPatterns* m_pPatternsOut = nullptr;
    std::vector<std::uint32_t>* m_pHashesOut = nullptr;
    NormalNumbers* m_pNumbersOut = nullptr;
    const std::vector<std::uint32_t>* m_pHashes = nullptr;
    int m_side = 0;
    bool m_lines = false;
    bool m_separateNormals = false;  // Attributes sharing, not lines
    bool m_joined = false;
    bool m_flat = false;
    bool m_keyedByNormal = false;
    bool m_bounding = false;
    unsigned m_parts = Mesh::kAllParts;

    // The leaf being walked: null when the walk reads no values.
    const TerrainNode* m_pLeaf = nullptr;
    int m_column = 0;
    int m_row = 0;
    std::size_t m_leaf = 0;  // its place in the walk

    // Keyed by normal: a record per position while it is live, and the
    // centre's vertices for its leaf alone.
    std::vector<std::uint32_t> m_slots;
    std::vector<LivePosition> m_pool;
    std::vector<std::size_t> m_liveLocation;  // the position each record is for
    std::vector<std::uint32_t> m_free;
    std::array<Entry, 8> m_centre{};
    std::uint32_t m_centreCount = 0;
    std::array<std::uint32_t, 3> m_key{};  // counting: the normal bits last matched
    // Otherwise: each position's vertex, and the leaf centre's.
    std::vector<std::uint32_t> m_vertexAt;
    std::uint32_t m_centreVertex = kNone;
    // Lines: the spokes of this leaf, and the outer edges, already written.
    unsigned m_spokesSeen = 0;
    std::vector<bool> m_horizontalSeen;
    std::vector<bool> m_verticalSeen;

    std::uint32_t m_nextVertex = 0;
    std::uint32_t m_nextNormal = 0;
    std::size_t m_primitives = 0;
    MeshBounds m_bounds;
    std::size_t m_object = 0;  // separate normals looked up so far
    // Numbering normals: a leaf made again, where a repeated hash needs its normal.
    TerrainNode m_madeLeaf;
    std::size_t m_madeLeafAt = kNone;
    VertexTable<6> m_exactNormals;
    std::vector<std::uint32_t> m_exactIndex;

    std::vector<MeshVertex> m_vertexBatch;
    std::vector<Vec3> m_normalBatch;
    std::vector<MeshCorner> m_cornerBatch;
};

}  // namespace moon
