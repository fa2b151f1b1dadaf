// SPDX-License-Identifier: MIT
#include "craters/CraterLaws.h"

#include <cmath>

#include "base/Check.h"

namespace moon {
namespace {

// Fassett and Thomson 2014, equation 4: the wall from the floor to the rim,
// height / D as a cubic in rho.
double wall(double rho) {
    return -0.228809953 + rho * (0.227533882 + rho * (0.083116795 + rho * -0.039499407));
}

}  // namespace

std::size_t CraterLaws::EquilibriumCount(double area, double smallest, double largest) {
    MOON_CHECK(smallest > 0.0 && smallest <= largest);
    const double square = kMetresPerUnit * kMetresPerUnit;
    const double a = smallest * kMetresPerUnit;
    const double b = largest * kMetresPerUnit;
    // N(>a) - N(>b), over the area in square metres.
    const double count = kTraskCoefficient * (1.0 / (a * a) - 1.0 / (b * b)) * area * square;
    return static_cast<std::size_t>(count + 0.5);
}

double CraterLaws::EquilibriumDiameter(double u, double smallest, double largest) {
    const double least = smallest * smallest / (largest * largest);
    const double v = least + u * (1.0 - least);
    return smallest / std::sqrt(v);
}

double CraterLaws::FreshProfile(double rho) {
    if (rho <= kFloorRadius) {
        return kFloor;
    }
    if (rho <= kRimRadius) {
        return wall(rho);
    }
    if (rho >= kReach) {
        return 0.0;
    }
    const double q = kRimRadius / rho;
    const double qe = kRimRadius / kReach;
    return wall(kRimRadius) * (q * q * q - qe * qe * qe) / (1.0 - qe * qe * qe);
}

double CraterLaws::Degradation(double diameter, double ageMyr) {
    const double metres = diameter * kMetresPerUnit;
    return kDiffusivity * ageMyr / (metres * metres);
}

double CraterLaws::Age(double diameter, double degradation) {
    const double metres = diameter * kMetresPerUnit;
    return degradation * metres * metres / kDiffusivity;
}

}  // namespace moon
