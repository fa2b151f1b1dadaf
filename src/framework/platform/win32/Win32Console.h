// SPDX-License-Identifier: MIT
// The console of a GUI program on Windows. Started from a terminal, the
// program attaches to the terminal's console before main runs, so what it
// prints (--help, --version, failures) appears there; streams the parent
// redirected stay where they point. Ctrl+C and the console's close are the
// process's signals (system/ProcessSignals).
#pragma once

namespace moon::platform {

// Attaches to the console of the terminal the program was started from, once:
// at start-up, or earlier if the backend is made first (by a static
// constructor). Later calls do nothing.
void AttachParentConsole();

}  // namespace moon::platform
