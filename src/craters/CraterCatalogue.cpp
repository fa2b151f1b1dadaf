// SPDX-License-Identifier: MIT
#include "craters/CraterCatalogue.h"

#include "base/ShortestText.h"
#include "craters/CraterPopulation.h"

namespace moon {

std::string CraterCatalogue::Command(std::uint32_t seed, std::uint32_t regeneration) {
    return "moon-terrain craters --seed " + std::to_string(seed) +
           (regeneration > 0 ? " --regenerations " + std::to_string(regeneration) : "") +
           " -o FILE.csv";
}

std::string CraterCatalogue::Header() {
    return "x,z,diameter,depth,rim_height,age_class,age_myr\n";
}

std::string CraterCatalogue::Line(const Crater& crater) {
    std::string line;
    for (const double value :
         {crater.x, crater.z, crater.diameter, crater.depth, crater.rimHeight}) {
        AppendShortest(line, value);
        line += ',';
    }
    line += CraterPopulation::AgeClassName(crater.ageClass);
    line += ',';
    AppendShortest(line, crater.ageMyr);
    line += '\n';
    return line;
}

std::string CraterCatalogue::Text(const std::vector<Crater>& craters) {
    std::string text = Header();
    for (const Crater& crater : craters) {
        text += Line(crater);
    }
    return text;
}

}  // namespace moon
