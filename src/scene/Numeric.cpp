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

namespace {

// Double-double arithmetic: a value is hi + lo with |lo| <= ulp(hi) / 2, about
// 106 bits. Every step is plain double arithmetic in a fixed order (no fused
// multiply-add), so the bits are the same on every machine.
struct DoubleDouble {
    double hi = 0.0;
    double lo = 0.0;
};

DoubleDouble twoSum(double a, double b) {
    const double s = a + b;
    const double bb = s - a;
    return {s, (a - (s - bb)) + (b - bb)};
}

DoubleDouble quickTwoSum(double a, double b) {
    const double s = a + b;
    return {s, b - (s - a)};
}

// Dekker's product: a * b exactly, as hi + lo.
DoubleDouble twoProduct(double a, double b) {
    constexpr double kSplitter = 134217729.0;  // 2^27 + 1
    const double ca = kSplitter * a;
    const double aHi = ca - (ca - a);
    const double aLo = a - aHi;
    const double cb = kSplitter * b;
    const double bHi = cb - (cb - b);
    const double bLo = b - bHi;
    const double p = a * b;
    return {p, ((aHi * bHi - p) + aHi * bLo + aLo * bHi) + aLo * bLo};
}

DoubleDouble add(DoubleDouble x, DoubleDouble y) {
    const DoubleDouble s = twoSum(x.hi, y.hi);
    const DoubleDouble t = twoSum(x.lo, y.lo);
    DoubleDouble r = quickTwoSum(s.hi, s.lo + t.hi);
    return quickTwoSum(r.hi, r.lo + t.lo);
}

DoubleDouble multiply(DoubleDouble x, DoubleDouble y) {
    const DoubleDouble p = twoProduct(x.hi, y.hi);
    return quickTwoSum(p.hi, p.lo + (x.hi * y.lo + x.lo * y.hi));
}

DoubleDouble divide(DoubleDouble x, double d) {
    const double q1 = x.hi / d;
    const DoubleDouble back = twoProduct(q1, d);
    const DoubleDouble rest = add(x, {-back.hi, -back.lo});
    return quickTwoSum(q1, rest.hi / d);
}

// pi / 2 to about 160 bits, in three parts.
constexpr double kHalfPi[3] = {1.570796326794896558e+00, 6.123233995736766036e-17,
                               -1.497384904859169833e-33};
constexpr double kTwoOverPi = 0.63661977236758134308;
constexpr int kTerms = 16;  // |r| <= pi / 4: the 33rd power over 33! is below 2^-120

// 1/n! with alternating signs, for sin (odd n) and cos (even n), made once.
struct Coefficients {
    DoubleDouble sine[kTerms];    // (-1)^k / (2k + 1)!
    DoubleDouble cosine[kTerms];  // (-1)^k / (2k)!
    Coefficients() {
        DoubleDouble factorial{1.0, 0.0};  // 1 / n!
        for (int n = 1; n <= 2 * kTerms; ++n) {
            factorial = divide(factorial, static_cast<double>(n));
            const int k = n / 2;
            const DoubleDouble signedTerm =
                (k % 2 == 0) ? factorial : DoubleDouble{-factorial.hi, -factorial.lo};
            if (n % 2 == 1) {
                sine[k] = signedTerm;
            } else if (k < kTerms) {
                cosine[k] = signedTerm;
            }
        }
        cosine[0] = {1.0, 0.0};
    }
};

const Coefficients& coefficients() {
    static const Coefficients kCoefficients;
    return kCoefficients;
}

// The series in r^2 by Horner's rule: sum of c[k] r^(2k).
DoubleDouble series(const DoubleDouble (&c)[kTerms], DoubleDouble r2) {
    DoubleDouble sum = c[kTerms - 1];
    for (int k = kTerms - 2; k >= 0; --k) {
        sum = add(multiply(sum, r2), c[k]);
    }
    return sum;
}

// sin (quarter 0) or cos (quarter 1) of x, through x = r + q pi / 2.
double sineOfQuarter(double x, int shift) {
    const double q = std::nearbyint(x * kTwoOverPi);
    DoubleDouble r{x, 0.0};
    for (const double part : kHalfPi) {
        const DoubleDouble p = twoProduct(q, part);
        r = add(r, {-p.hi, -p.lo});
    }
    const DoubleDouble r2 = multiply(r, r);
    const Coefficients& c = coefficients();
    const int quarter = (static_cast<int>(std::fmod(q, 4.0)) + 4 + shift) % 4;
    const DoubleDouble value =
        (quarter % 2 == 0) ? multiply(r, series(c.sine, r2)) : series(c.cosine, r2);
    return (quarter >= 2) ? -(value.hi + value.lo) : value.hi + value.lo;
}

constexpr double kLimit = 1048576.0;  // 2^20

}  // namespace

double Sine(double radians) {
    if (!(std::fabs(radians) < kLimit)) {
        return std::sin(radians);
    }
    if (radians == 0.0) {
        return radians;  // keeps the sign of zero
    }
    return sineOfQuarter(radians, 0);
}

double Cosine(double radians) {
    if (!(std::fabs(radians) < kLimit)) {
        return std::cos(radians);
    }
    return sineOfQuarter(radians, 1);
}

}  // namespace moon
