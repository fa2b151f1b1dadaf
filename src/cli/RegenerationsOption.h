// SPDX-License-Identifier: MIT
// The --regenerations option that the viewer and moon-terrain share: the
// landscape the viewer shows after that many new landscapes (Space), so that
// one seen as "landscape K of seed N" can be opened and exported again.
#pragma once

#include <cstdint>
#include <string>

namespace moon {

class OptionParser;

// A hundred thousand presses of Space: far beyond what anyone makes, and
// still a moment's work to reach.
inline constexpr std::int64_t kMaxRegenerations = 100000;

// Adds "--regenerations K" (0 to kMaxRegenerations) storing into
// regenerations, and "--regeneration K", the same option under its earlier
// name.
void AddRegenerationsOption(OptionParser& parser, std::uint32_t& regenerations);

// " --regenerations K" for K above 0, else "": what a command names to reach
// the landscape.
std::string RegenerationsArgument(std::uint32_t regenerations);

}  // namespace moon
