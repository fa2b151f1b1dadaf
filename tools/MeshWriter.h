// SPDX-License-Identifier: MIT
// Turns triangles into a mesh file: PLY (binary, little-endian), Wavefront OBJ
// with vertex colours, or glTF 2.0 binary (.glb). The triangles come either
// from the drawing walk (TriangleSink, OpenGL's rules for the current normal)
// or with a normal at each corner (a joined surface, JoinedMesh).
//
// Each corner carries its normal and its band colour (bytes in PLY and glTF,
// 0..1 in OBJ). Shared vertices are written once: in PLY and glTF a vertex is
// its position, normal and colour together; OBJ indexes positions (with their
// colours) and normals apart, so each distinct one is written once. In
// wireframe (lines) a triangle becomes its three edges, an edge that triangles
// share is written once, and there are no normals.
// The triangles are gathered first, since every format wants the vertices
// before the faces that use them and PLY and glTF want the counts before either.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "scene/Colour4f.h"
#include "scene/Vec3.h"
#include "terrain/TriangleSink.h"
#include "tools/VertexTable.h"

namespace moon {

class AtomicFile;

enum class MeshFormat { Ply, Obj, Glb };

class MeshWriter final : public TriangleSink {
public:
    // Told how far the work is: a stage ("gathering", "writing") and 0 to 1.
    using Progress = std::function<void(std::string_view stage, double fraction)>;

    // What the file says about itself: PLY and OBJ take the comment lines (no
    // newlines inside), glTF the members of its asset's extras (JSON, "" for none).
    struct Description {
        std::vector<std::string> comments;
        std::string extrasJson;
    };

    // lines: wireframe, edges instead of faces. expectedTriangles: what will
    // be added, for progress and reservations only.
    MeshWriter(MeshFormat format, bool lines, std::size_t expectedTriangles,
               Progress progress = nullptr);

    // A triangle of the drawing walk.
    void AddTriangle(const TerrainTriangle& triangle) override;
    // A triangle with its own unit normal at each corner (ignored for lines).
    void AddTriangle(const std::array<const Vec3*, 3>& vertices,
                     const std::array<const Vec3*, 3>& normals,
                     const std::array<Colour4f, 3>& colours);

    // Writes the header, the vertices and the faces (or lines).
    void Write(AtomicFile& file, const Description& description);

    std::size_t GetTriangleCount() const { return m_triangles; }
    // Distinct edges (lines only).
    std::size_t GetLineCount() const { return m_lines.Size(); }
    // PLY and glTF: distinct (position, normal, colour); OBJ: distinct positions.
    std::size_t GetVertexCount() const;
    // OBJ only: distinct normals.
    std::size_t GetNormalCount() const { return m_normals.Size(); }
    // Bytes handed to the file by Write.
    std::size_t GetBytesWritten() const { return m_bytes; }

private:
    // The corner's index: the vertex (PLY, glTF) or the position (OBJ), whose
    // normal index goes to normalIndex.
    std::uint32_t AddCorner(const Vec3& vertex, const Vec3* normal, const Colour4f& colour,
                            std::uint32_t& normalIndex);
    void AddCorners(const std::array<std::uint32_t, 3>& corners,
                    const std::array<std::uint32_t, 3>& normals);
    void Emit(AtomicFile& file, std::string& text, bool force = false);
    void Report(std::string_view stage, std::size_t done, std::size_t total);
    // Counts one more unit of written work and reports now and then.
    void Advance(std::size_t& done, std::size_t total);
    void WritePly(AtomicFile& file, const Description& description);
    void WriteObj(AtomicFile& file, const Description& description);
    void WriteGlb(AtomicFile& file, const Description& description);  // MeshWriterGlb.cpp

    MeshFormat m_format;
    bool m_bLines;
    std::size_t m_expected;
    Progress m_progress;
    std::size_t m_triangles = 0;
    std::size_t m_bytes = 0;
    // OpenGL's initial current normal; a triangle that carries none keeps the last.
    Vec3 m_normal{0.0, 0.0, 1.0};
    // PLY and glTF: x y z nx ny nz as float bits (normal 0 for lines), then
    // r g b packed in one word.
    VertexTable<7> m_vertices;
    // OBJ: x y z as double bits, then r g b as float bits; normals as double bits.
    VertexTable<9> m_positions;
    VertexTable<6> m_normals;
    // Three indices a triangle (PLY, glTF), or three position-normal pairs (OBJ).
    std::vector<std::uint32_t> m_faces;
    // Lines: the two vertex (or position) indices, smaller first.
    VertexTable<2> m_lines;
};

}  // namespace moon
