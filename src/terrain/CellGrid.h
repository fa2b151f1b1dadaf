// SPDX-License-Identifier: MIT
// The cells of a freshly generated tree, by depth and position, so that the
// cells with a corner at a given point are found by arithmetic instead of a
// walk from the root. Generation's shared-point repair uses it.
//
// It answers exactly what the repair walk would find while the only fixed
// cells are those generation made: those form a full quadtree whose corners
// lie on the grid of its deepest cells, with coordinates exact in double
// precision, so "NearlyEqual in x and z" is plain equality on that grid. Cell
// centres never coincide with a new edge point, so only corners are kept.
#pragma once

#include <vector>

namespace moon {

class TerrainNode;

class CellGrid {
public:
    // Deepest depth this grid serves; generation deeper than this walks the tree.
    static constexpr int kMaxDepth = 16;

    // A tree of the given depth (0 to kMaxDepth) over the square
    // [minX, minX + size] x [minZ, minZ + size], world units.
    CellGrid(int depth, double minX, double minZ, double size);

    // Records a generated cell of depth 0 to the grid's depth.
    void Add(TerrainNode* node);
    // Gives height y to every corner of a recorded cell at exactly (x, z).
    // Points off the grid (finer than its cells) have no such corner.
    void SetHeight(double x, double y, double z) const;

private:
    int m_depth;
    double m_minX;
    double m_minZ;
    double m_size;
    double m_step;  // side of the deepest cells
    // [depth][row * 2^depth + column]; row counts along z, column along x.
    std::vector<std::vector<TerrainNode*>> m_levels;
};

}  // namespace moon
