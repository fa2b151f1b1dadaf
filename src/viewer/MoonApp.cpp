// SPDX-License-Identifier: MIT
#include "viewer/MoonApp.h"

#include <GL/gl.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <span>
#include <vector>

#include "base/ShortestText.h"
#include "cli/MoonVersion.h"
#include "cli/RegenerationsOption.h"
#include "framework/GLWindowExtra.h"
#include "framework/platform/Platform.h"
#include "io/AtomicFile.h"
#include "io/PngFile.h"
#include "mesh/GatheredMesh.h"
#include "mesh/MeshOutput.h"
#include "mesh/MeshWriters.h"
#include "mesh/TerrainMeshFacts.h"
#include "scene/Random.h"
#include "terrain/Terrain.h"
#include "terrain/TerrainModel.h"
#include "viewer/KeptFiles.h"
#include "viewer/SideBySide.h"
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

// Cells level of detail made: none right after Space, before any move.
bool hasDetail(const TerrainModel& model) {
    bool detail = false;
    ForEachNode(model.GetTerrain()->GetRoot(),
                [&detail](const TerrainNode& node) { detail = detail || !node.fixed; });
    return detail;
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
    m_pTerrainModel = std::make_unique<TerrainModel>();
    if (refine || craters) {
        m_pTerrainModel->EnableRefinement(m_seed, craters);
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
    if (m_bReportLandscapes && m_pTerrainModel->GetLandscapeCount() != m_reportedLandscape) {
        // What moon-terrain needs to export it: the seed and the count.
        const std::uint32_t landscape = m_pTerrainModel->GetLandscapeCount();
        m_reportedLandscape = landscape;
        std::fprintf(stderr, "moon: landscape %u of seed %u; to keep it: %s\n", landscape, m_seed,
                     ExportCommand("FILE.glb").c_str());
    }
    if (m_bReportFrames) {
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
    static constexpr const char* kModes[] = {"wireframe", "flat", "smooth"};
    const int mode = std::clamp(static_cast<int>(m_pTerrainModel->GetRenderMode()), 0, 2);
    return "moon-terrain export --seed " + std::to_string(m_seed) +
           RegenerationsArgument(m_pTerrainModel->GetLandscapeCount()) + " --depth " +
           std::to_string(TerrainModel::kGeneratedDepth) +
           (m_bCraters  ? " --craters"
            : m_bRefine ? " --refine"
                        : "") +
           " --palette " + std::to_string(m_pTerrainModel->GetPaletteIndex()) + " --mode " +
           kModes[mode] + " -o " + file;
}

void MoonApp::KeepPicture() {
    if (m_saves.IsBusy()) {
        std::fprintf(stderr, "moon: still saving the last file; no picture taken\n");
        return;
    }
    // Side by side as --render lays them: the perspective view on the left,
    // the plan view on the right, top-aligned on black.
    std::vector<std::uint8_t> perspective;
    std::vector<std::uint8_t> plan;
    if (!m_perspectiveView.DrawPicture(perspective) || !m_planView.DrawPicture(plan)) {
        std::fprintf(stderr, "moon: cannot read the views' pictures back; no picture taken\n");
        return;
    }
    const int width = m_perspectiveView.GetWidth() + m_planView.GetWidth();
    const int height = std::max(m_perspectiveView.GetHeight(), m_planView.GetHeight());
    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(width) * height * 3, 0);
    SideBySide::Place(perspective, m_perspectiveView.GetWidth(), m_perspectiveView.GetHeight(), 0,
                      width, pixels);
    SideBySide::Place(plan, m_planView.GetWidth(), m_planView.GetHeight(),
                      m_perspectiveView.GetWidth(), width, pixels);
    const KeptFiles files(m_saveFolder, m_seed);
    const std::uint32_t landscape = m_pTerrainModel->GetLandscapeCount();
    m_saves.Start([files, landscape, width, height, pixels = std::move(pixels)] {
        std::string path;
        std::string problem;
        const KeptFiles::Fill fill = [&](AtomicFile& file, const std::string& name,
                                         std::string& why) {
            return PngFile::Write(file, name, width, height, pixels, why);
        };
        if (files.Write(landscape, "png", fill, path, problem)) {
            std::fprintf(stderr, "moon: saved the picture %s\n", path.c_str());
        } else {
            std::fprintf(stderr, "moon: picture not saved: %s\n", problem.c_str());
        }
    });
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

void MoonApp::KeepLandscape() {
    if (m_saves.IsBusy()) {
        std::fprintf(stderr, "moon: still saving the last file; the landscape not saved\n");
        return;
    }
    // Gathered here, as the tree stands; written on the saving thread.
    const TerrainModel& model = *m_pTerrainModel;
    const RenderMode mode = model.GetRenderMode();
    auto mesh = std::make_shared<GatheredMesh>(MeshSharing::Vertices, mode == Wireframe,
                                               4 * CountLeaves(model.GetTerrain()->GetRoot()));
    model.GetTerrain()->Draw(mode, model.GetPalette(model.GetPaletteIndex()), *mesh);

    // Described as moon-terrain describes its export of this landscape, so
    // that before any level of detail the bytes are the same.
    TerrainMeshFacts facts;
    facts.seed = m_seed;
    facts.regeneration = model.GetLandscapeCount();
    facts.depth = TerrainModel::kGeneratedDepth;
    facts.palette = model.GetPaletteIndex();
    facts.mode = mode;
    facts.refined = m_bRefine;
    facts.craters = m_bCraters;
    const bool detail = hasDetail(model);
    if (detail) {
        const Vec3& camera = m_camera.GetPosition();
        facts.passes.push_back("the viewer's level of detail, the camera at " +
                               ShortestText(camera.x) + "," + ShortestText(camera.y) + "," +
                               ShortestText(camera.z));
    }
    MeshDescription description = DescribeTerrainMesh(facts);
    description.generator = std::string("moon-terrain ") + kMoonVersion;
    const std::string command = ExportCommand("FILE.glb");

    const KeptFiles files(m_saveFolder, m_seed);
    m_saves.Start([files, mesh, description, detail, command, landscape = facts.regeneration] {
        std::string path;
        std::string problem;
        const KeptFiles::Fill fill = [&](AtomicFile& file, const std::string&, std::string& why) {
            MeshOutput output(file, nullptr);
            return WriteGlb(*mesh, description, output, why);
        };
        if (!files.Write(landscape, "glb", fill, path, problem)) {
            std::fprintf(stderr, "moon: landscape not saved: %s\n", problem.c_str());
        } else if (detail) {
            std::fprintf(stderr,
                         "moon: saved the landscape %s, with the level of detail around the "
                         "camera; without it: %s\n",
                         path.c_str(), command.c_str());
        } else {
            std::fprintf(stderr, "moon: saved the landscape %s, as %s writes it\n", path.c_str(),
                         command.c_str());
        }
    });
}

}  // namespace moon
