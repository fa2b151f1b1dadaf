// SPDX-License-Identifier: MIT
#include "tools/GridMesh.h"

#include <algorithm>
#include <bit>
#include <limits>

#include "base/Check.h"
#include "scene/Random.h"
#include "terrain/GridLeaves.h"
#include "terrain/TerrainNode.h"
#include "terrain/TriangleSink.h"
#include "tools/VertexTable.h"

namespace moon {
namespace {

// Items are handed to a visitor about this many at a time.
constexpr std::size_t kBatch = 4096;
constexpr std::uint32_t kNone = 0xFFFFFFFFu;

// A joined leaf's four triangles: the drawing walk's, each turned to start at
// the centre (point 4), as JoinedMesh makes them.
constexpr int kJoinedCorners[4][3] = {{4, 3, 0}, {4, 2, 3}, {4, 1, 2}, {4, 0, 1}};
// Where a leaf's corners 0 to 3 are from its p0 corner: column, row.
constexpr int kCornerOffsets[4][2] = {{0, 0}, {0, 1}, {1, 1}, {1, 0}};

std::uint64_t normalHash(const Vec3& normal) {
    // FNV-1a over the bits, then splitmix64's finaliser.
    std::uint64_t hash = 14695981039346656037ull;
    for (const double value : {normal.x, normal.y, normal.z}) {
        hash = (hash ^ std::bit_cast<std::uint64_t>(value)) * 1099511628211ull;
    }
    hash = (hash ^ (hash >> 30)) * 0xBF58476D1CE4E5B9ull;
    hash = (hash ^ (hash >> 27)) * 0x94D049BB133111EBull;
    return hash ^ (hash >> 31);
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

// One corner of a leaf triangle: which of the leaf's points, and what it carries.
struct Corner {
    int point = 0;  // 0 to 3 the corners, 4 the centre
    Vec3 normal;
    Colour4f colour;
};

struct Triangle {
    std::array<Corner, 3> corners;
};

// The drawing walk's triangles of one leaf, with OpenGL's current normal
// applied as a mesh gathered from the walk applies it.
class LeafTriangles final : public TriangleSink {
public:
    void Collect(const TerrainNode& leaf, RenderMode mode, const HeightPalette& palette) {
        m_pLeaf = &leaf;
        m_count = 0;
        leaf.DrawCell(mode, palette, *this);
        MOON_CHECK(m_count == 4);
    }
    void AddTriangle(const TerrainTriangle& triangle) override {
        if (triangle.faceNormal != nullptr) {
            m_normal = *triangle.faceNormal;
        }
        Triangle& out = m_triangles[m_count++];
        for (std::size_t i = 0; i < 3; ++i) {
            if (triangle.vertexNormal != nullptr) {
                m_normal = *triangle.vertexNormal;
            }
            out.corners[i] = Corner{static_cast<int>(triangle.vertices[i] - m_pLeaf->points.data()),
                                    m_normal, triangle.colours[i]};
        }
    }
    const std::array<Triangle, 4>& Get() const { return m_triangles; }

private:
    const TerrainNode* m_pLeaf = nullptr;
    std::array<Triangle, 4> m_triangles{};
    std::size_t m_count = 0;
    // OpenGL's initial current normal; only line meshes, which write none, keep it.
    Vec3 m_normal{0.0, 0.0, 1.0};
};

}  // namespace

// One pass over the leaves, giving indices as a gathered mesh would and
// handing what was asked for to the visitors in batches.
class GridMesh::Walk {
public:
    enum class Purpose {
        SumNormals,    // joined: m_normalSums
        Count,         // vertices, primitives, bounds; hashes of normals apart
        CountNormals,  // normals apart, once their repeated hashes are known
        Visit,
    };

    Walk(const GridMesh& mesh, Purpose purpose) : m_mesh(mesh), m_purpose(purpose) {}
    Walk(const GridMesh& mesh, const Visit<MeshVertex>* vertices, const Visit<Vec3>* normals,
         const Visit<MeshCorner>* corners)
        : m_mesh(mesh),
          m_purpose(Purpose::Visit),
          m_pVisitVertices(vertices),
          m_pVisitNormals(normals),
          m_pVisitCorners(corners) {}

