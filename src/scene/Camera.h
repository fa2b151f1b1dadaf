// SPDX-License-Identifier: MIT
// The scene's single viewpoint: a position in world units and two angles in
// degrees (pitch, yaw) that accumulate without wrapping or clamping.
//
// The views rotate the world by the pitch about x, then by the yaw about y,
// then translate by the negated position: positive pitch looks down, positive
// yaw turns towards +x, and with both angles 0 the camera looks along -z.
#pragma once

#include "scene/Vec3.h"

namespace moon {

class Camera {
public:
    // Axis numbers for Turn and GetAngle.
    static constexpr int kPitch = 0;
    static constexpr int kYaw = 1;

    // Degree-to-radian factor for movement: 3.142 / 180, deliberately not
    // pi / 180, so the direction moved along differs slightly from the one drawn.
    static constexpr double kDegreesToRadians = 3.142 / 180.0;
    static constexpr double kNegDegreesToRadians = -kDegreesToRadians;

    Camera() = default;

    // Angles and the cached direction are left alone.
    void SetPosition(const double& x, const double& y, const double& z);
    const Vec3& GetPosition() const { return m_position; }
    // Moves along the world axes, whatever the angles are.
    void Translate(const double& dx, const double& dy, const double& dz);

    // Adds degrees to the pitch (axis 0) or the yaw (axis 1).
    void Turn(const int& axis, const double& degrees);
    const double& GetAngle(int axis) const;

    // Moves against the view direction: a positive distance moves the camera
    // backwards, away from what it looks at; a negative one moves it forwards.
    void MoveAlongView(const double& distance);

private:
    void UpdateDirection();

    Vec3 m_position;
    Vec3 m_direction;  // unit view direction, valid while m_bDirty is false
    bool m_bDirty = true;
    double m_angle[2] = {0.0, 0.0};  // pitch, yaw in degrees
};

}  // namespace moon
