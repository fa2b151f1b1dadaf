// SPDX-License-Identifier: MIT
#include "tools/MeshWriter.h"

#include <bit>
#include <cmath>

#include "base/Check.h"
#include "cli/CommandValues.h"
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

MeshWriter::MeshWriter(MeshFormat format, bool lines, std::size_t expectedTriangles,
                       Progress progress)
    : m_format(format),
      m_bLines(lines),
      m_expected(expectedTriangles),
      m_progress(std::move(progress)) {
    if (lines) {
        // Each triangle's edges, most of them shared by two.
        m_lines.Reserve(2 * expectedTriangles);
    } else {
        m_faces.reserve(3 * expectedTriangles * (format == MeshFormat::Obj ? 2 : 1));
    }
    // At most a vertex per corner; OBJ positions and normals are far fewer.
    if (format == MeshFormat::Obj) {
        m_positions.Reserve(expectedTriangles);
        m_normals.Reserve(lines ? 0 : expectedTriangles);
    } else {
        m_vertices.Reserve(3 * expectedTriangles);
    }
}

std::size_t MeshWriter::GetVertexCount() const {
    return m_format == MeshFormat::Obj ? m_positions.Size() : m_vertices.Size();
}

std::uint32_t MeshWriter::AddCorner(const Vec3& vertex, const Vec3* normal, const Colour4f& colour,
                                    std::uint32_t& normalIndex) {
    normalIndex = 0;
    if (m_format != MeshFormat::Obj) {
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
        key[6] = colourByte(colour.r) | colourByte(colour.g) << 8 | colourByte(colour.b) << 16;
        return m_vertices.Add(key);
    }
    VertexTable<9>::Key position{};
    putDouble(&position[0], vertex.x);
    putDouble(&position[2], vertex.y);
    putDouble(&position[4], vertex.z);
    position[6] = std::bit_cast<std::uint32_t>(colour.r);
    position[7] = std::bit_cast<std::uint32_t>(colour.g);
    position[8] = std::bit_cast<std::uint32_t>(colour.b);
    if (normal != nullptr) {
        VertexTable<6>::Key key{};
        putDouble(&key[0], normal->x);
        putDouble(&key[2], normal->y);
        putDouble(&key[4], normal->z);
        normalIndex = m_normals.Add(key);
    }
    return m_positions.Add(position);
}

void MeshWriter::AddCorners(const std::array<std::uint32_t, 3>& corners,
                            const std::array<std::uint32_t, 3>& normals) {
    if (m_bLines) {
        for (std::size_t i = 0; i < 3; ++i) {
            const std::uint32_t a = corners[i];
            const std::uint32_t b = corners[(i + 1) % 3];
            m_lines.Add({a < b ? a : b, a < b ? b : a});
        }
    } else {
        for (std::size_t i = 0; i < 3; ++i) {
            m_faces.push_back(corners[i]);
            if (m_format == MeshFormat::Obj) {
                m_faces.push_back(normals[i]);
            }
        }
    }
    ++m_triangles;
    if (m_triangles % 65536 == 0) {
        Report("gathering triangles", m_triangles, m_expected);
    }
}

void MeshWriter::AddTriangle(const TerrainTriangle& triangle) {
    if (triangle.faceNormal != nullptr) {
        m_normal = *triangle.faceNormal;
    }
    std::array<std::uint32_t, 3> corners{};
    std::array<std::uint32_t, 3> normals{};
    for (std::size_t i = 0; i < 3; ++i) {
        if (triangle.vertexNormal != nullptr) {
            m_normal = *triangle.vertexNormal;
        }
        corners[i] = AddCorner(*triangle.vertices[i], m_bLines ? nullptr : &m_normal,
                               triangle.colours[i], normals[i]);
    }
    AddCorners(corners, normals);
}

void MeshWriter::AddTriangle(const std::array<const Vec3*, 3>& vertices,
                             const std::array<const Vec3*, 3>& normals,
                             const std::array<Colour4f, 3>& colours) {
    std::array<std::uint32_t, 3> corners{};
    std::array<std::uint32_t, 3> normalIndices{};
    for (std::size_t i = 0; i < 3; ++i) {
        MOON_CHECK(m_bLines || normals[i] != nullptr, "a filled triangle needs its normals");
        corners[i] =
            AddCorner(*vertices[i], m_bLines ? nullptr : normals[i], colours[i], normalIndices[i]);
    }
    AddCorners(corners, normalIndices);
}

void MeshWriter::Report(std::string_view stage, std::size_t done, std::size_t total) {
    if (m_progress) {
        m_progress(stage,
                   total == 0 ? 1.0 : static_cast<double>(done) / static_cast<double>(total));
    }
}

void MeshWriter::Advance(std::size_t& done, std::size_t total) {
    if (++done % 65536 == 0) {
        Report("writing", done, total);
    }
}

