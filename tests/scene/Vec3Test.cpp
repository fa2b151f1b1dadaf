// SPDX-License-Identifier: MIT
#include "scene/Vec3.h"

#include <cmath>

#include <gtest/gtest.h>

namespace moon {
namespace {

TEST(Vec3Test, NormaliseMultipliesByTheReciprocalAndSkipsZeroLength) {
    Vec3 unit;
    unit.Normalise(Vec3(3, 0, 4));
    // 3 * (1/5) is not 3/5: the reciprocal rounds first.
    EXPECT_EQ(unit, Vec3(0.6000000000000001, 0, 0.8));

    Vec3 untouched(1, 2, 3);
    untouched.Normalise(Vec3());
    EXPECT_EQ(untouched, Vec3(1, 2, 3));

    Vec3 zeroed;
    zeroed.Normalise(Vec3());
    EXPECT_EQ(zeroed, Vec3());

    Vec3 self(0, 0, 2);
    self.Normalise(self);
    EXPECT_EQ(self, Vec3(0, 0, 1));
}

TEST(Vec3Test, CrossIsRightHanded) {
    Vec3 z;
    EXPECT_EQ(z.Cross(Vec3(1, 0, 0), Vec3(0, 1, 0)), Vec3(0, 0, 1));
    Vec3 minusZ;
    EXPECT_EQ(minusZ.Cross(Vec3(0, 1, 0), Vec3(1, 0, 0)), Vec3(0, 0, -1));
}

TEST(Vec3Test, SubtractAddAndDistance) {
    const Vec3 five(5, 5, 5);
    EXPECT_EQ(five.Subtract(Vec3(1, 2, 3)), Vec3(4, 3, 2));
    EXPECT_EQ(five, Vec3(5, 5, 5));

    Vec3 sum(1, 1, 1);
    sum.Add(sum, Vec3(1, 2, 3));  // in place
    EXPECT_EQ(sum, Vec3(2, 3, 4));

    EXPECT_EQ(Vec3().Distance(Vec3(3, 4, 12)), 13.0);
    // Summing x, z, y (not x, y, z) decides the last bit here.
    const double dx = 0.1, dy = 0.3, dz = 0.1;
    const double distance = Vec3(dx, dy, dz).Distance(Vec3());
    EXPECT_EQ(distance, std::sqrt(dx * dx + dz * dz + dy * dy));
    EXPECT_NE(distance, std::sqrt(dx * dx + dy * dy + dz * dz));
}

}  // namespace
}  // namespace moon
