// SPDX-License-Identifier: MIT
// Messages to the user.
#pragma once

#include "framework/platform/PlatformTypes.h"

namespace moon {

// printf-style; shows at most 1023 characters in a message box captioned
// "Message", or on standard output when the core's console flag is set. A
// text longer than 1024 characters is not shown at all.
[[gnu::format(printf, 1, 2)]] void ShowMessage(const char* format, ...);

// Writes a failure line (ending in a newline) to standard output, followed by
// the window system's reason on a line of its own when it gives one.
void ReportFailure(const char* line);
// The window system's failure given with the last failure reported (kind
// NoFailure and "" when it gave none).
const platform::Failure& LastReportedFailure();

}  // namespace moon
