// SPDX-License-Identifier: MIT
// The leaves of a full generation without the tree: each cell of the finest
// depth as the tree holds it once generation is over, one at a time, in
// drawing order. Its corners carry the grid's final heights; its centre and
// normals are what they were when the cell was made, since a neighbour's later
// step moves a shared corner but the tree computes those once. Drawing such a
// leaf gives the tree's triangles, values and normals to the last bit.
//
// Which height a corner had when its cell was made follows from the order of
// the steps. A point in the middle of the common edge of two cells is written
// by both cells' steps; every cell made inside the earlier of the two (all of
// its subtree is made before the later one's step) saw the first height, every
// cell inside the later one the final height. Every other point is written
// once. Of two cells side by side the western is always made first; of two
// one above the other, the northern when their nearest common ancestor holds
// them in its western half, else the southern (children go north-west,
// south-west, south-east, north-east).
#pragma once

#include <functional>

#include "terrain/HeightGrid.h"

namespace moon {

class TerrainNode;

class GridLeaves {
public:
    // Where a leaf's corners 0 to 3 are from its p0 corner: column, row.
    static constexpr int kCornerOffsets[4][2] = {{0, 0}, {0, 1}, {1, 1}, {1, 0}};

    // leaf is valid during the call only; column and row are its p0 corner's.
    using Visit = std::function<void(const TerrainNode& leaf, int column, int row)>;

    // Skipped: the leaves' points only, for callers that make their own normals.
    enum class Normals { Computed, Skipped };

    // grid: generated with its first heights kept.
    static void ForEach(const HeightGrid& grid, const Visit& visit,
                        Normals normals = Normals::Computed);

    // The leaf whose p0 corner is (column, row), into leaf.
    static void Make(const HeightGrid& grid, int column, int row, Normals normals,
                     TerrainNode& leaf);

    // The cells of the finest depth without their heights: cell(column, row)
    // for each, in the same order.
    template <typename Cell>
    static void ForEachCell(const HeightGrid& grid, Cell& cell);

    // The height the point at (x, z) had when the leaf whose p0 corner is
    // (column, row), one of the cells around it, was made.
    static double HeightWhenMade(const HeightGrid& grid, int x, int z, int column, int row);

private:
    template <typename Cell>
    static void Cells(int column, int row, int span, Cell& cell) {
        if (span <= 1) {
            cell(column, row);
            return;
        }
        // The quarters at p0, p1, p2 and p3, as the tree makes them.
        const int half = span / 2;
        Cells(column, row, half, cell);
        Cells(column, row + half, half, cell);
        Cells(column + half, row + half, half, cell);
        Cells(column + half, row, half, cell);
    }
};

template <typename Cell>
void GridLeaves::ForEachCell(const HeightGrid& grid, Cell& cell) {
    Cells(0, 0, grid.GetSide() - 1, cell);
}

}  // namespace moon
