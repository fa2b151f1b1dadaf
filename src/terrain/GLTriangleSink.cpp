// SPDX-License-Identifier: MIT
#include "terrain/GLTriangleSink.h"

#include <GL/gl.h>

namespace moon {

void GLTriangleSink::AddTriangle(const TerrainTriangle& triangle) {
    glBegin(triangle.outline ? GL_LINE_LOOP : GL_TRIANGLES);
    if (triangle.faceNormal != nullptr) {
        glNormal3d(triangle.faceNormal->x, triangle.faceNormal->y, triangle.faceNormal->z);
    }
    for (int i = 0; i < 3; ++i) {
        if (triangle.vertexNormal != nullptr) {
            glNormal3d(triangle.vertexNormal->x, triangle.vertexNormal->y,
                       triangle.vertexNormal->z);
        }
        const Colour4f& colour = triangle.colours[static_cast<unsigned>(i)];
        glColor3f(colour.r, colour.g, colour.b);
        const Vec3& vertex = *triangle.vertices[static_cast<unsigned>(i)];
        glVertex3d(vertex.x, vertex.y, vertex.z);
    }
    glEnd();
}

}  // namespace moon
