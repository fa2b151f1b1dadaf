// SPDX-License-Identifier: MIT
// The heights a full generation leaves, without the tree: the corners of the
// generated cells as one flat array, (2^depth + 1) samples a side,
// 500 / 2^depth world units apart. Row 0 is the north edge (z = -500) and
// column 0 the west edge (x = 0).
//
// It runs the tree's subdivision steps in the tree's order, with the same
// draws and the same arithmetic (MidpointStep), and lets each new point
// overwrite its sample. That is what the tree's repair walk amounts to: the
// height written last at a position is the one every cell there keeps, and a
// cell's corners, when its own step reads them, are the latest heights there.
// So the samples equal the tree's corner heights exactly, and the random
// sequence is left where the tree leaves it.
#pragma once

#include <array>
#include <cstddef>
#include <functional>
#include <memory>

namespace moon {

class HeightGrid {
public:
    // 16385 samples a side: 2 GiB of heights.
    static constexpr int kMaxDepth = 14;

    // A cell of the finest depth as generation makes it: its p0 corner's
    // column and row, and its corners' heights p0 to p3 at that moment. Cells
    // made earlier may see their corners change later, when a neighbour's step
    // writes the same point; the tree's cells keep what they were made with
    // in their centre and normals.
    using NewCell = std::function<void(int column, int row, const std::array<double, 4>& heights)>;

    // Generates as Terrain::Generate(depth) does; depth 0 or less is the root
    // alone (still four draws). depth must not exceed kMaxDepth. newCell, when
    // given, is told of every cell of the finest depth (the root at depth 0),
    // in the order the tree makes them, which is the order it draws them.
    void Generate(int depth, const NewCell& newCell = nullptr);

    int GetDepth() const { return m_depth; }
    // Samples a side, 2^depth + 1; 0 before Generate.
    int GetSide() const { return m_side; }
    // World units between neighbouring samples.
    double GetSpacing() const;
    // World units; column from the west, row from the north.
    double GetHeight(int column, int row) const;
    // The side's samples of one row, west to east.
    const double* GetRow(int row) const;
    double GetLowest() const { return m_lowest; }
    double GetHighest() const { return m_highest; }

private:
    double& At(int column, int row) {
        return m_pHeights[static_cast<std::size_t>(row) * static_cast<std::size_t>(m_side) +
                          static_cast<std::size_t>(column)];
    }
    // One step for the cell of the given depth whose p0 corner is at (column,
    // row), span samples a side, then its children's steps down to m_depth.
    void Subdivide(int depth, int column, int row, int span);
    void ReportCell(int column, int row, int span);

    const NewCell* m_pNewCell = nullptr;  // during Generate only

    int m_depth = 0;
    int m_side = 0;
    std::unique_ptr<double[]> m_pHeights;
    double m_lowest = 0.0;
    double m_highest = 0.0;
};

}  // namespace moon
