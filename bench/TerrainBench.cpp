// SPDX-License-Identifier: MIT
// Generation of the viewer's depth-6 terrain against its floor: the same
// 5,461 nodes allocated and initialised (normals included) with no random
// draws and no shared-point repair. Run with --benchmark_repetitions for medians.
#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

#include "scene/Random.h"
#include "terrain/Terrain.h"

namespace moon {
namespace {

constexpr int kViewerDepth = 6;
constexpr std::uint32_t kSeed = 1;

std::unique_ptr<Terrain> GenerateTerrain(int depth) {
    Random::Seed(kSeed);
    auto terrain = std::make_unique<Terrain>();
    terrain->Generate(depth);
    return terrain;
}

void BM_GenerateDepth6(benchmark::State& state) {
    std::unique_ptr<Terrain> terrain;
    for (auto _ : state) {
        state.PauseTiming();
        terrain.reset();
        Random::Seed(kSeed);
        terrain = std::make_unique<Terrain>();
        state.ResumeTiming();
        terrain->Generate(kViewerDepth);
        benchmark::DoNotOptimize(terrain->GetRoot());
    }
}
BENCHMARK(BM_GenerateDepth6)->Unit(benchmark::kMicrosecond);

// The same generation with every shared point repaired by the walk from the
// root (a hand-made root takes that path): what the cell grid saves.
void BM_GenerateDepth6WalkingFromRoot(benchmark::State& state) {
    std::unique_ptr<Terrain> terrain;
    for (auto _ : state) {
        state.PauseTiming();
        terrain.reset();
        Random::Seed(kSeed);
        terrain = std::make_unique<Terrain>();
        std::array<Vec3, 5> corners = GenerateTerrain(0)->GetRoot()->points;  // same 4 draws
        auto root = std::make_unique<TerrainNode>();
        root->Init(nullptr, corners, true);
        terrain->SetRoot(std::move(root));
        state.ResumeTiming();
        terrain->Subdivide(0, kViewerDepth, terrain->GetRoot(), true);
        benchmark::DoNotOptimize(terrain->GetRoot());
    }
}
BENCHMARK(BM_GenerateDepth6WalkingFromRoot)->Unit(benchmark::kMicrosecond);

void BM_DestroyDepth6(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        std::unique_ptr<Terrain> terrain = GenerateTerrain(kViewerDepth);
        state.ResumeTiming();
        terrain.reset();
    }
}
BENCHMARK(BM_DestroyDepth6)->Unit(benchmark::kMicrosecond);

// The generated tree's points in pre-order, read back in the same order.
void CollectPoints(const TerrainNode& node, std::vector<std::array<Vec3, 5>>& points) {
    points.push_back(node.points);
    for (const auto& child : node.children) {
        if (child) {
            CollectPoints(*child, points);
        }
    }
}

std::unique_ptr<TerrainNode> BuildNode(TerrainNode* parent, int depth,
                                       const std::array<Vec3, 5>*& next) {
    auto node = std::make_unique<TerrainNode>();
    node->Init(parent, *next++, true);
    if (depth > 0) {
        for (auto& child : node->children) {
            child = BuildNode(node.get(), depth - 1, next);
        }
    }
    return node;
}

void BM_FloorDepth6(benchmark::State& state) {
    std::vector<std::array<Vec3, 5>> points;
    CollectPoints(*GenerateTerrain(kViewerDepth)->GetRoot(), points);
    std::unique_ptr<TerrainNode> root;
    for (auto _ : state) {
        state.PauseTiming();
        root.reset();
        state.ResumeTiming();
        const std::array<Vec3, 5>* next = points.data();
        root = BuildNode(nullptr, kViewerDepth, next);
        benchmark::DoNotOptimize(root.get());
    }
    state.counters["nodes"] = static_cast<double>(points.size());
}
BENCHMARK(BM_FloorDepth6)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace moon
