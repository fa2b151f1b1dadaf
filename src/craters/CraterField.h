// SPDX-License-Identifier: MIT
// The relief the craters add to the landscape, as a function of world
// position: each crater's profile (CraterProfiles, at its wear) out to
// CraterLaws::kReach radii. Craters are applied oldest first; inside its rim
// a younger crater cuts into what the older ones made: their relief is
// levelled to what it was at the young crater's centre, wholly at the centre
// and less and less towards the rim, where it is kept (the share kept grows
// as (r / R)^2), and the young profile lies on that. Beyond the rim its
// ejecta lie on top of the older relief. A sample depends on its position
// alone, so tiles, depths and threads agree without coordination.
//
// A grid of bins over the square lists, in age order, the craters that reach
// into each bin, so a sample visits only those.
#pragma once

#include <cmath>
#include <cstdint>
#include <vector>

#include "craters/Crater.h"
#include "craters/CraterProfiles.h"

namespace moon {

class CraterField {
public:
    explicit CraterField(std::vector<Crater> craters);

    // The field at (x, z), world units.
    double At(double x, double z) const;
    // Adds the field to count samples of the row at z, the first at westX,
    // spacing apart. scratch is the caller's, any size.
    void AddToRow(double* heights, int count, double westX, double spacing, double z,
                  std::vector<double>& scratch) const;

    // Bounds of the field anywhere: at most this far below and above 0.
    double GetLowest() const { return m_lowest; }
    double GetHighest() const { return m_highest; }

private:
    static constexpr int kBins = 64;
    static int Bin(double coordinate);
    const std::vector<std::uint32_t>& BinAt(int column, int row) const {
        return m_bins[static_cast<std::size_t>(row) * kBins + static_cast<std::size_t>(column)];
    }
    // What a sample needs of a crater, reckoned once.
    struct Shape {
        double x, z;
        double diameter;
        double reach;        // where its field ends
        double reach2;       // the square of that
        double scale;        // from a distance to a place in the profile table
        double rimInverse2;  // 1 / (rim radius)^2
        const double* profile;
        double level;  // the older craters' relief at its centre
    };
    // Applies the crater to the field value at distance squared d2 from it.
    // Inside the rim the older relief is levelled towards its value at the
    // centre; the share kept grows as (r / rim)^2.
    static double Apply(const Shape& shape, double field, double d2) {
        if (!(d2 < shape.reach2)) {
            return field;
        }
        const double height =
            CraterProfiles::Interpolate(shape.profile, std::sqrt(d2) * shape.scale) *
            shape.diameter;
        const double kept = d2 * shape.rimInverse2;
        return kept < 1.0 ? field * kept + shape.level * (1.0 - kept) + height : field + height;
    }

    std::vector<Crater> m_craters;
    std::vector<Shape> m_shapes;                     // in the same order
    std::vector<std::vector<std::uint32_t>> m_bins;  // indices into m_craters, oldest first
    double m_lowest = 0.0;
    double m_highest = 0.0;
};

}  // namespace moon