void MeshWriter::Emit(AtomicFile& file, std::string& text, bool force) {
    if (force || text.size() >= kChunkBytes) {
        file.Write(text);
        m_bytes += text.size();
        text.clear();
    }
}

void MeshWriter::Write(AtomicFile& file, const Description& description) {
    switch (m_format) {
        case MeshFormat::Ply:
            WritePly(file, description);
            break;
        case MeshFormat::Obj:
            WriteObj(file, description);
            break;
        case MeshFormat::Glb:
            WriteGlb(file, description);
            break;
    }
}

void MeshWriter::WritePly(AtomicFile& file, const Description& description) {
    const std::size_t vertexCount = m_vertices.Size();
    const std::size_t primitives = m_bLines ? m_lines.Size() : m_triangles;
    // Work for progress: every vertex, then every face or edge.
    const std::size_t total = vertexCount + primitives;
    std::size_t done = 0;
    std::string text = "ply\nformat binary_little_endian 1.0\n";
    for (const std::string& comment : description.comments) {
        text += "comment " + comment + "\n";
    }
    text += "element vertex " + std::to_string(vertexCount) +
            "\nproperty float x\nproperty float y\nproperty float z";
    if (!m_bLines) {
        text += "\nproperty float nx\nproperty float ny\nproperty float nz";
    }
    text += "\nproperty uchar red\nproperty uchar green\nproperty uchar blue";
    if (m_bLines) {
        text += "\nelement edge " + std::to_string(primitives) +
                "\nproperty int vertex1\nproperty int vertex2\nend_header\n";
    } else {
        text += "\nelement face " + std::to_string(primitives) +
                "\nproperty list uchar int vertex_indices\nend_header\n";
    }
    for (const auto& key : m_vertices.Keys()) {
        for (std::size_t k = 0; k < (m_bLines ? 3u : 6u); ++k) {
            appendLittleEndian(text, key[k], 4);
        }
        appendLittleEndian(text, key[6], 3);
        Emit(file, text);
        Advance(done, total);
    }
    if (m_bLines) {
        for (const auto& line : m_lines.Keys()) {
            appendLittleEndian(text, line[0], 4);
            appendLittleEndian(text, line[1], 4);
            Emit(file, text);
            Advance(done, total);
        }
    } else {
        for (std::size_t k = 0; k < m_triangles; ++k) {
            text += static_cast<char>(3);
            for (std::size_t i = 0; i < 3; ++i) {
                appendLittleEndian(text, m_faces[3 * k + i], 4);
            }
            Emit(file, text);
            Advance(done, total);
        }
    }
    Emit(file, text, true);
    Report("writing", total, total);
}

void MeshWriter::WriteObj(AtomicFile& file, const Description& description) {
    const std::size_t primitives = m_bLines ? m_lines.Size() : m_triangles;
    // Work for progress: every position and normal, then every face or line.
    const std::size_t total = m_positions.Size() + m_normals.Size() + primitives;
    std::size_t done = 0;
    std::string text;
    for (const std::string& comment : description.comments) {
        text += "# " + comment + "\n";
    }
    text += m_bLines ? "# v x y z r g b (colour 0 to 1), l v v (counted from 1)\n"
                     : "# v x y z r g b (colour 0 to 1), vn nx ny nz, f v//vn (counted from 1)\n";
    for (const auto& key : m_positions.Keys()) {
        text += 'v';
        for (std::size_t k = 0; k < 3; ++k) {
            text += ' ';
            AppendShortest(text, getDouble(&key[2 * k]));
        }
        for (std::size_t k = 6; k < 9; ++k) {
            text += ' ';
            AppendShortest(text, std::bit_cast<float>(key[k]));
        }
        text += '\n';
        Emit(file, text);
        Advance(done, total);
    }
    for (const auto& key : m_normals.Keys()) {
        text += "vn";
        for (std::size_t k = 0; k < 3; ++k) {
            text += ' ';
            AppendShortest(text, getDouble(&key[2 * k]));
        }
        text += '\n';
        Emit(file, text);
        Advance(done, total);
    }
    if (m_bLines) {
        for (const auto& line : m_lines.Keys()) {
            text += "l ";
            AppendShortest(text, line[0] + 1);
            text += ' ';
            AppendShortest(text, line[1] + 1);
            text += '\n';
            Emit(file, text);
            Advance(done, total);
        }
    } else {
        for (std::size_t k = 0; k < m_triangles; ++k) {
            text += 'f';
            for (std::size_t i = 0; i < 3; ++i) {
                text += ' ';
                AppendShortest(text, m_faces[6 * k + 2 * i] + 1);
                text += "//";
                AppendShortest(text, m_faces[6 * k + 2 * i + 1] + 1);
            }
            text += '\n';
            Emit(file, text);
            Advance(done, total);
        }
    }
    Emit(file, text, true);
    Report("writing", total, total);
}

}  // namespace moon
