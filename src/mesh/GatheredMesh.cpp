// SPDX-License-Identifier: MIT
#include "mesh/GatheredMesh.h"

#include <algorithm>
#include <bit>
#include <limits>

#include "base/Check.h"

namespace moon {
namespace {

// Vertices are handed to a visitor this many at a time.
constexpr std::size_t kBatch = 4096;

void putDouble(std::uint32_t* words, double value) {
    const auto bits = std::bit_cast<std::uint64_t>(value);
    words[0] = static_cast<std::uint32_t>(bits);
    words[1] = static_cast<std::uint32_t>(bits >> 32);
}

double getDouble(const std::uint32_t* words) {
    return std::bit_cast<double>(static_cast<std::uint64_t>(words[0]) |
                                 static_cast<std::uint64_t>(words[1]) << 32);
}

double getFloat(std::uint32_t word) {
    return static_cast<double>(std::bit_cast<float>(word));
}

// Keys to what a writer reads, in batches.
template <typename Key, typename Item, typename Convert>
void visitConverted(const std::vector<Key>& keys, const Mesh::Visit<Item>& visit, Convert convert) {
    std::vector<Item> batch;
    batch.reserve(std::min(keys.size(), kBatch));
    for (const Key& key : keys) {
        batch.push_back(convert(key));
        if (batch.size() == kBatch) {
            visit(batch);
            batch.clear();
        }
    }
    if (!batch.empty()) {
        visit(batch);
    }
}

}  // namespace

GatheredMesh::GatheredMesh(MeshSharing sharing, bool lines, std::size_t expectedTriangles,
                           Progress progress)
    : m_sharing(sharing),
      m_bLines(lines),
      m_expected(expectedTriangles),
      m_progress(std::move(progress)) {
    if (lines) {
        // Each triangle's edges, most of them shared by two.
        m_lines.Reserve(2 * expectedTriangles);
    } else {
        m_corners.reserve(3 * expectedTriangles);
    }
    // At most a vertex per corner; positions and normals apart are far fewer.
    if (sharing == MeshSharing::Attributes) {
        m_positions.Reserve(expectedTriangles);
        m_normals.Reserve(lines ? 0 : expectedTriangles);
    } else {
        m_vertices.Reserve(3 * expectedTriangles);
    }
}

std::size_t GatheredMesh::GetVertexCount() const {
    return m_sharing == MeshSharing::Attributes ? m_positions.Size() : m_vertices.Size();
}

std::size_t GatheredMesh::GetPrimitiveCount() const {
    return m_bLines ? m_lines.Size() : m_triangles;
}

MeshCorner GatheredMesh::AddCorner(const Vec3& vertex, const Vec3* normal, const Colour4f& colour) {
    if (m_sharing == MeshSharing::Vertices) {
        VertexTable<7>::Key key{};
        const double values[] = {vertex.x, vertex.y, vertex.z};
        for (std::size_t k = 0; k < 3; ++k) {
            key[k] = std::bit_cast<std::uint32_t>(static_cast<float>(values[k]));
        }
        if (normal != nullptr) {
            key[3] = std::bit_cast<std::uint32_t>(static_cast<float>(normal->x));
            key[4] = std::bit_cast<std::uint32_t>(static_cast<float>(normal->y));
            key[5] = std::bit_cast<std::uint32_t>(static_cast<float>(normal->z));
        }
        key[6] = PackedColour(colour);
        return MeshCorner{m_vertices.Add(key), 0};
    }
    VertexTable<9>::Key position{};
    putDouble(&position[0], vertex.x);
    putDouble(&position[2], vertex.y);
    putDouble(&position[4], vertex.z);
    position[6] = std::bit_cast<std::uint32_t>(colour.r);
    position[7] = std::bit_cast<std::uint32_t>(colour.g);
    position[8] = std::bit_cast<std::uint32_t>(colour.b);
    MeshCorner corner;
    if (normal != nullptr) {
        VertexTable<6>::Key key{};
        putDouble(&key[0], normal->x);
        putDouble(&key[2], normal->y);
        putDouble(&key[4], normal->z);
        corner.normal = m_normals.Add(key);
    }
    corner.vertex = m_positions.Add(position);
    return corner;
}

void GatheredMesh::AddCorners(const std::array<MeshCorner, 3>& corners) {
    if (m_bLines) {
        for (std::size_t i = 0; i < 3; ++i) {
            const std::uint32_t a = corners[i].vertex;
            const std::uint32_t b = corners[(i + 1) % 3].vertex;
            m_lines.Add({std::min(a, b), std::max(a, b)});
        }
    } else {
        m_corners.insert(m_corners.end(), corners.begin(), corners.end());
    }
    ++m_triangles;
    if (m_triangles % 65536 == 0 && m_progress) {
        m_progress("gathering triangles",
                   static_cast<double>(m_triangles) / static_cast<double>(m_expected));
    }
}

void GatheredMesh::AddTriangle(const TerrainTriangle& triangle) {
    if (triangle.faceNormal != nullptr) {
        m_normal = *triangle.faceNormal;
    }
    std::array<MeshCorner, 3> corners{};
    for (std::size_t i = 0; i < 3; ++i) {
        if (triangle.vertexNormal != nullptr) {
            m_normal = *triangle.vertexNormal;
        }
        corners[i] =
            AddCorner(*triangle.vertices[i], m_bLines ? nullptr : &m_normal, triangle.colours[i]);
    }
    AddCorners(corners);
}

void GatheredMesh::AddTriangle(const std::array<const Vec3*, 3>& vertices,
                               const std::array<const Vec3*, 3>& normals,
                               const std::array<Colour4f, 3>& colours) {
    std::array<MeshCorner, 3> corners{};
    for (std::size_t i = 0; i < 3; ++i) {
        MOON_CHECK(m_bLines || normals[i] != nullptr, "a filled triangle needs its normals");
        corners[i] = AddCorner(*vertices[i], m_bLines ? nullptr : normals[i], colours[i]);
    }
    AddCorners(corners);
}

void GatheredMesh::GetBounds(std::array<float, 3>& low, std::array<float, 3>& high) const {
    low.fill(std::numeric_limits<float>::max());
    high.fill(std::numeric_limits<float>::lowest());
    auto extend = [&low, &high](std::size_t k, float value) {
        low[k] = std::min(low[k], value);
        high[k] = std::max(high[k], value);
    };
    for (const auto& key : m_vertices.Keys()) {
        for (std::size_t k = 0; k < 3; ++k) {
            extend(k, std::bit_cast<float>(key[k]));
        }
    }
    for (const auto& key : m_positions.Keys()) {
        for (std::size_t k = 0; k < 3; ++k) {
            extend(k, static_cast<float>(getDouble(&key[2 * k])));
        }
    }
}

void GatheredMesh::ForEachVertex(const Visit<MeshVertex>& visit, unsigned /*parts*/) const {
    // Colour bytes back to what they were made from: byte times 1/255.
    auto colour = [](std::uint32_t packed) {
        return Colour4f(static_cast<float>(packed & 0xFFu) / 255.0f,
                        static_cast<float>(packed >> 8 & 0xFFu) / 255.0f,
                        static_cast<float>(packed >> 16 & 0xFFu) / 255.0f, 1.0f);
    };
    if (m_sharing == MeshSharing::Vertices) {
        visitConverted(m_vertices.Keys(), visit, [&colour](const VertexTable<7>::Key& key) {
            return MeshVertex{Vec3(getFloat(key[0]), getFloat(key[1]), getFloat(key[2])),
                              Vec3(getFloat(key[3]), getFloat(key[4]), getFloat(key[5])),
                              colour(key[6])};
        });
    } else {
        visitConverted(m_positions.Keys(), visit, [](const VertexTable<9>::Key& key) {
            return MeshVertex{Vec3(getDouble(&key[0]), getDouble(&key[2]), getDouble(&key[4])),
                              Vec3(),
                              Colour4f(std::bit_cast<float>(key[6]), std::bit_cast<float>(key[7]),
                                       std::bit_cast<float>(key[8]), 1.0f)};
        });
    }
}

void GatheredMesh::ForEachNormal(const Visit<Vec3>& visit) const {
    visitConverted(m_normals.Keys(), visit, [](const VertexTable<6>::Key& key) {
        return Vec3(getDouble(&key[0]), getDouble(&key[2]), getDouble(&key[4]));
    });
}

void GatheredMesh::ForEachCorner(const Visit<MeshCorner>& visit) const {
    if (!m_bLines) {
        for (std::size_t first = 0; first < m_corners.size(); first += 3 * kBatch) {
            const std::size_t count = std::min(3 * kBatch, m_corners.size() - first);
            visit(std::span(m_corners).subspan(first, count));
        }
        return;
    }
    std::vector<MeshCorner> batch;
    batch.reserve(2 * kBatch);
    for (const auto& line : m_lines.Keys()) {
        batch.push_back(MeshCorner{line[0], 0});
        batch.push_back(MeshCorner{line[1], 0});
        if (batch.size() == 2 * kBatch) {
            visit(batch);
            batch.clear();
        }
    }
    if (!batch.empty()) {
        visit(batch);
    }
}

}  // namespace moon
