// SPDX-License-Identifier: MIT
// Always-on invariant check: unlike assert it stays in release builds.
// On failure it prints the expression, the file and the line, then stops.
#pragma once

#include <cstdio>
#include <cstdlib>

namespace moon {

[[noreturn]] inline void CheckFailed(const char* expression, const char* file, int line) {
    std::fprintf(stderr, "Check failed: %s, file %s, line %d\n", expression, file, line);
    std::fflush(stderr);
    std::abort();
}

}  // namespace moon

#define MOON_CHECK(expression) \
    ((expression) ? static_cast<void>(0) : ::moon::CheckFailed(#expression, __FILE__, __LINE__))
