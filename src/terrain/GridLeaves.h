// SPDX-License-Identifier: MIT
// The leaves of a full generation without the tree: each cell of the finest
// depth made as the tree holds it once generation is over, one at a time, in
// drawing order. Its corners carry the grid's final heights; its centre and
// normals are what they were when the cell was made, since a neighbour's later
// step moves a shared corner but the tree computes those once. Drawing such a
// leaf gives the tree's triangles, values and normals to the last bit.
//
// The moments of making are seen by generating again, from where the random
// sequence stood before the grid was generated: a second grid of the same
// size, and the same draws.
#pragma once

#include <functional>

namespace moon {

class HeightGrid;
class TerrainNode;

class GridLeaves {
public:
    // leaf is valid during the call only; column and row are its p0 corner's.
    using Visit = std::function<void(const TerrainNode& leaf, int column, int row)>;

    // Skipped: the leaves' points only, for callers that make their own normals.
    enum class Normals { Computed, Skipped };

    // grid: generated; Random must stand where it stood before that, and is
    // left where generation leaves it.
    static void ForEach(const HeightGrid& grid, const Visit& visit,
                        Normals normals = Normals::Computed);
};

}  // namespace moon
