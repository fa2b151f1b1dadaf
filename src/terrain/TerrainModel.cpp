// SPDX-License-Identifier: MIT
#include "terrain/TerrainModel.h"

#include <algorithm>
#include <cstddef>

#include "base/Check.h"
#include "terrain/RefinedGrid.h"
#include "terrain/TerrainLimits.h"

namespace moon {
namespace {

// The corner heights of a generated tree's leaves of the given depth, as a
// grid; after generation every corner holds its final height.
void collectCorners(const TerrainNode* root, int depth, HeightGrid& grid) {
    grid.Allocate(depth);
    const double spacing = grid.GetSpacing();
    ForEachNode(root, [&](const TerrainNode& node) {
        if (node.depth != depth) {
            return;
        }
        for (std::size_t k = 0; k < 4; ++k) {
            const Vec3& point = node.points[k];
            grid.GetRow(static_cast<int>((point.z + TerrainLimits::kWorldSize) /
                                         spacing))[static_cast<int>(point.x / spacing)] = point.y;
        }
    });
}

}  // namespace

TerrainModel::TerrainModel() {
    InitPalettes();
}

void TerrainModel::InitPalettes() {
    // Bands, lowest first: colour bytes and upper thresholds (world y).
    // Palette 5 alone uses 25 and 30; threshold 0 is never consulted.
    palettes[0].Set(Colour4f(173, 148, 102), 0.0, Colour4f(181, 153, 112), 15.0,
                    Colour4f(255, 240, 173), 20.0);
    palettes[1].Set(Colour4f(75, 75, 75), 0.0, Colour4f(115, 115, 115), 15.0,
                    Colour4f(190, 190, 190), 20.0);
    palettes[2].Set(Colour4f(135, 167, 180), 0.0, Colour4f(172, 244, 241), 15.0,
                    Colour4f(252, 253, 255), 20.0);
    palettes[3].Set(Colour4f(95, 37, 0), 0.0, Colour4f(214, 108, 34), 15.0, Colour4f(255, 200, 101),
                    20.0);
    palettes[4].Set(Colour4f(184, 183, 162), 0.0, Colour4f(231, 200, 172), 15.0,
                    Colour4f(133, 89, 62), 20.0);
    palettes[5].Set(Colour4f(176, 112, 74), 0.0, Colour4f(255, 255, 202), 25.0,
                    Colour4f(181, 149, 160), 30.0);
}

void TerrainModel::Regenerate(int depth) {
    terrain.reset();
    refinedGrid.reset();
    terrain = std::make_unique<Terrain>();
    meshStale = true;
    const std::uint32_t landscape = landscapes++;
    if (!refined) {
        terrain->Generate(depth);
        return;
    }
    // The generated landscape is the base, whatever depth is asked for.
    terrain->Generate(RefinedGrid::kBaseDepth);
    HeightGrid base;
    collectCorners(terrain->GetRoot(), RefinedGrid::kBaseDepth, base);
    refinedGrid = std::make_unique<HeightGrid>();
    const LandscapeKey key{seed, landscape};
    const int gridDepth = std::max(depth, static_cast<int>(Terrain::kDeepestRefinedDepth));
    RefinedGrid::Refine(base, gridDepth, key, *refinedGrid, 0, craters);
    if (depth != RefinedGrid::kBaseDepth || craters) {
        terrain = std::make_unique<Terrain>();
        terrain->GenerateFromGrid(*refinedGrid, depth);
    }
    terrain->SetRefinement(refinedGrid.get());
}

void TerrainModel::EnableRefinement(std::uint32_t landscapeSeed, bool withCraters) {
    refined = true;
    craters = withCraters;
    seed = landscapeSeed;
}

void TerrainModel::Draw() const {
    if (terrain) {
        terrain->Draw(renderMode, GetPalette(paletteIndex));
    }
}

void TerrainModel::Draw(TriangleSink& sink) const {
    if (terrain) {
        terrain->Draw(renderMode, GetPalette(paletteIndex), sink);
    }
}

void TerrainModel::DrawCached() {
    if (!terrain) {
        return;
    }
    if (!meshEnabled) {
        Draw();
        return;
    }
    if (meshStale) {
        mesh.Build(*terrain, renderMode, GetPalette(paletteIndex));
        meshStale = false;
        ++meshBuilds;
    }
    mesh.Draw();
}

void TerrainModel::UpdateDetail(const Vec3& viewpoint, bool enabled) {
    if (terrain) {
        const std::uint64_t before = terrain->GetChangeCount();
        terrain->UpdateDetail(viewpoint, enabled);
        meshStale = meshStale || terrain->GetChangeCount() != before;
    }
}

void TerrainModel::SetRenderMode(const RenderMode& mode) {
    meshStale = meshStale || mode != renderMode;
    renderMode = mode;
}

void TerrainModel::SetPalette(int index) {
    if (index >= 0 && index < kPaletteCount) {
        meshStale = meshStale || index != paletteIndex;
        paletteIndex = index;
    }
}

const HeightPalette& TerrainModel::GetPalette(int index) const {
    MOON_CHECK(index >= 0 && index < kPaletteCount);
    return palettes[static_cast<std::size_t>(index)];
}

}  // namespace moon
