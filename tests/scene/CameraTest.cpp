// SPDX-License-Identifier: MIT
#include "scene/Camera.h"

#include <gtest/gtest.h>

#include <numbers>

namespace moon {
namespace {

// From the origin, MoveAlongView(-1) leaves the camera exactly on its
// direction vector (0 + 1 * d is exact), which exposes the cached direction.
Vec3 DirectionOf(Camera camera) {
    camera.SetPosition(0.0, 0.0, 0.0);
    camera.MoveAlongView(-1.0);
    return camera.GetPosition();
}

TEST(CameraTest, MovesUseTheApproximateDegreeFactorToTheLastBit) {
    EXPECT_EQ(Camera::kDegreesToRadians, 0.017455555555555554);
    EXPECT_EQ(Camera::kDegreesToRadians, 0x1.1dfde80fa7e3fp-6);
    EXPECT_NE(Camera::kDegreesToRadians, std::numbers::pi / 180.0);

    Camera fresh;
    EXPECT_EQ(fresh.GetPosition(), Vec3(0.0, 0.0, 0.0));
    EXPECT_EQ(fresh.GetAngle(Camera::kPitch), 0.0);
    EXPECT_EQ(fresh.GetAngle(Camera::kYaw), 0.0);
    // Backwards along +z, with the small x drift because 90 k exceeds pi / 2.
    fresh.MoveAlongView(10.0);
    EXPECT_EQ(fresh.GetPosition(), Vec3(0.0020367320369517787, 0.0, 9.999999792586129));
    EXPECT_EQ(DirectionOf(Camera()), Vec3(-0.00020367320369517786, 0.0, -0.9999999792586128));

    // The start-up placement.
    Camera startUp;
    startUp.SetPosition(0.0, 0.0, 0.0);
    startUp.Translate(50.0, 120.0, -30.0);
    startUp.Turn(Camera::kPitch, 10.0);
    startUp.Turn(Camera::kYaw, 45.0);
    EXPECT_EQ(startUp.GetPosition(), Vec3(50.0, 120.0, -30.0));
    EXPECT_EQ(DirectionOf(startUp),
              Vec3(0.6962905427138414, -0.1736704641726259, -0.696432372884352));

    // Looking straight down, a positive distance moves straight up.
    Camera down;
    down.Turn(Camera::kPitch, 90.0);
    down.MoveAlongView(1.0);
    EXPECT_EQ(down.GetPosition(),
              Vec3(-4.148277390345741e-08, 0.9999999792586128, -0.00020367319947071309));
}

TEST(CameraTest, TurnsAreTakenUpByTheNextMove) {
    // Two turns before one move both count.
    Camera twice;
    twice.Turn(Camera::kPitch, 4.0);
    twice.Turn(Camera::kPitch, 6.0);
    Camera once;
    once.Turn(Camera::kPitch, 10.0);
    EXPECT_EQ(DirectionOf(twice), DirectionOf(once));

    // A turn after a move changes the following move, not the earlier one.
    Camera camera;
    camera.MoveAlongView(-1.0);
    const Vec3 afterFirst = camera.GetPosition();
    camera.Turn(Camera::kYaw, 90.0);
    camera.MoveAlongView(-1.0);
    Camera yawed;
    yawed.Turn(Camera::kYaw, 90.0);
    const Vec3 secondStep = DirectionOf(yawed);
    EXPECT_EQ(afterFirst, DirectionOf(Camera()));
    EXPECT_EQ(camera.GetPosition(), Vec3().Add(afterFirst, secondStep));
    EXPECT_GT(secondStep.x, 0.99);  // yaw 90 looks towards +x

    // A zero move leaves the position alone.
    Camera still;
    still.SetPosition(1.0, 2.0, 3.0);
    still.Turn(Camera::kYaw, 30.0);
    still.MoveAlongView(0.0);
    EXPECT_EQ(still.GetPosition(), Vec3(1.0, 2.0, 3.0));
}

TEST(CameraTest, AnglesAccumulateWithoutWrapAndPositionIgnoresThem) {
    Camera camera;
    camera.Turn(Camera::kPitch, 400.0);
    camera.Turn(Camera::kYaw, 360.0);
    EXPECT_EQ(camera.GetAngle(Camera::kPitch), 400.0);
    EXPECT_EQ(camera.GetAngle(Camera::kYaw), 360.0);

    // 360 k is not a whole turn, so yaw 360 does not look the same as yaw 0.
    Camera fullTurn;
    fullTurn.Turn(Camera::kYaw, 360.0);
    EXPECT_NE(DirectionOf(fullTurn), DirectionOf(Camera()));

    // Translate and SetPosition work on world axes and leave the angles be.
    camera.SetPosition(10.0, 20.0, 30.0);
    camera.Translate(0.0, -5.0, 0.0);
    EXPECT_EQ(camera.GetPosition(), Vec3(10.0, 15.0, 30.0));
    EXPECT_EQ(camera.GetAngle(Camera::kPitch), 400.0);
}

TEST(CameraDeathTest, RejectsAnAxisOutsidePitchAndYaw) {
    Camera camera;
    EXPECT_DEATH(camera.Turn(2, 1.0), "axis == kPitch");
    EXPECT_DEATH(camera.GetAngle(-1), "axis == kPitch");
}

}  // namespace
}  // namespace moon
