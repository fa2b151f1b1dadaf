// SPDX-License-Identifier: MIT
#include "scene/Numeric.h"

#include <cmath>
#include <limits>
#include <random>

#include <gtest/gtest.h>

namespace moon {
namespace {

TEST(NumericTest, RoundToDecimalsRoundsHalvesUpward) {
    EXPECT_EQ(RoundToDecimals(1.23449, 3), 1.234);
    EXPECT_EQ(RoundToDecimals(-0.0004, 3), 0.0);
    EXPECT_EQ(RoundToDecimals(2.5, 0), 3.0);
    EXPECT_EQ(RoundToDecimals(-2.5, 0), -2.0);
    EXPECT_EQ(RoundToDecimals(1234.0, -2), 1200.0);
    EXPECT_EQ(RoundToDecimals(-382.8125, 3), -382.812);  // exact half rounds toward +inf
}

TEST(NumericTest, NearlyEqualUsesTheFloatTolerance) {
    EXPECT_TRUE(NearlyEqual(1.0, 1.0));
    EXPECT_FALSE(NearlyEqual(0.0, 1e-20));
    EXPECT_TRUE(NearlyEqual(0.0, 9.999999682655225e-21));
    const double nan = std::numeric_limits<double>::quiet_NaN();
    EXPECT_FALSE(NearlyEqual(nan, nan));
    EXPECT_FALSE(NearlyEqual(0.0, nan));
}

// The exact values were taken at 200 bits. These inputs lie within a
// two-hundredth of an ulp of halfway between two doubles, where C libraries
// (glibc's among them) round the wrong way.
TEST(NumericTest, SineAndCosineAreCorrectlyRoundedNearHalfway) {
    EXPECT_EQ(Sine(-0x1.6f0e3a2de34efp+4), 0x1.a06aa4c77a821p-1);
    EXPECT_EQ(Sine(-0x1.d10472b10432ap+4), 0x1.6b6e65adb4593p-1);
    EXPECT_EQ(Sine(-0x1.c6f8c569c9498p+4), 0x1.491dd2778221dp-3);
    EXPECT_EQ(Cosine(0x1.38b9ef768a1fp+2), 0x1.6279a0ce23293p-3);
    EXPECT_EQ(Sine(0x1.6fd581198e79ap+4), -0x1.ae6943c83c851p-1);
}

TEST(NumericTest, SineAndCosineKeepTheirExactValuesAndSymmetries) {
    EXPECT_EQ(Sine(0.0), 0.0);
    EXPECT_TRUE(std::signbit(Sine(-0.0)));
    EXPECT_EQ(Cosine(0.0), 1.0);
    EXPECT_EQ(Sine(0x1.921fb54442d18p0), 1.0);  // the double nearest pi / 2
    EXPECT_EQ(Cosine(0x1.921fb54442d18p0), 0x1.1a62633145c07p-54);
    EXPECT_EQ(Sine(0x1.921fb54442d18p1), 0x1.1a62633145c07p-53);  // nearest pi
    std::mt19937_64 random(7);
    std::uniform_real_distribution<double> angles(-10.0, 10.0);
    for (int i = 0; i < 10000; ++i) {
        const double x = angles(random);
        ASSERT_EQ(Sine(-x), -Sine(x)) << x;
        ASSERT_EQ(Cosine(-x), Cosine(x)) << x;
        // Within an ulp of the C library's, which is within an ulp of the
        // truth (some libraries lose more near the zeros: those are left out).
        for (const auto& [ours, theirs] :
             {std::pair{Sine(x), std::sin(x)}, std::pair{Cosine(x), std::cos(x)}}) {
            if (std::fabs(theirs) > 1e-3) {
                ASSERT_LE(std::fabs(ours - theirs),
                          std::nextafter(std::fabs(theirs), 2.0) - std::fabs(theirs))
                    << x;
            }
        }
    }
    // Outside the reduction's range the C library answers (x87-based ones lose bits there).
    EXPECT_NEAR(Sine(1e7), 0.42054779319078249, 1e-12);
    EXPECT_TRUE(std::isnan(Cosine(std::numeric_limits<double>::infinity())));
}

}  // namespace
}  // namespace moon