    void Run() {
        const Settings& settings = m_mesh.m_settings;
        const int side = m_mesh.m_grid.GetSide();
        m_side = side;
        m_lines = settings.mode == Wireframe;
        m_apart = settings.sharing == MeshSharing::Attributes;
        m_slots.assign(static_cast<std::size_t>(side) * static_cast<std::size_t>(side), kNone);
        if (m_lines) {
            const std::size_t edges =
                static_cast<std::size_t>(side) * static_cast<std::size_t>(side - 1);
            m_horizontalSeen.assign(edges / 64 + 1, 0);
            m_verticalSeen.assign(edges / 64 + 1, 0);
        }
        if (m_purpose == Purpose::SumNormals) {
            m_sums.assign(m_slots.size(), Vec3());
        }
        m_low.fill(std::numeric_limits<float>::max());
        m_high.fill(std::numeric_limits<float>::lowest());
        const std::size_t leaves = static_cast<std::size_t>(side - 1) * (side - 1);
        std::size_t done = 0;
        Random::Seed(settings.seed);
        GridLeaves::ForEach(
            m_mesh.m_grid,
            [&](const TerrainNode& leaf, int column, int row) {
                Leaf(leaf, column, row);
                if (++done % 65536 == 0 && m_purpose != Purpose::Visit && m_mesh.m_progress) {
                    m_mesh.m_progress("counting",
                                      static_cast<double>(done) / static_cast<double>(leaves));
                }
            },
            settings.joined ? GridLeaves::Normals::Skipped : GridLeaves::Normals::Computed);
        Flush();
    }

    // What the walk found: counts, and the bounds of the positions as floats.
    std::size_t GetVertexCount() const { return m_nextVertex; }
    std::size_t GetNormalCount() const { return m_nextNormal; }
    std::size_t GetPrimitiveCount() const { return m_primitives; }
    const std::array<float, 3>& GetLow() const { return m_low; }
    const std::array<float, 3>& GetHigh() const { return m_high; }
    // Counting: the hashes of the normals apart, one per normal looked up.
    std::vector<std::uint64_t> TakeNormalHashes() { return std::move(m_normalHashes); }
    // Summing: each grid position's sum of face normals.
    std::vector<Vec3> TakeNormalSums() { return std::move(m_sums); }

private:
    // A vertex at a position: what else tells it apart there (the float bits
    // of its normal, under Vertices sharing), its index and, joined under
    // Attributes sharing, its normal's index.
    struct Entry {
        std::array<std::uint32_t, 3> key{};
        std::uint32_t index = 0;
        std::uint32_t normal = 0;
    };
    // A position's vertices, from its first leaf to its last: at most two
    // triangles of each of four leaves.
    struct Open {
        int leavesLeft = 0;
        std::size_t count = 0;
        std::array<Entry, 8> entries{};
    };

