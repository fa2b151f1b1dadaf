// SPDX-License-Identifier: MIT
#include "mesh/JoinedMesh.h"

#include <bit>

#include "mesh/GatheredMesh.h"
#include "mesh/VertexTable.h"
#include "terrain/TerrainNode.h"

namespace moon {
namespace {

// A leaf's four triangles as (centre, a, b) with a-b its outer edge: the same
// triangles and winding as the drawing walk's (0 4 3), (3 4 2), (4 1 2),
// (0 1 4), each turned to start at the centre.
constexpr int kOuterEdges[4][2] = {{3, 0}, {2, 3}, {1, 2}, {0, 1}};

void putDouble(std::uint32_t* words, double value) {
    const auto bits = std::bit_cast<std::uint64_t>(value);
    words[0] = static_cast<std::uint32_t>(bits);
    words[1] = static_cast<std::uint32_t>(bits >> 32);
}

VertexTable<4>::Key placeKey(double x, double z) {
    VertexTable<4>::Key key{};
    putDouble(&key[0], x);
    putDouble(&key[2], z);
    return key;
}

}  // namespace

// What gathering the leaves leaves for the next phases: each leaf's five
// points as vertex indices, and the first vertex at each (x, z).
struct JoinedMesh::Gathered {
    std::vector<std::array<std::uint32_t, 5>> leafPoints;
    VertexTable<4> places;
    std::vector<std::uint32_t> placeVertex;
};

void JoinedMesh::Build(const TerrainNode* root, const HeightPalette& palette) {
    m_positions.clear();
    m_normals.clear();
    m_colours.clear();
    m_triangles.clear();
    m_mismatched = 0;
    Gathered gathered;
    Gather(root, gathered);
    Triangulate(gathered);
    ComputeNormals(palette);
}

// Every leaf point by its exact position, and the first one at each (x, z).
void JoinedMesh::Gather(const TerrainNode* root, Gathered& gathered) {
    const std::size_t leaves = CountLeaves(root);
    VertexTable<6> positions;
    positions.Reserve(3 * leaves + 8);
    gathered.places.Reserve(3 * leaves + 8);
    m_positions.reserve(3 * leaves + 8);
    gathered.leafPoints.reserve(leaves);
    auto addPoint = [&](const Vec3& point) {
        VertexTable<6>::Key key{};
        putDouble(&key[0], point.x);
        putDouble(&key[2], point.y);
        putDouble(&key[4], point.z);
        const std::size_t before = positions.Size();
        const std::uint32_t index = positions.Add(key);
        if (index == before) {
            m_positions.push_back(point);
            const std::size_t placesBefore = gathered.places.Size();
            if (gathered.places.Add(placeKey(point.x, point.z)) == placesBefore) {
                gathered.placeVertex.push_back(index);
            } else {
                ++m_mismatched;
            }
        }
        return index;
    };
    ForEachNode(root, [&](const TerrainNode& node) {
        if (node.IsLeaf()) {
            std::array<std::uint32_t, 5> indices{};
            for (std::size_t k = 0; k < 5; ++k) {
                indices[k] = addPoint(node.points[k]);
            }
            gathered.leafPoints.push_back(indices);
        }
    });
}

// Each leaf's four triangles, the outer edge of each split where finer
// corners lie on it: a corner at the edge's midpoint means finer cells beside
// it, and then each half may hold finer corners still. Only a neighbour's
// corner can lie there: leaves do not overlap, and a centre is never on a
// cell's edge.
void JoinedMesh::Triangulate(const Gathered& gathered) {
    std::vector<std::uint32_t> chain;  // the edge's corners in order from a
    auto split = [&](auto& self, std::uint32_t a, std::uint32_t b) -> void {
        const Vec3& pa = m_positions[a];
        const Vec3& pb = m_positions[b];
        const auto place = gathered.places.Find(placeKey((pa.x + pb.x) * 0.5, (pa.z + pb.z) * 0.5));
        if (!place) {
            return;
        }
        const std::uint32_t middle = gathered.placeVertex[*place];
        self(self, a, middle);
        chain.push_back(middle);
        self(self, middle, b);
    };
    m_triangles.reserve(12 * gathered.leafPoints.size());
    for (const std::array<std::uint32_t, 5>& points : gathered.leafPoints) {
        for (const auto& edge : kOuterEdges) {
            const std::uint32_t a = points[static_cast<std::size_t>(edge[0])];
            const std::uint32_t b = points[static_cast<std::size_t>(edge[1])];
            chain.assign(1, a);
            split(split, a, b);
            chain.push_back(b);
            for (std::size_t i = 0; i + 1 < chain.size(); ++i) {
                m_triangles.insert(m_triangles.end(), {points[4], chain[i], chain[i + 1]});
            }
        }
    }
}

// Normals: the mean of the unit face normals around each vertex, normalised;
// colours by height.
void JoinedMesh::ComputeNormals(const HeightPalette& palette) {
    std::vector<Vec3> sums(m_positions.size());
    for (std::size_t t = 0; t < m_triangles.size(); t += 3) {
        const Vec3& p = m_positions[m_triangles[t]];
        const Vec3& q = m_positions[m_triangles[t + 1]];
        const Vec3& r = m_positions[m_triangles[t + 2]];
        const Vec3 face = FaceNormal(p, q, r);
        for (std::size_t i = 0; i < 3; ++i) {
            Vec3& sum = sums[m_triangles[t + i]];
            sum.Add(sum, face);
        }
    }
    m_normals.assign(m_positions.size(), Vec3());
    m_colours.resize(m_positions.size());
    for (std::size_t v = 0; v < m_positions.size(); ++v) {
        m_normals[v].Normalise(sums[v]);
        TerrainNode::ColourForHeight(m_positions[v].y, palette, m_colours[v]);
    }
}

void JoinedMesh::Send(GatheredMesh& mesh) const {
    for (std::size_t t = 0; t < m_triangles.size(); t += 3) {
        const std::uint32_t a = m_triangles[t];
        const std::uint32_t b = m_triangles[t + 1];
        const std::uint32_t c = m_triangles[t + 2];
        mesh.AddTriangle({&m_positions[a], &m_positions[b], &m_positions[c]},
                         {&m_normals[a], &m_normals[b], &m_normals[c]},
                         {m_colours[a], m_colours[b], m_colours[c]});
    }
}

}  // namespace moon
