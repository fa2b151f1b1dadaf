// SPDX-License-Identifier: MIT
// Sends each terrain triangle to the current OpenGL context as its own
// glBegin/glEnd pair: normals as the triangle carries them, glColor3f and
// glVertex3d per vertex. Touches no other GL state. The terrain library only
// needs the GL headers; programs link libGL, tests the recording GL.
#pragma once

#include "terrain/TriangleSink.h"

namespace moon {

class GLTriangleSink final : public TriangleSink {
public:
    void AddTriangle(const TerrainTriangle& triangle) override;
};

}  // namespace moon
