// The terrain as the viewer sees it: the current quadtree, six height
// palettes and the render mode. Regenerate replaces the whole tree, drawing
// the next values of the process-wide random sequence.
#pragma once

#include <array>
#include <memory>

#include "scene/Vec3.h"
#include "terrain/HeightPalette.h"
#include "terrain/RenderMode.h"
#include "terrain/Terrain.h"

namespace moon {

class TriangleSink;

class TerrainModel {
public:
    static constexpr int kPaletteCount = 6;

    // No terrain yet, palette 0, Flat.
    TerrainModel();

    // Replaces the terrain by a new one generated to depth; palette and mode stay.
    void Regenerate(int depth);
    // Draws every leaf to OpenGL with the current palette and mode. No terrain: nothing.
    void Draw() const;
    // The same triangles to any sink (mesh export).
    void Draw(TriangleSink& sink) const;
    // One level-of-detail pass around viewpoint (world units). No terrain: nothing.
    void UpdateDetail(const Vec3& viewpoint, bool enabled);

    // Stored only; the next Draw uses it.
    void SetRenderMode(const RenderMode& mode) { renderMode = mode; }
    const RenderMode& GetRenderMode() const { return renderMode; }
    // index: 0 to 5; any other index is ignored and the palette in use stays.
    void SetPalette(int index);
    int GetPaletteIndex() const { return paletteIndex; }
    const HeightPalette& GetPalette(int index) const;

    // Null before the first Regenerate.
    const Terrain* GetTerrain() const { return terrain.get(); }

private:
    void InitPalettes();

    std::unique_ptr<Terrain> terrain;
    std::array<HeightPalette, kPaletteCount> palettes{};
    int paletteIndex = 0;
    RenderMode renderMode = Flat;
};

}  // namespace moon
