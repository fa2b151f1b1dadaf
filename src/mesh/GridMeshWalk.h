// SPDX-License-Identifier: MIT
// GridMesh's walk over the grid's leaves, apart from the mesh for its size:
// included by tools/GridMesh.cpp alone.
#pragma once

#include <algorithm>
#include <bit>
#include <limits>

#include "base/Check.h"
#include "mesh/GridMesh.h"
#include "mesh/VertexTable.h"
#include "terrain/GridLeaves.h"
#include "terrain/TerrainNode.h"

namespace moon {
namespace {

// Items are handed to a visitor about this many at a time.
constexpr std::size_t kBatch = 4096;
constexpr std::uint32_t kNone = 0xFFFFFFFFu;
// A leaf's pattern: for each of its twelve triangle corners, 4 bits from bit
// 4 (3 t + i) saying which vertex at its position it is, and from this bit on
// one bit each saying the corner made that vertex.
constexpr int kNewBits = 48;

// A joined leaf's four triangles: the drawing walk's, each turned to start at
// the centre (point 4), as JoinedMesh makes them.
constexpr int kJoinedCorners[4][3] = {{4, 3, 0}, {4, 2, 3}, {4, 1, 2}, {4, 0, 1}};
// Where a leaf's corners 0 to 3 are from its p0 corner: column, row.
constexpr int kCornerOffsets[4][2] = {{0, 0}, {0, 1}, {1, 1}, {1, 0}};

// 32 bits are plenty: the hashes only pick out the normals that need an
// exact look, and a few thousand more of those cost nothing.
std::uint32_t normalHash(const Vec3& normal) {
    // FNV-1a over the bits, then splitmix64's finaliser.
    std::uint64_t hash = 14695981039346656037ull;
    for (const double value : {normal.x, normal.y, normal.z}) {
        hash = (hash ^ std::bit_cast<std::uint64_t>(value)) * 1099511628211ull;
    }
    hash = (hash ^ (hash >> 30)) * 0xBF58476D1CE4E5B9ull;
    hash = (hash ^ (hash >> 27)) * 0x94D049BB133111EBull;
    return static_cast<std::uint32_t>((hash ^ (hash >> 31)) >> 32);
}

VertexTable<6>::Key normalKey(const Vec3& normal) {
    VertexTable<6>::Key key{};
    std::size_t k = 0;
    for (const double value : {normal.x, normal.y, normal.z}) {
        const auto bits = std::bit_cast<std::uint64_t>(value);
        key[k++] = static_cast<std::uint32_t>(bits);
        key[k++] = static_cast<std::uint32_t>(bits >> 32);
    }
    return key;
}

// The face normal JoinedMesh gives the triangle (p, q, r).
Vec3 joinedFaceNormal(const Vec3& p, const Vec3& q, const Vec3& r) {
    Vec3 cross;
    cross.Cross(r.Subtract(q), p.Subtract(q));
    Vec3 face;
    face.Normalise(cross);
    return face;
}

}  // namespace

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

