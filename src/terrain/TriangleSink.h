// SPDX-License-Identifier: MIT
// Where the terrain's drawing walk sends its leaf triangles: OpenGL
// (GLTriangleSink) or a mesh file being exported (moon-terrain export).
#pragma once

#include "terrain/TerrainTriangle.h"

namespace moon {

class TriangleSink {
public:
    virtual ~TriangleSink() = default;
    // Called in drawing order; the triangle's pointers are valid only during the call.
    virtual void AddTriangle(const TerrainTriangle& triangle) = 0;
};

}  // namespace moon
