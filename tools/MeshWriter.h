// SPDX-License-Identifier: MIT
// Writes the terrain's triangles, as the drawing walk produces them, into a
// mesh file: PLY (binary, little-endian) or Wavefront OBJ with vertex colours.
// Every triangle gets three vertices of its own, carrying the normal OpenGL
// would hold at that vertex and the band colour as bytes (PLY) or 0..1 (OBJ).
// Nothing is kept in memory beyond the output buffer.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "scene/Vec3.h"
#include "terrain/TriangleSink.h"

namespace moon {

class AtomicFile;

enum class MeshFormat { Ply, Obj };

class MeshWriter final : public TriangleSink {
public:
    MeshWriter(AtomicFile& file, MeshFormat format) : m_file(file), m_format(format) {}

    // The header: PLY declares its counts up front. comment: one line, no newline.
    void Begin(std::size_t triangleCount, std::string_view comment);
    void AddTriangle(const TerrainTriangle& triangle) override;
    // The faces; exactly the declared number of triangles must have been added.
    void Finish();

private:
    AtomicFile& m_file;
    MeshFormat m_format;
    std::size_t m_declared = 0;
    std::size_t m_added = 0;
    // OpenGL's initial current normal; a triangle that carries none keeps the last.
    Vec3 m_normal{0.0, 0.0, 1.0};
    std::string m_scratch;
};

}  // namespace moon
