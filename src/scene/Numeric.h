// SPDX-License-Identifier: MIT
// Numeric helpers of the terrain's shared-point repair.
#pragma once

namespace moon {

// floor(value * 10^n + 0.5) / 10^n: exact halves round upward, also below zero.
double RoundToDecimals(double value, int n);

// |a - b| <= 1e-20 as a float widened to double (9.999999682655225e-21);
// false when either is NaN.
bool NearlyEqual(const double& a, const double& b);

}  // namespace moon
