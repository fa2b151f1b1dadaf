// SPDX-License-Identifier: MIT
// The crater catalogue as CSV: a header row, then one crater a line, oldest
// first (the order the field applies them), erased craters left out:
//   x,z,diameter,depth,rim_height,age_class,age_myr
// World units (x east from 0, z from -500 in the north to 0; depth from rim
// crest to floor, rim height above the surroundings), the age class fresh,
// degraded or old, and the age in millions of years at our scale.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "craters/Crater.h"

namespace moon {

class CraterCatalogue {
public:
    // The command that writes the catalogue of a landscape's craters, as
    // cratered exports name it.
    static std::string Command(std::uint32_t seed, std::uint32_t regeneration);
    static std::string Header();
    static std::string Line(const Crater& crater);
    static std::string Text(const std::vector<Crater>& craters);
};

}  // namespace moon
