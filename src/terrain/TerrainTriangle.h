// SPDX-License-Identifier: MIT
// One leaf triangle as the drawing walk produces it, handed to a TriangleSink.
// The walk has already applied the render mode: which primitive, which normal
// goes where. Sinks only transport what they are given, so the OpenGL stream
// and an exported mesh cannot disagree.
#pragma once

#include <array>

#include "scene/Colour4f.h"
#include "scene/Vec3.h"

namespace moon {

struct TerrainTriangle {
    // True: an outline (GL_LINE_LOOP); false: a filled triangle (GL_TRIANGLES).
    bool outline = false;
    // Sent once, before the first vertex; null when the mode sends none.
    const Vec3* faceNormal = nullptr;
    // Sent before every vertex; null when the mode sends none.
    const Vec3* vertexNormal = nullptr;
    // Counter-clockwise seen from above (+y).
    std::array<const Vec3*, 3> vertices{};
    // Each vertex's height-band colour; only r, g, b are drawn.
    std::array<Colour4f, 3> colours{};
};

}  // namespace moon
