// SPDX-License-Identifier: MIT
#include "viewer/Sun.h"

#include "scene/Colour4f.h"

namespace moon {

void Sun::QuadricDeleter::operator()(GLUquadric* quadric) const {
    gluDeleteQuadric(quadric);
}

Sun::~Sun() = default;

void Sun::Init(float radius, int slices, int stacks, GLboolean texture) {
    // A second Init replaces (and releases) the first quadric.
    m_pQuadric.reset(gluNewQuadric());
    if (!m_pQuadric) {
        return;  // out of memory: the sun stays undrawn rather than crash in GLU
    }
    gluQuadricNormals(m_pQuadric.get(), GLU_SMOOTH);
    m_radius = radius;
    m_slices = slices;
    m_stacks = stacks;
    gluQuadricTexture(m_pQuadric.get(), texture);
}

void Sun::Draw() const {
    if (!m_pQuadric) {
        return;
    }
    // Bytes 246, 250, 174 through the float reciprocal of 255, alpha 1.
    const Colour4f colour(246, 250, 174);
    glPushMatrix();
    glDisable(GL_COLOR_MATERIAL);
    glMaterialfv(GL_FRONT, GL_AMBIENT_AND_DIFFUSE, colour);
    gluSphere(m_pQuadric.get(), static_cast<double>(m_radius), m_slices, m_stacks);
    glEnable(GL_COLOR_MATERIAL);
    glPopMatrix();
}

}  // namespace moon
