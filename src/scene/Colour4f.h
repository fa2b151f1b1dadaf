// SPDX-License-Identifier: MIT
// An RGBA colour of four contiguous floats, in the layout that OpenGL's
// vector calls (glLightfv, glMaterialfv, ...) take. Never clamped.
#pragma once

namespace moon {

struct Colour4f {
    float r = 0.0f;
    float g = 0.0f;
    float b = 0.0f;
    float a = 0.0f;

    // (0, 0, 0, 0): alpha 0, not 1.
    Colour4f() = default;
    Colour4f(float r_, float g_, float b_, float a_) : r(r_), g(g_), b(b_), a(a_) {}
    // From 8-bit components (0 to 255): each times the single-precision value
    // of 1/255, rounded once to float; alpha 1.
    Colour4f(int r_, int g_, int b_);

    static Colour4f Black() { return Colour4f(0.0f, 0.0f, 0.0f, 1.0f); }

    // this = colour's r, g, b times factor, alpha 1 (the source alpha is ignored).
    Colour4f& Scale(const Colour4f& colour, const double& factor);

    operator const float*() const { return &r; }

    friend bool operator==(const Colour4f&, const Colour4f&) = default;
};

Colour4f operator*(const Colour4f& colour, const double& factor);

}  // namespace moon
