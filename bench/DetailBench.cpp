// SPDX-License-Identifier: MIT
// Level of detail and drawing on the viewer's depth-6 terrain. The viewpoint
// is 2 units above the terrain's middle (the point its root's four children
// share), where refinement is deepest. Drawing goes to the recording GL in its
// counting mode: the cost measured is the walk, the colour look-ups and the calls.
#include <benchmark/benchmark.h>

#include <memory>

#include "scene/Random.h"
#include "terrain/TerrainModel.h"
#include "tests/support/RecordingGL.h"

namespace moon {
namespace {

constexpr int kViewerDepth = 6;
constexpr std::uint32_t kSeed = 1;

std::unique_ptr<TerrainModel> GeneratedModel() {
    Random::Seed(kSeed);
    auto model = std::make_unique<TerrainModel>();
    model->Regenerate(kViewerDepth);
    return model;
}

Vec3 Viewpoint(const TerrainModel& model) {
    const Vec3& centre = model.GetTerrain()->GetRoot()->children[0]->points[2];
    return Vec3(250.0, centre.y + 2.0, -250.0);
}

void ReportSize(benchmark::State& state, const TerrainModel& model) {
    const TerrainNode* root = model.GetTerrain()->GetRoot();
    double nodes = 0;
    ForEachNode(root, [&nodes](const TerrainNode&) { ++nodes; });
    state.counters["nodes"] = nodes;
    state.counters["leaves"] = static_cast<double>(CountLeaves(root));
}

void BM_DetailRefine(benchmark::State& state) {
    std::unique_ptr<TerrainModel> model;
    for (auto _ : state) {
        state.PauseTiming();
        model = GeneratedModel();
        const Vec3 viewpoint = Viewpoint(*model);
        state.ResumeTiming();
        model->UpdateDetail(viewpoint, true);
    }
    ReportSize(state, *model);
}
BENCHMARK(BM_DetailRefine)->Unit(benchmark::kMicrosecond);

void BM_DetailSteady(benchmark::State& state) {
    std::unique_ptr<TerrainModel> model = GeneratedModel();
    const Vec3 viewpoint = Viewpoint(*model);
    model->UpdateDetail(viewpoint, true);
    for (auto _ : state) {
        model->UpdateDetail(viewpoint, true);
    }
    ReportSize(state, *model);
}
BENCHMARK(BM_DetailSteady)->Unit(benchmark::kMicrosecond);

// Switching detail off on the refined tree: every refined cell is deleted.
void BM_DetailOff(benchmark::State& state) {
    std::unique_ptr<TerrainModel> model;
    for (auto _ : state) {
        state.PauseTiming();
        model = GeneratedModel();
        model->UpdateDetail(Viewpoint(*model), true);
        state.ResumeTiming();
        model->UpdateDetail(Vec3(), false);
    }
    ReportSize(state, *model);
}
BENCHMARK(BM_DetailOff)->Unit(benchmark::kMicrosecond);

void DrawBenchmark(benchmark::State& state, bool refined) {
    std::unique_ptr<TerrainModel> model = GeneratedModel();
    if (refined) {
        model->UpdateDetail(Viewpoint(*model), true);
    }
    test::RecordingGL::SetMode(test::RecordingGL::Mode::Count);
    test::RecordingGL::Reset();
    for (auto _ : state) {
        model->Draw();
    }
    state.counters["calls/draw"] =
        static_cast<double>(test::RecordingGL::Count()) / static_cast<double>(state.iterations());
    ReportSize(state, *model);
}

void BM_DrawGenerated(benchmark::State& state) {
    DrawBenchmark(state, false);
}
BENCHMARK(BM_DrawGenerated)->Unit(benchmark::kMicrosecond);

void BM_DrawRefined(benchmark::State& state) {
    DrawBenchmark(state, true);
}
BENCHMARK(BM_DrawRefined)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace moon
