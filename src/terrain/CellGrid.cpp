// SPDX-License-Identifier: MIT
#include "terrain/CellGrid.h"

#include <algorithm>
#include <bit>
#include <cstddef>

#include "base/Check.h"
#include "terrain/TerrainNode.h"

namespace moon {
namespace {

// The whole number offset / step, when it is one within 0..limit. Grid
// coordinates are exact, so the division is too.
bool gridIndex(double offset, double step, long limit, long& index) {
    const double cells = offset / step;
    if (!(cells >= 0.0 && cells <= static_cast<double>(limit))) {
        return false;  // outside, or NaN
    }
    index = static_cast<long>(cells);
    return static_cast<double>(index) == cells;
}

void setCorner(TerrainNode* node, std::size_t corner, double y) {
    if (node != nullptr) {
        node->points[corner].y = y;
    }
}

}  // namespace

CellGrid::CellGrid(int depth, double minX, double minZ, double size)
    : m_depth(depth),
      m_minX(minX),
      m_minZ(minZ),
      m_size(size),
      m_step(size / static_cast<double>(1L << depth)),
      m_levels(static_cast<std::size_t>(depth) + 1) {
    MOON_CHECK(depth >= 0 && depth <= kMaxDepth);
}

void CellGrid::Add(TerrainNode* node) {
    MOON_CHECK(node->depth >= 0 && node->depth <= m_depth, "the cell is deeper than the grid");
    const long side = 1L << node->depth;
    const double extent = m_size / static_cast<double>(side);
    long column = 0;
    long row = 0;
    const bool onColumn = gridIndex(node->points[0].x - m_minX, extent, side - 1, column);
    const bool onRow = gridIndex(node->points[0].z - m_minZ, extent, side - 1, row);
    MOON_CHECK(onColumn && onRow, "the cell's corner is not on the grid of its depth");
    std::vector<TerrainNode*>& level = m_levels[static_cast<std::size_t>(node->depth)];
    if (level.empty()) {
        level.resize(static_cast<std::size_t>(side * side), nullptr);
    }
    level[static_cast<std::size_t>(row * side + column)] = node;
}

void CellGrid::SetHeight(double x, double y, double z) const {
    const long finest = 1L << m_depth;
    long i = 0;
    long j = 0;
    if (!gridIndex(x - m_minX, m_step, finest, i) || !gridIndex(z - m_minZ, m_step, finest, j)) {
        return;
    }
    // The point is on the grid of depth d when i and j are multiples of
    // 2^(m_depth - d): from the coarsest such depth down to the finest.
    const int zeros =
        std::min(std::countr_zero(static_cast<unsigned long>(i | j | finest)), m_depth);
    for (int depth = m_depth - zeros; depth <= m_depth; ++depth) {
        const std::vector<TerrainNode*>& level = m_levels[static_cast<std::size_t>(depth)];
        if (level.empty()) {
            continue;
        }
        const int shift = m_depth - depth;
        const long side = 1L << depth;
        const long column = i >> shift;
        const long row = j >> shift;
        // The point is corner 0 of the cell at (column, row), corner 1 of the
        // one before it in z, corner 2 of the one before it in both, and
        // corner 3 of the one before it in x; cells that do not exist yet are null.
        const bool after = column < side;
        const bool before = column > 0;
        const bool above = row < side;
        const bool below = row > 0;
        const std::size_t here = static_cast<std::size_t>(row * side + column);
        const std::size_t down = here - static_cast<std::size_t>(side);
        if (after && above) {
            setCorner(level[here], 0, y);
        }
        if (after && below) {
            setCorner(level[down], 1, y);
        }
        if (before && below) {
            setCorner(level[down - 1], 2, y);
        }
        if (before && above) {
            setCorner(level[here - 1], 3, y);
        }
    }
}

}  // namespace moon
