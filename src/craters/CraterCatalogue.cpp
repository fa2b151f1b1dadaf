// SPDX-License-Identifier: MIT
#include "craters/CraterCatalogue.h"

#include <array>
#include <charconv>

#include "craters/CraterPopulation.h"

namespace moon {
namespace {

// The shortest text that reads back as the same double.
void appendNumber(std::string& text, double value) {
    std::array<char, 32> digits{};
    const auto result = std::to_chars(digits.data(), digits.data() + digits.size(), value);
    text.append(digits.data(), result.ptr);
}

}  // namespace

std::string CraterCatalogue::Header() {
    return "x,z,diameter,depth,rim_height,age_class,age_myr\n";
}

std::string CraterCatalogue::Line(const Crater& crater) {
    std::string line;
    for (const double value :
         {crater.x, crater.z, crater.diameter, crater.depth, crater.rimHeight}) {
        appendNumber(line, value);
        line += ',';
    }
    line += CraterPopulation::AgeClassName(crater.ageClass);
    line += ',';
    appendNumber(line, crater.ageMyr);
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
