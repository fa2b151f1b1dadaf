// SPDX-License-Identifier: MIT
// How the terrain's leaf triangles are sent to OpenGL. The polygon mode and
// the shade model that go with a mode are set by the view that draws.
#pragma once

#include <cstdint>

namespace moon {

enum RenderMode : std::int32_t {
    Wireframe = 0,  // GL_LINE_LOOP per triangle, no normals
    Flat = 1,       // GL_TRIANGLES, the face normal once per triangle
    Smooth = 2,     // GL_TRIANGLES, the cell's vertex normal before every vertex
};
// Any other value draws GL_TRIANGLES and sends no normals.

// The mode's name as files and commands spell it (--mode); any other value
// draws filled, as "flat".
inline const char* RenderModeName(RenderMode mode) {
    return mode == Wireframe ? "wireframe" : mode == Smooth ? "smooth" : "flat";
}

}  // namespace moon
