// SPDX-License-Identifier: MIT
#include "base/Check.h"

#include <gtest/gtest.h>

namespace moon {
namespace {

TEST(CheckDeathTest, ReportsExpressionFileLineAndStops) {
    const int depth = 7;
    // Patterns both of GoogleTest's regex engines read (Windows' knows no
    // brackets); ".?" takes the "\r" of Windows' text-mode standard error.
    EXPECT_DEATH(MOON_CHECK(depth < 6),
                 "^Check failed: depth < 6, file .*CheckTest\\.cpp, line .+\n$");
    EXPECT_DEATH(MOON_CHECK(depth < 6, "deeper than the grid"),
                 "^Check failed: depth < 6, file .*CheckTest\\.cpp, line .+: deeper than the "
                 "grid.?\n$");
}

TEST(CheckTest, PassingCheckEvaluatesItsExpressionOnce) {
    int evaluations = 0;
    MOON_CHECK(++evaluations == 1);
    MOON_CHECK(++evaluations == 2, "counted twice");
    EXPECT_EQ(evaluations, 2);
}

}  // namespace
}  // namespace moon
