// SPDX-License-Identifier: MIT
// The writer's visits to a grid mesh: each walks the leaves once more and
// numbers vertices and normals as the passes that counted them did, with
// what they recorded, reading heights only for values.
#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

#include "base/Check.h"
#include "mesh/BatchPipe.h"
#include "mesh/GridJoinedNormals.h"
#include "mesh/GridKeyedVertices.h"
#include "mesh/GridLeafWalk.h"
#include "mesh/GridLivePositions.h"
#include "mesh/GridMesh.h"
#include "mesh/GridPositionVertices.h"
#include "mesh/GridSeparateNormals.h"

namespace moon {
namespace {

// Items handed on size at a time, the rest when the visit is done.
template <typename T>
class Batch {
public:
    Batch(const typename BatchPipe<T>::Deliver& deliver, std::size_t size)
        : m_deliver(deliver), m_size(size) {
        m_items.reserve(size);
    }

    void Add(const T& item) {
        ++m_added;
        m_items.push_back(item);
        if (m_items.size() >= m_size) {
            m_deliver(m_items);
        }
    }

    void Finish() {
        if (!m_items.empty()) {
            m_deliver(m_items);
        }
    }

    std::size_t GetAddedCount() const { return m_added; }

private:
    const typename BatchPipe<T>::Deliver& m_deliver;
    std::size_t m_size = 0;
    std::size_t m_added = 0;
    std::vector<T> m_items;
};

const Vec3& ownNormal(const TerrainNode& leaf, bool flat, std::size_t t) {
    return flat ? leaf.faceNormals[t] : leaf.vertexNormals[4];
}

// The vertices with the parts asked for, the rest left unset.
class VertexVisit {
public:
    VertexVisit(const HeightPalette& palette, unsigned parts,
                const BatchPipe<MeshVertex>::Deliver& deliver)
        : m_palette(palette), m_parts(parts), m_batch(deliver, Mesh::kBatch) {}

    // normal() makes the vertex's normal, when a normal is asked for.
    template <typename Normal>
    void Add(const GridLeafWalk& at, int point, const Normal& normal) {
        MeshVertex vertex{Vec3(), Vec3(), Colour4f()};
        if ((m_parts & (Mesh::kPositions | Mesh::kColours)) != 0) {
            vertex.position = at.Node().points[static_cast<std::size_t>(point)];
        }
        if ((m_parts & Mesh::kNormals) != 0) {
            vertex.normal = normal();
        }
        if ((m_parts & Mesh::kColours) != 0) {
            TerrainNode::ColourForHeight(vertex.position.y, m_palette, vertex.colour);
        }
        m_batch.Add(vertex);
    }

    void Finish() { m_batch.Finish(); }
    std::size_t GetAddedCount() const { return m_batch.GetAddedCount(); }

private:
    const HeightPalette& m_palette;
    unsigned m_parts = 0;
    Batch<MeshVertex> m_batch;
};

// A line mesh's edges: whether the edge between two points of the leaf is
// met for the first time. A spoke to the centre is its leaf's alone; an
// outer edge is shared with the leaf beyond it.
class Edges {
public:
    // lines: false for a mesh of triangles, which needs no record.
    Edges(const GridLeafWalk& walk, bool lines)
        : m_walk(walk),
          m_horizontal(lines ? static_cast<std::size_t>(walk.GetSide()) * (walk.GetSide() - 1) : 0,
                       false),
          m_vertical(m_horizontal.size(), false) {}

    void EnterLeaf() { m_spokes = 0; }

