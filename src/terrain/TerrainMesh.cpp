// SPDX-License-Identifier: MIT
#include "terrain/TerrainMesh.h"

#include <GL/gl.h>

#include <algorithm>
#include <array>

#include "base/Check.h"
#include "terrain/Terrain.h"
#include "terrain/TriangleSink.h"

namespace moon {

// Turns the drawing walk's triangles into arrays. Within a leaf the walk sends
// the same point (and, in smooth shading, the same normal) several times;
// such repeats become one vertex. A vertex is shared only when it is the same
// point object with the same normal object: its colour then is the same too,
// since the walk colours a vertex by its point's height with the one palette
// of the build. So sharing never changes what a vertex carries.
class TerrainMesh::Builder final : public TriangleSink {
public:
    explicit Builder(TerrainMesh& mesh) : m_mesh(mesh) {}

    void AddTriangle(const TerrainTriangle& triangle) override {
        if (m_triangles == 0) {
            m_mesh.m_bOutline = triangle.outline;
            m_bNormals = triangle.faceNormal != nullptr || triangle.vertexNormal != nullptr;
        }
        // One walk draws one mode: arrays cannot mix primitives or switch normals on and off.
        MOON_CHECK(triangle.outline == m_mesh.m_bOutline);
        MOON_CHECK((triangle.faceNormal != nullptr || triangle.vertexNormal != nullptr) ==
                   m_bNormals);
        ++m_triangles;

        // glNormal3d before a vertex overrides the one sent before the first.
        const Vec3* normal =
            triangle.vertexNormal != nullptr ? triangle.vertexNormal : triangle.faceNormal;
        std::array<std::uint32_t, 3> corner{};
        for (std::size_t v = 0; v < 3; ++v) {
            corner[v] = AddVertex(triangle.vertices[v], normal, triangle.colours[v]);
        }
        if (m_mesh.m_bOutline) {
            // The line loop's edges, each from its start: flat shading takes a
            // loop segment's colour from its end, as GL_LINES does.
            for (std::size_t v = 0; v < 3; ++v) {
                AddIndex(corner[v]);
                AddIndex(corner[(v + 1) % 3]);
            }
        } else {
            for (std::uint32_t index : corner) {
                AddIndex(index);
            }
        }
        if (normal != nullptr) {
            m_mesh.m_lastNormal = *normal;
        }
        m_mesh.m_lastColour = triangle.colours[2];
    }

private:
    struct Key {
        const Vec3* point = nullptr;
        std::uint32_t index = 0;
    };

    std::uint32_t AddVertex(const Vec3* point, const Vec3* normal, const Colour4f& colour) {
        // The recent vertices all carry one normal object; a triangle with
        // another one can share none of them.
        if (normal != m_recentNormal) {
            m_recentNormal = normal;
            m_recentCount = 0;
            m_next = 0;
        }
        for (std::size_t i = 0; i < m_recentCount; ++i) {
            if (m_recent[i].point == point) {
                return m_recent[i].index;
            }
        }
        const auto index = static_cast<std::uint32_t>(m_mesh.GetVertexCount());
        append(m_mesh.m_positions, *point);
        if (normal != nullptr) {
            append(m_mesh.m_normals, *normal);
        }
        m_mesh.m_colours.push_back(colour.r);
        m_mesh.m_colours.push_back(colour.g);
        m_mesh.m_colours.push_back(colour.b);
        m_recent[m_next] = Key{point, index};
        m_next = (m_next + 1) % m_recent.size();
        m_recentCount = std::min(m_recentCount + 1, m_recent.size());
        return index;
    }

    // While every vertex is new and drawn once, in order (flat shading), the
    // vertices need no index list; it is written out at the first repeat.
    void AddIndex(std::uint32_t index) {
        std::vector<std::uint32_t>& indices = m_mesh.m_indices;
        if (m_bInOrder && index == m_elements) {
            ++m_elements;
            return;
        }
        if (m_bInOrder) {
            m_bInOrder = false;
            indices.resize(m_elements);
            for (std::uint32_t i = 0; i < m_elements; ++i) {
                indices[i] = i;
            }
        }
        indices.push_back(index);
    }

