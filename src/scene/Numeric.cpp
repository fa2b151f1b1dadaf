// SPDX-License-Identifier: MIT
#include "scene/Numeric.h"

#include <cmath>

namespace moon {
namespace {

// 10^n by repeated squaring, exact for the small n in use.
double powerOfTen(int n) {
    unsigned exponent = n < 0 ? 0u - static_cast<unsigned>(n) : static_cast<unsigned>(n);
    double result = 1.0;
    double base = 10.0;
    while (exponent != 0) {
        if (exponent & 1u) {
            result *= base;
        }
        base *= base;
        exponent >>= 1;
    }
    return n < 0 ? 1.0 / result : result;
}

constexpr double kNearlyEqualTolerance = static_cast<double>(1e-20f);
static_assert(kNearlyEqualTolerance == 9.999999682655225e-21);

}  // namespace

double RoundToDecimals(double value, int n) {
    const double scale = powerOfTen(n);
    return std::floor(value * scale + 0.5) / scale;
}

bool NearlyEqual(const double& a, const double& b) {
    return std::fabs(a - b) <= kNearlyEqualTolerance;
}

}  // namespace moon
