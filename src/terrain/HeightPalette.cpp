// SPDX-License-Identifier: MIT
#include "terrain/HeightPalette.h"

#include <cstddef>

#include "base/Check.h"

namespace moon {

void HeightPalette::Set(const Colour4f& colour0, double threshold0, const Colour4f& colour1,
                        double threshold1, const Colour4f& colour2, double threshold2) {
    colours = {colour0, colour1, colour2};
    thresholds = {threshold0, threshold1, threshold2};
}

const Colour4f& HeightPalette::GetColour(int band) const {
    MOON_CHECK(band >= 0 && band < 3);
    return colours[static_cast<std::size_t>(band)];
}

double HeightPalette::GetThreshold(int band) const {
    MOON_CHECK(band >= 0 && band < 3);
    return thresholds[static_cast<std::size_t>(band)];
}

}  // namespace moon
