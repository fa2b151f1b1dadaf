// SPDX-License-Identifier: MIT
// Frames of the two views with real OpenGL (Mesa), through the real window
// system: run under a display (Xvfb is fine) or with SDL_VIDEODRIVER=offscreen.
//
// Each view's OnDisplay is timed at the start-up camera (the generated tree,
// 4,096 leaves) and after a level-of-detail pass close above the terrain's
// centre (about 18,000 leaves), once with the terrain sent in immediate mode
// (the reference stream) and once from the cached mesh. Every timed frame ends
// with glFinish, so the software rasteriser's work is inside the measurement.
// Then the mesh rebuild alone, and drag steps: the mouse move with its
// level-of-detail pass, the rebuild it causes, then a frame of each view; and
// a turn, whose pass changes nothing and so costs no rebuild.
//
// The same frames follow on the landscape of --craters (refined, with its
// craters in the cached mesh): the field costs nothing per frame. Those run
// after all the others, as the scene turns to them once.
//
// Run with --benchmark_repetitions=N --benchmark_report_aggregates_only=true
// for medians.
#include <benchmark/benchmark.h>

#include <GL/gl.h>

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

#include "framework/GLAppCore.h"
#include "framework/GLWindowExtra.h"
#include "framework/platform/Platform.h"
#include "scene/Camera.h"
#include "scene/Random.h"
#include "terrain/Terrain.h"
#include "terrain/TerrainMesh.h"
#include "terrain/TerrainModel.h"
#include "tests/support/MessagePump.h"
#include "viewer/MoonApp.h"

namespace moon {
namespace {

enum class Tree { StartUp, Refined };
enum class Path { Immediate, Mesh };
enum class Landscape { Plain, Craters };

// The application with both OS windows open and both views' OnCreate done.
class Scene {
public:
    static Scene* Get() {
        static std::unique_ptr<Scene> scene = [] {
            auto made = std::make_unique<Scene>();
            return made->m_bOpen ? std::move(made) : nullptr;
        }();
        return scene.get();
    }

    Scene() {
        m_app = std::make_unique<MoonApp>();
        // The same landscape on every run, whatever the clock says.
        Random::Seed(1);
        m_app->GetTerrainModel()->Regenerate(6);
        for (GLWindowExtra* record : GLAppCore::Instance()->m_windows) {
            if (!record->Recreate()) {
                return;
            }
        }
        // Handle the creation messages (OnCreate) and the first sizes.
        for (int round = 0; round < 1000; ++round) {
            test::PumpMessages(platform::Platform::Get());
        }
        m_bOpen = true;
    }

    // False when plain frames are asked for once the craters are laid.
    bool Use(Landscape landscape) {
        if (landscape == Landscape::Craters && !m_bCraters) {
            TerrainModel& model = *m_app->GetTerrainModel();
            Random::Seed(1);
            model.EnableRefinement(1, true);
            model.Regenerate(6);
            m_bCraters = true;
        }
        return (landscape == Landscape::Craters) == m_bCraters;
    }

    // Puts the tree and camera in the wanted state; returns the leaf count.
    std::size_t Prepare(Tree tree) {
        TerrainModel& model = *m_app->GetTerrainModel();
        Camera& camera = m_app->GetCamera();
        if (tree == Tree::StartUp) {
            camera.SetPosition(50, 120, -30);
            model.UpdateDetail(camera.GetPosition(), false);
        } else {
            // Two units above the point the root's four children share.
            const TerrainNode& root = *model.GetTerrain()->GetRoot();
            const double h = root.children[0]->points[2].y;
            camera.SetPosition(250, h + 2, -250);
            model.UpdateDetail(camera.GetPosition(), true);
        }
        return CountLeaves(model.GetTerrain()->GetRoot());
    }

