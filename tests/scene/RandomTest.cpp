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

TEST(RandomTest, SkipLandsWhereThatManyDrawsWould) {
    // Counts across every bit of a landscape's draws, and past 2^32 (the
    // generator's period), where the jump must wrap as the steps do.
    for (const std::uint64_t count :
         {0ull, 1ull, 2ull, 3ull, 13654ull, 40962ull, 4294967296ull + 5ull}) {
        Random::Seed(77);
        Random::Skip(count);
        const int jumped = Random::Next();
        EXPECT_EQ(Random::Drawn(), count + 1);
        Random::Seed(77);
        for (std::uint64_t drawn = 0; drawn < count % 4294967296ull; ++drawn) {
            Random::Next();
        }
        EXPECT_EQ(Random::Next(), jumped) << count;
    }
}

}  // namespace
}  // namespace moon
