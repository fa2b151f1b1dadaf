// SPDX-License-Identifier: MIT
#include "terrain/HeightGrid.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "base/Check.h"
#include "terrain/MidpointStep.h"
#include "terrain/TerrainLimits.h"

namespace moon {
namespace {

// The terrain's side, world units.

}  // namespace

void HeightGrid::Generate(int depth, bool keepFirstHeights) {
    MOON_CHECK(depth <= kMaxDepth, "the grid holds depths up to 14");
    // Every sample is written before it is read: no need to clear them first.
    Allocate(depth);
    m_bWrittenOnce = false;
    const std::size_t samples = static_cast<std::size_t>(m_side) * static_cast<std::size_t>(m_side);
    if (keepFirstHeights) {
        m_pFirstHeights = std::make_unique_for_overwrite<double[]>(samples);
        std::fill(m_pFirstHeights.get(), m_pFirstHeights.get() + samples,
                  std::numeric_limits<double>::quiet_NaN());
    }
    const int last = m_side - 1;
    const MidpointStep::RootHeights root = MidpointStep::DrawRootHeights();
    Write(0, 0, root.y0);        // (0, -500)
    Write(0, last, root.y1);     // (0, 0)
    Write(last, last, root.y2);  // (500, 0)
    Write(last, 0, root.y3);     // (500, -500)
    Subdivide(0, 0, 0, last);

    const double* first = m_pHeights.get();
    const auto [lowest, highest] = std::minmax_element(first, first + samples);
    m_lowest = *lowest;
    m_highest = *highest;
}

void HeightGrid::Allocate(int depth) {
    MOON_CHECK(depth <= kMaxDepth, "the grid holds depths up to 14");
    m_depth = std::max(depth, 0);
    m_side = (1 << m_depth) + 1;
    m_pFirstHeights.reset();
    m_pHeights.reset();
    m_pHeights = std::make_unique_for_overwrite<double[]>(static_cast<std::size_t>(m_side) *
                                                          static_cast<std::size_t>(m_side));
    m_bWrittenOnce = true;
    m_lowest = 0.0;
    m_highest = 0.0;
}

void HeightGrid::Subdivide(int depth, int column, int row, int span) {
    if (depth >= m_depth) {
        return;
    }
    // p0 north-west, p1 south-west, p2 south-east, p3 north-east: z grows southwards.
    const int half = span / 2;
    const MidpointStep step =
        MidpointStep::Make(At(column, row), At(column, row + span), At(column + span, row + span),
                           At(column + span, row), depth, true);
    // The tree writes these as it creates the children, each edge point twice;
    // no child's steps read or write another child's corners, so writing them
    // all first leaves the same heights.
    Write(column + half, row + half, step.common);
    Write(column, row + half, step.h01);
    Write(column + half, row, step.h03);
    Write(column + half, row + span, step.h12);
    Write(column + span, row + half, step.h23);
    // The children in the tree's order: the quarters at p0, p1, p2 and p3.
    Subdivide(depth + 1, column, row, half);
    Subdivide(depth + 1, column, row + half, half);
    Subdivide(depth + 1, column + half, row + half, half);
    Subdivide(depth + 1, column + half, row, half);
}

void HeightGrid::Write(int column, int row, double height) {
    const std::size_t index = Index(column, row);
    m_pHeights[index] = height;
    if (m_pFirstHeights && std::isnan(m_pFirstHeights[index])) {
        m_pFirstHeights[index] = height;
    }
}

double HeightGrid::GetSpacing() const {
    return TerrainLimits::kWorldSize / static_cast<double>(m_side - 1);
}

const double* HeightGrid::GetRow(int row) const {
    MOON_CHECK(row >= 0 && row < m_side);
    return m_pHeights.get() + static_cast<std::size_t>(row) * static_cast<std::size_t>(m_side);
}

double* HeightGrid::GetRow(int row) {
    MOON_CHECK(row >= 0 && row < m_side);
    return m_pHeights.get() + static_cast<std::size_t>(row) * static_cast<std::size_t>(m_side);
}

}  // namespace moon