    void Run() {
        const Settings& settings = m_mesh.m_settings;
        m_side = m_mesh.m_grid.GetSide();
        m_lines = settings.mode == Wireframe;
        m_apart = settings.sharing == MeshSharing::Attributes && !m_lines;
        m_joined = settings.joined;
        m_flat = settings.mode == Flat;
        // Flat and smooth vertices under Vertices sharing are told apart by
        // their normals' float bits; every other vertex by its position alone.
        m_patterned = !m_joined && !m_lines && settings.sharing == MeshSharing::Vertices;
        const std::size_t leaves = static_cast<std::size_t>(m_side - 1) * (m_side - 1);
        const std::size_t positions =
            static_cast<std::size_t>(m_side) * static_cast<std::size_t>(m_side);
        if (m_patterned) {
            m_slots.assign(positions, kNone);
        } else {
            m_vertexAt.assign(positions, kNone);
        }
        if (m_lines) {
            const std::size_t edges = static_cast<std::size_t>(m_side) * (m_side - 1);
            m_horizontalSeen.assign(edges / 64 + 1, 0);
            m_verticalSeen.assign(edges / 64 + 1, 0);
        }
        m_low.fill(std::numeric_limits<float>::max());
        m_high.fill(std::numeric_limits<float>::lowest());
        if (m_purpose == Purpose::SumNormals) {
            m_pKeep->joinedNormals.assign(positions, Vec3());
            m_pKeep->centreNormals.assign(leaves, Vec3());
        } else if (m_purpose == Purpose::Count && m_patterned) {
            m_pKeep->pattern.assign(leaves, 0);
            m_pKeep->normalFloats.assign(leaves * (m_flat ? 12 : 3), 0.0f);
        } else if (m_purpose == Purpose::CountNormals && m_joined) {
            m_pKeep->locationNormalIndices.assign(positions, 0);
            m_pKeep->centreNormalIndices.assign(leaves, 0);
        } else if (m_purpose == Purpose::CountNormals) {
            m_pKeep->objectNormalIndices.assign(leaves * (m_flat ? 4 : 1), 0);
        }

        // Values: positions and colours for vertices, normals for normals
        // apart and for the counting of what normals tell apart.
        // A joined mesh's normals were made by the summing walk.
        const bool counting = m_purpose == Purpose::Count && !m_joined && (m_patterned || m_apart);
        const bool vertexPlaces =
            m_pVisitVertices != nullptr && (m_parts & (Mesh::kPositions | Mesh::kColours)) != 0;
        const bool heights = counting || m_purpose == Purpose::SumNormals ||
                             m_purpose == Purpose::Bounds || vertexPlaces ||
                             (m_pVisitVertices != nullptr && !m_patterned && !m_joined &&
                              (m_parts & Mesh::kNormals) != 0) ||
                             (m_pVisitNormals != nullptr && !m_joined);
        // A pass over every leaf's values finds the bounds on the way.
        m_bounding = heights && m_purpose != Purpose::Visit;
        // Flat and smooth vertices' normals were kept by counting, as floats.
        const bool ownNormals = !m_joined && (counting || m_pVisitNormals != nullptr);
        std::size_t done = 0;
        auto leaf = [&](const TerrainNode* node, int column, int row) {
            Leaf(node, column, row);
            if (++done % 65536 == 0 && m_purpose != Purpose::Visit && m_mesh.m_progress) {
                m_mesh.m_progress("counting",
                                  static_cast<double>(done) / static_cast<double>(leaves));
            }
        };
        if (heights) {
            GridLeaves::ForEach(
                m_mesh.m_grid,
                [&leaf](const TerrainNode& node, int column, int row) { leaf(&node, column, row); },
                ownNormals ? GridLeaves::Normals::Computed : GridLeaves::Normals::Skipped);
        } else {
            auto cell = [&leaf](int column, int row) { leaf(nullptr, column, row); };
            GridLeaves::ForEachCell(m_mesh.m_grid, cell);
        }
        Flush();
        if (m_purpose == Purpose::SumNormals) {
            for (Vec3& sum : m_pKeep->joinedNormals) {
                sum.Normalise(sum);
            }
        }
    }

