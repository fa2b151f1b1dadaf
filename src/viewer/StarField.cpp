// SPDX-License-Identifier: MIT
#include "viewer/StarField.h"

#include <GL/gl.h>

#include <algorithm>

#include "scene/Random.h"

namespace moon {
namespace {

// The drawn value modulo range; 0 when the range is empty, so that a bad
// range never divides by zero and the sequence still advances in step.
int drawBelow(int range) {
    const int value = Random::Next();
    return range > 0 ? value % range : 0;
}

}  // namespace

void StarField::Fill(int xRange, int zRange, int count) {
    count = std::min(count, kStarCount);
    for (int i = 0; i < count; ++i) {
        Vec3& star = m_stars[static_cast<std::size_t>(i)];
        star.x = static_cast<double>(drawBelow(xRange));
        star.y = (Random::Next() % 2) * kBrightGrey;
        // Negated as an integer, so a star on the edge sits at +0, not -0.
        star.z = static_cast<double>(-drawBelow(zRange));
    }
}

void StarField::Draw() const {
    // Point size stays at OpenGL's default of one pixel.
    glBegin(GL_POINTS);
    for (const Vec3& star : m_stars) {
        glColor3d(star.y, star.y, star.y);
        glVertex3d(star.x, 0.0, star.z);
    }
    glEnd();
}

}  // namespace moon
