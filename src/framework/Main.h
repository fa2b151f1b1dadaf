// SPDX-License-Identifier: MIT
// The program's entry: the application's main() returns AppMain(argc, argv).
#pragma once

namespace moon {

// Clears the console flag (messages go to message boxes) and runs the
// application; returns the process exit code.
int AppMain(int argc, char** argv);

}  // namespace moon