    // What the walk found: counts, and the bounds of the positions as floats
    // when it read them all.
    bool HasBounds() const { return m_bounding; }
    std::size_t GetVertexCount() const { return m_nextVertex; }
    std::size_t GetNormalCount() const { return m_nextNormal; }
    std::size_t GetPrimitiveCount() const { return m_primitives; }
    const std::array<float, 3>& GetLow() const { return m_low; }
    const std::array<float, 3>& GetHigh() const { return m_high; }

private:
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
    void Leaf(const TerrainNode* leaf, int column, int row) {
        const auto& triangles = m_joined ? kJoinedCorners : TerrainNode::kTriangleCorners;
        m_pLeaf = leaf;
        m_column = column;
        m_row = row;
        if (m_bounding) {
            for (const Vec3& point : leaf->points) {
                ExtendBounds(point);
            }
        }
        if (m_purpose == Purpose::SumNormals) {
            const std::array<Vec3, 4> faces = JoinedFaces();
            Vec3 centre;
            for (std::size_t t = 0; t < 4; ++t) {
                for (const int point : triangles[t]) {
                    if (point < 4) {
                        Vec3& sum = m_pKeep->joinedNormals[Location(point)];
                        sum.Add(sum, faces[t]);
                    }
                }
                // The centre's triangles are its leaf's four, in order.
                centre.Add(centre, faces[t]);
            }
            m_pKeep->centreNormals[m_leaf].Normalise(centre);
            ++m_leaf;
            return;
        }
        if (m_purpose == Purpose::Bounds) {
            return;
        }
        if (m_patterned && m_purpose == Purpose::Visit && m_pVisitCorners == nullptr) {
            // Values alone: counting marked the corners that make a vertex.
            const std::uint64_t pattern = m_kept.pattern[m_leaf];
            for (std::size_t t = 0; t < 4; ++t) {
                for (std::size_t i = 0; i < 3; ++i) {
                    if ((pattern >> (kNewBits + 3 * t + i) & 1u) != 0) {
                        NewVertex(triangles[t][i], [this, t] { return KeptNormal(t); });
                    }
                }
            }
            ++m_leaf;
            return;
        }
        std::array<std::uint32_t, 4> open{};
        if (m_patterned) {
            for (int point = 0; point < 4; ++point) {
                open[static_cast<std::size_t>(point)] = OpenAt(point);
            }
            m_centreCount = 0;
        }
        m_centreVertex = kNone;
        m_spokesSeen = 0;
        // Normals apart, once each: a flat triangle's, a smooth leaf's.
        std::array<std::uint32_t, 4> leafNormals{};
        if (m_apart && !m_joined) {
            const std::size_t objects = m_flat ? 4 : 1;
            for (std::size_t o = 0; o < objects; ++o) {
                leafNormals[o] = ObjectNormal(m_leaf * objects + o, o);
            }
            if (objects == 1) {
                leafNormals.fill(leafNormals[0]);
            }
            // Walks for the normals alone are done with the leaf.
            if (m_purpose == Purpose::CountNormals || m_pVisitNormals != nullptr) {
                ++m_leaf;
                return;
            }
        }
        const bool recording = m_patterned && m_purpose == Purpose::Count;
        std::uint64_t pattern = m_patterned && !recording ? m_kept.pattern[m_leaf] : 0;
        std::uint64_t recorded = 0;
        for (std::size_t t = 0; t < 4; ++t) {
            std::array<MeshCorner, 3> corners{};
            for (std::size_t i = 0; i < 3; ++i) {
                const int point = triangles[t][i];
                if (m_patterned) {
                    const std::uint32_t slot =
                        point == 4 ? kNone : open[static_cast<std::size_t>(point)];
                    std::uint32_t which = 0;
                    if (recording) {
                        which = Match(slot, NormalOf(t));
                        recorded |= std::uint64_t{which} << (4 * (3 * t + i));
                    } else {
                        which = pattern & 0xFu;
                        pattern >>= 4;
                    }
                    const std::uint32_t made = m_nextVertex;
                    corners[i].vertex = PatternedVertex(t, point, slot, which);
                    if (recording && m_nextVertex != made) {
                        recorded |= std::uint64_t{1} << (kNewBits + 3 * t + i);
                    }
                } else {
                    corners[i] = PositionVertex(point);
                    if (m_apart && !m_joined) {
                        corners[i].normal = leafNormals[t];
                    }
                }
            }
            AddPrimitive(triangles[t], corners);
        }
        if (recording) {
            m_pKeep->pattern[m_leaf] = recorded;
            float* kept = m_pKeep->normalFloats.data() + m_leaf * (m_flat ? 12 : 3);
            for (std::size_t t = 0; t < (m_flat ? 4u : 1u); ++t) {
                const Vec3& normal = NormalOf(t);
                kept[3 * t] = static_cast<float>(normal.x);
                kept[3 * t + 1] = static_cast<float>(normal.y);
                kept[3 * t + 2] = static_cast<float>(normal.z);
            }
        }
        if (m_patterned) {
            for (const std::uint32_t slot : open) {
                if (--m_pool[slot].leavesLeft == 0) {
                    m_free.push_back(slot);
                    m_slots[m_openLocation[slot]] = kNone;
                }
            }
        }
        ++m_leaf;
    }

    // The grid position of the leaf's corner point.
    std::size_t Location(int point) const {
        const auto& offset = kCornerOffsets[point];
        return static_cast<std::size_t>(m_row + offset[1]) * static_cast<std::size_t>(m_side) +
               static_cast<std::size_t>(m_column + offset[0]);
    }

