// SPDX-License-Identifier: MIT
// A square of the generated grid as a heightmap file's samples: the whole
// grid, or one tile of it. Row 0 is the square's north edge (the smallest z),
// column 0 its west edge (the smallest x). Samples are scaled by the whole
// grid's range, so that tiles written apart keep one scale: as 16-bit values
// the landscape's lowest height is 0 and its highest 65535 (all 0 when the
// ground is flat); as floats they are the heights in world units.
#pragma once

#include <cstdint>

namespace moon {

class HeightGrid;

class Heightmap {
public:
    // The whole grid.
    explicit Heightmap(const HeightGrid& grid);
    // The side x side samples whose north-west sample is (column, row) of the
    // grid; the square must lie within the grid.
    Heightmap(const HeightGrid& grid, int column, int row, int side);

    int GetSide() const { return m_side; }
    // World coordinates of sample (0, 0), and of the space between samples.
    double GetWestX() const;
    double GetNorthZ() const;
    double GetSpacing() const;
    // The whole grid's lowest and highest heights, world units.
    double GetLowest() const;
    double GetHighest() const;

    // One row of GetSide() samples, west to east.
    void GetRow16(int row, std::uint16_t* samples) const;
    void GetRowFloat(int row, float* samples) const;

private:
    const double* Row(int row) const;

    const HeightGrid* m_pGrid;
    int m_column;
    int m_row;
    int m_side;
};

}  // namespace moon
