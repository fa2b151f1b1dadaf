// SPDX-License-Identifier: MIT
#include "scene/Light.h"

#include <GL/gl.h>

namespace moon {
namespace {

GLenum lightName(int index) {
    return static_cast<GLenum>(GL_LIGHT0 + index);
}

}  // namespace

void Light::Init(int index, const Colour4f& ambient, const Colour4f& diffuse,
                 const Vec3& position) {
    m_index = index;
    m_ambient = ambient;
    m_diffuse = diffuse;
    m_position = position;
}

void Light::Enable() const {
    glEnable(GL_LIGHTING);
    glEnable(lightName(m_index));
}

void Light::ApplyColours() const {
    // The stored colours stay as they are; only the sent copies are scaled.
    const Colour4f diffuse = m_diffuse * m_intensity;
    const Colour4f ambient = m_ambient * m_intensity;
    glLightfv(lightName(m_index), GL_DIFFUSE, diffuse);
    glLightfv(lightName(m_index), GL_AMBIENT, ambient);
}

void Light::ApplyPosition() const {
    const GLfloat position[4] = {static_cast<GLfloat>(m_position.x),
                                 static_cast<GLfloat>(m_position.y),
                                 static_cast<GLfloat>(m_position.z), 1.0f};
    glLightfv(lightName(m_index), GL_POSITION, position);
}

void Light::AddIntensity(const double& delta) {
    m_intensity += delta;
}

}  // namespace moon
