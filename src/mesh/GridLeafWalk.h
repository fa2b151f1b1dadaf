// SPDX-License-Identifier: MIT
// The grid's leaves in drawing order (GridLeaves), as the grid mesh's passes
// walk them: where the leaf is, and its values only when a pass reads them.
// Inline, so a pass's work on each leaf is compiled into the walk.
#pragma once

#include <cstddef>
#include <functional>
#include <string_view>

#include "terrain/GridLeaves.h"
#include "terrain/HeightGrid.h"
#include "terrain/TerrainNode.h"

namespace moon {

class GridLeafWalk {
public:
    using Progress = std::function<void(std::string_view stage, double fraction)>;

    // What a pass reads of each leaf: its place alone, its points, or its
    // points and its own normals.
    enum class Reads { Places, Points, Normals };

    explicit GridLeafWalk(const HeightGrid& grid) : m_grid(grid), m_side(grid.GetSide()) {}

    // leaf(*this) for each leaf in turn.
    template <typename Leaf>
    void Run(Reads reads, Leaf& leaf);

    int GetSide() const { return m_side; }
    std::size_t GetLeafCount() const {
        return static_cast<std::size_t>(m_side - 1) * static_cast<std::size_t>(m_side - 1);
    }

    // The leaf being visited: its place in the walk, its p0 corner, and its
    // values (not when the walk reads places alone).
    std::size_t Index() const { return m_index; }
    int Column() const { return m_column; }
    int Row() const { return m_row; }
    const TerrainNode& Node() const { return *m_pNode; }

    // The grid position (row * side + column) of the leaf's corner point, 0 to 3.
    std::size_t Location(int point) const {
        const auto& offset = GridLeaves::kCornerOffsets[point];
        return static_cast<std::size_t>(m_row + offset[1]) * static_cast<std::size_t>(m_side) +
               static_cast<std::size_t>(m_column + offset[0]);
    }

    // How many leaves hold the leaf's corner point: four inside the grid,
    // fewer on its edges.
    int LeavesAt(int point) const {
        const int last = m_side - 1;
        const int x = m_column + GridLeaves::kCornerOffsets[point][0];
        const int z = m_row + GridLeaves::kCornerOffsets[point][1];
        return (x == 0 || x == last ? 1 : 2) * (z == 0 || z == last ? 1 : 2);
    }

    // Reports the counting passes' progress every 65536 leaves; called when
    // the pass is done with a leaf.
    void Report(const Progress& progress) const {
        const std::size_t done = m_index + 1;
        if (done % 65536 == 0 && progress) {
            progress("counting", static_cast<double>(done) / static_cast<double>(GetLeafCount()));
        }
    }

private:
    const HeightGrid& m_grid;
    int m_side = 0;
    const TerrainNode* m_pNode = nullptr;
    int m_column = 0;
    int m_row = 0;
    std::size_t m_index = 0;
};

template <typename Leaf>
void GridLeafWalk::Run(Reads reads, Leaf& leaf) {
    m_index = 0;
    if (reads == Reads::Places) {
        auto cell = [this, &leaf](int column, int row) {
            m_column = column;
            m_row = row;
            leaf(*this);
            ++m_index;
        };
        GridLeaves::ForEachCell(m_grid, cell);
        return;
    }
    GridLeaves::ForEach(
        m_grid,
        [this, &leaf](const TerrainNode& node, int column, int row) {
            m_pNode = &node;
            m_column = column;
            m_row = row;
            leaf(*this);
            ++m_index;
        },
        reads == Reads::Normals ? GridLeaves::Normals::Computed : GridLeaves::Normals::Skipped);
    m_pNode = nullptr;
}

}  // namespace moon
