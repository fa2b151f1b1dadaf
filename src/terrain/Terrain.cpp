// SPDX-License-Identifier: MIT
#include "terrain/Terrain.h"

#include "base/Check.h"
#include "scene/Numeric.h"
#include "terrain/GLTriangleSink.h"
#include "terrain/HeightGrid.h"
#include "terrain/MidpointStep.h"
#include "terrain/TerrainLimits.h"

namespace moon {
namespace {

// The repair walk compares coordinates rounded to this many decimals.
constexpr int kRepairDecimals = 3;

// The repair walk's bounds test: inclusive on all four sides, every value rounded to
// 3 decimals, compared in this order; a comparison with NaN is false.
bool containsRounded(const TerrainNode& node, const double& roundedX, const double& roundedZ) {
    return RoundToDecimals(node.points[0].x, kRepairDecimals) <= roundedX &&
           roundedX <= RoundToDecimals(node.points[3].x, kRepairDecimals) &&
           RoundToDecimals(node.points[0].z, kRepairDecimals) <= roundedZ &&
           roundedZ <= RoundToDecimals(node.points[2].z, kRepairDecimals);
}

}  // namespace

// A new edge point, with its x and z rounded once for the bounds tests.
struct Terrain::SharedPoint {
    double x, y, z;
    double roundedX, roundedZ;
};

void Terrain::SetRoot(std::unique_ptr<TerrainNode> node) {
    m_pCellGrid.reset();
    m_pRoot = std::move(node);
    ++m_changeCount;
}

void Terrain::Generate(int depth) {
    if (m_pRoot) {
        return;
    }
    m_pRoot = std::make_unique<TerrainNode>();
    ++m_changeCount;
    const MidpointStep::RootHeights heights = MidpointStep::DrawRootHeights();
    constexpr double kSize = TerrainLimits::kWorldSize;
    const std::array<Vec3, 5> corners = {
        Vec3(0.0, heights.y0, -kSize), Vec3(0.0, heights.y1, 0.0), Vec3(kSize, heights.y2, 0.0),
        Vec3(kSize, heights.y3, -kSize), Vec3(kSize / 2, 0.0, -kSize / 2)};
    m_pRoot->Init(nullptr, corners, true);
    if (depth <= CellGrid::kMaxDepth) {
        m_pCellGrid = std::make_unique<CellGrid>(depth < 0 ? 0 : depth, 0.0, -kSize, kSize);
        m_pCellGrid->Add(m_pRoot.get());
    }
    m_bGenerating = true;
    Subdivide(0, depth, m_pRoot.get(), true);
    m_bGenerating = false;
}

void Terrain::SetNewEdgePoint(const TerrainNode& cell, Vec3& target, double x, double y, double z) {
    target.Set(x, y, z);
    if (!cell.fixed) {
        return;
    }
    // The grid finds the same corners as the walk from the root, without walking.
    if (m_pCellGrid) {
        m_pCellGrid->SetHeight(x, y, z);
    } else {
        RepairSharedPoint(m_pRoot.get(), x, y, z);
    }
}

void Terrain::Subdivide(int level, int target, TerrainNode* cell, bool random) {
    MOON_CHECK(cell != nullptr);
    if (level >= target) {
        return;
    }
    ++level;
    if (random && !m_bGenerating) {
        // Fixed cells made outside generation: the grid no longer covers them all.
        m_pCellGrid.reset();
    }

    // The cell's own points: the repairs this step makes never reach them, as
    // every new edge point lies finer than the cell's corners.
    const std::array<Vec3, 5>& p = cell->points;
    const double xe = cell->xExtent;
    const double ze = cell->zExtent;

    // The children's common corner, from the corners only (not the stored centre),
    // and the edges' new heights.
    MidpointStep step = MidpointStep::Make(p[0].y, p[1].y, p[2].y, p[3].y, cell->depth, random);
    const double mx = (p[2].x + p[0].x + p[3].x + p[1].x) * 0.25;
    const double mz = (p[1].z + p[0].z + p[2].z + p[3].z) * 0.25;
    if (!random && m_pRefinement != nullptr) {
        // The refined landscape's heights at the new points.
        step.common = RefinedHeight(mx, mz);
        step.h03 = RefinedHeight(xe * 0.5 + p[0].x, p[0].z);
        step.h01 = RefinedHeight(p[0].x, ze * 0.5 + p[0].z);
        step.h12 = RefinedHeight(xe * 0.5 + p[1].x, p[1].z);
        step.h23 = RefinedHeight(p[2].x, p[2].z - ze * 0.5);
    }
    const Vec3 m(mx, step.common, mz);
    const double h03 = step.h03;
    const double h01 = step.h01;
    const double h12 = step.h12;
    const double h23 = step.h23;

    for (int k = 0; k < 4; ++k) {
        std::unique_ptr<TerrainNode>& slot = cell->children[static_cast<unsigned>(k)];
        if (slot) {
            continue;
        }
        std::array<Vec3, 5> q;
        switch (k) {
            case 0:
                q[0] = p[0];
                SetNewEdgePoint(*cell, q[1], p[0].x, h01, ze * 0.5 + p[0].z);
                q[2] = m;
                SetNewEdgePoint(*cell, q[3], xe * 0.5 + p[0].x, h03, p[0].z);
                break;
            case 1:
                SetNewEdgePoint(*cell, q[0], p[1].x, h01, p[1].z - ze * 0.5);
                q[1] = p[1];
                SetNewEdgePoint(*cell, q[2], xe * 0.5 + p[1].x, h12, p[1].z);
                q[3] = m;
                break;
            case 2:
                q[0] = m;
                SetNewEdgePoint(*cell, q[1], p[2].x - xe * 0.5, h12, p[2].z);
                q[2] = p[2];
                SetNewEdgePoint(*cell, q[3], p[2].x, h23, p[2].z - ze * 0.5);
                break;
            default:
                SetNewEdgePoint(*cell, q[0], p[3].x - xe * 0.5, h03, p[3].z);
                q[1] = m;
                SetNewEdgePoint(*cell, q[2], p[3].x, h23, ze * 0.5 + p[3].z);
                q[3] = p[3];
                break;
        }
        // The child's centre uses the cell's extents, a quarter of them.
        q[4].Set(xe * 0.25 + q[0].x, (q[2].y + q[0].y + q[3].y + q[1].y) * 0.25,
                 ze * 0.25 + q[0].z);
        slot = std::make_unique<TerrainNode>();
        ++m_changeCount;
        slot->Init(cell, q, random);
        if (m_bGenerating && m_pCellGrid) {
            m_pCellGrid->Add(slot.get());
        }
        Subdivide(level, target, slot.get(), random);
    }
}

double Terrain::RefinedHeight(double x, double z) const {
    // Points on the grid are whole multiples of its spacing: the quotients are exact.
    const double spacing = m_pRefinement->GetSpacing();
    const double column = x / spacing;
    const double row = (z + TerrainLimits::kWorldSize) / spacing;
    MOON_CHECK(column == static_cast<int>(column) && row == static_cast<int>(row),
               "refinement stays within its grid's depth");
    return m_pRefinement->GetHeight(static_cast<int>(column), static_cast<int>(row));
}

void Terrain::GenerateFromGrid(const HeightGrid& grid, int depth) {
    if (m_pRoot) {
        return;
    }
    depth = depth < 0 ? 0 : depth;
    MOON_CHECK(depth <= grid.GetDepth());
    m_pRoot = std::make_unique<TerrainNode>();
    ++m_changeCount;
    BuildFromGrid(*m_pRoot, grid, 0, 0, grid.GetSide() - 1, depth);
}

void Terrain::BuildFromGrid(TerrainNode& node, const HeightGrid& grid, int column, int row,
                            int span, int depth) {
    // Coordinates on the grid are exact multiples of a power of two, so they
    // are the doubles generation's halving arrives at.
    const double spacing = grid.GetSpacing();
    const double x0 = column * spacing;
    const double z0 = row * spacing - TerrainLimits::kWorldSize;
    const double size = span * spacing;
    std::array<Vec3, 5> q = {Vec3(x0, grid.GetHeight(column, row), z0),
                             Vec3(x0, grid.GetHeight(column, row + span), z0 + size),
                             Vec3(x0 + size, grid.GetHeight(column + span, row + span), z0 + size),
                             Vec3(x0 + size, grid.GetHeight(column + span, row), z0),
                             Vec3(250.0, 0.0, -250.0)};
    if (node.parent != nullptr) {
        q[4].Set(x0 + size * 0.5, (q[2].y + q[0].y + q[3].y + q[1].y) * 0.25, z0 + size * 0.5);
    }
    node.Init(node.parent, q, true);
    if (node.depth >= depth) {
        return;
    }
    const int half = span / 2;
    // The quarters at p0, p1, p2 and p3, in generation's order.
    const int offsets[4][2] = {{0, 0}, {0, half}, {half, half}, {half, 0}};
    for (std::size_t k = 0; k < 4; ++k) {
        node.children[k] = std::make_unique<TerrainNode>();
        ++m_changeCount;
        node.children[k]->parent = &node;
        BuildFromGrid(*node.children[k], grid, column + offsets[k][0], row + offsets[k][1], half,
                      depth);
    }
}

void Terrain::RepairSharedPoint(TerrainNode* node, double x, double y, double z) {
    const SharedPoint point{x, y, z, RoundToDecimals(x, kRepairDecimals),
                            RoundToDecimals(z, kRepairDecimals)};
    RepairWalk(node, point);
}

void Terrain::RepairWalk(TerrainNode* node, const SharedPoint& shared) {
    if (node == nullptr || !containsRounded(*node, shared.roundedX, shared.roundedZ)) {
        return;
    }
    if (!node->fixed) {
        return;
    }
    for (std::unique_ptr<TerrainNode>& child : node->children) {
        RepairWalk(child.get(), shared);
    }
    for (Vec3& point : node->points) {
        if (NearlyEqual(point.x, shared.x) && NearlyEqual(point.z, shared.z)) {
            point.y = shared.y;
        }
    }
}

void Terrain::Draw(const RenderMode& mode, const HeightPalette& palette) const {
    GLTriangleSink sink;
    Draw(mode, palette, sink);
}

void Terrain::DrawSubtree(const TerrainNode* node, const RenderMode& mode,
                          const HeightPalette& palette) const {
    GLTriangleSink sink;
    DrawSubtree(node, mode, palette, sink);
}

void Terrain::Draw(const RenderMode& mode, const HeightPalette& palette, TriangleSink& sink) const {
    DrawSubtree(m_pRoot.get(), mode, palette, sink);
}

void Terrain::DrawSubtree(const TerrainNode* node, const RenderMode& mode,
                          const HeightPalette& palette, TriangleSink& sink) const {
    if (node == nullptr) {
        return;
    }
    for (const std::unique_ptr<TerrainNode>& child : node->children) {
        DrawSubtree(child.get(), mode, palette, sink);
    }
    node->DrawCell(mode, palette, sink);
}

}  // namespace moon
