// SPDX-License-Identifier: MIT
// The mesh library's hand-made tables against the standard library's, on the
// sizes exports give them:
// - finding the repeated hashes among a depth-11 flat OBJ's 16.8 million
//   separate normals (RepeatedHashes: a radix sort and an open-addressed set)
//   against std::sort and std::unordered_set, and looking each one up again;
// - numbering 2 million distinct vertices of 7 words each, every one added
//   three times, as a gathered mesh does (VertexTable) against
//   std::unordered_map.
// Run with --benchmark_repetitions for medians.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <random>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "mesh/RepeatedHashes.h"
#include "mesh/VertexTable.h"
#include "mesh/WordHash.h"

namespace moon {
namespace {

constexpr std::size_t kNormals = 4 * (std::size_t{1} << 22);
constexpr std::size_t kVertices = 2000000;

// Distinct but for one in a thousand, which repeats an earlier one.
std::vector<std::uint32_t> hashes() {
    std::mt19937 random(42);
    std::vector<std::uint32_t> values(kNormals);
    for (std::size_t i = 0; i < values.size(); ++i) {
        values[i] = i % 1000 == 999 ? values[random() % i] : static_cast<std::uint32_t>(random());
    }
    return values;
}

void BM_RepeatedHashesHandMade(benchmark::State& state) {
    const std::vector<std::uint32_t> values = hashes();
    for (auto _ : state) {
        RepeatedHashes repeated;
        repeated.Find(values);
        std::size_t found = 0;
        for (const std::uint32_t value : values) {
            found += repeated.Contains(value) ? 1 : 0;
        }
        benchmark::DoNotOptimize(found);
    }
}
BENCHMARK(BM_RepeatedHashesHandMade)->Unit(benchmark::kMillisecond);

void BM_RepeatedHashesStandard(benchmark::State& state) {
    const std::vector<std::uint32_t> values = hashes();
    for (auto _ : state) {
        std::vector<std::uint32_t> sorted = values;
        std::sort(sorted.begin(), sorted.end());
        std::unordered_set<std::uint32_t> repeated;
        for (std::size_t i = 0; i + 1 < sorted.size(); ++i) {
            if (sorted[i] == sorted[i + 1]) {
                repeated.insert(sorted[i]);
            }
        }
        sorted = {};
        std::size_t found = 0;
        for (const std::uint32_t value : values) {
            found += repeated.contains(value) ? 1 : 0;
        }
        benchmark::DoNotOptimize(found);
    }
}
BENCHMARK(BM_RepeatedHashesStandard)->Unit(benchmark::kMillisecond);

using Key = std::array<std::uint32_t, 7>;

std::vector<Key> vertices() {
    std::mt19937 random(7);
    std::vector<Key> keys(kVertices);
    for (Key& key : keys) {
        for (std::uint32_t& word : key) {
            word = static_cast<std::uint32_t>(random());
        }
    }
    return keys;
}

void BM_VertexTableHandMade(benchmark::State& state) {
    const std::vector<Key> keys = vertices();
    for (auto _ : state) {
        VertexTable<7> table;
        std::uint64_t sum = 0;
        for (int round = 0; round < 3; ++round) {
            for (const Key& key : keys) {
                sum += table.Add(key);
            }
        }
        benchmark::DoNotOptimize(sum);
    }
}
BENCHMARK(BM_VertexTableHandMade)->Unit(benchmark::kMillisecond);

struct KeyHash {
    std::size_t operator()(const Key& key) const { return HashWords(key); }
};

void BM_VertexTableStandard(benchmark::State& state) {
    const std::vector<Key> keys = vertices();
    for (auto _ : state) {
        // The keys in order of first use, as the writers read them, and each one's index.
        std::vector<Key> order;
        std::unordered_map<Key, std::uint32_t, KeyHash> table;
        std::uint64_t sum = 0;
        for (int round = 0; round < 3; ++round) {
            for (const Key& key : keys) {
                const auto [place, added] =
                    table.try_emplace(key, static_cast<std::uint32_t>(order.size()));
                if (added) {
                    order.push_back(key);
                }
                sum += place->second;
            }
        }
        benchmark::DoNotOptimize(sum);
    }
}
BENCHMARK(BM_VertexTableStandard)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace moon