    bool FirstSight(int a, int b) {
        if (a == 4 || b == 4) {
            const unsigned bit = 1u << (a == 4 ? b : a);
            const bool first = (m_spokes & bit) == 0;
            m_spokes |= bit;
            return first;
        }
        const int low = std::min(a, b);
        const int high = std::max(a, b);
        // 0-3 north and 1-2 south run along a row; 0-1 west and 2-3 east along a column.
        const bool horizontal = (low == 0 && high == 3) || (low == 1 && high == 2);
        const auto across = static_cast<std::size_t>(m_walk.GetSide() - 1);
        std::size_t index = 0;
        if (horizontal) {
            const int z = m_walk.Row() + (low == 1 ? 1 : 0);
            index =
                static_cast<std::size_t>(z) * across + static_cast<std::size_t>(m_walk.Column());
        } else {
            const int x = m_walk.Column() + (low == 2 ? 1 : 0);
            index = static_cast<std::size_t>(x) * across + static_cast<std::size_t>(m_walk.Row());
        }
        std::vector<bool>& seen = horizontal ? m_horizontal : m_vertical;
        const bool first = !seen[index];
        seen[index] = true;
        return first;
    }

private:
    const GridLeafWalk& m_walk;
    unsigned m_spokes = 0;
    std::vector<bool> m_horizontal;
    std::vector<bool> m_vertical;
};

using Triangles = int[4][3];

// The triangles of a mesh with a vertex per position: a joined leaf's turned
// to start at its centre.
const Triangles& positionTriangles(bool joined) {
    return joined ? GridJoinedNormals::kTriangleCorners : TerrainNode::kTriangleCorners;
}

// A vertex per position, met in the order of the triangles, with its joined
// normal (joined: null when the vertices carry no normal).
void positionVertices(GridLeafWalk& walk, GridLeafWalk::Reads reads, const Triangles& triangles,
                      const GridJoinedNormals* joined, VertexVisit& vertices) {
    GridPositionVertices numbers(walk);
    auto leaf = [&](const GridLeafWalk& at) {
        numbers.NumberLeaf(triangles, [&](int point) {
            vertices.Add(at, point, [&]() -> Vec3 {
                return joined != nullptr ? joined->At(at, point) : Vec3();
            });
        });
    };
    walk.Run(reads, leaf);
}

// Keyed by normal: each corner's vertex from its leaf's pattern, at the live
// record of its position.
void keyedCorners(GridLeafWalk& walk, const GridKeyedVertices& keyed, Batch<MeshCorner>& corners) {
    GridLivePositions live(walk);
    std::uint32_t next = 0;
    auto leaf = [&](const GridLeafWalk& at) {
        const std::array<std::uint32_t, 4> slots = live.EnterLeaf();
        std::uint64_t pattern = keyed.PatternOf(at.Index());
        for (const auto& triangle : TerrainNode::kTriangleCorners) {
            for (const int point : triangle) {
                const std::uint32_t slot = point == 4 ? GridLivePositions::kCentre
                                                      : slots[static_cast<std::size_t>(point)];
                auto which = static_cast<std::uint32_t>(pattern & 0xFu);
                pattern >>= 4;
                GridLivePositions::Entry* entries = live.EntriesOf(slot);
                std::uint32_t& count = live.CountOf(slot);
                if (which >= count) {
                    entries[count].index = next++;
                    which = count++;
                }
                corners.Add(MeshCorner{entries[which].index, 0});
            }
        }
        live.LeaveLeaf(slots);
    };
    walk.Run(GridLeafWalk::Reads::Places, leaf);
}

// A vertex per position; normal(at, t, point) is a triangle corner's
// separate normal. Lines: each distinct edge of the triangles once.
template <typename Normal>
void positionCorners(GridLeafWalk& walk, const Triangles& triangles, bool lines,
                     const Normal& normal, Batch<MeshCorner>& corners) {
    GridPositionVertices vertices(walk);
    Edges edges(walk, lines);
    auto leaf = [&](const GridLeafWalk& at) {
        vertices.EnterLeaf();
        edges.EnterLeaf();
        for (std::size_t t = 0; t < 4; ++t) {
            std::array<MeshCorner, 3> made{};
            for (std::size_t i = 0; i < 3; ++i) {
                vertices.Number(triangles[t][i], made[i].vertex);
                made[i].normal = normal(at, t, triangles[t][i]);
            }
            for (std::size_t i = 0; i < 3; ++i) {
                if (!lines) {
                    corners.Add(made[i]);
                } else if (edges.FirstSight(triangles[t][i], triangles[t][(i + 1) % 3])) {
                    const std::uint32_t first = made[i].vertex;
                    const std::uint32_t second = made[(i + 1) % 3].vertex;
                    corners.Add(MeshCorner{std::min(first, second), 0});
                    corners.Add(MeshCorner{std::max(first, second), 0});
                }
            }
        }
    };
    walk.Run(GridLeafWalk::Reads::Places, leaf);
}

// Keyed by normal: the corners that made a vertex, as counting marked them,
// with the normals it kept.
void keyedVertices(GridLeafWalk& walk, GridLeafWalk::Reads reads, const GridKeyedVertices& keyed,
                   VertexVisit& vertices) {
    auto leaf = [&](const GridLeafWalk& at) {
        const std::uint64_t made = keyed.PatternOf(at.Index()) >> GridKeyedVertices::kNewBits;
        for (std::size_t t = 0; t < 4; ++t) {
            for (std::size_t i = 0; i < 3; ++i) {
                if ((made >> (3 * t + i) & 1u) != 0) {
                    vertices.Add(at, TerrainNode::kTriangleCorners[t][i],
                                 [&] { return keyed.KeptNormal(at.Index(), t); });
                }
            }
        }
    };
    walk.Run(reads, leaf);
}

// A joined mesh's separate normals: each numbered with its vertex, and
// written where its number is new.
void joinedNormals(GridLeafWalk& walk, const GridJoinedNormals& joined,
                   const GridSeparateNormals& numbers, Batch<Vec3>& normals) {
    GridPositionVertices vertices(walk);
    std::uint32_t next = 0;
    auto leaf = [&](const GridLeafWalk& at) {
        vertices.NumberLeaf(GridJoinedNormals::kTriangleCorners, [&](int point) {
            if (numbers.At(at, point) == next) {
                normals.Add(joined.At(at, point));
                ++next;
            }
        });
    };
    walk.Run(GridLeafWalk::Reads::Places, leaf);
}

// A flat or smooth mesh's own separate normals, made again from the leaves.
void ownNormals(GridLeafWalk& walk, bool flat, const GridSeparateNormals& numbers,
                Batch<Vec3>& normals) {
    const std::size_t objects = flat ? 4 : 1;
    std::uint32_t next = 0;
    auto leaf = [&](const GridLeafWalk& at) {
        for (std::size_t o = 0; o < objects; ++o) {
            if (numbers.OfObject(at.Index() * objects + o) == next) {
                normals.Add(ownNormal(at.Node(), flat, o));
                ++next;
            }
        }
    };
    walk.Run(GridLeafWalk::Reads::Normals, leaf);
}

}  // namespace

void GridMesh::ForEachVertex(const Visit<MeshVertex>& visit, unsigned parts) const {
    BatchPipe<MeshVertex>::Run(
        [this, parts](const BatchPipe<MeshVertex>::Deliver& deliver) {
            GridLeafWalk walk(m_grid);
            VertexVisit vertices(*m_settings.palette, parts, deliver);
            const bool values = (parts & (kPositions | kColours)) != 0;
            const auto reads = values ? GridLeafWalk::Reads::Points : GridLeafWalk::Reads::Places;
            if (IsKeyedByNormal()) {
                keyedVertices(walk, reads, m_keyedVertices, vertices);
            } else {
                const bool normals = m_settings.joined && !IsLines() && !HasSeparateNormals();
                positionVertices(walk, reads, positionTriangles(m_settings.joined),
                                 normals ? &m_joinedNormals : nullptr, vertices);
            }
            vertices.Finish();
            MOON_CHECK(vertices.GetAddedCount() == m_vertices, "the visit meets every vertex once");
        },
        visit);
}

void GridMesh::ForEachNormal(const Visit<Vec3>& visit) const {
    if (m_normals == 0) {
        return;  // lines, and meshes whose vertices carry their normals
    }
    BatchPipe<Vec3>::Run(
        [this](const BatchPipe<Vec3>::Deliver& deliver) {
            GridLeafWalk walk(m_grid);
            Batch<Vec3> normals(deliver, kBatch);
            if (m_settings.joined) {
                joinedNormals(walk, m_joinedNormals, m_separateNormals, normals);
            } else {
                ownNormals(walk, m_settings.mode == Flat, m_separateNormals, normals);
            }
            normals.Finish();
            MOON_CHECK(normals.GetAddedCount() == m_normals, "the visit meets every normal");
        },
        visit);
}

void GridMesh::ForEachCorner(const Visit<MeshCorner>& visit) const {
    BatchPipe<MeshCorner>::Run(
        [this](const BatchPipe<MeshCorner>::Deliver& deliver) {
            GridLeafWalk walk(m_grid);
            Batch<MeshCorner> corners(deliver, 3 * kBatch);
            const Triangles& triangles = positionTriangles(m_settings.joined);
            const GridSeparateNormals& numbers = m_separateNormals;
            if (IsKeyedByNormal()) {
                keyedCorners(walk, m_keyedVertices, corners);
            } else if (!HasSeparateNormals()) {
                auto none = [](const GridLeafWalk&, std::size_t, int) { return 0u; };
                positionCorners(walk, triangles, IsLines(), none, corners);
            } else if (m_settings.joined) {
                auto joined = [&numbers](const GridLeafWalk& at, std::size_t, int point) {
                    return point < 4 ? numbers.AtPosition(at.Location(point))
                                     : numbers.AtCentre(at.Index());
                };
                positionCorners(walk, triangles, false, joined, corners);
            } else {
                const bool flat = m_settings.mode == Flat;
                auto own = [&numbers, flat](const GridLeafWalk& at, std::size_t t, int) {
                    return flat ? numbers.OfObject(at.Index() * 4 + t)
                                : numbers.OfObject(at.Index());
                };
                positionCorners(walk, triangles, false, own, corners);
            }
            corners.Finish();
            MOON_CHECK(corners.GetAddedCount() == GetCornerCount(), "the visit meets every corner");
        },
        visit);
}

}  // namespace moon
