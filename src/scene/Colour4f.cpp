// SPDX-License-Identifier: MIT
#include "scene/Colour4f.h"

#include <cstddef>

namespace moon {
namespace {

// 1/255 rounded to float and widened: 0x1.010102p-8. Multiplying by it differs
// in the last bit from dividing by 255 for about half of the byte values.
constexpr double kByteToUnit = static_cast<double>(1.0f / 255.0f);
static_assert(kByteToUnit == 0.003921568859368563);

float fromByte(int value) {
    return static_cast<float>(value * kByteToUnit);
}

}  // namespace

static_assert(offsetof(Colour4f, a) == 3 * sizeof(float), "components must be contiguous");

Colour4f::Colour4f(int r_, int g_, int b_)
    : r(fromByte(r_)), g(fromByte(g_)), b(fromByte(b_)), a(1.0f) {}

Colour4f& Colour4f::Scale(const Colour4f& colour, const double& factor) {
    r = static_cast<float>(colour.r * factor);
    g = static_cast<float>(colour.g * factor);
    b = static_cast<float>(colour.b * factor);
    a = 1.0f;
    return *this;
}

Colour4f operator*(const Colour4f& colour, const double& factor) {
    Colour4f result;
    result.Scale(colour, factor);
    return result;
}

}  // namespace moon
