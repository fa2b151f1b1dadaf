// SPDX-License-Identifier: MIT
#include "terrain/GridLeaves.h"

#include <array>
#include <bit>

#include "base/Check.h"
#include "terrain/HeightGrid.h"
#include "terrain/TerrainLimits.h"
#include "terrain/TerrainNode.h"

namespace moon {

double GridLeaves::HeightWhenMade(const HeightGrid& grid, int x, int z, int column, int row) {
    const int last = grid.GetSide() - 1;
    // A point is a corner of cells 2^m samples a side and made, as the middle
    // of an edge or a centre, by the step of cells twice that size.
    const int tx = x == 0 ? 31 : std::countr_zero(static_cast<unsigned>(x));
    const int tz = z == 0 ? 31 : std::countr_zero(static_cast<unsigned>(z));
    bool first = false;
    if (tx > tz && x != 0 && x != last) {
        // The middle of a north-south edge: the western cell writes it first.
        first = column < x;
    } else if (tz > tx && z != 0 && z != last) {
        // The middle of a west-east edge between a northern and a southern
        // cell. Their rows, in cells of the writers' size, differ first in
        // bit b; the column's bit b says which half of their common ancestor
        // they are in.
        const int size = 2 << tx;
        const auto writers = static_cast<unsigned>(x >> (tx + 1));
        const auto south = static_cast<unsigned>(z / size);
        const int b = std::bit_width((south - 1) ^ south) - 1;
        const bool northFirst = ((writers >> b) & 1u) == 0;
        first = (row < z) == northFirst;
    }
    // Anything else (the root's corners, a cell's centre, the middle of an
    // edge of the square) is written once.
    return first ? grid.GetFirstHeight(x, z) : grid.GetHeight(x, z);
}

void GridLeaves::Make(const HeightGrid& grid, int column, int row, Normals normals,
                      TerrainNode& leaf) {
    const double spacing = grid.GetSpacing();
    std::array<double, 4> made{};
    std::array<double, 4> final{};
    for (std::size_t k = 0; k < 4; ++k) {
        const int x = column + kCornerOffsets[k][0];
        const int z = row + kCornerOffsets[k][1];
        made[k] = HeightWhenMade(grid, x, z, column, row);
        final[k] = grid.GetHeight(x, z);
    }
    // Coordinates on the grid are exact multiples of a power of two, so any
    // exact way of computing them gives the tree's doubles.
    const double x0 = column * spacing;
    const double z0 = row * spacing - TerrainLimits::kWorldSize;
    const std::array<Vec3, 5> points = {
        Vec3(x0, made[0], z0), Vec3(x0, made[1], z0 + spacing),
        Vec3(x0 + spacing, made[2], z0 + spacing), Vec3(x0 + spacing, made[3], z0),
        // The root's centre is at height 0; a child's is the mean of its corners.
        grid.GetDepth() == 0
            ? Vec3(250.0, 0.0, -250.0)
            : Vec3(x0 + spacing * 0.5, (made[2] + made[0] + made[3] + made[1]) * 0.25,
                   z0 + spacing * 0.5)};
    if (normals == Normals::Computed) {
        leaf.Init(nullptr, points, true);
    } else {
        leaf.points = points;
    }
    for (std::size_t k = 0; k < 4; ++k) {
        leaf.points[k].y = final[k];
    }
}

void GridLeaves::ForEach(const HeightGrid& grid, const Visit& visit, Normals normals) {
    MOON_CHECK(grid.HasFirstHeights(), "the grid keeps its first heights");
    TerrainNode leaf;
    auto make = [&](int column, int row) {
        Make(grid, column, row, normals, leaf);
        visit(leaf, column, row);
    };
    ForEachCell(grid, make);
}

}  // namespace moon