    static void append(std::vector<float>& array, const Vec3& v) {
        array.push_back(static_cast<float>(v.x));
        array.push_back(static_cast<float>(v.y));
        array.push_back(static_cast<float>(v.z));
    }

    TerrainMesh& m_mesh;
    // A leaf's five points are all the walk repeats, so a few recent vertices suffice.
    std::array<Key, 8> m_recent{};
    std::size_t m_recentCount = 0;
    std::size_t m_next = 0;
    const Vec3* m_recentNormal = nullptr;
    std::size_t m_triangles = 0;
    std::uint32_t m_elements = 0;  // vertices drawn so far while in order
    bool m_bInOrder = true;
    bool m_bNormals = false;
};

namespace {

template <typename T>
void trimCapacity(std::vector<T>& array) {
    if (array.capacity() > array.size() + array.size() / 4) {
        array.shrink_to_fit();
    }
}

}  // namespace

void TerrainMesh::Build(const Terrain& terrain, const RenderMode& mode,
                        const HeightPalette& palette) {
    // Clear keeps the arrays' capacity: the next tree is usually about as large.
    Clear();
    Builder builder(*this);
    terrain.Draw(mode, palette, builder);
    // Give back what a larger tree or another mode left unused; a quarter
    // more is kept as room for the next, slightly larger tree.
    trimCapacity(m_positions);
    trimCapacity(m_normals);
    trimCapacity(m_colours);
    trimCapacity(m_indices);
}

void TerrainMesh::Clear() {
    m_positions.clear();
    m_normals.clear();
    m_colours.clear();
    m_indices.clear();
    m_bOutline = false;
    m_lastNormal = Vec3();
    m_lastColour = Colour4f();
}

std::size_t TerrainMesh::GetElementCount() const {
    return m_indices.empty() ? GetVertexCount() : m_indices.size();
}

std::size_t TerrainMesh::GetByteSize() const {
    return (m_positions.capacity() + m_normals.capacity() + m_colours.capacity()) * sizeof(float) +
           m_indices.capacity() * sizeof(std::uint32_t);
}

void TerrainMesh::Draw() const {
    if (IsEmpty()) {
        return;
    }
    glPushClientAttrib(GL_CLIENT_VERTEX_ARRAY_BIT);
    glEnableClientState(GL_VERTEX_ARRAY);
    glVertexPointer(3, GL_FLOAT, 0, m_positions.data());
    glEnableClientState(GL_COLOR_ARRAY);
    glColorPointer(3, GL_FLOAT, 0, m_colours.data());
    if (HasNormals()) {
        glEnableClientState(GL_NORMAL_ARRAY);
        glNormalPointer(GL_FLOAT, 0, m_normals.data());
    } else {
        // The current normal applies to every vertex, as in the immediate stream.
        glDisableClientState(GL_NORMAL_ARRAY);
    }
    const GLenum primitive = m_bOutline ? GL_LINES : GL_TRIANGLES;
    const std::size_t count = GetElementCount();
    for (std::size_t first = 0; first < count; first += kBatchIndices) {
        const auto batch = static_cast<GLsizei>(std::min(kBatchIndices, count - first));
        if (m_indices.empty()) {
            glDrawArrays(primitive, static_cast<GLint>(first), batch);
        } else {
            glDrawElements(primitive, batch, GL_UNSIGNED_INT, m_indices.data() + first);
        }
    }
    glPopClientAttrib();
    // After an array draw the current normal and colour are undefined; the
    // immediate stream leaves its last ones, and later lit drawing (a
    // wireframe frame, colour material) may depend on them.
    if (HasNormals()) {
        glNormal3d(m_lastNormal.x, m_lastNormal.y, m_lastNormal.z);
    }
    glColor3f(m_lastColour.r, m_lastColour.g, m_lastColour.b);
}

}  // namespace moon