    void Leaf(const TerrainNode& leaf, int column, int row) {
        const Settings& settings = m_mesh.m_settings;
        std::array<Triangle, 4> triangles{};
        if (settings.joined) {
            // Normals are made with the vertices that carry them (JoinedNormal).
            for (std::size_t t = 0; t < 4; ++t) {
                for (std::size_t i = 0; i < 3; ++i) {
                    Corner& corner = triangles[t].corners[i];
                    corner.point = kJoinedCorners[t][i];
                    TerrainNode::ColourForHeight(
                        leaf.points[static_cast<std::size_t>(corner.point)].y, *settings.palette,
                        corner.colour);
                }
            }
            if (m_purpose == Purpose::SumNormals) {
                const std::array<Vec3, 4> faces = JoinedFaces(leaf);
                for (std::size_t t = 0; t < 4; ++t) {
                    for (const int point : kJoinedCorners[t]) {
                        if (point < 4) {
                            Vec3& sum = m_sums[Location(column, row, point)];
                            sum.Add(sum, faces[t]);
                        }
                    }
                }
                return;
            }
        } else {
            m_leafTriangles.Collect(leaf, settings.mode, *settings.palette);
            triangles = m_leafTriangles.Get();
        }

        std::array<std::uint32_t, 4> open{};
        for (int point = 0; point < 4; ++point) {
            open[static_cast<std::size_t>(point)] = OpenAt(column, row, point);
        }
        m_centreCount = 0;
        m_spokesSeen = 0;
        // Normals apart, looked up once per normal: a flat triangle's, a smooth leaf's.
        std::array<std::uint32_t, 4> leafNormals{};
        if (m_apart && !m_lines && !settings.joined) {
            if (settings.mode == Smooth) {
                leafNormals.fill(NormalIndex(triangles[0].corners[0].normal));
            } else {
                for (std::size_t t = 0; t < 4; ++t) {
                    leafNormals[t] = NormalIndex(triangles[t].corners[0].normal);
                }
            }
        }
        for (std::size_t t = 0; t < 4; ++t) {
            std::array<MeshCorner, 3> corners{};
            for (std::size_t i = 0; i < 3; ++i) {
                const Corner& corner = triangles[t].corners[i];
                const std::uint32_t slot =
                    corner.point == 4 ? kNone : open[static_cast<std::size_t>(corner.point)];
                corners[i] = AddCorner(leaf, column, row, corner, slot);
                if (m_apart && !m_lines && !settings.joined) {
                    corners[i].normal = leafNormals[t];
                }
            }
            AddPrimitive(triangles[t], corners, column, row);
        }
        for (const std::uint32_t slot : open) {
            if (--m_pool[slot].leavesLeft == 0) {
                m_free.push_back(slot);
                m_slots[m_openLocation[slot]] = kNone;
            }
        }
    }

    std::size_t Location(int column, int row, int point) const {
        const auto& offset = kCornerOffsets[point];
        return static_cast<std::size_t>(row + offset[1]) * static_cast<std::size_t>(m_side) +
               static_cast<std::size_t>(column + offset[0]);
    }

    // The open record of a leaf corner's position, made at its first leaf.
    std::uint32_t OpenAt(int column, int row, int point) {
        const std::size_t location = Location(column, row, point);
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
        const int x = column + kCornerOffsets[point][0];
        const int z = row + kCornerOffsets[point][1];
        Open& record = m_pool[slot];
        record.leavesLeft = (x == 0 || x == last ? 1 : 2) * (z == 0 || z == last ? 1 : 2);
        record.count = 0;
        m_openLocation[slot] = location;
        m_slots[location] = slot;
        return slot;
    }

    // The corner's vertex (Attributes: position) index, new or shared.
    static std::array<Vec3, 4> JoinedFaces(const TerrainNode& leaf) {
        std::array<Vec3, 4> faces{};
        for (std::size_t t = 0; t < 4; ++t) {
            const auto& k = kJoinedCorners[t];
            faces[t] = joinedFaceNormal(leaf.points[static_cast<std::size_t>(k[0])],
                                        leaf.points[static_cast<std::size_t>(k[1])],
                                        leaf.points[static_cast<std::size_t>(k[2])]);
        }
        return faces;
    }

    // A joined vertex's normal: the normalised sum of the face normals around
    // it, in the order of their triangles. A centre's are its leaf's four.
    Vec3 JoinedNormal(const TerrainNode& leaf, int column, int row, int point) const {
        Vec3 sum;
        if (point < 4) {
            sum = m_mesh.m_normalSums[Location(column, row, point)];
        } else {
            for (const Vec3& face : JoinedFaces(leaf)) {
                sum.Add(sum, face);
            }
        }
        Vec3 normal;
        normal.Normalise(sum);
        return normal;
    }

