// SPDX-License-Identifier: MIT
#include "mesh/Heightmap.h"

#include <cmath>

#include "base/Check.h"
#include "terrain/HeightGrid.h"
#include "terrain/TerrainLimits.h"

namespace moon {
namespace {

// The terrain's north-west corner, world units.
constexpr double kWest = 0.0;
constexpr double kNorth = -TerrainLimits::kWorldSize;

}  // namespace

Heightmap::Heightmap(const HeightGrid& grid) : Heightmap(grid, 0, 0, grid.GetSide()) {}

Heightmap::Heightmap(const HeightGrid& grid, int column, int row, int side)
    : m_pGrid(&grid), m_column(column), m_row(row), m_side(side) {
    MOON_CHECK(column >= 0 && row >= 0 && side > 0 && column + side <= grid.GetSide() &&
               row + side <= grid.GetSide());
}

double Heightmap::GetWestX() const {
    return kWest + m_column * GetSpacing();
}

double Heightmap::GetNorthZ() const {
    return kNorth + m_row * GetSpacing();
}

double Heightmap::GetSpacing() const {
    return m_pGrid->GetSpacing();
}

double Heightmap::GetLowest() const {
    return m_pGrid->GetLowest();
}

double Heightmap::GetHighest() const {
    return m_pGrid->GetHighest();
}

const double* Heightmap::Row(int row) const {
    MOON_CHECK(row >= 0 && row < m_side);
    return m_pGrid->GetRow(m_row + row) + m_column;
}

void Heightmap::GetRow16(int row, std::uint16_t* samples) const {
    const double* heights = Row(row);
    const double lowest = GetLowest();
    const double range = GetHighest() - lowest;
    for (int i = 0; i < m_side; ++i) {
        samples[i] =
            range > 0.0
                ? static_cast<std::uint16_t>(std::lround((heights[i] - lowest) / range * 65535.0))
                : 0;
    }
}

void Heightmap::GetRowFloat(int row, float* samples) const {
    const double* heights = Row(row);
    for (int i = 0; i < m_side; ++i) {
        samples[i] = static_cast<float>(heights[i]);
    }
}

}  // namespace moon
