// SPDX-License-Identifier: MIT
#include "terrain/MidpointStep.h"

#include "scene/Random.h"

namespace moon {
namespace {

// 1/32767: a draw times this below one half is a negative sign (draws 0 to 16383).
constexpr double kUnitScale = 1.0 / 32767.0;
static_assert(kUnitScale == 3.051850947599719e-05);

// The bound of a cell's displacements: 40 / depth truncated (depth 0 counts as 1).
unsigned displacementBound(int depth) {
    const double scale = depth == 0 ? 1.0 : static_cast<double>(depth);
    return static_cast<unsigned>(40.0 / scale);
}

// -1 for draws 0 to 16383, +1 for 16384 to 32767.
double drawSign() {
    return Random::Next() * kUnitScale < 0.5 ? -1.0 : 1.0;
}

// A whole-number displacement below the bound: a sign, then a magnitude. A
// bound of 0 (beyond depth 40) gives 0, both values still drawn so the
// sequence stays in step.
double drawDisplacement(unsigned bound) {
    const double sign = drawSign();
    const auto draw = static_cast<unsigned>(Random::Next());
    if (bound == 0) {
        return 0.0;
    }
    return static_cast<double>(draw % bound) * sign;
}

}  // namespace

MidpointStep::RootHeights MidpointStep::DrawRootHeights() {
    const double s0 = drawSign();
    const double s1 = drawSign();
    const double s2 = drawSign();
    const double s3 = drawSign();
    // Corners 0 and 2 use negative multipliers: a negative sign lifts them to +20.
    return {-20.0 * s0, 30.0 * s1, -20.0 * s2, 10.0 * s3};
}

MidpointStep MidpointStep::Make(double y0, double y1, double y2, double y3, int depth,
                                bool random) {
    // The sums keep their order: a different order could round differently.
    MidpointStep step{(y2 + y3 + y1 + y0) * 0.25, (y3 + y0) * 0.5, (y1 + y0) * 0.5, (y2 + y1) * 0.5,
                      (y2 + y3) * 0.5};
    if (random) {
        const unsigned bound = displacementBound(depth);
        const double d0 = drawDisplacement(bound);
        const double d1 = drawDisplacement(bound);
        const double d2 = drawDisplacement(bound);
        const double d3 = drawDisplacement(bound);
        const double d4 = drawDisplacement(bound);
        step.h03 += d0;
        step.h01 += d1;
        step.h12 += d2;
        step.h23 += d3;
        if (depth < kDisplacedCornerDepth) {
            step.common += d4;
        }
    }
    return step;
}

}  // namespace moon
