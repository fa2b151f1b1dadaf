// SPDX-License-Identifier: MIT
// Turns the terrain's triangles, as the drawing walk produces them, into a
// mesh file: PLY (binary, little-endian) or Wavefront OBJ with vertex colours.
// Each corner carries the normal OpenGL would hold there and its band colour
// (bytes in PLY, 0..1 in OBJ). Shared vertices are written once: in PLY a
// vertex is its position, normal and colour together; OBJ indexes positions
// (with their colours) and normals apart, so each distinct one is written once.
// The triangles are gathered first, since both formats want the vertices
// before the faces that use them and PLY wants the counts before either.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "scene/Vec3.h"
#include "terrain/TriangleSink.h"
#include "tools/VertexTable.h"

namespace moon {

class AtomicFile;

enum class MeshFormat { Ply, Obj };

class MeshWriter final : public TriangleSink {
public:
    // Told how far the work is: a stage ("gathering", "writing") and 0 to 1.
    using Progress = std::function<void(std::string_view stage, double fraction)>;

    // expectedTriangles: what the walk will send, for progress only.
    MeshWriter(MeshFormat format, std::size_t expectedTriangles, Progress progress = nullptr);

    void AddTriangle(const TerrainTriangle& triangle) override;

    // Writes the header (each comment line as a comment; no newlines inside),
    // the vertices and the faces.
    void Write(AtomicFile& file, const std::vector<std::string>& comments);

    std::size_t GetTriangleCount() const { return m_triangles; }
    // PLY: distinct (position, normal, colour); OBJ: distinct positions.
    std::size_t GetVertexCount() const;
    // OBJ only: distinct normals.
    std::size_t GetNormalCount() const { return m_normals.Size(); }
    // Bytes handed to the file by Write.
    std::size_t GetBytesWritten() const { return m_bytes; }

private:
    void Emit(AtomicFile& file, std::string& text, bool force = false);
    void Report(std::string_view stage, std::size_t done, std::size_t total);

    MeshFormat m_format;
    std::size_t m_expected;
    Progress m_progress;
    std::size_t m_triangles = 0;
    std::size_t m_bytes = 0;
    // OpenGL's initial current normal; a triangle that carries none keeps the last.
    Vec3 m_normal{0.0, 0.0, 1.0};
    // PLY: x y z nx ny nz as float bits, then r g b packed in one word.
    VertexTable<7> m_plyVertices;
    // OBJ: x y z as double bits, then r g b as float bits; normals as double bits.
    VertexTable<9> m_positions;
    VertexTable<6> m_normals;
    // Three indices a triangle (PLY), or three position-normal pairs (OBJ).
    std::vector<std::uint32_t> m_faces;
};

}  // namespace moon
