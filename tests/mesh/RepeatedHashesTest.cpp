// SPDX-License-Identifier: MIT
#include "mesh/RepeatedHashes.h"

#include <gtest/gtest.h>

#include <map>
#include <random>

namespace moon {
namespace {

// Against counting in a map: hashes drawn from a small range repeat often,
// and 0 (the set's empty mark) and the largest value are among them.
TEST(RepeatedHashesTest, FindsExactlyTheHashesThatOccurMoreThanOnce) {
    std::mt19937 random(7);
    std::vector<std::uint32_t> hashes;
    for (int i = 0; i < 200000; ++i) {
        const std::uint32_t high = random() % 3 == 0 ? random() : random() % 300000;
        hashes.push_back(high * 65599u);
    }
    hashes.insert(hashes.end(), {0u, 0u, 0xFFFFFFFFu, 0xFFFFFFFFu, 12345u});
    std::map<std::uint32_t, int> counts;
    for (const std::uint32_t hash : hashes) {
        ++counts[hash];
    }
    RepeatedHashes repeated;
    repeated.Find(hashes);
    std::size_t expected = 0;
    for (const auto& [hash, count] : counts) {
        ASSERT_EQ(repeated.Contains(hash), count > 1) << hash;
        expected += count > 1 ? 1 : 0;
    }
    EXPECT_EQ(repeated.GetCount(), expected);
    EXPECT_GT(expected, 1000u);
    EXPECT_FALSE(repeated.Contains(1u));

    repeated.Find({5u, 6u});
    EXPECT_FALSE(repeated.Contains(0u));
    EXPECT_FALSE(repeated.Contains(5u));
    EXPECT_EQ(repeated.GetCount(), 0u);
}

}  // namespace
}  // namespace moon
