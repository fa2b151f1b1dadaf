// SPDX-License-Identifier: MIT
#include "mesh/GridSeparateNormals.h"

#include <bit>
#include <utility>

#include "mesh/GridPositionVertices.h"
#include "mesh/RepeatedHashes.h"
#include "mesh/VertexTable.h"
#include "mesh/WordHash.h"

namespace moon {
namespace {

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

const Vec3& ownNormal(const TerrainNode& leaf, bool flat, std::size_t o) {
    return flat ? leaf.faceNormals[o] : leaf.vertexNormals[4];
}

// Gives each normal, in turn, its number: a new one, or that of an earlier
// normal of the same value.
class Numbering {
public:
    // hashes: every normal's, in any order.
    explicit Numbering(std::vector<std::uint32_t> hashes) { m_repeated.Find(std::move(hashes)); }

    // normal() makes the value, needed only where the hash is repeated.
    template <typename Normal>
    std::uint32_t Next(std::uint32_t hash, const Normal& normal) {
        if (m_repeated.Contains(hash)) {
            const std::size_t before = m_exact.Size();
            const std::uint32_t exact = m_exact.Add(normalKey(normal()));
            if (exact < before) {
                return m_numbers[exact];
            }
            m_numbers.push_back(m_next);
        }
        return m_next++;
    }

    std::size_t GetCount() const { return m_next; }

private:
    RepeatedHashes m_repeated;
    VertexTable<6> m_exact;                // the repeated hashes' normals
    std::vector<std::uint32_t> m_numbers;  // and their numbers
    std::uint32_t m_next = 0;
};

}  // namespace

void GridSeparateNormals::NumberOwn(const HeightGrid& grid, bool flat,
                                    const GridLeafWalk::Progress& progress) {
    const std::size_t objects = flat ? 4 : 1;
    GridLeafWalk walk(grid);
    std::vector<std::uint32_t> hashes;
    auto hash = [&](const GridLeafWalk& at) {
        for (const Vec3& point : at.Node().points) {
            m_bounds.Extend(point);
        }
        for (std::size_t o = 0; o < objects; ++o) {
            hashes.push_back(normalHash(ownNormal(at.Node(), flat, o)));
        }
        at.Report(progress);
    };
    walk.Run(GridLeafWalk::Reads::Normals, hash);

    Numbering numbering(hashes);
    m_ofObjects.assign(hashes.size(), 0);
    TerrainNode made;
    std::size_t madeAt = 0;
    bool madeAny = false;
    auto number = [&](const GridLeafWalk& at) {
        for (std::size_t o = 0; o < objects; ++o) {
            const std::size_t object = at.Index() * objects + o;
            m_ofObjects[object] = numbering.Next(hashes[object], [&]() -> const Vec3& {
                if (!madeAny || madeAt != at.Index()) {
                    GridLeaves::Make(grid, at.Column(), at.Row(), GridLeaves::Normals::Computed,
                                     made);
                    madeAt = at.Index();
                    madeAny = true;
                }
                return ownNormal(made, flat, o);
            });
        }
        at.Report(progress);
    };
    walk.Run(GridLeafWalk::Reads::Places, number);
    m_count = numbering.GetCount();
}

void GridSeparateNormals::NumberJoined(const HeightGrid& grid, const GridJoinedNormals& joined,
                                       const GridLeafWalk::Progress& progress) {
    GridLeafWalk walk(grid);
    const auto side = static_cast<std::size_t>(walk.GetSide());
    // Every position and every centre has a vertex, so every normal is hashed.
    std::vector<std::uint32_t> hashes;
    hashes.reserve(side * side + walk.GetLeafCount());
    for (std::size_t location = 0; location < side * side; ++location) {
        hashes.push_back(normalHash(joined.AtPosition(location)));
    }
    for (std::size_t leaf = 0; leaf < walk.GetLeafCount(); ++leaf) {
        hashes.push_back(normalHash(joined.AtCentre(leaf)));
    }
    Numbering numbering(std::move(hashes));
    m_atPositions.assign(side * side, 0);
    m_atCentres.assign(walk.GetLeafCount(), 0);
    GridPositionVertices vertices(walk);
    auto number = [&](const GridLeafWalk& at) {
        vertices.NumberLeaf(GridJoinedNormals::kTriangleCorners, [&](int point) {
            const Vec3& normal = joined.At(at, point);
            (point < 4 ? m_atPositions[at.Location(point)] : m_atCentres[at.Index()]) =
                numbering.Next(normalHash(normal), [&normal]() -> const Vec3& { return normal; });
        });
        at.Report(progress);
    };
    walk.Run(GridLeafWalk::Reads::Places, number);
    m_count = numbering.GetCount();
}

}  // namespace moon
