// SPDX-License-Identifier: MIT
#include "viewer/StarField.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cmath>

#include "scene/Random.h"
#include "tests/support/RecordingGL.h"

namespace moon {
namespace {

using test::GLCall;
using test::RecordingGL;

// Checks the whole Draw stream: one GL_POINTS batch of 350 stars, each its
// grey level as colour and then its place at height 0.
void ExpectDrawn(const StarField& field) {
    RecordingGL::Reset();
    field.Draw();
    const std::vector<GLCall>& calls = RecordingGL::Calls();
    ASSERT_EQ(calls.size(), 2u + 2u * StarField::kStarCount);
    EXPECT_STREQ(calls.front().name, "glBegin");
    EXPECT_EQ(calls.front()[0], GL_POINTS);
    EXPECT_STREQ(calls.back().name, "glEnd");
    for (int i = 0; i < StarField::kStarCount; ++i) {
        const Vec3& star = field.GetStars()[static_cast<std::size_t>(i)];
        const GLCall& colour = calls[static_cast<std::size_t>(1 + 2 * i)];
        const GLCall& vertex = calls[static_cast<std::size_t>(2 + 2 * i)];
        ASSERT_STREQ(colour.name, "glColor3d");
        ASSERT_STREQ(vertex.name, "glVertex3d");
        EXPECT_EQ(colour.args, (std::array<double, 6>{star.y, star.y, star.y}));
        EXPECT_EQ(vertex.args, (std::array<double, 6>{star.x, 0.0, star.z}));
    }
}

TEST(StarFieldTest, UnfilledFieldDrawsBlackPointsAtTheOrigin) {
    const StarField field;
    for (const Vec3& star : field.GetStars()) {
        EXPECT_EQ(star, Vec3());
    }
    ExpectDrawn(field);
}

TEST(StarFieldTest, StarsAreWholeNumbersInRangeWithTwoGreyLevels) {
    Random::Seed(1);
    StarField field;
    field.Fill(2000, 2000, 350);
    EXPECT_EQ(Random::Drawn(), 3u * 350u);

    // The first three values after seed 1 are 41, 18467 and 6334: drawn in
    // the order x, grey level, z (6334 modulo 2000 is 334).
    EXPECT_EQ(field.GetStars()[0], Vec3(41.0, StarField::kBrightGrey, -334.0));

    int bright = 0;
    for (const Vec3& star : field.GetStars()) {
        EXPECT_EQ(star.x, std::floor(star.x));
        EXPECT_EQ(star.z, std::floor(star.z));
        EXPECT_GE(star.x, 0.0);
        EXPECT_LE(star.x, 1999.0);
        EXPECT_GE(star.z, -1999.0);
        EXPECT_LE(star.z, 0.0);
        EXPECT_TRUE(star.y == 0.0 || star.y == 0.6666666666666666) << star.y;
        bright += star.y != 0.0 ? 1 : 0;
    }
    // Both levels occur in a field of 350.
    EXPECT_GT(bright, 0);
    EXPECT_LT(bright, StarField::kStarCount);
    ExpectDrawn(field);
}

TEST(StarFieldTest, FillTouchesOnlyTheFirstCountStars) {
    Random::Seed(7);
    StarField field;
    field.Fill(2000, 2000, 100);
    EXPECT_EQ(Random::Drawn(), 300u);
    const auto& stars = field.GetStars();
    EXPECT_NE(stars[99], Vec3());
    for (std::size_t i = 100; i < stars.size(); ++i) {
        EXPECT_EQ(stars[i], Vec3()) << i;
    }
    ExpectDrawn(field);

    // Zero or a negative count changes nothing and draws nothing.
    const auto before = field.GetStars();
    field.Fill(2000, 2000, 0);
    field.Fill(2000, 2000, -5);
    EXPECT_EQ(field.GetStars(), before);
    EXPECT_EQ(Random::Drawn(), 300u);
}

TEST(StarFieldTest, CountAboveTheFieldIsClampedAndEmptyRangesGiveZero) {
    // More stars than the field holds: only 350 are filled, and only their
    // values are drawn from the sequence.
    Random::Seed(3);
    StarField clamped;
    clamped.Fill(2000, 2000, 1000);
    EXPECT_EQ(Random::Drawn(), 3u * 350u);
    Random::Seed(3);
    StarField exact;
    exact.Fill(2000, 2000, 350);
    EXPECT_EQ(clamped.GetStars(), exact.GetStars());

    // An empty range puts that coordinate at 0 but still consumes its value,
    // so the other coordinates match a field filled with sound ranges.
    Random::Seed(3);
    StarField emptyX;
    emptyX.Fill(0, 2000, 350);
    Random::Seed(3);
    StarField emptyZ;
    emptyZ.Fill(2000, -10, 350);
    EXPECT_EQ(Random::Drawn(), 3u * 350u);
    for (std::size_t i = 0; i < exact.GetStars().size(); ++i) {
        const Vec3& sound = exact.GetStars()[i];
        EXPECT_EQ(emptyX.GetStars()[i], Vec3(0.0, sound.y, sound.z)) << i;
        EXPECT_EQ(emptyZ.GetStars()[i], Vec3(sound.x, sound.y, 0.0)) << i;
        EXPECT_FALSE(std::signbit(emptyZ.GetStars()[i].z)) << i;
    }
}

}  // namespace
}  // namespace moon
