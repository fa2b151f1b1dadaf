// Frames of the two views with real OpenGL (Mesa), through the real window
// system: run under a display (Xvfb is fine) or with SDL_VIDEODRIVER=offscreen.
//
// Each view's OnDisplay is timed at the start-up camera (the generated tree,
// 4,096 leaves) and after a level-of-detail pass close above the terrain's
// centre (about 16,000 leaves). Beside each, the same frame compiled once into
// a display list and replayed: the limit that caching the mesh could reach,
// measured in the same run. Every timed frame ends with glFinish, so the
// software rasteriser's work is inside the measurement. Last, one drag step:
// the mouse move with its level-of-detail pass, then a frame of each view.
//
// Run with --benchmark_repetitions=N --benchmark_report_aggregates_only=true
// for medians.
#include <benchmark/benchmark.h>

#include <GL/gl.h>

#include <cstdio>
#include <memory>
#include <string>

#include "framework/GLAppCore.h"
#include "framework/GLWindowExtra.h"
#include "framework/platform/Platform.h"
#include "scene/Camera.h"
#include "scene/Random.h"
#include "terrain/Terrain.h"
#include "terrain/TerrainModel.h"
#include "viewer/MoonApp.h"

namespace moon {
namespace {

enum class Tree { StartUp, Refined };
enum class Path { Immediate, DisplayList };

int countLeaves(const TerrainNode* node) {
    if (node == nullptr) {
        return 0;
    }
    if (node->IsLeaf()) {
        return 1;
    }
    int leaves = 0;
    for (const auto& child : node->children) {
        leaves += countLeaves(child.get());
    }
    return leaves;
}

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
        platform::Platform& platform = platform::Platform::Get();
        platform::Msg msg;
        for (int round = 0; round < 1000; ++round) {
            while (platform.PeekMessage(msg)) {
                platform.TranslateMessage(msg);
                platform.DispatchMessage(msg);
            }
        }
        m_bOpen = true;
    }

    // Puts the tree and camera in the wanted state; returns the leaf count.
    int Prepare(Tree tree) {
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
        return countLeaves(model.GetTerrain()->GetRoot());
    }

    MoonApp& App() { return *m_app; }

private:
    std::unique_ptr<MoonApp> m_app;
    bool m_bOpen = false;
};

GLWindow& viewOf(MoonApp& app, int view) {
    return view == 0 ? static_cast<GLWindow&>(app.GetPlanView())
                     : static_cast<GLWindow&>(app.GetPerspectiveView());
}

void BM_Frame(benchmark::State& state, int view, Tree tree, Path path) {
    Scene* scene = Scene::Get();
    if (scene == nullptr) {
        state.SkipWithError("no window could be opened (no display?)");
        return;
    }
    state.counters["leaves"] = scene->Prepare(tree);
    GLWindow& window = viewOf(scene->App(), view);
    GLWindowExtra& record = *window.GetExtra();
    record.MakeCurrent(true);
    GLuint list = 0;
    if (path == Path::DisplayList) {
        list = glGenLists(1);
        glNewList(list, GL_COMPILE);
        window.OnDisplay();
        glEndList();
    }
    for (auto _ : state) {
        if (path == Path::Immediate) {
            window.OnDisplay();
        } else {
            glCallList(list);
            window.SwapBuffers();
        }
        glFinish();
    }
    if (list != 0) {
        glDeleteLists(list, 1);
    }
    record.MakeCurrent(false);
}

// One step of a left drag: the move (a unit along the view and back, in
// turn), its level-of-detail pass, then a frame of each view.
void BM_DragStep(benchmark::State& state) {
    Scene* scene = Scene::Get();
    if (scene == nullptr) {
        state.SkipWithError("no window could be opened (no display?)");
        return;
    }
    state.counters["leaves"] = scene->Prepare(Tree::Refined);
    MoonApp& app = scene->App();
    PerspectiveView& perspective = app.GetPerspectiveView();
    GLWindowExtra& perspectiveRecord = *perspective.GetExtra();
    GLWindowExtra& planRecord = *app.GetPlanView().GetExtra();

    perspectiveRecord.MakeCurrent(true);
    perspective.OnMouseMove(320, 240);
    perspective.OnMouseButton(0, true);
    perspective.OnMouseMove(320, 240);  // the skipped first move
    perspectiveRecord.MakeCurrent(false);
    int y = 240;
    for (auto _ : state) {
        y = y == 240 ? 242 : 240;
        perspectiveRecord.MakeCurrent(true);
        perspective.OnMouseMove(320, y);
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
    perspectiveRecord.MakeCurrent(true);
    perspective.OnMouseButton(0, false);
    perspectiveRecord.MakeCurrent(false);
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
    } paths[] = {{Path::Immediate, "Immediate"}, {Path::DisplayList, "DisplayList"}};
    for (const auto& tree : trees) {
        for (int view = 0; view < 2; ++view) {
            for (const auto& path : paths) {
                const std::string name =
                    std::string("BM_Frame/") + views[view] + "/" + tree.name + "/" + path.name;
                benchmark::RegisterBenchmark(name.c_str(), BM_Frame, view, tree.tree, path.path)
                    ->Unit(benchmark::kMillisecond)
                    ->UseRealTime();
            }
        }
    }
    benchmark::RegisterBenchmark("BM_DragStep", BM_DragStep)
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
