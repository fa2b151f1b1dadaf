// SPDX-License-Identifier: MIT
// The console of a GUI program on Windows. Started from a terminal, the
// program attaches to the terminal's console before main runs, so what it
// prints (--help, --version, failures) appears there; streams the parent
// redirected stay where they point. Ctrl+C and the console's close are the
// process's signals (system/ProcessSignals).
#pragma once

namespace moon::platform {

// Whether the start-up attachment ran; the backend names it so that the
// linker keeps the attachment in every program that can reach the backend.
bool ConsoleAttachedAtStart();

}  // namespace moon::platform
