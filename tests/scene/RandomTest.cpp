// SPDX-License-Identifier: MIT
#include "scene/Random.h"

#include <gtest/gtest.h>

namespace moon {
namespace {

TEST(RandomTest, MatchesTheRuntimeSequenceAndCountsDraws) {
    // The first values of the classic runtime generator after srand(1) and srand(0).
    Random::Seed(1);
    EXPECT_EQ(Random::Next(), 41);
    EXPECT_EQ(Random::Next(), 18467);
    EXPECT_EQ(Random::Next(), 6334);
    EXPECT_EQ(Random::Drawn(), 3u);

    Random::Seed(0);
    EXPECT_EQ(Random::Drawn(), 0u);
    EXPECT_EQ(Random::Next(), 38);
    EXPECT_EQ(Random::Next(), 7719);
}

TEST(RandomTest, StaysWithinFifteenBitsAndReproduces) {
    Random::Seed(4294967295u);
    int first[1000];
    for (int& value : first) {
        value = Random::Next();
        ASSERT_GE(value, 0);
        ASSERT_LE(value, Random::kMax);
    }
    Random::Seed(4294967295u);
    for (int value : first) {
        ASSERT_EQ(Random::Next(), value);
    }
}

}  // namespace
}  // namespace moon
