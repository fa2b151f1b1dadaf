// SPDX-License-Identifier: MIT
#include "mesh/GridKeyedVertices.h"

#include <array>
#include <bit>

#include "base/Check.h"
#include "mesh/GridLivePositions.h"

namespace moon {
namespace {

// Tells the vertices at each position apart by their normals' float bits.
class Counter {
public:
    Counter(const GridLeafWalk& walk, bool flat, std::vector<std::uint64_t>& patterns,
            std::vector<float>& normals)
        : m_flat(flat), m_live(walk), m_patterns(patterns), m_normals(normals) {
        m_patterns.assign(walk.GetLeafCount(), 0);
        m_normals.assign(walk.GetLeafCount() * (flat ? 12 : 3), 0.0f);
    }

    void operator()(const GridLeafWalk& walk) {
        const TerrainNode& node = walk.Node();
        for (const Vec3& point : node.points) {
            m_bounds.Extend(point);
        }
        const std::array<std::uint32_t, 4> live = m_live.EnterLeaf();
        std::uint64_t pattern = 0;
        for (std::size_t t = 0; t < 4; ++t) {
            const Vec3& normal = m_flat ? node.faceNormals[t] : node.vertexNormals[4];
            const std::array<std::uint32_t, 3> key = {
                std::bit_cast<std::uint32_t>(static_cast<float>(normal.x)),
                std::bit_cast<std::uint32_t>(static_cast<float>(normal.y)),
                std::bit_cast<std::uint32_t>(static_cast<float>(normal.z))};
            for (std::size_t i = 0; i < 3; ++i) {
                const int point = TerrainNode::kTriangleCorners[t][i];
                const std::uint32_t slot =
                    point == 4 ? GridLivePositions::kCentre : live[static_cast<std::size_t>(point)];
                const std::uint32_t which = Match(slot, key);
                pattern |= std::uint64_t{which} << (4 * (3 * t + i));
                if (which == m_live.CountOf(slot)) {
                    GridLivePositions::Entry& entry = m_live.EntriesOf(slot)[which];
                    entry.key = key;
                    entry.index = m_vertices++;
                    ++m_live.CountOf(slot);
                    pattern |= std::uint64_t{1} << (GridKeyedVertices::kNewBits + 3 * t + i);
                }
            }
        }
        m_patterns[walk.Index()] = pattern;
        Keep(walk.Index(), node);
        m_live.LeaveLeaf(live);
    }

    std::uint32_t GetVertexCount() const { return m_vertices; }
    const MeshBounds& GetBounds() const { return m_bounds; }

private:
    // Which vertex at the position has these normal bits; the count there
    // when none has.
    std::uint32_t Match(std::uint32_t slot, const std::array<std::uint32_t, 3>& key) {
        const GridLivePositions::Entry* entries = m_live.EntriesOf(slot);
        const std::uint32_t count = m_live.CountOf(slot);
        for (std::uint32_t i = 0; i < count; ++i) {
            const std::array<std::uint32_t, 3>& known = entries[i].key;
            if (known[0] == key[0] && known[1] == key[1] && known[2] == key[2]) {
                return i;
            }
        }
        MOON_CHECK(count < 8, "a position has at most eight vertices");
        return count;
    }

    // The leaf's normals as floats, all a file of Vertices sharing holds.
    void Keep(std::size_t leaf, const TerrainNode& node) {
        float* kept = m_normals.data() + leaf * (m_flat ? 12 : 3);
        for (std::size_t t = 0; t < (m_flat ? 4u : 1u); ++t) {
            const Vec3& normal = m_flat ? node.faceNormals[t] : node.vertexNormals[4];
            kept[3 * t] = static_cast<float>(normal.x);
            kept[3 * t + 1] = static_cast<float>(normal.y);
            kept[3 * t + 2] = static_cast<float>(normal.z);
        }
    }

    bool m_flat = false;
    GridLivePositions m_live;
    std::vector<std::uint64_t>& m_patterns;
    std::vector<float>& m_normals;
    std::uint32_t m_vertices = 0;
    MeshBounds m_bounds;
};

}  // namespace

void GridKeyedVertices::Count(const HeightGrid& grid, bool flat,
                              const GridLeafWalk::Progress& progress) {
    m_flat = flat;
    GridLeafWalk walk(grid);
    Counter counter(walk, flat, m_patterns, m_normals);
    auto leaf = [&counter, &progress](const GridLeafWalk& at) {
        counter(at);
        at.Report(progress);
    };
    walk.Run(GridLeafWalk::Reads::Normals, leaf);
    m_vertices = counter.GetVertexCount();
    m_bounds = counter.GetBounds();
}

}  // namespace moon