    MoonApp& App() { return *m_app; }

private:
    std::unique_ptr<MoonApp> m_app;
    bool m_bOpen = false;
    bool m_bCraters = false;
};

GLWindow& viewOf(MoonApp& app, int view) {
    return view == 0 ? static_cast<GLWindow&>(app.GetPlanView())
                     : static_cast<GLWindow&>(app.GetPerspectiveView());
}

void BM_Frame(benchmark::State& state, int view, Tree tree, Path path, Landscape landscape) {
    Scene* scene = Scene::Get();
    if (scene == nullptr) {
        state.SkipWithError("no window could be opened (no display?)");
        return;
    }
    if (!scene->Use(landscape)) {
        state.SkipWithError("plain frames run before the cratered ones");
        return;
    }
    state.counters["leaves"] = static_cast<double>(scene->Prepare(tree));
    TerrainModel& model = *scene->App().GetTerrainModel();
    model.SetMeshEnabled(path == Path::Mesh);
    GLWindow& window = viewOf(scene->App(), view);
    GLWindowExtra& record = *window.GetExtra();
    record.MakeCurrent(true);
    window.OnDisplay();  // builds the mesh for this tree, outside the timing
    glFinish();
    for (auto _ : state) {
        window.OnDisplay();
        glFinish();
    }
    record.MakeCurrent(false);
    if (path == Path::Mesh) {
        state.counters["meshMB"] = static_cast<double>(model.GetMesh().GetByteSize()) / 1e6;
    }
    model.SetMeshEnabled(true);
}

// The mesh built from the tree in the model's mode (flat shading at start-up);
// no GL involved.
void BM_MeshBuild(benchmark::State& state, Tree tree) {
    Scene* scene = Scene::Get();
    if (scene == nullptr) {
        state.SkipWithError("no window could be opened (no display?)");
        return;
    }
    state.counters["leaves"] = static_cast<double>(scene->Prepare(tree));
    const TerrainModel& model = *scene->App().GetTerrainModel();
    TerrainMesh mesh;
    for (auto _ : state) {
        mesh.Build(*model.GetTerrain(), model.GetRenderMode(),
                   model.GetPalette(model.GetPaletteIndex()));
        benchmark::DoNotOptimize(mesh.GetVertexCount());
    }
    state.counters["meshMB"] = static_cast<double>(mesh.GetByteSize()) / 1e6;
}

// One step of a drag, then a frame of each view. A left drag moves the
// camera a unit along the view and back, in turn, and its level-of-detail
// pass changes the tree every time; a right drag sideways turns it a degree
// to and fro, and its pass finds nothing to change.
enum class Drag { Move, Turn };

void BM_DragStep(benchmark::State& state, Drag drag, Path path, Landscape landscape) {
    Scene* scene = Scene::Get();
    if (scene == nullptr) {
        state.SkipWithError("no window could be opened (no display?)");
        return;
    }
    if (!scene->Use(landscape)) {
        state.SkipWithError("plain frames run before the cratered ones");
        return;
    }
    state.counters["leaves"] = static_cast<double>(scene->Prepare(Tree::Refined));
    MoonApp& app = scene->App();
    TerrainModel& model = *app.GetTerrainModel();
    model.SetMeshEnabled(path == Path::Mesh);
    PerspectiveView& perspective = app.GetPerspectiveView();
    GLWindowExtra& perspectiveRecord = *perspective.GetExtra();
    GLWindowExtra& planRecord = *app.GetPlanView().GetExtra();
    const int button = drag == Drag::Move ? 0 : 2;

    perspectiveRecord.MakeCurrent(true);
    perspective.OnMouseMove(320, 240);
    perspective.OnMouseButton(button, true);
    perspective.OnMouseMove(320, 240);  // the skipped first move
    perspectiveRecord.MakeCurrent(false);
    const std::uint64_t buildsBefore = model.GetMeshBuildCount();
    int step = 0;
    for (auto _ : state) {
        const int offset = (++step % 2) * 2;
        perspectiveRecord.MakeCurrent(true);
        if (drag == Drag::Move) {
            perspective.OnMouseMove(320, 240 + offset);
        } else {
            perspective.OnMouseMove(320 + offset, 240);
        }
        perspectiveRecord.MakeCurrent(false);
        planRecord.MakeCurrent(true);
        app.GetPlanView().OnDisplay();
        glFinish();
        planRecord.MakeCurrent(false);
        perspectiveRecord.MakeCurrent(true);
        perspective.OnDisplay();
        glFinish();
        perspectiveRecord.MakeCurrent(false);
    }
    state.counters["rebuilds"] = static_cast<double>(model.GetMeshBuildCount() - buildsBefore);
    perspectiveRecord.MakeCurrent(true);
    perspective.OnMouseButton(button, false);
    perspectiveRecord.MakeCurrent(false);
    model.SetMeshEnabled(true);
}

void registerFrames() {
    const char* views[] = {"Plan", "Perspective"};
    const struct {
        Tree tree;
        const char* name;
    } trees[] = {{Tree::StartUp, "StartUp"}, {Tree::Refined, "Refined"}};
    const struct {
        Path path;
        const char* name;
    } paths[] = {{Path::Immediate, "Immediate"}, {Path::Mesh, "Mesh"}};
    for (const auto& tree : trees) {
        for (int view = 0; view < 2; ++view) {
            for (const auto& path : paths) {
                const std::string name =
                    std::string("BM_Frame/") + views[view] + "/" + tree.name + "/" + path.name;
                benchmark::RegisterBenchmark(name.c_str(), BM_Frame, view, tree.tree, path.path,
                                             Landscape::Plain)
                    ->Unit(benchmark::kMillisecond)
                    ->UseRealTime();
            }
        }
        benchmark::RegisterBenchmark((std::string("BM_MeshBuild/") + tree.name).c_str(),
                                     BM_MeshBuild, tree.tree)
            ->Unit(benchmark::kMillisecond);
    }
    for (const auto& path : paths) {
        benchmark::RegisterBenchmark((std::string("BM_DragStep/Move/") + path.name).c_str(),
                                     BM_DragStep, Drag::Move, path.path, Landscape::Plain)
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime();
    }
    benchmark::RegisterBenchmark("BM_DragStep/Turn/Mesh", BM_DragStep, Drag::Turn, Path::Mesh,
                                 Landscape::Plain)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    // The cratered landscape last: the scene turns to it once.
    for (const auto& tree : trees) {
        for (int view = 0; view < 2; ++view) {
            const std::string name =
                std::string("BM_Frame/") + views[view] + "/" + tree.name + "/Mesh/Craters";
            benchmark::RegisterBenchmark(name.c_str(), BM_Frame, view, tree.tree, Path::Mesh,
                                         Landscape::Craters)
                ->Unit(benchmark::kMillisecond)
                ->UseRealTime();
        }
    }
    benchmark::RegisterBenchmark("BM_DragStep/Move/Mesh/Craters", BM_DragStep, Drag::Move,
                                 Path::Mesh, Landscape::Craters)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
}

}  // namespace
}  // namespace moon

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    moon::registerFrames();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
