// SPDX-License-Identifier: MIT
// One crater of the field, as the catalogue lists it. World units; x from
// the west edge, z from -500 (north) to 0.
#pragma once

#include <cstdint>

namespace moon {

struct Crater {
    enum class AgeClass { Fresh, Degraded, Old };

    double x = 0.0;
    double z = 0.0;
    double diameter = 0.0;
    int level = 0;           // its wear, a level of CraterProfiles
    double ageMyr = 0.0;     // since it was made
    double depth = 0.0;      // rim crest to floor
    double rimHeight = 0.0;  // rim crest above the surroundings
    AgeClass ageClass = AgeClass::Fresh;
    std::uint32_t index = 0;  // in the order drawn
};

}  // namespace moon
