// SPDX-License-Identifier: MIT
// Reading option values: whole numbers within limits and X,Y,Z points. Each
// accepts the whole text or nothing (no signs where none fit, no spaces).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "scene/Vec3.h"

namespace moon {

enum class WholeNumber { Ok, Malformed, OutOfRange };

// Decimal digits with an optional leading minus; Malformed for anything else.
WholeNumber ParseWholeNumber(std::string_view text, std::int64_t min, std::int64_t max,
                             std::int64_t& value);

// Three finite decimal numbers separated by commas: "250,22.5,-250".
bool ParsePoint(std::string_view text, Vec3& point);

// The text in double quotes, for error messages: shows empty and spaced values.
std::string Quoted(std::string_view text);

}  // namespace moon
