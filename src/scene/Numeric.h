// SPDX-License-Identifier: MIT
// Numeric helpers of the terrain's shared-point repair, and the sine and
// cosine the camera moves with.
#pragma once

namespace moon {

// floor(value * 10^n + 0.5) / 10^n: exact halves round upward, also below zero.
double RoundToDecimals(double value, int n);

// |a - b| <= 1e-20 as a float widened to double (9.999999682655225e-21);
// false when either is NaN.
bool NearlyEqual(const double& a, const double& b);

// sin and cos, correctly rounded (the exact value rounded to the nearest
// double) for |radians| < 2^20, so a camera moves the same to the last bit
// wherever the program runs: C libraries differ in the last bit near the
// axes. Beyond that range they are the C library's.
double Sine(double radians);
double Cosine(double radians);

}  // namespace moon
