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
#include "viewer/PerspectiveView.h"
#include "viewer/PlanView.h"

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
    // the craters of the seed too (implies refine).
    explicit MoonApp(std::optional<std::uint32_t> seed = std::nullopt, bool refine = false,
                     bool craters = false);
    // Frees the terrain model, the star field and the sun, in that order,
    // before the windows go.
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

    // With verbose on, the first idle pass (both windows exist by then) names
    // the OpenGL renderer on standard error; otherwise idle does nothing.
    // Verbose: the renderer on the first idle pass, and each new landscape's
    // count as it appears, on standard error.
    void SetVerbose(bool verbose) {
        m_bVerbose = verbose;
        m_bReportLandscapes = verbose;
    }
    void OnIdle() override;
    // "renderer, version" of the perspective view's context; "unknown" when
    // it has none.
    std::string DescribeRenderer();

private:
    // Init on the five lights, slot 0 first.
    void InitLights();

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
    bool m_bVerbose = false;
    bool m_bReportLandscapes = false;
    std::uint32_t m_reportedLandscape = 0;
};

}  // namespace moon