    MeshCorner AddCorner(const TerrainNode& leaf, int column, int row, const Corner& corner,
                         std::uint32_t slot) {
        const bool joined = m_mesh.m_settings.joined;
        std::array<std::uint32_t, 3> key{};
        // Joined, a position has one normal, so the position alone tells vertices apart.
        if (!m_lines && !m_apart && !joined) {
            key = {std::bit_cast<std::uint32_t>(static_cast<float>(corner.normal.x)),
                   std::bit_cast<std::uint32_t>(static_cast<float>(corner.normal.y)),
                   std::bit_cast<std::uint32_t>(static_cast<float>(corner.normal.z))};
        }
        Entry* entries = slot == kNone ? m_centre.data() : m_pool[slot].entries.data();
        std::size_t& count = slot == kNone ? m_centreCount : m_pool[slot].count;
        for (std::size_t i = 0; i < count; ++i) {
            const std::array<std::uint32_t, 3>& known = entries[i].key;
            if (known[0] == key[0] && known[1] == key[1] && known[2] == key[2]) {
                return MeshCorner{entries[i].index, entries[i].normal};
            }
        }
        MOON_CHECK(count < 8, "a position has at most eight vertices");
        Entry& entry = entries[count++];
        entry.key = key;
        entry.index = m_nextVertex++;
        Vec3 normal = corner.normal;
        if (joined && !m_lines && (m_apart || m_pVisitVertices != nullptr)) {
            normal = JoinedNormal(leaf, column, row, corner.point);
        }
        // Joined, a normal apart belongs to its position.
        entry.normal = m_apart && !m_lines && joined ? NormalIndex(normal) : 0;
        const Vec3& position = leaf.points[static_cast<std::size_t>(corner.point)];
        if (m_purpose == Purpose::Count) {
            std::size_t k = 0;
            for (const double value : {position.x, position.y, position.z}) {
                m_low[k] = std::min(m_low[k], static_cast<float>(value));
                m_high[k] = std::max(m_high[k], static_cast<float>(value));
                ++k;
            }
        }
        if (m_pVisitVertices != nullptr) {
            m_vertexBatch.push_back(
                MeshVertex{position, m_lines || m_apart ? Vec3() : normal, corner.colour});
            if (m_vertexBatch.size() == kBatch) {
                (*m_pVisitVertices)(m_vertexBatch);
                m_vertexBatch.clear();
            }
        }
        return MeshCorner{entry.index, entry.normal};
    }

    // The index of a normal apart, new or shared by exact value.
    std::uint32_t NormalIndex(const Vec3& normal) {
        if (m_purpose == Purpose::Count) {
            m_normalHashes.push_back(normalHash(normal));
            return 0;
        }
        if (m_mesh.IsRepeatedNormal(normalHash(normal))) {
            const std::size_t before = m_exactNormals.Size();
            const std::uint32_t exact = m_exactNormals.Add(normalKey(normal));
            if (exact < before) {
                return m_exactIndex[exact];
            }
            m_exactIndex.push_back(m_nextNormal);
        }
        if (m_pVisitNormals != nullptr) {
            m_normalBatch.push_back(normal);
            if (m_normalBatch.size() == kBatch) {
                (*m_pVisitNormals)(m_normalBatch);
                m_normalBatch.clear();
            }
        }
        return m_nextNormal++;
    }

