// SPDX-License-Identifier: MIT
#include "scene/Numeric.h"

#include <cmath>
#include <limits>

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

}  // namespace
}  // namespace moon
