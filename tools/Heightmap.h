// SPDX-License-Identifier: MIT
// The generated terrain as a regular grid of heights (moon-terrain export
// --format heightmap): the corners of the cells at the generated depth,
// (2^depth + 1) samples a side, 500 / 2^depth world units apart. Row 0 is the
// north edge (world z = -500), column 0 the west edge (x = 0). As 16-bit
// samples the lowest height is 0 and the highest 65535.
#pragma once

#include <cstdint>
#include <vector>

namespace moon {

class TerrainNode;

class Heightmap {
public:
    // Samples the leaves under root, which must all be at depth (a generated
    // tree without level-of-detail passes).
    void Sample(const TerrainNode* root, int depth);

    int GetSide() const { return m_side; }
    // World units.
    double GetHeight(int column, int row) const;
    double GetLowest() const { return m_lowest; }
    double GetHighest() const { return m_highest; }
    // Rows from the north, scaled to 0..65535 (all 0 when the ground is flat).
    std::vector<std::uint16_t> ToSamples16() const;

private:
    int m_side = 0;
    std::vector<double> m_heights;
    double m_lowest = 0.0;
    double m_highest = 0.0;
};

}  // namespace moon
