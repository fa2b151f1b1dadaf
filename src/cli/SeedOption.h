// SPDX-License-Identifier: MIT
// The --seed option that the viewer and moon-terrain share, so that a
// landscape seen with "moon --seed N" is the one "moon-terrain ... --seed N"
// dumps and exports: the same spelling, range and error text.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace moon {

class OptionParser;

// The generator's whole state: every 32-bit seed is a distinct landscape, and
// a clock second t gives the seed t modulo 2^32.
inline constexpr std::int64_t kMaxSeed = 4294967295;

// Adds "--seed N" (0 to 4294967295) storing into seed; help is its line in
// the option list.
void AddSeedOption(OptionParser& parser, std::optional<std::uint32_t>& seed, std::string help);

}  // namespace moon
