// SPDX-License-Identifier: MIT
// The export's vertex table: one index per distinct vertex, in order of first
// use, kept through growth.
#include "mesh/VertexTable.h"

#include <gtest/gtest.h>

namespace moon {
namespace {

TEST(VertexTableTest, IndicesFollowFirstUseAndSurviveGrowth) {
    VertexTable<2> table;
    // Enough keys to grow the table several times; every key comes twice.
    constexpr std::uint32_t kCount = 10000;
    for (std::uint32_t i = 0; i < kCount; ++i) {
        ASSERT_EQ(table.Add({i, i * 7u}), i);
        ASSERT_EQ(table.Add({i, i * 7u}), i);
    }
    EXPECT_EQ(table.Size(), kCount);
    for (std::uint32_t i = 0; i < kCount; ++i) {
        ASSERT_EQ(table.Add({i, i * 7u}), i);
        ASSERT_EQ(table.Keys()[i], (VertexTable<2>::Key{i, i * 7u}));
    }
    // Keys that differ in one word only are different vertices.
    EXPECT_EQ(table.Add({0u, 1u}), kCount);
    EXPECT_EQ(table.Add({1u, 0u}), kCount + 1);
}

TEST(VertexTableTest, ReservingKeepsWhatIsThere) {
    VertexTable<1> table;
    EXPECT_EQ(table.Add({5u}), 0u);
    EXPECT_EQ(table.Add({9u}), 1u);
    table.Reserve(100000);
    EXPECT_EQ(table.Add({9u}), 1u);
    EXPECT_EQ(table.Add({5u}), 0u);
    EXPECT_EQ(table.Add({6u}), 2u);
    EXPECT_EQ(table.Size(), 3u);
}

TEST(VertexTableTest, FindAnswersWithoutAdding) {
    VertexTable<2> table;
    EXPECT_FALSE(table.Find({1u, 2u}));
    for (std::uint32_t i = 0; i < 5000; ++i) {
        table.Add({i, 3u});
    }
    EXPECT_EQ(table.Find({4321u, 3u}), 4321u);
    EXPECT_FALSE(table.Find({4321u, 4u}));
    EXPECT_EQ(table.Size(), 5000u);
}

}  // namespace
}  // namespace moon
