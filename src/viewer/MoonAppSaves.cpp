// SPDX-License-Identifier: MIT
// What P and E keep: the views as on screen and the landscape as shown, each
// taken on the message loop's thread and written on the saving thread.
#include "viewer/MoonApp.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

#include "base/ShortestText.h"
#include "cli/MoonVersion.h"
#include "io/AtomicFile.h"
#include "io/PngFile.h"
#include "mesh/GatheredMesh.h"
#include "mesh/MeshOutput.h"
#include "mesh/MeshWriters.h"
#include "mesh/TerrainMeshFacts.h"
#include "terrain/Terrain.h"
#include "terrain/TerrainModel.h"
#include "viewer/KeptFiles.h"
#include "viewer/SideBySide.h"

namespace moon {
namespace {

// Cells level of detail made: none right after Space, before any move.
bool hasDetail(const TerrainModel& model) {
    bool detail = false;
    ForEachNode(model.GetTerrain()->GetRoot(),
                [&detail](const TerrainNode& node) { detail = detail || !node.fixed; });
    return detail;
}

}  // namespace

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
