// SPDX-License-Identifier: MIT
// The terrain's leaf triangles as client-side vertex arrays, drawn with a few
// glDrawArrays/glDrawElements calls instead of a glBegin/glEnd pair per
// triangle. Built from the same drawing walk that feeds OpenGL directly, so it
// holds the same triangles in the same order and winding, each vertex with the
// normal and colour the immediate stream gives it; drawing it yields the same
// fragments. OpenGL 1.1 only: the arrays live in the process, so every context
// can draw the one mesh.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "scene/Colour4f.h"
#include "scene/Vec3.h"
#include "terrain/RenderMode.h"

namespace moon {

class HeightPalette;
class Terrain;

class TerrainMesh {
public:
    // Indices per draw call. One call for a whole refined tree is slower in
    // Mesa than a few of this size. A multiple of 6, so a batch always ends on
    // a whole triangle (3) and a whole line (2).
    static constexpr std::size_t kBatchIndices = 6 * 2048;

    // Replaces the arrays by the leaves of terrain as Terrain::Draw would send
    // them with mode and palette.
    void Build(const Terrain& terrain, const RenderMode& mode, const HeightPalette& palette);

    // Draws the arrays to the current context. The client array state is
    // restored afterwards, and the current normal and colour are left as the
    // immediate stream leaves them, so what is drawn next sees no difference.
    void Draw() const;

    // For tests and measurements.
    bool IsEmpty() const { return m_positions.empty(); }
    std::size_t GetVertexCount() const { return m_positions.size() / 3; }
    // Vertices in drawing order once the indices are applied (3 per triangle,
    // 2 per line).
    std::size_t GetElementCount() const;
    // Bytes held by the arrays.
    std::size_t GetByteSize() const;
    bool IsOutline() const { return m_bOutline; }
    bool HasNormals() const { return !m_normals.empty(); }
    // Empty when the vertices are drawn in their own order.
    const std::vector<std::uint32_t>& GetIndices() const { return m_indices; }

private:
    class Builder;

    // Empties the arrays, keeping their capacity.
    void Clear();

    // Three floats per vertex each: what glVertex3d, glNormal3d and glColor3f
    // would have handed OpenGL (doubles are rounded to float once, as there).
    std::vector<float> m_positions;
    std::vector<float> m_normals;  // empty when the mode sends no normals
    std::vector<float> m_colours;
    std::vector<std::uint32_t> m_indices;
    bool m_bOutline = false;  // GL_LINES (each triangle's three edges), else GL_TRIANGLES
    // The last normal (when the mode sends normals) and colour the immediate
    // stream sends, set again after drawing.
    Vec3 m_lastNormal;
    Colour4f m_lastColour;
};

}  // namespace moon
