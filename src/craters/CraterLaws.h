// SPDX-License-Identifier: MIT
// The published laws the crater field is built from, one small function each,
// with its source beside its constants. Lengths are world units unless a name
// says metres; a law given in metres is converted with kMetresPerUnit. Only
// + - * / and sqrt are used, so every platform computes the same bits.
#pragma once

#include <cstddef>

namespace moon {

class CraterLaws {
public:
    // The scale we assume: one world unit is 10 m, so the square is 5 km a
    // side and the depth-6 relief (about +-60 to +-90 units) is +-600 to
    // +-900 m. It matters only where a law has a dimension: the count of
    // craters, and how fast diffusion wears them down.
    static constexpr double kMetresPerUnit = 10.0;

    // -- Population ---------------------------------------------------------
    // Equilibrium (saturated) small craters: N(>D) = 10^-1.1 * D^-2 per m^2,
    // D in metres (Trask 1966, in Ranger VIII and IX, JPL TR 32-800).
    static constexpr double kTraskCoefficient = 0.07943282347242814;  // 10^-1.1
    // The smallest crater: about two depth-10 cells (0.49 units each).
    static constexpr double kSmallestDiameter = 1.0;
    // The largest: a fifth of the square.
    static constexpr double kLargestDiameter = 100.0;

    // How many craters of diameters from smallest to largest an area of the
    // given square world units holds in equilibrium.
    static std::size_t EquilibriumCount(double area, double smallest, double largest);
    // A diameter of that population from u uniform in (0, 1]: cumulative
    // D^-2 is D = smallest / sqrt(v), v uniform in ((smallest/largest)^2, 1].
    static double EquilibriumDiameter(double u, double smallest, double largest);

    // -- Fresh shape ----------------------------------------------------------
    // Fresh simple craters (Fassett and Thomson 2014, "Crater degradation on
    // the lunar maria: Topographic diffusion and the rate of erosion on the
    // Moon", JGR Planets 119, 2255-2271, equation 4): height / D against
    // rho = r / R. A flat floor at -0.181 D to rho 0.2, a cubic wall to the
    // rim at rho 0.98, 0.0368 D above the surroundings: a depth of 0.218 D,
    // near Pike's (1977) 0.2 for fresh simple craters.
    static constexpr double kFloorRadius = 0.2;
    static constexpr double kFloor = -0.181;
    static constexpr double kRimRadius = 0.98;
    // Beyond the rim, ejecta thin as (r / R)^-3 (McGetchin, Settle and Head
    // 1973, "Radial thickness variation in impact crater ejecta",
    // EPSL 20, 226-236), from the rim's height, tapered to nothing at two
    // radii: the continuous ejecta blanket reaches about one radius beyond
    // the rim (Moore, Hodges and Scott 1974, "Multiringed basins -
    // illustrated by Orientale and associated features", Proc. Lunar Sci.
    // Conf. 5th, 71-100). There the field of a crater ends.
    static constexpr double kReach = 2.0;
    static double FreshProfile(double rho);

    // -- Degradation -----------------------------------------------------------
    // Topographic diffusion wears a crater down: dh/dt = kappa * laplacian(h),
    // kappa about 5.5 m^2/Myr on the maria (Fassett and Thomson 2014). A
    // profile's shape depends only on kappa t / D^2.
    static constexpr double kDiffusivity = 5.5;  // m^2 / Myr
    // A crater whose depth / diameter has fallen below this is erased
    // (synthterrain's convention).
    static constexpr double kErasedDepthRatio = 0.04;
    // The oldest surface: craters are made at a steady rate over the last
    // 3.5 Gyr, the age of the maria.
    static constexpr double kSurfaceAgeMyr = 3500.0;

    // kappa t / D^2 for a crater of diameter (world units) and age (Myr).
    static double Degradation(double diameter, double ageMyr);
    // The age (Myr) of a crater of diameter (world units) at a degradation.
    static double Age(double diameter, double degradation);
};

}  // namespace moon
