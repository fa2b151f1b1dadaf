// SPDX-License-Identifier: MIT
// ProcessSignals on Windows: the console's control events (Ctrl+C,
// Ctrl+Break, the console's close, log-off and shut-down) through one handler,
// which Windows runs on a thread of its own: a close request is counted and
// the catching thread's message loop woken (a WM_NULL it drops). There is no
// file-size signal.
#include "system/ProcessSignals.h"

#include <atomic>
#include <mutex>

#include "system/win32/KernelApi.h"

namespace moon {
namespace {

std::mutex g_mutex;
bool g_handlerInstalled = false;
bool g_catchingCloseRequests = false;
DWORD g_loopThread = 0;  // the thread that catches close requests
bool g_writing = false;
std::string g_temporary;  // the file to remove if the process ends, or ""
std::atomic<int> g_closeRequests{0};

// After a handler returns from CTRL_CLOSE_EVENT Windows ends the process at
// once, and it does so anyway 5 s after the event: the handler holds on for
// most of that, so the loop can close the windows and return from main,
// which ends the process (and this thread) first.
constexpr DWORD kCloseGraceMs = 4500;

BOOL WINAPI onControl(DWORD event) {
    std::unique_lock<std::mutex> lock(g_mutex);
    const bool request =
        event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT || event == CTRL_CLOSE_EVENT;
    if (request && g_catchingCloseRequests) {
        // The program closes its own way; a write under way is given up by
        // its writer, who keeps the temporary file's removal.
        ++g_closeRequests;
        if (g_loopThread != 0) {
            PostThreadMessageA(g_loopThread, WM_NULL, 0, 0);  // wakes a waiting loop
        }
        lock.unlock();
        if (event == CTRL_CLOSE_EVENT) {
            Sleep(kCloseGraceMs);
        }
        return TRUE;
    }
    if (!g_temporary.empty()) {
        // Still open in the writer: gone once the process is.
        DeleteFileA(g_temporary.c_str());
        g_temporary.clear();
    }
    return FALSE;  // the next handler (in the end the system's) ends the process
}

// Installed once and kept: the handler does nothing while no part needs it.
void installHandler() {
    if (!g_handlerInstalled) {
        g_handlerInstalled = SetConsoleCtrlHandler(onControl, TRUE) != 0;
    }
}

}  // namespace

void ProcessSignals::CatchCloseRequests() {
    const std::lock_guard<std::mutex> lock(g_mutex);
    installHandler();
    g_catchingCloseRequests = true;
    g_loopThread = GetCurrentThreadId();
}

void ProcessSignals::ReleaseCloseRequests() {
    const std::lock_guard<std::mutex> lock(g_mutex);
    g_catchingCloseRequests = false;
    g_loopThread = 0;
    g_closeRequests = 0;
}

bool ProcessSignals::TakeCloseRequest() {
    int waiting = g_closeRequests.load();
    while (waiting > 0) {
        if (g_closeRequests.compare_exchange_weak(waiting, 0)) {
            return true;
        }
    }
    return false;
}

bool ProcessSignals::CloseRequested() {
    return g_closeRequests.load() > 0;
}

void ProcessSignals::BeginWrite() {
    const std::lock_guard<std::mutex> lock(g_mutex);
    installHandler();
    g_writing = true;
    g_temporary.clear();
}

void ProcessSignals::GuardTemporary(const std::string& path) {
    const std::lock_guard<std::mutex> lock(g_mutex);
    g_temporary = g_writing ? path : "";
}

void ProcessSignals::RemoveTemporary() {
    // The allocation that failed may have been the guard's own, under the lock.
    std::unique_lock<std::mutex> lock(g_mutex, std::try_to_lock);
    if (lock.owns_lock() && !g_temporary.empty()) {
        DeleteFileA(g_temporary.c_str());  // still open: gone with the process
    }
}

bool ProcessSignals::FileSizeExceeded() {
    return false;
}

void ProcessSignals::EndWrite() {
    const std::lock_guard<std::mutex> lock(g_mutex);
    g_writing = false;
    g_temporary.clear();
}

}  // namespace moon
