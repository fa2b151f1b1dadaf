// SPDX-License-Identifier: MIT
// The pale yellow sphere drawn where the circling light is. It is lit like
// the terrain; colour-material tracking is switched off only while the sphere
// is drawn so that the sun's own material applies.
#pragma once

#include <GL/gl.h>
#include <GL/glu.h>

#include <memory>

namespace moon {

class Sun {
public:
    // No quadric: Draw does nothing until Init.
    Sun() = default;
    ~Sun();
    Sun(const Sun&) = delete;
    Sun& operator=(const Sun&) = delete;

    // Creates the quadric with smooth normals and stores the sphere's size:
    // radius in world units, slices around the axis, stacks along it. The
    // texture flag switches texture-coordinate generation.
    void Init(float radius, int slices, int stacks, GLboolean texture);

    // Draws the sphere at the current origin; the model-view matrix and
    // GL_COLOR_MATERIAL (left enabled) are as before.
    void Draw() const;

    bool HasQuadric() const { return m_pQuadric != nullptr; }

private:
    struct QuadricDeleter {
        void operator()(GLUquadric* quadric) const;
    };

    std::unique_ptr<GLUquadric, QuadricDeleter> m_pQuadric;
    float m_radius = 0.0f;
    int m_slices = 0;
    int m_stacks = 0;
};

}  // namespace moon
