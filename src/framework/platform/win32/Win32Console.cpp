// SPDX-License-Identifier: MIT
// The console of the native backend; see Win32Console.h.
#include "framework/platform/win32/Win32Console.h"

#include <atomic>
#include <cstdio>

#include "framework/platform/win32/WindowsApi.h"

namespace moon::platform {
namespace {

std::atomic<bool> g_closeRequested{false};
std::atomic<DWORD> g_loopThread{0};
bool g_watching = false;

// After a handler returns from CTRL_CLOSE_EVENT Windows ends the process at
// once, and it does so anyway 5 s after the event: the handler holds on for
// most of that, so the loop can close the windows and return from main,
// which ends the process (and this thread) first.
constexpr DWORD kCloseGraceMs = 4500;

BOOL WINAPI onConsoleEvent(DWORD event) {
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT && event != CTRL_CLOSE_EVENT) {
        return FALSE;
    }
    g_closeRequested = true;
    if (const DWORD thread = g_loopThread) {
        ::PostThreadMessageA(thread, WM_NULL, 0, 0);  // wakes WaitMessage
    }
    if (event == CTRL_CLOSE_EVENT) {
        ::Sleep(kCloseGraceMs);
    }
    return TRUE;
}

bool usable(HANDLE handle) {
    return handle != nullptr && handle != INVALID_HANDLE_VALUE &&
           ::GetFileType(handle) != FILE_TYPE_UNKNOWN;
}

// A GUI program has no console of its own. Started from a terminal it
// attaches to the terminal's, and the standard streams that went nowhere
// now go there; streams the parent redirected (a pipe, a file) stay where
// they point. Started from Explorer there is no console to attach to and
// nothing changes.
void attachParentConsole() {
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

// Runs before main in every program that can reach the native backend
// (Platform::Get() names its factory, which lives in this backend).
const bool g_attached = (attachParentConsole(), true);

}  // namespace

void WatchConsoleCloseRequests() {
    g_loopThread = ::GetCurrentThreadId();
    if (!g_watching) {
        g_closeRequested = false;
        g_watching = ::SetConsoleCtrlHandler(onConsoleEvent, TRUE) != 0;
    }
}

void ReleaseConsoleCloseRequests() {
    if (g_watching) {
        ::SetConsoleCtrlHandler(onConsoleEvent, FALSE);
        g_watching = false;
    }
    g_loopThread = 0;
}

bool TakeConsoleCloseRequest() {
    return g_closeRequested.exchange(false);
}

}  // namespace moon::platform