    void AddPrimitive(const Triangle& triangle, const std::array<MeshCorner, 3>& corners,
                      int column, int row) {
        if (!m_lines) {
            ++m_primitives;
            if (m_pVisitCorners != nullptr) {
                m_cornerBatch.insert(m_cornerBatch.end(), corners.begin(), corners.end());
                FlushCornersIfFull();
            }
            return;
        }
        for (std::size_t i = 0; i < 3; ++i) {
            const int a = triangle.corners[i].point;
            const int b = triangle.corners[(i + 1) % 3].point;
            if (!FirstSight(a, b, column, row)) {
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
    bool FirstSight(int a, int b, int column, int row) {
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
            const int z = row + (low == 1 ? 1 : 0);
            index = static_cast<std::size_t>(z) * static_cast<std::size_t>(m_side - 1) +
                    static_cast<std::size_t>(column);
        } else {
            const int x = column + (low == 2 ? 1 : 0);
            index = static_cast<std::size_t>(x) * static_cast<std::size_t>(m_side - 1) +
                    static_cast<std::size_t>(row);
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
            m_cornerBatch.clear();
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
    Purpose m_purpose;
    const Visit<MeshVertex>* m_pVisitVertices = nullptr;
    const Visit<Vec3>* m_pVisitNormals = nullptr;
    const Visit<MeshCorner>* m_pVisitCorners = nullptr;
    int m_side = 0;
    bool m_lines = false;
    bool m_apart = false;
    LeafTriangles m_leafTriangles;

    // Open positions: a record per grid position while it is open.
    std::vector<std::uint32_t> m_slots;
    std::vector<Open> m_pool;
    std::vector<std::size_t> m_openLocation;  // the position each record is for
    std::vector<std::uint32_t> m_free;
    // The centre's vertices, for its leaf alone.
    std::array<Entry, 8> m_centre{};
    std::size_t m_centreCount = 0;
    // Lines: the spokes of this leaf, and the outer edges, already written.
    unsigned m_spokesSeen = 0;
    std::vector<std::uint64_t> m_horizontalSeen;
    std::vector<std::uint64_t> m_verticalSeen;

    std::uint32_t m_nextVertex = 0;
    std::uint32_t m_nextNormal = 0;
    std::size_t m_primitives = 0;
    std::array<float, 3> m_low{};
    std::array<float, 3> m_high{};
    std::vector<std::uint64_t> m_normalHashes;
    std::vector<Vec3> m_sums;
    VertexTable<6> m_exactNormals;
    std::vector<std::uint32_t> m_exactIndex;

    std::vector<MeshVertex> m_vertexBatch;
    std::vector<Vec3> m_normalBatch;
    std::vector<MeshCorner> m_cornerBatch;
};

GridMesh::GridMesh(const Settings& settings, Progress progress)
    : m_settings(settings), m_progress(std::move(progress)) {
    MOON_CHECK(settings.palette != nullptr);
    Random::Seed(settings.seed);
    m_grid.Generate(settings.depth);
    const bool lines = settings.mode == Wireframe;
    if (settings.joined && !lines) {
        Walk sums(*this, Walk::Purpose::SumNormals);
        sums.Run();
        m_normalSums = sums.TakeNormalSums();
    }
    Walk count(*this, Walk::Purpose::Count);
    count.Run();
    m_vertices = count.GetVertexCount();
    m_primitives = count.GetPrimitiveCount();
    m_low = count.GetLow();
    m_high = count.GetHigh();
    if (settings.sharing == MeshSharing::Attributes && !lines) {
        std::vector<std::uint64_t> hashes = count.TakeNormalHashes();
        std::sort(hashes.begin(), hashes.end());
        for (std::size_t i = 0; i + 1 < hashes.size(); ++i) {
            if (hashes[i] == hashes[i + 1] &&
                (m_repeatedNormals.empty() || m_repeatedNormals.back() != hashes[i])) {
                m_repeatedNormals.push_back(hashes[i]);
            }
        }
        hashes = {};
        // A set to look them up in: open addressing, at most half full, and
        // the hashes' own low bits as the first slot.
        std::size_t size = 64;
        while (size < 2 * m_repeatedNormals.size()) {
            size *= 2;
        }
        m_repeatedSlots.assign(size, 0);
        for (const std::uint64_t hash : m_repeatedNormals) {
            std::size_t slot = hash & (size - 1);
            while (m_repeatedSlots[slot] != 0) {
                slot = (slot + 1) & (size - 1);
            }
            m_repeatedSlots[slot] = hash;
        }
        Walk normals(*this, Walk::Purpose::CountNormals);
        normals.Run();
        m_normals = normals.GetNormalCount();
    }
}

bool GridMesh::IsRepeatedNormal(std::uint64_t hash) const {
    // 0 marks an empty slot; a repeated hash of 0 is looked up in the sorted list.
    if (hash == 0) {
        return std::binary_search(m_repeatedNormals.begin(), m_repeatedNormals.end(), hash);
    }
    const std::size_t mask = m_repeatedSlots.size() - 1;
    for (std::size_t slot = hash & mask; m_repeatedSlots[slot] != 0; slot = (slot + 1) & mask) {
        if (m_repeatedSlots[slot] == hash) {
            return true;
        }
    }
    return false;
}

void GridMesh::GetBounds(std::array<float, 3>& low, std::array<float, 3>& high) const {
    low = m_low;
    high = m_high;
}

void GridMesh::ForEachVertex(const Visit<MeshVertex>& visit) const {
    Walk(*this, &visit, nullptr, nullptr).Run();
}

void GridMesh::ForEachNormal(const Visit<Vec3>& visit) const {
    Walk(*this, nullptr, &visit, nullptr).Run();
}

void GridMesh::ForEachCorner(const Visit<MeshCorner>& visit) const {
    Walk(*this, nullptr, nullptr, &visit).Run();
}

}  // namespace moon
