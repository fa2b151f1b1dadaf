// SPDX-License-Identifier: MIT
// The exit statuses both programs end with.
#pragma once

namespace moon {

inline constexpr int kExitOk = 0;
// The work could not be done: a file not written, no display, no GL.
inline constexpr int kExitFailed = 1;
// A bad command line: one line on standard error, nothing else done.
inline constexpr int kExitUsage = 2;

}  // namespace moon
