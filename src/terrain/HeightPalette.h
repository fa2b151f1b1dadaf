// SPDX-License-Identifier: MIT
// Three colour bands by height (world y). Threshold 1 is the upper bound of
// band 0 and threshold 2 that of band 1; threshold 0 is stored but never read.
#pragma once

#include <array>

#include "scene/Colour4f.h"

namespace moon {

class HeightPalette {
public:
    // Colours all zeros (alpha 0 too); thresholds meaningless until Set.
    HeightPalette() = default;

    void Set(const Colour4f& colour0, double threshold0, const Colour4f& colour1, double threshold1,
             const Colour4f& colour2, double threshold2);

    // band: 0 to 2.
    const Colour4f& GetColour(int band) const;
    double GetThreshold(int band) const;

private:
    std::array<Colour4f, 3> colours{};
    std::array<double, 3> thresholds{};
};

}  // namespace moon
