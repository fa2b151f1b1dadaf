#include "MeshWriter.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "AtomicFile.h"
#include "base/Check.h"

namespace moon {
namespace {

void AppendLittleEndian(std::string& out, std::uint32_t bits, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        out += static_cast<char>((bits >> (8 * i)) & 0xFFu);
    }
}

void AppendFloat(std::string& out, double value) {
    const float single = static_cast<float>(value);
    std::uint32_t bits = 0;
    std::memcpy(&bits, &single, sizeof bits);
    AppendLittleEndian(out, bits, 4);
}

// The colour was made from a byte times 1/255, so rounding recovers the byte.
std::uint8_t ColourByte(float component) {
    const long scaled = std::lround(static_cast<double>(component) * 255.0);
    return static_cast<std::uint8_t>(scaled < 0 ? 0 : scaled > 255 ? 255 : scaled);
}

template <typename T>
void AppendNumber(std::string& out, T value) {
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    out.append(buffer, result.ptr);
}

void AppendTriple(std::string& out, const char* tag, const Vec3& v) {
    out += tag;
    for (double value : {v.x, v.y, v.z}) {
        out += ' ';
        AppendNumber(out, value);
    }
}

}  // namespace

void MeshWriter::Begin(std::size_t triangleCount, std::string_view comment) {
    m_declared = triangleCount;
    std::string header;
    if (m_format == MeshFormat::Ply) {
        header = "ply\nformat binary_little_endian 1.0\ncomment ";
        header += comment;
        header += "\nelement vertex " + std::to_string(3 * triangleCount) +
                  "\nproperty float x\nproperty float y\nproperty float z"
                  "\nproperty float nx\nproperty float ny\nproperty float nz"
                  "\nproperty uchar red\nproperty uchar green\nproperty uchar blue"
                  "\nelement face " +
                  std::to_string(triangleCount) +
                  "\nproperty list uchar int vertex_indices\nend_header\n";
    } else {
        header = "# ";
        header += comment;
        header += "\n# " + std::to_string(triangleCount) +
                  " triangles; v x y z r g b (colour 0 to 1), vn, f v//vn\n";
    }
    m_file.Write(header);
}

void MeshWriter::AddTriangle(const TerrainTriangle& triangle) {
    if (triangle.faceNormal != nullptr) {
        m_normal = *triangle.faceNormal;
    }
    for (unsigned i = 0; i < 3; ++i) {
        if (triangle.vertexNormal != nullptr) {
            m_normal = *triangle.vertexNormal;
        }
        const Vec3& vertex = *triangle.vertices[i];
        const Colour4f& colour = triangle.colours[i];
        m_scratch.clear();
        if (m_format == MeshFormat::Ply) {
            for (double value :
                 {vertex.x, vertex.y, vertex.z, m_normal.x, m_normal.y, m_normal.z}) {
                AppendFloat(m_scratch, value);
            }
            for (float component : {colour.r, colour.g, colour.b}) {
                m_scratch += static_cast<char>(ColourByte(component));
            }
        } else {
            AppendTriple(m_scratch, "v", vertex);
            for (float component : {colour.r, colour.g, colour.b}) {
                m_scratch += ' ';
                AppendNumber(m_scratch, component);
            }
            AppendTriple(m_scratch, "\nvn", m_normal);
            m_scratch += '\n';
        }
        m_file.Write(m_scratch);
    }
    ++m_added;
}

void MeshWriter::Finish() {
    MOON_CHECK(m_added == m_declared);
    for (std::size_t k = 0; k < m_added; ++k) {
        m_scratch.clear();
        if (m_format == MeshFormat::Ply) {
            m_scratch += static_cast<char>(3);
            for (std::size_t i = 0; i < 3; ++i) {
                AppendLittleEndian(m_scratch, static_cast<std::uint32_t>(3 * k + i), 4);
            }
        } else {
            // OBJ counts from 1; each vertex has a normal of the same number.
            m_scratch += 'f';
            for (std::size_t i = 1; i <= 3; ++i) {
                const std::size_t index = 3 * k + i;
                m_scratch += ' ';
                AppendNumber(m_scratch, index);
                m_scratch += "//";
                AppendNumber(m_scratch, index);
            }
            m_scratch += '\n';
        }
        m_file.Write(m_scratch);
    }
}

}  // namespace moon
