// SPDX-License-Identifier: MIT
// Always-on invariant check: unlike assert it stays in release builds.
// On failure it prints the expression, the file and the line, and the message
// if one is given, then stops.
//
//   MOON_CHECK(node != nullptr);
//   MOON_CHECK(depth <= kMaxDepth, "deeper than the grid");
//
// The expression is evaluated exactly once; keep side effects out of it, so
// that reading a check never hides work the program needs.
#pragma once

#include <cstdio>
#include <cstdlib>

namespace moon {

[[noreturn]] inline void CheckFailed(const char* expression, const char* file, int line,
                                     const char* message = nullptr) {
    if (message != nullptr && *message != '\0') {
        std::fprintf(stderr, "Check failed: %s, file %s, line %d: %s\n", expression, file, line,
                     message);
    } else {
        std::fprintf(stderr, "Check failed: %s, file %s, line %d\n", expression, file, line);
    }
    std::fflush(stderr);
    std::abort();
}

}  // namespace moon

// MOON_CHECK(expression) or MOON_CHECK(expression, "what was wrong").
#define MOON_CHECK(expression, ...) \
    ((expression)                   \
         ? static_cast<void>(0)     \
         : ::moon::CheckFailed(#expression, __FILE__, __LINE__ __VA_OPT__(, ) __VA_ARGS__))
