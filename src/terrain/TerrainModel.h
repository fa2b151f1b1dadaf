// SPDX-License-Identifier: MIT
// The terrain as the viewer sees it: the current quadtree, six height
// palettes and the render mode. Regenerate replaces the whole tree, drawing
// the next values of the process-wide random sequence. The views draw it from
// a cached mesh, rebuilt only when the tree, the palette or the mode changed;
// Draw, the immediate stream, is the reference the mesh is proven against.
#pragma once

#include <array>
#include <cstdint>
#include <memory>

#include "scene/Vec3.h"
#include "terrain/HeightGrid.h"
#include "terrain/HeightPalette.h"
#include "terrain/RenderMode.h"
#include "terrain/Terrain.h"
#include "terrain/TerrainMesh.h"

namespace moon {

class TriangleSink;

class TerrainModel {
public:
    static constexpr int kPaletteCount = 6;
    // The depth the viewer generates to, at start-up and on every regeneration.
    static constexpr int kGeneratedDepth = 6;

    // No terrain yet, palette 0, Flat.
    TerrainModel();

    // Replaces the terrain by a new one generated to depth; palette and mode stay.
    // Refined: the generated depth-6 landscape, its cells built to depth from
    // the refined grid (kept as generated at depth 6), which level of detail
    // then refines with.
    void Regenerate(int depth);
    // From the next Regenerate on, the landscape of seed (the seed the random
    // sequence was started from) is refined below the generated depth with
    // lunar roughness (RefinedGrid), keyed on the landscape's count. With
    // craters, each landscape gets the craters of its seed and count
    // (CraterPopulation), at every depth: then even the depth-6 cells are the
    // refined grid's.
    void EnableRefinement(std::uint32_t seed, bool craters = false);
    bool IsRefined() const { return refined; }
    // Which landscape the terrain is: 0 for the first Regenerate, one more
    // for each after it (the viewer's Space).
    std::uint32_t GetLandscapeCount() const { return landscapes == 0 ? 0 : landscapes - 1; }
    // The count the next Regenerate takes (moon-terrain --regeneration: the
    // random sequence is then where the viewer's would be).
    void SetNextLandscape(std::uint32_t count) { landscapes = count; }
    // The refined grid level of detail reads, to depth 10 (or the terrain's
    // depth, if deeper); null unless refined.
    const HeightGrid* GetRefinedGrid() const { return refinedGrid.get(); }
    // Draws every leaf to OpenGL with the current palette and mode. No terrain: nothing.
    void Draw() const;
    // The same triangles to any sink (mesh export).
    void Draw(TriangleSink& sink) const;
    // The same fragments as Draw, from the cached mesh, rebuilt first when it is
    // out of date. With the mesh switched off, Draw itself.
    void DrawCached();
    // On by default; off draws the immediate stream (the reference, for
    // comparisons and measurements).
    void SetMeshEnabled(bool enabled) { meshEnabled = enabled; }
    // One level-of-detail pass around viewpoint (world units). No terrain: nothing.
    void UpdateDetail(const Vec3& viewpoint, bool enabled);

    // Stored only; the next Draw uses it.
    void SetRenderMode(const RenderMode& mode);
    const RenderMode& GetRenderMode() const { return renderMode; }
    // index: 0 to 5; any other index is ignored and the palette in use stays.
    void SetPalette(int index);
    int GetPaletteIndex() const { return paletteIndex; }
    const HeightPalette& GetPalette(int index) const;

    // Null before the first Regenerate.
    const Terrain* GetTerrain() const { return terrain.get(); }

    // The mesh as last built, and how many times it was built.
    const TerrainMesh& GetMesh() const { return mesh; }
    std::uint64_t GetMeshBuildCount() const { return meshBuilds; }

private:
    void InitPalettes();

    std::unique_ptr<Terrain> terrain;
    bool refined = false;
    bool craters = false;
    std::uint32_t seed = 0;
    std::uint32_t landscapes = 0;  // Regenerate calls so far, or as set
    std::unique_ptr<HeightGrid> refinedGrid;
    std::array<HeightPalette, kPaletteCount> palettes{};
    int paletteIndex = 0;
    RenderMode renderMode = Flat;

    TerrainMesh mesh;
    bool meshStale = true;  // the tree, palette or mode changed since the last build
    bool meshEnabled = true;
    std::uint64_t meshBuilds = 0;
};

}  // namespace moon
