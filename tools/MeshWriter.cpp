// SPDX-License-Identifier: MIT
#include "tools/MeshWriter.h"

#include <bit>
#include <charconv>
#include <cmath>

#include "base/Check.h"
#include "io/AtomicFile.h"

namespace moon {
namespace {

// Text is handed to the file in pieces of about this size.
constexpr std::size_t kChunkBytes = 1 << 16;

void appendLittleEndian(std::string& out, std::uint32_t bits, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        out += static_cast<char>((bits >> (8 * i)) & 0xFFu);
    }
}

// The colour was made from a byte times 1/255, so rounding recovers the byte.
std::uint8_t colourByte(float component) {
    const long scaled = std::lround(static_cast<double>(component) * 255.0);
    return static_cast<std::uint8_t>(scaled < 0 ? 0 : scaled > 255 ? 255 : scaled);
}

template <typename T>
void appendNumber(std::string& out, T value) {
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    out.append(buffer, result.ptr);
}

void putDouble(std::uint32_t* words, double value) {
    const auto bits = std::bit_cast<std::uint64_t>(value);
    words[0] = static_cast<std::uint32_t>(bits);
    words[1] = static_cast<std::uint32_t>(bits >> 32);
}

double getDouble(const std::uint32_t* words) {
    return std::bit_cast<double>(static_cast<std::uint64_t>(words[0]) |
                                 static_cast<std::uint64_t>(words[1]) << 32);
}

}  // namespace

MeshWriter::MeshWriter(MeshFormat format, std::size_t expectedTriangles, Progress progress)
    : m_format(format), m_expected(expectedTriangles), m_progress(std::move(progress)) {
    m_faces.reserve(3 * expectedTriangles * (format == MeshFormat::Obj ? 2 : 1));
    // At most a vertex per corner; OBJ positions and normals are far fewer.
    if (format == MeshFormat::Ply) {
        m_plyVertices.Reserve(3 * expectedTriangles);
    } else {
        m_positions.Reserve(expectedTriangles);
        m_normals.Reserve(expectedTriangles);
    }
}

std::size_t MeshWriter::GetVertexCount() const {
    return m_format == MeshFormat::Ply ? m_plyVertices.Size() : m_positions.Size();
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
        if (m_format == MeshFormat::Ply) {
            VertexTable<7>::Key key{};
            const double values[] = {vertex.x,   vertex.y,   vertex.z,
                                     m_normal.x, m_normal.y, m_normal.z};
            for (std::size_t k = 0; k < 6; ++k) {
                key[k] = std::bit_cast<std::uint32_t>(static_cast<float>(values[k]));
            }
            key[6] = colourByte(colour.r) | colourByte(colour.g) << 8 | colourByte(colour.b) << 16;
            m_faces.push_back(m_plyVertices.Add(key));
        } else {
            VertexTable<9>::Key position{};
            putDouble(&position[0], vertex.x);
            putDouble(&position[2], vertex.y);
            putDouble(&position[4], vertex.z);
            position[6] = std::bit_cast<std::uint32_t>(colour.r);
            position[7] = std::bit_cast<std::uint32_t>(colour.g);
            position[8] = std::bit_cast<std::uint32_t>(colour.b);
            VertexTable<6>::Key normal{};
            putDouble(&normal[0], m_normal.x);
            putDouble(&normal[2], m_normal.y);
            putDouble(&normal[4], m_normal.z);
            m_faces.push_back(m_positions.Add(position));
            m_faces.push_back(m_normals.Add(normal));
        }
    }
    ++m_triangles;
    if (m_triangles % 65536 == 0) {
        Report("gathering triangles", m_triangles, m_expected);
    }
}

void MeshWriter::Report(std::string_view stage, std::size_t done, std::size_t total) {
    if (m_progress) {
        m_progress(stage,
                   total == 0 ? 1.0 : static_cast<double>(done) / static_cast<double>(total));
    }
}

void MeshWriter::Emit(AtomicFile& file, std::string& text, bool force) {
    if (force || text.size() >= kChunkBytes) {
        file.Write(text);
        m_bytes += text.size();
        text.clear();
    }
}

void MeshWriter::Write(AtomicFile& file, const std::vector<std::string>& comments) {
    const std::size_t vertexCount = GetVertexCount();
    // Work for progress: every vertex (and normal), then every face.
    const std::size_t total = vertexCount + m_normals.Size() + m_triangles;
    std::size_t done = 0;
    std::string text;
    if (m_format == MeshFormat::Ply) {
        text = "ply\nformat binary_little_endian 1.0\n";
        for (const std::string& comment : comments) {
            text += "comment " + comment + "\n";
        }
        text += "element vertex " + std::to_string(vertexCount) +
                "\nproperty float x\nproperty float y\nproperty float z"
                "\nproperty float nx\nproperty float ny\nproperty float nz"
                "\nproperty uchar red\nproperty uchar green\nproperty uchar blue"
                "\nelement face " +
                std::to_string(m_triangles) +
                "\nproperty list uchar int vertex_indices\nend_header\n";
        for (const auto& key : m_plyVertices.Keys()) {
            for (std::size_t k = 0; k < 6; ++k) {
                appendLittleEndian(text, key[k], 4);
            }
            appendLittleEndian(text, key[6], 3);
            Emit(file, text);
            if (++done % 65536 == 0) {
                Report("writing", done, total);
            }
        }
        for (std::size_t k = 0; k < m_triangles; ++k) {
            text += static_cast<char>(3);
            for (std::size_t i = 0; i < 3; ++i) {
                appendLittleEndian(text, m_faces[3 * k + i], 4);
            }
            Emit(file, text);
            if (++done % 65536 == 0) {
                Report("writing", done, total);
            }
        }
    } else {
        for (const std::string& comment : comments) {
            text += "# " + comment + "\n";
        }
        text += "# v x y z r g b (colour 0 to 1), vn nx ny nz, f v//vn (counted from 1)\n";
        for (const auto& key : m_positions.Keys()) {
            text += 'v';
            for (std::size_t k = 0; k < 3; ++k) {
                text += ' ';
                appendNumber(text, getDouble(&key[2 * k]));
            }
            for (std::size_t k = 6; k < 9; ++k) {
                text += ' ';
                appendNumber(text, std::bit_cast<float>(key[k]));
            }
            text += '\n';
            Emit(file, text);
            if (++done % 65536 == 0) {
                Report("writing", done, total);
            }
        }
        for (const auto& key : m_normals.Keys()) {
            text += "vn";
            for (std::size_t k = 0; k < 3; ++k) {
                text += ' ';
                appendNumber(text, getDouble(&key[2 * k]));
            }
            text += '\n';
            Emit(file, text);
            if (++done % 65536 == 0) {
                Report("writing", done, total);
            }
        }
        for (std::size_t k = 0; k < m_triangles; ++k) {
            text += 'f';
            for (std::size_t i = 0; i < 3; ++i) {
                text += ' ';
                appendNumber(text, m_faces[6 * k + 2 * i] + 1);
                text += "//";
                appendNumber(text, m_faces[6 * k + 2 * i + 1] + 1);
            }
            text += '\n';
            Emit(file, text);
            if (++done % 65536 == 0) {
                Report("writing", done, total);
            }
        }
    }
    Emit(file, text, true);
    Report("writing", total, total);
}

}  // namespace moon
