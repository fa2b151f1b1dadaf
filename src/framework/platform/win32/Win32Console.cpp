// SPDX-License-Identifier: MIT
// The console of a GUI program on Windows: started from a terminal, what it
// prints goes to that terminal. Ctrl+C and the console's close are the
// process's signals (system/ProcessSignals), which the backend's loop takes.
#include "framework/platform/win32/Win32Console.h"

#include <cstdio>

#include "framework/platform/win32/WindowsApi.h"

namespace moon::platform {
namespace {

// Constant-initialised: the first attempt may come from a static constructor
// (an application object that makes the backend), before this file's own
// initialiser has run.
bool g_attachTried = false;

bool usable(HANDLE handle) {
    return handle != nullptr && handle != INVALID_HANDLE_VALUE &&
           ::GetFileType(handle) != FILE_TYPE_UNKNOWN;
}

}  // namespace

// A GUI program has no console of its own. Started from a terminal it
// attaches to the terminal's, and the standard streams that went nowhere
// now go there; streams the parent redirected (a pipe, a file) stay where
// they point. Started from Explorer there is no console to attach to and
// nothing changes.
void AttachParentConsole() {
    if (g_attachTried) {
        return;
    }
    g_attachTried = true;
    if (::GetConsoleWindow() != nullptr) {
        return;  // a console program: its streams are set up already
    }
    const bool outputSet = usable(::GetStdHandle(STD_OUTPUT_HANDLE));
    const bool errorSet = usable(::GetStdHandle(STD_ERROR_HANDLE));
    if (::AttachConsole(ATTACH_PARENT_PROCESS) == 0) {
        return;
    }
    if (!outputSet && std::freopen("CONOUT$", "w", stdout) != nullptr) {
        std::setvbuf(stdout, nullptr, _IOLBF, BUFSIZ);
    }
    if (!errorSet) {
        std::freopen("CONOUT$", "w", stderr);
    }
}

namespace {

// Also before main, in every program that can reach the native backend (its
// constructor names AttachParentConsole, so the linker keeps this file), for
// what main prints before any window system is used (--help, --version).
[[maybe_unused]] const bool g_attachedAtStart = (AttachParentConsole(), true);

}  // namespace

}  // namespace moon::platform
