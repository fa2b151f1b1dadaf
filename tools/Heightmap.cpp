// SPDX-License-Identifier: MIT
#include "tools/Heightmap.h"

#include <algorithm>
#include <cmath>

#include "base/Check.h"
#include "terrain/TerrainNode.h"

namespace moon {
namespace {

// The terrain's square, world units.
constexpr double kWest = 0.0;
constexpr double kNorth = -500.0;
constexpr double kSize = 500.0;

// The grid index of a coordinate: cell corners lie exactly on the grid, as the
// cells' sides are 500 halved (exact in binary) and their corners sums of those.
int gridIndex(double coordinate, double origin, double step) {
    const double index = (coordinate - origin) / step;
    MOON_CHECK(index == std::floor(index), "a cell corner lies on the generated grid");
    return static_cast<int>(index);
}

}  // namespace

void Heightmap::Sample(const TerrainNode* root, int depth) {
    m_side = (1 << depth) + 1;
    const double step = kSize / static_cast<double>(1 << depth);
    m_heights.assign(static_cast<std::size_t>(m_side) * static_cast<std::size_t>(m_side), NAN);
    ForEachNode(root, [&](const TerrainNode& node) {
        if (!node.IsLeaf()) {
            return;
        }
        MOON_CHECK(node.depth == depth, "a heightmap samples a tree without level of detail");
        for (std::size_t k = 0; k < 4; ++k) {
            const int column = gridIndex(node.points[k].x, kWest, step);
            const int row = gridIndex(node.points[k].z, kNorth, step);
            double& height =
                m_heights[static_cast<std::size_t>(row) * static_cast<std::size_t>(m_side) +
                          static_cast<std::size_t>(column)];
            // Generation gives a corner that cells share one height.
            MOON_CHECK(std::isnan(height) || height == node.points[k].y,
                       "shared corners have one height");
            height = node.points[k].y;
        }
    });
    MOON_CHECK(std::none_of(m_heights.begin(), m_heights.end(),
                            [](double height) { return std::isnan(height); }),
               "the leaves cover the grid");
    const auto [lowest, highest] = std::minmax_element(m_heights.begin(), m_heights.end());
    m_lowest = *lowest;
    m_highest = *highest;
}

double Heightmap::GetHeight(int column, int row) const {
    MOON_CHECK(column >= 0 && column < m_side && row >= 0 && row < m_side);
    return m_heights[static_cast<std::size_t>(row) * static_cast<std::size_t>(m_side) +
                     static_cast<std::size_t>(column)];
}

std::vector<std::uint16_t> Heightmap::ToSamples16() const {
    std::vector<std::uint16_t> samples(m_heights.size(), 0);
    const double range = m_highest - m_lowest;
    if (range > 0.0) {
        for (std::size_t i = 0; i < m_heights.size(); ++i) {
            samples[i] = static_cast<std::uint16_t>(
                std::lround((m_heights[i] - m_lowest) / range * 65535.0));
        }
    }
    return samples;
}

}  // namespace moon