    // The open record of a leaf corner's position, made at its first leaf.
    std::uint32_t OpenAt(int point) {
        const std::size_t location = Location(point);
        if (m_slots[location] != kNone) {
            return m_slots[location];
        }
        std::uint32_t slot = 0;
        if (m_free.empty()) {
            slot = static_cast<std::uint32_t>(m_pool.size());
            m_pool.emplace_back();
            m_openLocation.push_back(0);
        } else {
            slot = m_free.back();
            m_free.pop_back();
        }
        const int last = m_side - 1;
        const int x = m_column + kCornerOffsets[point][0];
        const int z = m_row + kCornerOffsets[point][1];
        Open& record = m_pool[slot];
        record.leavesLeft = (x == 0 || x == last ? 1 : 2) * (z == 0 || z == last ? 1 : 2);
        record.count = 0;
        m_openLocation[slot] = location;
        m_slots[location] = slot;
        return slot;
    }

    // The normal the leaf's triangle t gives its corners (not joined).
    const Vec3& NormalOf(std::size_t t) const {
        return m_flat ? m_pLeaf->faceNormals[t] : m_pLeaf->vertexNormals[4];
    }

    // The same, as counting kept it: floats, all a file of Vertices sharing holds.
    Vec3 KeptNormal(std::size_t t) const {
        const float* kept =
            m_kept.normalFloats.data() + m_leaf * (m_flat ? 12 : 3) + (m_flat ? 3 * t : 0);
        return Vec3(kept[0], kept[1], kept[2]);
    }

    // Counting: which vertex at the position has this normal's float bits;
    // the count there when none has.
    std::uint32_t Match(std::uint32_t slot, const Vec3& normal) {
        const std::array<std::uint32_t, 3> key = {
            std::bit_cast<std::uint32_t>(static_cast<float>(normal.x)),
            std::bit_cast<std::uint32_t>(static_cast<float>(normal.y)),
            std::bit_cast<std::uint32_t>(static_cast<float>(normal.z))};
        const Entry* entries = slot == kNone ? m_centre.data() : m_pool[slot].entries.data();
        const std::uint32_t count = slot == kNone ? m_centreCount : m_pool[slot].count;
        for (std::uint32_t i = 0; i < count; ++i) {
            const std::array<std::uint32_t, 3>& known = entries[i].key;
            if (known[0] == key[0] && known[1] == key[1] && known[2] == key[2]) {
                return i;
            }
        }
        MOON_CHECK(count < 8, "a position has at most eight vertices");
        m_key = key;
        return count;
    }

    // A flat or smooth corner's vertex: the position's vertex which, made
    // now when which is the count there.
    std::uint32_t PatternedVertex(std::size_t t, int point, std::uint32_t slot,
                                  std::uint32_t which) {
        Entry* entries = slot == kNone ? m_centre.data() : m_pool[slot].entries.data();
        std::uint32_t& count = slot == kNone ? m_centreCount : m_pool[slot].count;
        if (which < count) {
            return entries[which].index;
        }
        Entry& entry = entries[count++];
        entry.key = m_key;
        entry.index = NewVertex(point, [this, t] { return NormalOf(t); });
        return entry.index;
    }

    // Any other corner's vertex, one per position.
    MeshCorner PositionVertex(int point) {
        const std::size_t location = point < 4 ? Location(point) : 0;
        std::uint32_t& vertex = point < 4 ? m_vertexAt[location] : m_centreVertex;
        if (vertex != kNone) {
            // Joined, a normal apart belongs to its position.
            std::uint32_t normal = 0;
            if (m_apart && m_joined && m_purpose == Purpose::Visit) {
                normal = point < 4 ? m_kept.locationNormalIndices[location]
                                   : m_kept.centreNormalIndices[m_leaf];
            }
            return MeshCorner{vertex, normal};
        }
        vertex = NewVertex(point, [this, point] { return JoinedNormal(point); });
        return MeshCorner{vertex, m_apart && m_joined ? JoinedNormalIndex(point) : 0};
    }

