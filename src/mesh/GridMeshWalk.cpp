// SPDX-License-Identifier: MIT
#include "mesh/GridMeshWalk.h"

#include <algorithm>
#include <bit>
#include <limits>

#include "base/Check.h"
#include "mesh/GridJoinedNormals.h"
#include "mesh/WordHash.h"
#include "terrain/GridLeaves.h"

namespace moon {
namespace {

// A leaf's pattern: for each of its twelve triangle corners, 4 bits from bit
// 4 (3 t + i) saying which vertex at its position it is, and from this bit on
// one bit each saying the corner made that vertex.
constexpr int kNewBits = 48;

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

// 32 bits are plenty: the hashes only pick out the normals that need an
// exact look, and a few thousand more of those cost nothing.
std::uint32_t normalHash(const Vec3& normal) {
    return static_cast<std::uint32_t>(HashWords(normalKey(normal)) >> 32);
}

}  // namespace

void GridMesh::Walk::Run() {
    Prepare();
    const bool heights = NeedsHeights();
    // A walk over every leaf's values finds the bounds on the way.
    m_bounding = heights && m_purpose != Purpose::Visit;
    const std::size_t leaves = static_cast<std::size_t>(m_side - 1) * (m_side - 1);
    std::size_t done = 0;
    auto leaf = [&](const TerrainNode* node, int column, int row) {
        Leaf(node, column, row);
        if (++done % 65536 == 0 && m_purpose != Purpose::Visit && m_mesh.m_progress) {
            m_mesh.m_progress("counting", static_cast<double>(done) / static_cast<double>(leaves));
        }
    };
    if (heights) {
        // Vertices keyed by normal are numbered by counting, which makes the
        // leaves' normals, and visited with the floats it kept.
        const bool counting = m_purpose == Purpose::Count && !m_joined;
        const bool ownNormals = !m_joined && (counting || m_pVisitNormals != nullptr);
        GridLeaves::ForEach(
            m_mesh.m_grid,
            [&leaf](const TerrainNode& node, int column, int row) { leaf(&node, column, row); },
            ownNormals ? GridLeaves::Normals::Computed : GridLeaves::Normals::Skipped);
    } else {
        auto cell = [&leaf](int column, int row) { leaf(nullptr, column, row); };
        GridLeaves::ForEachCell(m_mesh.m_grid, cell);
    }
    Flush();
}

void GridMesh::Walk::Prepare() {
    const Settings& settings = m_mesh.m_settings;
    m_side = m_mesh.m_grid.GetSide();
    m_lines = settings.mode == Wireframe;
    m_separateNormals = settings.sharing == MeshSharing::Attributes && !m_lines;
    m_joined = settings.joined;
    m_flat = settings.mode == Flat;
    m_keyedByNormal = !m_joined && !m_lines && settings.sharing == MeshSharing::Vertices;
    const std::size_t leaves = static_cast<std::size_t>(m_side - 1) * (m_side - 1);
    const std::size_t positions =
        static_cast<std::size_t>(m_side) * static_cast<std::size_t>(m_side);
    if (m_keyedByNormal) {
        m_slots.assign(positions, kNone);
    } else {
        m_vertexAt.assign(positions, kNone);
    }
    if (m_lines) {
        const std::size_t edges = static_cast<std::size_t>(m_side) * (m_side - 1);
        m_horizontalSeen.assign(edges, false);
        m_verticalSeen.assign(edges, false);
    }
    if (m_purpose == Purpose::Count && m_keyedByNormal) {
        m_pPatternsOut->corners.assign(leaves, 0);
        m_pPatternsOut->normals.assign(leaves * (m_flat ? 12 : 3), 0.0f);
    } else if (m_purpose == Purpose::NumberNormals && m_joined) {
        m_pNumbersOut->atPositions.assign(positions, 0);
        m_pNumbersOut->atCentres.assign(leaves, 0);
    } else if (m_purpose == Purpose::NumberNormals) {
        m_pNumbersOut->ofObjects.assign(leaves * (m_flat ? 4 : 1), 0);
    }
}

bool GridMesh::Walk::NeedsHeights() const {
    // A joined mesh's normals were made by their own walk.
    const bool counting =
        m_purpose == Purpose::Count && !m_joined && (m_keyedByNormal || m_separateNormals);
    const bool vertexPlaces =
        m_pVisitVertices != nullptr && (m_parts & (Mesh::kPositions | Mesh::kColours)) != 0;
    const bool vertexNormals = m_pVisitVertices != nullptr && !m_keyedByNormal && !m_joined &&
                               (m_parts & Mesh::kNormals) != 0;
    return counting || vertexPlaces || vertexNormals || (m_pVisitNormals != nullptr && !m_joined);
}

inline void GridMesh::Walk::Leaf(const TerrainNode* leaf, int column, int row) {
    m_pLeaf = leaf;
    m_column = column;
    m_row = row;
    if (m_bounding) {
        for (const Vec3& point : leaf->points) {
            m_bounds.Extend(point);
        }
    }
    if (m_keyedByNormal && m_purpose == Purpose::Visit && m_pVisitCorners == nullptr) {
        PatternVertices();
        ++m_leaf;
        return;
    }
    std::array<std::uint32_t, 4> live{};
    if (m_keyedByNormal) {
        for (int point = 0; point < 4; ++point) {
            live[static_cast<std::size_t>(point)] = LiveAt(point);
        }
        m_centreCount = 0;
    }
    m_centreVertex = kNone;
    m_spokesSeen = 0;
    std::array<std::uint32_t, 4> normals{};
    if (m_separateNormals && !m_joined && !LeafNormals(normals)) {
        ++m_leaf;
        return;
    }
    if (m_keyedByNormal) {
        KeyedTriangles(live);
        LeaveLeaf(live);
    } else {
        PositionTriangles(normals);
    }
    ++m_leaf;
}

inline void GridMesh::Walk::PatternVertices() {
    const std::uint64_t pattern = m_mesh.m_patterns.corners[m_leaf];
    for (std::size_t t = 0; t < 4; ++t) {
        for (std::size_t i = 0; i < 3; ++i) {
            if ((pattern >> (kNewBits + 3 * t + i) & 1u) != 0) {
                NewVertex(TerrainNode::kTriangleCorners[t][i], [this, t] { return KeptNormal(t); });
            }
        }
    }
}

inline bool GridMesh::Walk::LeafNormals(std::array<std::uint32_t, 4>& normals) {
    const std::size_t objects = m_flat ? 4 : 1;
    for (std::size_t o = 0; o < objects; ++o) {
        normals[o] = ObjectNormal(m_leaf * objects + o, o);
    }
    if (objects == 1) {
        normals.fill(normals[0]);
    }
    // Walks for the normals alone are done with the leaf.
    return m_purpose != Purpose::NumberNormals && m_pVisitNormals == nullptr;
}

inline void GridMesh::Walk::KeyedTriangles(const std::array<std::uint32_t, 4>& live) {
    const auto& triangles = TerrainNode::kTriangleCorners;
    const bool recording = m_purpose == Purpose::Count;
    std::uint64_t pattern = recording ? 0 : m_mesh.m_patterns.corners[m_leaf];
    std::uint64_t recorded = 0;
    for (std::size_t t = 0; t < 4; ++t) {
        std::array<MeshCorner, 3> corners{};
        for (std::size_t i = 0; i < 3; ++i) {
            const int point = triangles[t][i];
            const std::uint32_t slot = point == 4 ? kNone : live[static_cast<std::size_t>(point)];
            std::uint32_t which = 0;
            if (recording) {
                which = Match(slot, NormalOf(t));
                recorded |= std::uint64_t{which} << (4 * (3 * t + i));
            } else {
                which = pattern & 0xFu;
                pattern >>= 4;
            }
            const std::uint32_t made = m_nextVertex;
            corners[i].vertex = KeyedVertex(t, point, slot, which);
            if (recording && m_nextVertex != made) {
                recorded |= std::uint64_t{1} << (kNewBits + 3 * t + i);
            }
        }
        AddPrimitive(triangles[t], corners);
    }
    if (recording) {
        m_pPatternsOut->corners[m_leaf] = recorded;
        KeepNormals();
    }
}

inline void GridMesh::Walk::PositionTriangles(const std::array<std::uint32_t, 4>& normals) {
    const auto& triangles =
        m_joined ? GridJoinedNormals::kTriangleCorners : TerrainNode::kTriangleCorners;
    for (std::size_t t = 0; t < 4; ++t) {
        std::array<MeshCorner, 3> corners{};
        for (std::size_t i = 0; i < 3; ++i) {
            corners[i] = PositionVertex(triangles[t][i]);
            if (m_separateNormals && !m_joined) {
                corners[i].normal = normals[t];
            }
        }
        AddPrimitive(triangles[t], corners);
    }
}

inline void GridMesh::Walk::KeepNormals() {
    float* kept = m_pPatternsOut->normals.data() + m_leaf * (m_flat ? 12 : 3);
    for (std::size_t t = 0; t < (m_flat ? 4u : 1u); ++t) {
        const Vec3& normal = NormalOf(t);
        kept[3 * t] = static_cast<float>(normal.x);
        kept[3 * t + 1] = static_cast<float>(normal.y);
        kept[3 * t + 2] = static_cast<float>(normal.z);
    }
}

inline void GridMesh::Walk::LeaveLeaf(const std::array<std::uint32_t, 4>& live) {
    for (const std::uint32_t slot : live) {
        if (--m_pool[slot].leavesLeft == 0) {
            m_free.push_back(slot);
            m_slots[m_liveLocation[slot]] = kNone;
        }
    }
}

inline std::size_t GridMesh::Walk::Location(int point) const {
    const auto& offset = GridLeaves::kCornerOffsets[point];
    return static_cast<std::size_t>(m_row + offset[1]) * static_cast<std::size_t>(m_side) +
           static_cast<std::size_t>(m_column + offset[0]);
}

inline std::uint32_t GridMesh::Walk::LiveAt(int point) {
    const std::size_t location = Location(point);
    if (m_slots[location] != kNone) {
        return m_slots[location];
    }
    std::uint32_t slot = 0;
    if (m_free.empty()) {
        slot = static_cast<std::uint32_t>(m_pool.size());
        m_pool.emplace_back();
        m_liveLocation.push_back(0);
    } else {
        slot = m_free.back();
        m_free.pop_back();
    }
    const int last = m_side - 1;
    const int x = m_column + GridLeaves::kCornerOffsets[point][0];
    const int z = m_row + GridLeaves::kCornerOffsets[point][1];
    LivePosition& record = m_pool[slot];
    record.leavesLeft = (x == 0 || x == last ? 1 : 2) * (z == 0 || z == last ? 1 : 2);
    record.count = 0;
    m_liveLocation[slot] = location;
    m_slots[location] = slot;
    return slot;
}

inline const Vec3& GridMesh::Walk::NormalOf(std::size_t t) const {
    return m_flat ? m_pLeaf->faceNormals[t] : m_pLeaf->vertexNormals[4];
}

inline Vec3 GridMesh::Walk::KeptNormal(std::size_t t) const {
    const float* kept =
        m_mesh.m_patterns.normals.data() + m_leaf * (m_flat ? 12 : 3) + (m_flat ? 3 * t : 0);
    return Vec3(kept[0], kept[1], kept[2]);
}

inline std::uint32_t GridMesh::Walk::Match(std::uint32_t slot, const Vec3& normal) {
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

inline MeshCorner GridMesh::Walk::PositionVertex(int point) {
    const std::size_t location = point < 4 ? Location(point) : 0;
    std::uint32_t& vertex = point < 4 ? m_vertexAt[location] : m_centreVertex;
    if (vertex != kNone) {
        // Joined, a separate normal belongs to its position.
        std::uint32_t normal = 0;
        if (m_separateNormals && m_joined && m_purpose == Purpose::Visit) {
            normal = point < 4 ? m_mesh.m_normalNumbers.atPositions[location]
                               : m_mesh.m_normalNumbers.atCentres[m_leaf];
        }
        return MeshCorner{vertex, normal};
    }
    vertex = NewVertex(point, [this, point] { return JoinedNormal(point); });
    return MeshCorner{vertex, m_separateNormals && m_joined ? JoinedNormalIndex(point) : 0};
}

template <typename Normal>
inline std::uint32_t GridMesh::Walk::NewVertex(int point, const Normal& normal) {
    if (m_pVisitVertices != nullptr) {
        MeshVertex vertex{Vec3(), Vec3(), Colour4f()};
        if ((m_parts & (Mesh::kPositions | Mesh::kColours)) != 0) {
            vertex.position = m_pLeaf->points[static_cast<std::size_t>(point)];
        }
        if (!m_lines && !m_separateNormals && (m_parts & Mesh::kNormals) != 0) {
            vertex.normal = normal();
        }
        if ((m_parts & Mesh::kColours) != 0) {
            TerrainNode::ColourForHeight(vertex.position.y, *m_mesh.m_settings.palette,
                                         vertex.colour);
        }
        m_vertexBatch.push_back(vertex);
        if (m_vertexBatch.size() == Mesh::kBatch) {
            (*m_pVisitVertices)(m_vertexBatch);
        }
    }
    return m_nextVertex++;
}

inline const Vec3& GridMesh::Walk::JoinedNormal(int point) const {
    return point < 4 ? m_mesh.m_joinedNormals.AtPosition(Location(point))
                     : m_mesh.m_joinedNormals.AtCentre(m_leaf);
}

inline std::uint32_t GridMesh::Walk::JoinedNormalIndex(int point) {
    switch (m_purpose) {
        case Purpose::Count:
            m_pHashesOut->push_back(normalHash(JoinedNormal(point)));
            return 0;
        case Purpose::NumberNormals: {
            const std::uint32_t index =
                NormalIndex([this, point]() -> const Vec3& { return JoinedNormal(point); });
            (point < 4 ? m_pNumbersOut->atPositions[Location(point)]
                       : m_pNumbersOut->atCentres[m_leaf]) = index;
            return index;
        }
        default:
            break;
    }
    const std::uint32_t index = point < 4 ? m_mesh.m_normalNumbers.atPositions[Location(point)]
                                          : m_mesh.m_normalNumbers.atCentres[m_leaf];
    if (m_pVisitNormals != nullptr && index == m_nextNormal) {
        EmitNormal(JoinedNormal(point));
    }
    return index;
}

inline std::uint32_t GridMesh::Walk::ObjectNormal(std::size_t object, std::size_t o) {
    switch (m_purpose) {
        case Purpose::Count:
            m_pHashesOut->push_back(normalHash(NormalOf(o)));
            return 0;
        case Purpose::NumberNormals:
            m_pNumbersOut->ofObjects[object] = NormalIndex([this, o]() -> const Vec3& {
                // Numbering normals walks without heights: the few leaves
                // whose normal needs an exact look are made again.
                if (m_madeLeafAt != m_leaf) {
                    GridLeaves::Make(m_mesh.m_grid, m_column, m_row, GridLeaves::Normals::Computed,
                                     m_madeLeaf);
                    m_madeLeafAt = m_leaf;
                }
                m_pLeaf = &m_madeLeaf;
                return NormalOf(o);
            });
            return m_pNumbersOut->ofObjects[object];
        default:
            break;
    }
    const std::uint32_t index = m_mesh.m_normalNumbers.ofObjects[object];
    if (m_pVisitNormals != nullptr && index == m_nextNormal) {
        EmitNormal(NormalOf(o));
    }
    return index;
}

template <typename Normal>
inline std::uint32_t GridMesh::Walk::NormalIndex(const Normal& normal) {
    // A joined mesh holds its normals, so their hashes are made again;
    // a leaf's own were kept by counting.
    const std::uint32_t hash = m_joined ? normalHash(normal()) : (*m_pHashes)[m_object++];
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

inline void GridMesh::Walk::EmitNormal(const Vec3& normal) {
    ++m_nextNormal;
    m_normalBatch.push_back(normal);
    if (m_normalBatch.size() == Mesh::kBatch) {
        (*m_pVisitNormals)(m_normalBatch);
    }
}

inline void GridMesh::Walk::AddPrimitive(const int (&triangle)[3],
                                         const std::array<MeshCorner, 3>& corners) {
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

inline bool GridMesh::Walk::FirstSight(int a, int b) {
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
    std::vector<bool>& seen = horizontal ? m_horizontalSeen : m_verticalSeen;
    const bool first = !seen[index];
    seen[index] = true;
    return first;
}

inline void GridMesh::Walk::FlushCornersIfFull() {
    if (m_cornerBatch.size() >= 3 * Mesh::kBatch) {
        (*m_pVisitCorners)(m_cornerBatch);
    }
}

inline void GridMesh::Walk::Flush() {
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

inline std::uint32_t GridMesh::Walk::KeyedVertex(std::size_t t, int point, std::uint32_t slot,
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

}  // namespace moon
