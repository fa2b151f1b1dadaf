// SPDX-License-Identifier: MIT
#include "craters/CraterField.h"

#include <algorithm>
#include <cmath>

#include "craters/CraterLaws.h"
#include "craters/CraterProfiles.h"

namespace moon {
namespace {

constexpr double kSize = 500.0;
constexpr double kWest = 0.0;
constexpr double kNorth = -500.0;

}  // namespace

int CraterField::Bin(double coordinate) {
    const double at = coordinate * (kBins / kSize);
    return at <= 0.0 ? 0 : std::min(static_cast<int>(at), kBins - 1);
}

CraterField::CraterField(std::vector<Crater> craters)
    : m_craters(std::move(craters)), m_bins(static_cast<std::size_t>(kBins) * kBins) {
    const CraterProfiles& profiles = CraterProfiles::Get();
    std::vector<double> lows(m_bins.size(), 0.0);
    std::vector<double> highs(m_bins.size(), 0.0);
    m_shapes.reserve(m_craters.size());
    for (std::size_t i = 0; i < m_craters.size(); ++i) {
        const Crater& crater = m_craters[i];
        const double radius = crater.diameter * 0.5;
        const double reach = radius * CraterLaws::kReach;
        const double rim = radius * CraterLaws::kRimRadius;
        m_shapes.push_back(Shape{crater.x, crater.z, crater.diameter, reach, reach * reach,
                                 1.0 / (radius * CraterProfiles::kSpacing), 1.0 / (rim * rim),
                                 profiles.Samples(crater.level), 0.0});
        const int west = Bin(crater.x - reach - kWest);
        const int east = Bin(crater.x + reach - kWest);
        const int north = Bin(crater.z - reach - kNorth);
        const int south = Bin(crater.z + reach - kNorth);
        for (int row = north; row <= south; ++row) {
            for (int column = west; column <= east; ++column) {
                const std::size_t bin =
                    static_cast<std::size_t>(row) * kBins + static_cast<std::size_t>(column);
                m_bins[bin].push_back(static_cast<std::uint32_t>(i));
                // Cutting keeps a share of 0 to 1 of what was there, so the
                // field lies within the sums of the profiles' extremes.
                lows[bin] += profiles.Lowest(crater.level) * crater.diameter;
                highs[bin] += profiles.Highest(crater.level) * crater.diameter;
            }
        }
    }
    // Each crater levels the older relief to its value at its centre: made
    // oldest first, from the older craters alone (a bin lists them in order).
    for (std::size_t i = 0; i < m_shapes.size(); ++i) {
        Shape& shape = m_shapes[i];
        double level = 0.0;
        for (const std::uint32_t j : BinAt(Bin(shape.x - kWest), Bin(shape.z - kNorth))) {
            if (j >= i) {
                break;
            }
            const Shape& older = m_shapes[j];
            const double dx = shape.x - older.x;
            const double dz = shape.z - older.z;
            level = Apply(older, level, dx * dx + dz * dz);
        }
        shape.level = level;
    }
    m_lowest = *std::min_element(lows.begin(), lows.end());
    m_highest = *std::max_element(highs.begin(), highs.end());
}

double CraterField::At(double x, double z) const {
    double field = 0.0;
    for (const std::uint32_t i : BinAt(Bin(x - kWest), Bin(z - kNorth))) {
        const Shape& shape = m_shapes[i];
        const double dx = x - shape.x;
        const double dz = z - shape.z;
        field = Apply(shape, field, dx * dx + dz * dz);
    }
    return field;
}

void CraterField::AddToRow(double* heights, int count, double westX, double spacing, double z,
                           std::vector<double>& scratch) const {
    scratch.assign(static_cast<std::size_t>(count), 0.0);
    const int row = Bin(z - kNorth);
    int first = 0;
    while (first < count) {
        // The samples of one bin: those whose x falls in the same column.
        const int column = Bin(westX + first * spacing - kWest);
        int end = first + 1;
        while (end < count && Bin(westX + end * spacing - kWest) == column) {
            ++end;
        }
        for (const std::uint32_t i : BinAt(column, row)) {
            const Shape& shape = m_shapes[i];
            const double dz = z - shape.z;
            const double dz2 = dz * dz;
            if (!(dz2 < shape.reach2)) {
                continue;
            }
            // Only the samples within reach along the row (a few more do no
            // harm: Apply leaves them as they were).
            const double west = (shape.x - shape.reach - westX) / spacing;
            const double east = (shape.x + shape.reach - westX) / spacing;
            const int from = std::max(first, west > 0.0 ? static_cast<int>(west) : 0);
            const int to = std::min(end, east > 0.0 ? static_cast<int>(east) + 2 : 0);
            for (int k = from; k < to; ++k) {
                const double dx = westX + k * spacing - shape.x;
                scratch[static_cast<std::size_t>(k)] =
                    Apply(shape, scratch[static_cast<std::size_t>(k)], dx * dx + dz2);
            }
        }
        first = end;
    }
    for (int k = 0; k < count; ++k) {
        heights[k] += scratch[static_cast<std::size_t>(k)];
    }
}

}  // namespace moon
