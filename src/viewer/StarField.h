// SPDX-License-Identifier: MIT
// A fixed set of 350 random points drawn as grey OpenGL points behind the
// scene. For each star x and z place it in the star plane and y is its grey
// level, not a height: stars are always drawn at height 0. The caller switches
// lighting off and sets up the star frame before Draw.
#pragma once

#include <array>

#include "scene/Vec3.h"

namespace moon {

class StarField {
public:
    static constexpr int kStarCount = 350;
    // The viewer's star plane: x 0 to 1999, z -1999 to 0 (world units).
    static constexpr int kStarRange = 2000;
    // The two grey levels a star can have: black (unseen) or two thirds.
    static constexpr double kBrightGrey = 0.6666666666666666;

    // All stars at the origin and black.
    StarField() = default;

    // Gives the first count stars (at most 350; nothing for 0 or less) random
    // places and grey levels, drawing three values per star from the shared
    // sequence: x in 0 to xRange - 1, the grey level, z in -(zRange - 1) to 0.
    // A range of 0 or less gives that coordinate 0 (its value is still drawn).
    void Fill(int xRange, int zRange, int count);

    // Sends all 350 stars, in array order, as one batch of points.
    void Draw() const;

    const std::array<Vec3, kStarCount>& GetStars() const { return m_stars; }

private:
    std::array<Vec3, kStarCount> m_stars{};
};

}  // namespace moon
