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

#include <cstddef>
#include <memory>

#include "base/Check.h"

namespace moon {

class HeightGrid {
public:
    // 16385 samples a side: 2 GiB of heights.
    static constexpr int kMaxDepth = 14;

    // Generates as Terrain::Generate(depth) does; depth 0 or less is the root
    // alone (still four draws). depth must not exceed kMaxDepth. With
    // keepFirstHeights, each sample's first height is kept too (twice the
    // memory): a point on the common edge of two cells is written by both
    // cells' steps, and the cells made between the two writes see the first.
    void Generate(int depth, bool keepFirstHeights = false);
    // Room for a grid that another generator fills (RefinedGrid), every
    // sample written once: its first heights are its heights. The samples are
    // undefined until written; SetRange must follow.
    void Allocate(int depth);
    // The range of a grid filled after Allocate: its lowest and highest
    // heights, or bounds its heights lie within (RefinedGrid's).
    void SetRange(double lowest, double highest) {
        m_lowest = lowest;
        m_highest = highest;
    }

    int GetDepth() const { return m_depth; }
    // Samples a side, 2^depth + 1; 0 before Generate.
    int GetSide() const { return m_side; }
    // World units between neighbouring samples.
    double GetSpacing() const;
    // World units; column from the west, row from the north.
    double GetHeight(int column, int row) const { return m_pHeights[CheckedIndex(column, row)]; }
    // The height first written there; Generate must have kept them.
    double GetFirstHeight(int column, int row) const {
        MOON_CHECK(HasFirstHeights(), "the grid keeps its first heights");
        return m_bWrittenOnce ? GetHeight(column, row) : m_pFirstHeights[CheckedIndex(column, row)];
    }
    bool HasFirstHeights() const { return m_pFirstHeights != nullptr || m_bWrittenOnce; }
    // The side's samples of one row, west to east.
    const double* GetRow(int row) const;
    double* GetRow(int row);
    double GetLowest() const { return m_lowest; }
    double GetHighest() const { return m_highest; }

private:
    std::size_t Index(int column, int row) const {
        return static_cast<std::size_t>(row) * static_cast<std::size_t>(m_side) +
               static_cast<std::size_t>(column);
    }
    std::size_t CheckedIndex(int column, int row) const {
        MOON_CHECK(column >= 0 && column < m_side && row >= 0 && row < m_side);
        return Index(column, row);
    }
    double& At(int column, int row) { return m_pHeights[Index(column, row)]; }
    // Writes a new point's height, keeping the first one if asked to.
    void Write(int column, int row, double height);
    // One step for the cell of the given depth whose p0 corner is at (column,
    // row), span samples a side, then its children's steps down to m_depth.
    void Subdivide(int depth, int column, int row, int span);

    int m_depth = 0;
    int m_side = 0;
    std::unique_ptr<double[]> m_pHeights;
    std::unique_ptr<double[]> m_pFirstHeights;  // NaN until written
    bool m_bWrittenOnce = false;                // filled after Allocate
    double m_lowest = 0.0;
    double m_highest = 0.0;
};

}  // namespace moon
