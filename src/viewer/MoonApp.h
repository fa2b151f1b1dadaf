// SPDX-License-Identifier: MIT
// The viewer's application object. Its constructor builds the whole scene
// before the message loop runs: the clock-seeded random sequence, the camera,
// the terrain model with a first terrain, the star field, the sun, the five
// lights, and the two windows with their sizes, positions, titles and
// pointers into the scene. The OS windows are opened later by the framework's
// Run; from then on everything happens through the views' handlers.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "framework/GLApp.h"
#include "scene/Camera.h"
#include "scene/Light.h"
#include "scene/SceneLights.h"
#include "viewer/FrameCounter.h"
#include "viewer/PerspectiveView.h"
#include "viewer/PlanView.h"
#include "viewer/SaveQueue.h"

namespace moon {

class StarField;
class Sun;
class TerrainModel;

class MoonApp : public GLApp {
public:
    // Without a seed the clock's seconds seed the landscape; with one, the
    // scene is the one a clock second giving that seed would show.
    // refine: the landscape is refined with lunar roughness where level of
    // detail splits its cells (TerrainModel::EnableRefinement); craters: with
    // the craters of the seed too (implies refine). regenerations: the
    // landscape starts as the one Space would show after that many presses.
    explicit MoonApp(std::optional<std::uint32_t> seed = std::nullopt, bool refine = false,
                     bool craters = false, std::uint32_t regenerations = 0);
    // Finishes a save under way, then frees the terrain model, the star field
    // and the sun, in that order, before the windows go.
    ~MoonApp() override;

    // Read access for tests and benchmarks; the views hold the same pointers.
    PlanView& GetPlanView() { return m_planView; }
    PerspectiveView& GetPerspectiveView() { return m_perspectiveView; }
    Camera& GetCamera() { return m_camera; }
    TerrainModel* GetTerrainModel() const { return m_pTerrainModel.get(); }
    StarField* GetStarField() const { return m_pStarField.get(); }
    Sun* GetSun() const { return m_pSun.get(); }
    Light* GetLights() { return m_lights; }
    // The seed the landscape and stars were built from.
    std::uint32_t GetSeed() const { return m_seed; }

    // Verbose, on standard error: the OpenGL renderer on the first idle pass
    // (both windows exist by then), each new landscape's count and the
    // command that exports it as it appears, and every 10 s one line for
    // each view shown, its frames and the longest wait between two. Without
    // it idle does nothing.
    void SetVerbose(bool verbose) {
        m_bVerbose = verbose;
        m_bReporting = verbose;
    }
    void OnIdle() override;
    // "renderer, version" of the perspective view's context; "unknown" when
    // it has none.
    std::string DescribeRenderer();

    // Where P and E keep their files; "" is the current folder.
    void SetSaveFolder(std::string folder) { m_saveFolder = std::move(folder); }
    // P: both views as on screen, side by side as --render lays them, saved
    // as a PNG in the save folder. E: the landscape as shown (the tree with
    // its level of detail, in the palette and mode) as a glTF binary. Each
    // press saves one file on a thread of its own, or is refused with one
    // line while the last save runs; the outcome is one line on standard
    // error.
    void KeepPicture();
    void KeepLandscape();
    // Until the save under way is over.
    void FinishSaves() { m_saves.Wait(); }
    // The command that exports the landscape on show, before any level of
    // detail, to FILE.
    std::string ExportCommand(const std::string& file) const;

private:
    // Init on the five lights, slot 0 first.
    void InitLights();
    // The verbose frame lines, every 10 s.
    void ReportFrames();

    // Constructed in this order (the plan view is listed first, so it would be
    // the main window but for MakeMain), destroyed in reverse.
    PlanView m_planView;
    PerspectiveView m_perspectiveView;
    Camera m_camera;
    std::unique_ptr<TerrainModel> m_pTerrainModel;
    std::unique_ptr<StarField> m_pStarField;
    std::unique_ptr<Sun> m_pSun;
    // Slots 0 to 3 fixed, slot 4 the circling light.
    Light m_lights[kSceneLightCount];
    std::uint32_t m_seed = 0;
    bool m_bRefine = false;
    bool m_bCraters = false;
    bool m_bVerbose = false;
    bool m_bReporting = false;  // landscapes and frames, for as long as verbose
    std::uint32_t m_reportedLandscape = 0;
    FrameCounter::Clock::time_point m_lastFrameReport = FrameCounter::Clock::now();
    // Per view (perspective, plan): hidden or minimised at some idle pass
    // since the last frame report.
    bool m_bUnseen[2] = {false, false};
    std::string m_saveFolder;
    // Last, so that its destructor waits for a save before anything goes.
    SaveQueue m_saves;
};

}  // namespace moon
