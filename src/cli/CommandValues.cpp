// SPDX-License-Identifier: MIT
#include "cli/CommandValues.h"

#include <charconv>
#include <cmath>
#include <system_error>

namespace moon {
namespace {

bool parseNumber(std::string_view text, double& value) {
    if (text.empty()) {
        return false;
    }
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    return ec == std::errc() && ptr == end && std::isfinite(value);
}

}  // namespace

WholeNumber ParseWholeNumber(std::string_view text, std::int64_t min, std::int64_t max,
                             std::int64_t& value) {
    const std::string_view digits = text.starts_with('-') ? text.substr(1) : text;
    if (digits.empty() || digits.find_first_not_of("0123456789") != std::string_view::npos) {
        return WholeNumber::Malformed;
    }
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (ec == std::errc::result_out_of_range ||
        (ec == std::errc() && (value < min || value > max))) {
        return WholeNumber::OutOfRange;
    }
    return ec == std::errc() && ptr == end ? WholeNumber::Ok : WholeNumber::Malformed;
}

std::string Quoted(std::string_view text) {
    std::string quoted = "\"";
    quoted += text;
    quoted += '"';
    return quoted;
}

bool ParsePoint(std::string_view text, Vec3& point) {
    const std::size_t first = text.find(',');
    if (first == std::string_view::npos) {
        return false;
    }
    const std::size_t second = text.find(',', first + 1);
    if (second == std::string_view::npos) {
        return false;
    }
    double x = 0.0;
    double y = 0.0;
    double z = 0.0;
    if (!parseNumber(text.substr(0, first), x) ||
        !parseNumber(text.substr(first + 1, second - first - 1), y) ||
        !parseNumber(text.substr(second + 1), z)) {
        return false;
    }
    point.Set(x, y, z);
    return true;
}

}  // namespace moon