    // A new vertex's index; its values to the visitor. normal: makes the
    // vertex's normal, for triangles under Vertices sharing.
    template <typename Normal>
    std::uint32_t NewVertex(int point, const Normal& normal) {
        if (m_pVisitVertices != nullptr) {
            MeshVertex vertex{Vec3(), Vec3(), Colour4f()};
            if ((m_parts & (Mesh::kPositions | Mesh::kColours)) != 0) {
                vertex.position = m_pLeaf->points[static_cast<std::size_t>(point)];
            }
            if (!m_lines && !m_apart && (m_parts & Mesh::kNormals) != 0) {
                vertex.normal = normal();
            }
            if ((m_parts & Mesh::kColours) != 0) {
                TerrainNode::ColourForHeight(vertex.position.y, *m_mesh.m_settings.palette,
                                             vertex.colour);
            }
            m_vertexBatch.push_back(vertex);
            if (m_vertexBatch.size() == kBatch) {
                (*m_pVisitVertices)(m_vertexBatch);
            }
        }
        return m_nextVertex++;
    }

    void ExtendBounds(const Vec3& position) {
        std::size_t k = 0;
        for (const double value : {position.x, position.y, position.z}) {
            m_low[k] = std::min(m_low[k], static_cast<float>(value));
            m_high[k] = std::max(m_high[k], static_cast<float>(value));
            ++k;
        }
    }

    std::array<Vec3, 4> JoinedFaces() const {
        std::array<Vec3, 4> faces{};
        for (std::size_t t = 0; t < 4; ++t) {
            const auto& k = kJoinedCorners[t];
            faces[t] = joinedFaceNormal(m_pLeaf->points[static_cast<std::size_t>(k[0])],
                                        m_pLeaf->points[static_cast<std::size_t>(k[1])],
                                        m_pLeaf->points[static_cast<std::size_t>(k[2])]);
        }
        return faces;
    }

    // A joined vertex's normal: the normalised sum of the face normals around
    // it, in the order of their triangles, made by the summing walk.
    const Vec3& JoinedNormal(int point) const {
        return point < 4 ? m_kept.joinedNormals[Location(point)] : m_kept.centreNormals[m_leaf];
    }

    // The index of a new joined vertex's normal apart.
    std::uint32_t JoinedNormalIndex(int point) {
        switch (m_purpose) {
            case Purpose::Count:
                m_pKeep->normalHashes.push_back(normalHash(JoinedNormal(point)));
                return 0;
            case Purpose::CountNormals: {
                const std::uint32_t index =
                    NormalIndex([this, point]() -> const Vec3& { return JoinedNormal(point); });
                (point < 4 ? m_pKeep->locationNormalIndices[Location(point)]
                           : m_pKeep->centreNormalIndices[m_leaf]) = index;
                return index;
            }
            default:
                break;
        }
        const std::uint32_t index = point < 4 ? m_kept.locationNormalIndices[Location(point)]
                                              : m_kept.centreNormalIndices[m_leaf];
        if (m_pVisitNormals != nullptr && index == m_nextNormal) {
            EmitNormal(JoinedNormal(point));
        }
        return index;
    }

    // The index of a leaf's own normal apart: its object o (a flat triangle,
    // or a smooth leaf's one), recorded at object.
    std::uint32_t ObjectNormal(std::size_t object, std::size_t o) {
        switch (m_purpose) {
            case Purpose::Count:
                m_pKeep->normalHashes.push_back(normalHash(NormalOf(o)));
                return 0;
            case Purpose::CountNormals:
                m_pKeep->objectNormalIndices[object] = NormalIndex([this, o]() -> const Vec3& {
                    // Counting normals walks without heights: the few leaves
                    // whose normal needs an exact look are made again.
                    if (m_madeLeafAt != m_leaf) {
                        GridLeaves::Make(m_mesh.m_grid, m_column, m_row,
                                         GridLeaves::Normals::Computed, m_madeLeaf);
                        m_madeLeafAt = m_leaf;
                    }
                    m_pLeaf = &m_madeLeaf;
                    return NormalOf(o);
                });
                return m_pKeep->objectNormalIndices[object];
            default:
                break;
        }
        const std::uint32_t index = m_kept.objectNormalIndices[object];
        if (m_pVisitNormals != nullptr && index == m_nextNormal) {
            EmitNormal(NormalOf(o));
        }
        return index;
    }

