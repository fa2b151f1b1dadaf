// SPDX-License-Identifier: MIT
#include "terrain/RefinedGrid.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "base/Check.h"
#include "craters/CraterField.h"
#include "craters/CraterPopulation.h"
#include "terrain/LunarRoughness.h"
#include "terrain/ParallelRows.h"
#include "terrain/TerrainLimits.h"

namespace moon {
namespace {

// The samples of one level of refinement: the points that first appear at
// depth, in a grid whose samples are step apart at that depth (a level's
// cells are 2 * step samples a side).
class Level {
public:
    Level(HeightGrid& grid, int depth, const LandscapeKey& key)
        : m_grid(grid),
          m_side(grid.GetSide()),
          m_step(1 << (grid.GetDepth() - depth)),
          m_levelSeed(LunarRoughness::LevelSeed(key, depth)),
          m_deviation(LunarRoughness::Deviation(depth)) {}

    // Cells' centres: rows of centres, from the north.
    int SquareRows() const { return (m_side - 1) / (2 * m_step); }
    void Square(int rowIndex) {
        const int step = m_step;
        const int row = (2 * rowIndex + 1) * step;
        const double* north = m_grid.GetRow(row - step);
        const double* south = m_grid.GetRow(row + step);
        double* centre = m_grid.GetRow(row);
        for (int column = step; column < m_side; column += 2 * step) {
            const double mean = (north[column - step] + south[column - step] +
                                 south[column + step] + north[column + step]) *
                                0.25;
            centre[column] = mean + Displace(column, row);
        }
    }

    // Edges' middles: every row of the level.
    int DiamondRows() const { return (m_side - 1) / m_step + 1; }
    void Diamond(int rowIndex) {
        const int step = m_step;
        const int row = rowIndex * step;
        const int last = m_side - 1;
        const double* north = row > 0 ? m_grid.GetRow(row - step) : nullptr;
        const double* south = row < last ? m_grid.GetRow(row + step) : nullptr;
        double* here = m_grid.GetRow(row);
        // On a row of corners the middles of west-east edges lie between the
        // corners; on a row of centres the middles of north-south edges lie
        // on the corners' columns.
        const bool cornerRow = rowIndex % 2 == 0;
        for (int column = cornerRow ? step : 0; column <= last; column += 2 * step) {
            double sum = 0.0;
            int count = 0;
            if (north != nullptr) {
                sum += north[column];
                ++count;
            }
            if (column > 0) {
                sum += here[column - step];
                ++count;
            }
            if (column < last) {
                sum += here[column + step];
                ++count;
            }
            if (south != nullptr) {
                sum += south[column];
                ++count;
            }
            const double mean = count == 4 ? sum * 0.25 : sum / count;
            here[column] = mean + Displace(column, row);
        }
    }

private:
    double Displace(int column, int row) const {
        return LunarRoughness::Displacement(m_levelSeed,
                                            static_cast<std::uint32_t>(column / m_step),
                                            static_cast<std::uint32_t>(row / m_step), m_deviation);
    }

    HeightGrid& m_grid;
    int m_side;
    int m_step;
    std::uint64_t m_levelSeed;
    double m_deviation;
};

}  // namespace

double RefinedGrid::Widening(int baseDepth) {
    // A mean lies within its points' range; a square step's displacement is
    // less than kVariateBound deviations, and a diamond step's, which may add
    // to a displaced centre's, kDiamondFactor of that.
    double widening = 0.0;
    for (int depth = std::max(baseDepth, 0) + 1; depth <= HeightGrid::kMaxDepth; ++depth) {
        widening += LunarRoughness::kVariateBound * LunarRoughness::Deviation(depth) *
                    (1.0 + LunarRoughness::kDiamondFactor);
    }
    return widening;
}

void RefinedGrid::Generate(int depth, const LandscapeKey& key, HeightGrid& out, unsigned threads,
                           bool craters) {
    HeightGrid base;
    base.Generate(kBaseDepth);
    Refine(base, depth, key, out, threads, craters);
}

void RefinedGrid::Refine(const HeightGrid& base, int depth, const LandscapeKey& key,
                         HeightGrid& out, unsigned threads, bool craters) {
    Spread(base, depth, key, out, threads);
    if (!craters) {
        return;
    }
    const CraterField field(CraterPopulation::Generate(key));
    const int side = out.GetSide();
    const double spacing = out.GetSpacing();
    ParallelRows::Run(side, threads, [&](int begin, int end) {
        std::vector<double> scratch;
        for (int row = begin; row < end; ++row) {
            field.AddToRow(out.GetRow(row), side, 0.0, spacing,
                           row * spacing - TerrainLimits::kWorldSize, scratch);
        }
    });
    out.SetRange(out.GetLowest() + field.GetLowest(), out.GetHighest() + field.GetHighest());
}

void RefinedGrid::Spread(const HeightGrid& base, int depth, const LandscapeKey& key,
                         HeightGrid& out, unsigned threads) {
    MOON_CHECK(&base != &out);
    MOON_CHECK(depth >= 0 && depth <= HeightGrid::kMaxDepth);
    const int baseDepth = base.GetDepth();
    out.Allocate(depth);
    const int side = out.GetSide();
    // One range for every depth: the base's, widened by the most refinement adds.
    double lowest = base.GetHeight(0, 0);
    double highest = lowest;
    for (int row = 0; row < base.GetSide(); ++row) {
        const double* samples = base.GetRow(row);
        const auto [low, high] = std::minmax_element(samples, samples + base.GetSide());
        lowest = std::min(lowest, *low);
        highest = std::max(highest, *high);
    }
    const double widening = Widening(baseDepth);
    out.SetRange(lowest - widening, highest + widening);
    if (depth <= baseDepth) {
        // Every 2^(base - depth)-th sample of the base.
        const int stride = 1 << (baseDepth - depth);
        ParallelRows::Run(side, threads, [&](int begin, int end) {
            for (int row = begin; row < end; ++row) {
                const double* from = base.GetRow(row * stride);
                double* to = out.GetRow(row);
                for (int column = 0; column < side; ++column) {
                    to[column] = from[column * stride];
                }
            }
        });
        return;
    }

    // The base's samples in their places, 2^(depth - base) apart.
    const int spread = 1 << (depth - baseDepth);
    ParallelRows::Run(base.GetSide(), threads, [&](int begin, int end) {
        for (int row = begin; row < end; ++row) {
            const double* from = base.GetRow(row);
            double* to = out.GetRow(row * spread);
            for (int column = 0; column < base.GetSide(); ++column) {
                to[column * spread] = from[column];
            }
        }
    });
    for (int level = baseDepth + 1; level <= depth; ++level) {
        Level step(out, level, key);
        ParallelRows::Run(step.SquareRows(), threads, [&step](int begin, int end) {
            for (int row = begin; row < end; ++row) {
                step.Square(row);
            }
        });
        ParallelRows::Run(step.DiamondRows(), threads, [&step](int begin, int end) {
            for (int row = begin; row < end; ++row) {
                step.Diamond(row);
            }
        });
    }
}

}  // namespace moon
