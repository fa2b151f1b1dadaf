// SPDX-License-Identifier: MIT
#include "terrain/GridLeaves.h"

#include <array>

#include "base/Check.h"
#include "terrain/HeightGrid.h"
#include "terrain/TerrainNode.h"

namespace moon {

void GridLeaves::ForEach(const HeightGrid& grid, const Visit& visit, Normals normals) {
    MOON_CHECK(grid.GetSide() > 0, "the grid is generated first");
    const int depth = grid.GetDepth();
    const double spacing = grid.GetSpacing();
    TerrainNode leaf;
    HeightGrid again;
    again.Generate(depth, [&](int column, int row, const std::array<double, 4>& made) {
        // Coordinates on the grid are exact multiples of a power of two, so
        // any exact way of computing them gives the tree's doubles.
        const double x0 = column * spacing;
        const double z0 = row * spacing - 500.0;
        std::array<Vec3, 5> points = {
            Vec3(x0, made[0], z0), Vec3(x0, made[1], z0 + spacing),
            Vec3(x0 + spacing, made[2], z0 + spacing), Vec3(x0 + spacing, made[3], z0),
            // The root's centre is at height 0; a child's is the mean of its corners.
            depth == 0 ? Vec3(250.0, 0.0, -250.0)
                       : Vec3(x0 + spacing * 0.5, (made[2] + made[0] + made[3] + made[1]) * 0.25,
                              z0 + spacing * 0.5)};
        if (normals == Normals::Computed) {
            leaf.Init(nullptr, points, true);
        } else {
            leaf.points = points;
        }
        leaf.points[0].y = grid.GetHeight(column, row);
        leaf.points[1].y = grid.GetHeight(column, row + 1);
        leaf.points[2].y = grid.GetHeight(column + 1, row + 1);
        leaf.points[3].y = grid.GetHeight(column + 1, row);
        visit(leaf, column, row);
    });
}

}  // namespace moon
