// SPDX-License-Identifier: MIT
#include "scene/Camera.h"

#include "base/Check.h"
#include "scene/Numeric.h"

namespace moon {

void Camera::SetPosition(const double& x, const double& y, const double& z) {
    m_position.Set(x, y, z);
}

void Camera::Translate(const double& dx, const double& dy, const double& dz) {
    m_position.Add(m_position, Vec3(dx, dy, dz));
}

void Camera::Turn(const int& axis, const double& degrees) {
    // An index outside the two angles would write past the member.
    MOON_CHECK(axis == kPitch || axis == kYaw);
    m_angle[axis] += degrees;
    m_bDirty = true;
}

const double& Camera::GetAngle(int axis) const {
    MOON_CHECK(axis == kPitch || axis == kYaw);
    return m_angle[axis];
}

void Camera::UpdateDirection() {
    // Equals (cos p sin y, -sin p, -cos p cos y) for pitch p and yaw y, to
    // within the 3.142 approximation; the order of operations fixes the bits.
    const double a = m_angle[kPitch] * kNegDegreesToRadians;
    const double b = (90.0 - m_angle[kYaw]) * kDegreesToRadians;
    m_direction.x = Cosine(b) * Cosine(a);
    m_direction.z = -(Sine(b) * Cosine(a));
    m_direction.y = Sine(a);
    m_bDirty = false;
}

void Camera::MoveAlongView(const double& distance) {
    if (m_bDirty) {
        UpdateDirection();
    }
    const Vec3 step(-distance * m_direction.x, -distance * m_direction.y,
                    -distance * m_direction.z);
    m_position.Add(m_position, step);
}

}  // namespace moon