    // Counting normals: the index of the next normal apart, new or shared by
    // exact value. Its hash was kept by counting; normal() makes the value,
    // needed only where that hash is repeated.
    template <typename Normal>
    std::uint32_t NormalIndex(const Normal& normal) {
        // A joined mesh holds its normals, so their hashes are made again;
        // a leaf's own were kept by counting.
        const std::uint32_t hash =
            m_joined ? normalHash(normal()) : m_kept.normalHashes[m_object++];
        if (m_mesh.m_repeatedNormals.Contains(hash)) {
            const std::size_t before = m_exactNormals.Size();
            const std::uint32_t exact = m_exactNormals.Add(normalKey(normal()));
            if (exact < before) {
                return m_exactIndex[exact];
            }
            m_exactIndex.push_back(m_nextNormal);
        }
        return m_nextNormal++;
    }

    void EmitNormal(const Vec3& normal) {
        ++m_nextNormal;
        m_normalBatch.push_back(normal);
        if (m_normalBatch.size() == kBatch) {
            (*m_pVisitNormals)(m_normalBatch);
        }
    }

    // triangle: its corners' points.
    void AddPrimitive(const int (&triangle)[3], const std::array<MeshCorner, 3>& corners) {
        if (!m_lines) {
            ++m_primitives;
            if (m_pVisitCorners != nullptr) {
                m_cornerBatch.insert(m_cornerBatch.end(), corners.begin(), corners.end());
                FlushCornersIfFull();
            }
            return;
        }
        for (std::size_t i = 0; i < 3; ++i) {
            if (!FirstSight(triangle[i], triangle[(i + 1) % 3])) {
                continue;
            }
            ++m_primitives;
            if (m_pVisitCorners != nullptr) {
                const std::uint32_t first = corners[i].vertex;
                const std::uint32_t second = corners[(i + 1) % 3].vertex;
                m_cornerBatch.push_back(MeshCorner{std::min(first, second), 0});
                m_cornerBatch.push_back(MeshCorner{std::max(first, second), 0});
                FlushCornersIfFull();
            }
        }
    }

    // Whether the edge between points a and b of the leaf is new: a spoke to
    // the centre is its leaf's alone; an outer edge is shared with the leaf
    // beyond it.
    bool FirstSight(int a, int b) {
        if (a == 4 || b == 4) {
            const unsigned bit = 1u << (a == 4 ? b : a);
            const bool first = (m_spokesSeen & bit) == 0;
            m_spokesSeen |= bit;
            return first;
        }
        const int low = std::min(a, b);
        const int high = std::max(a, b);
        // 0-3 north and 1-2 south run along a row; 0-1 west and 2-3 east along a column.
        const bool horizontal = (low == 0 && high == 3) || (low == 1 && high == 2);
        std::size_t index = 0;
        if (horizontal) {
            const int z = m_row + (low == 1 ? 1 : 0);
            index = static_cast<std::size_t>(z) * static_cast<std::size_t>(m_side - 1) +
                    static_cast<std::size_t>(m_column);
        } else {
            const int x = m_column + (low == 2 ? 1 : 0);
            index = static_cast<std::size_t>(x) * static_cast<std::size_t>(m_side - 1) +
                    static_cast<std::size_t>(m_row);
        }
        std::vector<std::uint64_t>& seen = horizontal ? m_horizontalSeen : m_verticalSeen;
        const std::uint64_t bit = 1ull << (index % 64);
        const bool first = (seen[index / 64] & bit) == 0;
        seen[index / 64] |= bit;
        return first;
    }

    void FlushCornersIfFull() {
        if (m_cornerBatch.size() >= 3 * kBatch) {
            (*m_pVisitCorners)(m_cornerBatch);
        }
    }

    void Flush() {
        if (m_pVisitVertices != nullptr && !m_vertexBatch.empty()) {
            (*m_pVisitVertices)(m_vertexBatch);
        }
        if (m_pVisitNormals != nullptr && !m_normalBatch.empty()) {
            (*m_pVisitNormals)(m_normalBatch);
        }
        if (m_pVisitCorners != nullptr && !m_cornerBatch.empty()) {
            (*m_pVisitCorners)(m_cornerBatch);
        }
    }

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
