// SPDX-License-Identifier: MIT
#include "scene/Colour4f.h"

#include <gtest/gtest.h>

namespace moon {
namespace {

TEST(Colour4fTest, BytesAreMultipliedByTheFloatReciprocal) {
    EXPECT_EQ(Colour4f(255, 255, 255), Colour4f(1.0f, 1.0f, 1.0f, 1.0f));
    EXPECT_EQ(Colour4f(0, 0, 0), Colour4f::Black());
    const Colour4f c(3, 100, 246);
    EXPECT_EQ(c.r, 0.011764707043766975f);  // 3 / 255 would give 0.0117647061124444
    EXPECT_NE(c.r, static_cast<float>(3 / 255.0));
    EXPECT_EQ(c.g, 0.3921568989753723f);
    EXPECT_EQ(c.b, 0.9647059440612793f);
    EXPECT_EQ(c.a, 1.0f);
}

TEST(Colour4fTest, DefaultIsTransparentBlackAndScalingSetsAlphaOne) {
    EXPECT_EQ(Colour4f(), Colour4f(0.0f, 0.0f, 0.0f, 0.0f));

    const Colour4f grey(0.2f, 0.2f, 0.2f, 1.0f);
    const Colour4f quarter = grey * 0.25;
    EXPECT_EQ(quarter.r, static_cast<float>(0.2f * 0.25));
    EXPECT_EQ(quarter.a, 1.0f);
    EXPECT_EQ((grey * 1.5).r, 0.30000001192092896f);

    EXPECT_EQ((Colour4f(1.0f, 1.0f, 1.0f, 0.0f) * 1.0).a, 1.0f);
    const float* asArray = grey;
    EXPECT_EQ(asArray[3], 1.0f);
}

}  // namespace
}  // namespace moon
