// SPDX-License-Identifier: MIT
// The terrain quadtree over x 0..500 and z -500..0 (world units, y up):
// generation by random midpoint displacement with repair of shared points,
// level-of-detail refinement around a viewpoint, and the walk that draws the
// leaves. Generation draws from the process-wide Random sequence in a fixed
// order, so a seed reproduces a terrain exactly. Single-threaded.
#pragma once

#include <cstdint>
#include <memory>

#include "scene/Vec3.h"
#include "terrain/CellGrid.h"
#include "terrain/RenderMode.h"
#include "terrain/TerrainNode.h"

namespace moon {

class HeightGrid;
class HeightPalette;
class TriangleSink;

class Terrain {
public:
    // Level of detail refines cells down to this depth and no deeper, so its
    // passes leave a tree generated this deep as it was.
    static constexpr int kDeepestRefinedDepth = 10;

    Terrain() = default;
    Terrain(const Terrain&) = delete;
    Terrain& operator=(const Terrain&) = delete;

    // Null until Generate runs. Heights may be read and written through it;
    // x and z of a node must not change after its Init.
    TerrainNode* GetRoot() { return m_pRoot.get(); }
    const TerrainNode* GetRoot() const { return m_pRoot.get(); }
    // Replaces the tree by one built elsewhere (tests, tools).
    void SetRoot(std::unique_ptr<TerrainNode> node);

    // Builds the root with random corner heights and subdivides it depth levels
    // (0 or less: the root alone). Does nothing when the tree exists already.
    void Generate(int depth);
    // One subdivision step and, below it, target - level - 1 more. random: true
    // for generation (displaced heights, fixed cells), false for refinement
    // (plain averages, cells level of detail may remove). Occupied slots are skipped.
    void Subdivide(int level, int target, TerrainNode* cell, bool random);
    // Builds the tree of every cell down to depth (0 or more) with the grid's
    // heights at their corners: fixed cells, as generation makes them, whose
    // centres are the means of their corners (the root's at height 0). The
    // grid is at least depth deep. Does nothing when the tree exists already.
    void GenerateFromGrid(const HeightGrid& grid, int depth);
    // Refinement (Subdivide with random false) takes its new points' heights
    // from grid, a refined landscape at least as deep as any cell it makes,
    // instead of the plain means; null, the default: the plain means. The
    // grid must outlive its use.
    void SetRefinement(const HeightGrid* grid) { m_pRefinement = grid; }

    // Gives every generated cell under node with a point at (x, z) the height y.
    void RepairSharedPoint(TerrainNode* node, double x, double y, double z);

    // One level-of-detail pass: refines near viewpoint, removes refined cells
    // away from it; with enabled false, returns the tree to its generated cells.
    void UpdateDetail(const Vec3& viewpoint, bool enabled);
    void UpdateNodeDetail(TerrainNode* node, const Vec3& viewpoint, bool enabled);
    // Grows whenever the tree's shape changes: a new root, cells added by
    // subdivision, cells removed by level of detail. A pass that leaves the
    // tree as it was leaves the count as it was.
    std::uint64_t GetChangeCount() const { return m_changeCount; }

    // Draws every leaf to OpenGL, depth first, children 0 to 3 before the node.
    void Draw(const RenderMode& mode, const HeightPalette& palette) const;
    void DrawSubtree(const TerrainNode* node, const RenderMode& mode,
                     const HeightPalette& palette) const;
    // The same walk, sending the triangles to a sink instead.
    void Draw(const RenderMode& mode, const HeightPalette& palette, TriangleSink& sink) const;
    void DrawSubtree(const TerrainNode* node, const RenderMode& mode, const HeightPalette& palette,
                     TriangleSink& sink) const;

private:
    struct SharedPoint;
    void RepairWalk(TerrainNode* node, const SharedPoint& shared);
    // Sets a new edge point of a child of cell and, if cell is fixed, repairs it.
    void SetNewEdgePoint(const TerrainNode& cell, Vec3& target, double x, double y, double z);
    // The refinement grid's height at (x, z).
    double RefinedHeight(double x, double z) const;
    void BuildFromGrid(TerrainNode& node, const HeightGrid& grid, int column, int row, int span,
                       int depth);

    std::unique_ptr<TerrainNode> m_pRoot;
    // The generated cells, while they are the only fixed cells; null otherwise.
    std::unique_ptr<CellGrid> m_pCellGrid;
    const HeightGrid* m_pRefinement = nullptr;
    bool m_bGenerating = false;
    std::uint64_t m_changeCount = 0;
};

}  // namespace moon
