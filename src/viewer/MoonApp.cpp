// SPDX-License-Identifier: MIT
#include "viewer/MoonApp.h"

#include <GL/gl.h>

#include <cstdio>
#include <ctime>
#include <span>
#include <utility>

#include "cli/RegenerationsOption.h"
#include "framework/GLWindowExtra.h"
#include "framework/platform/Platform.h"
#include "scene/Random.h"
#include "terrain/TerrainModel.h"
#include "viewer/StarField.h"
#include "viewer/Sun.h"

namespace moon {

namespace {

// The sun sphere: radius in world units, GLU subdivisions.
constexpr float kSunRadius = 20.0f;
constexpr int kSunSlices = 20;
constexpr int kSunStacks = 20;

// How often --verbose counts the frames.
constexpr std::chrono::seconds kFramePeriod{10};

// Shown: visible and not minimised.
bool isShown(GLWindow& view) {
    const GLWindowExtra* record = view.GetExtra();
    if (record == nullptr || !record->m_hWnd) {
        return false;
    }
    platform::Platform& platform = platform::Platform::Get();
    return platform.IsWindowVisible(record->m_hWnd) && !platform.IsIconic(record->m_hWnd);
}

double seconds(FrameCounter::Clock::duration duration) {
    return std::chrono::duration<double>(duration).count();
}

}  // namespace

MoonApp::MoonApp(std::optional<std::uint32_t> seed, bool refine, bool craters,
                 std::uint32_t regenerations)
    : m_bRefine(refine || craters), m_bCraters(craters) {
    // Seconds of the clock: runs started within the same second see the same
    // landscape and stars.
    m_seed = seed.value_or(static_cast<std::uint32_t>(std::time(nullptr)));
    Random::Seed(m_seed);

    // Height 120 above (50, -30), looking 10 degrees down and diagonally
    // across the terrain towards +x and -z.
    m_camera.SetPosition(0, 0, 0);
    m_camera.Translate(50, 120, -30);
    m_camera.Turn(Camera::kPitch, 10);
    m_camera.Turn(Camera::kYaw, 45);

    // The random sequence is consumed by the terrain first, then the stars.
    // Refinement draws nothing from it: only the landscape that stays is
    // refined.
    m_pTerrainModel = std::make_unique<TerrainModel>();
    if (m_bRefine && regenerations == 0) {
        m_pTerrainModel->EnableRefinement(m_seed, m_bCraters);
    }
    m_pTerrainModel->Regenerate(TerrainModel::kGeneratedDepth);
    const std::uint64_t perLandscape = Random::Drawn();
    m_pStarField = std::make_unique<StarField>();
    m_pSun = std::make_unique<Sun>();
    m_pSun->Init(kSunRadius, kSunSlices, kSunStacks, GL_FALSE);
    m_pStarField->Fill(StarField::kStarRange, StarField::kStarRange, StarField::kStarCount);
    if (regenerations > 0) {
        // Where Space would be after that many presses: every regeneration
        // draws as many values as the first landscape did.
        Random::Skip(perLandscape * (regenerations - 1));
        if (m_bRefine) {
            m_pTerrainModel->EnableRefinement(m_seed, m_bCraters);
        }
        m_pTerrainModel->SetNextLandscape(regenerations);
        m_pTerrainModel->Regenerate(TerrainModel::kGeneratedDepth);
    }
    InitLights();

    // The window operations only record their values: no OS window exists
    // until Run creates them, the plan view first.
    m_planView.SetSize(580, 435);
    m_planView.SetPosition(600, 25);
    m_planView.SetScene(&m_camera, m_pTerrainModel.get(), m_lights);
    m_planView.SetTitle("Moon : Plan view - Corvath");

    m_perspectiveView.SetSize(640, 480);
    m_perspectiveView.SetPosition(10, 10);
    m_perspectiveView.SetScene(&m_camera, m_pTerrainModel.get(), m_pStarField.get(), m_pSun.get(),
                               m_lights);
    m_perspectiveView.SetTitle("Moon : Perspective view - Corvath");
    m_perspectiveView.SetKeepActions([this] { KeepPicture(); }, [this] { KeepLandscape(); });

    // Closing the perspective view ends the program; closing the plan view
    // only hides it.
    m_perspectiveView.MakeMain();
    m_planView.SetReady();
    m_perspectiveView.SetReady();
}

MoonApp::~MoonApp() {
    m_saves.Wait();
    // The scene goes first, in this order; the lights, the camera and then the
    // two windows follow as members.
    m_pTerrainModel.reset();
    m_pStarField.reset();
    m_pSun.reset();
}

void MoonApp::OnIdle() {
    if (m_bVerbose) {
        m_bVerbose = false;
        std::fprintf(stderr, "moon: OpenGL renderer: %s\n", DescribeRenderer().c_str());
    }
    if (m_bReporting && m_pTerrainModel->GetLandscapeCount() != m_reportedLandscape) {
        // What moon-terrain needs to export it: the seed and the count.
        const std::uint32_t landscape = m_pTerrainModel->GetLandscapeCount();
        m_reportedLandscape = landscape;
        std::fprintf(stderr, "moon: landscape %u of seed %u; to keep it: %s\n", landscape, m_seed,
                     ExportCommand("FILE.glb").c_str());
    }
    if (m_bReporting) {
        ReportFrames();
    }
}

void MoonApp::ReportFrames() {
    SceneView* views[] = {&m_perspectiveView, &m_planView};
    const char* names[] = {"perspective view", "plan view"};
    for (int view = 0; view < 2; ++view) {
        m_bUnseen[view] = m_bUnseen[view] || !isShown(*views[view]);
    }
    const FrameCounter::Clock::time_point now = FrameCounter::Clock::now();
    if (now - m_lastFrameReport < kFramePeriod) {
        return;
    }
    m_lastFrameReport = now;
    for (int view = 0; view < 2; ++view) {
        const FrameCounter::Period period = views[view]->TakeFrames(now);
        const bool unseen = std::exchange(m_bUnseen[view], false);
        if (period.frames == 0 && !isShown(*views[view])) {
            continue;
        }
        std::fprintf(stderr, "moon: %s: %d frames in %.2f s, longest gap %.3f s%s\n", names[view],
                     period.frames, seconds(period.length), seconds(period.longestGap),
                     unseen ? " (hidden or minimised meanwhile)" : "");
    }
}

std::string MoonApp::ExportCommand(const std::string& file) const {
    return "moon-terrain export --seed " + std::to_string(m_seed) +
           RegenerationsArgument(m_pTerrainModel->GetLandscapeCount()) + " --depth " +
           std::to_string(TerrainModel::kGeneratedDepth) +
           (m_bCraters  ? " --craters"
            : m_bRefine ? " --refine"
                        : "") +
           " --palette " + std::to_string(m_pTerrainModel->GetPaletteIndex()) + " --mode " +
           RenderModeName(m_pTerrainModel->GetRenderMode()) + " -o " + file;
}

std::string MoonApp::DescribeRenderer() {
    GLWindowExtra* record = m_perspectiveView.GetExtra();
    if (record == nullptr) {
        return "unknown";
    }
    // An acquire is always released, made or not: it counts on the
    // framework's stack of saved contexts either way.
    if (!record->MakeCurrent(true)) {
        record->MakeCurrent(false);
        return "unknown";
    }
    const auto* renderer = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
    const auto* version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
    std::string text = renderer != nullptr ? renderer : "unknown";
    if (version != nullptr) {
        text += ", OpenGL ";
        text += version;
    }
    record->MakeCurrent(false);
    return text;
}

void MoonApp::InitLights() {
    InitSceneLights(std::span<Light, kSceneLightCount>(m_lights));
}

}  // namespace moon
