// SPDX-License-Identifier: MIT
// ProcessSignals on Windows: the console's control events (Ctrl+C,
// Ctrl+Break, the console's close, log-off and shut-down) through one handler,
// which Windows runs on a thread of its own: a close request is counted and
// the catching thread's message loop woken (a WM_NULL it drops). Otherwise a
// write under way loses its temporary file and the program ends with status 1
// (not the system's own handler's status). There is no file-size signal.
#include "system/ProcessSignals.h"

#include <atomic>
#include <cstring>

#include "system/win32/KernelApi.h"

namespace moon {
namespace {

// Everything here is constant-initialised: a program may write a file, or
// catch close requests, from a static constructor, before this file's own
// initialisers would have run. (std::mutex is not, with MinGW's threads.)
SRWLOCK g_lock = SRWLOCK_INIT;
bool g_handlerInstalled = false;
bool g_catchingCloseRequests = false;
DWORD g_loopThread = 0;  // the thread that catches close requests
bool g_writing = false;
// The file to remove if the process ends, or "". The longest path Windows
// takes; a longer one is not guarded (it could not have been made).
constexpr std::size_t kMaxPath = 32768;
char g_temporary[kMaxPath] = {};
std::atomic<int> g_closeRequests{0};

// How a program ends when Ctrl+C (or the console's close) stops a write.
constexpr UINT kInterruptedStatus = 1;

// Holds g_lock for a scope; `tryOnly` does not wait for it.
class Locked {
public:
    explicit Locked(bool tryOnly = false) {
        if (tryOnly) {
            m_bHeld = TryAcquireSRWLockExclusive(&g_lock) != 0;
        } else {
            AcquireSRWLockExclusive(&g_lock);
            m_bHeld = true;
        }
    }
    ~Locked() { Release(); }
    Locked(const Locked&) = delete;
    Locked& operator=(const Locked&) = delete;

    bool Held() const { return m_bHeld; }
    void Release() {
        if (m_bHeld) {
            ReleaseSRWLockExclusive(&g_lock);
            m_bHeld = false;
        }
    }

private:
    bool m_bHeld = false;
};

void setTemporary(const std::string& path) {
    const std::size_t length = path.size() < kMaxPath ? path.size() : 0;
    std::memcpy(g_temporary, path.data(), length);
    g_temporary[length] = '\0';
}

// After a handler returns from CTRL_CLOSE_EVENT Windows ends the process at
// once, and it does so anyway 5 s after the event: the handler holds on for
// most of that, so the loop can close the windows and return from main,
// which ends the process (and this thread) first.
constexpr DWORD kCloseGraceMs = 4500;

BOOL WINAPI onControl(DWORD event) {
    Locked lock;
    const bool request =
        event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT || event == CTRL_CLOSE_EVENT;
    if (request && g_catchingCloseRequests) {
        // The program closes its own way; a write under way is given up by
        // its writer, who keeps the temporary file's removal.
        ++g_closeRequests;
        if (g_loopThread != 0) {
            PostThreadMessageA(g_loopThread, WM_NULL, 0, 0);  // wakes a waiting loop
        }
        lock.Release();
        if (event == CTRL_CLOSE_EVENT) {
            Sleep(kCloseGraceMs);
        }
        return TRUE;
    }
    if (g_temporary[0] != '\0') {
        // Still open in the writer: gone once the process is.
        DeleteFileA(g_temporary);
        g_temporary[0] = '\0';
    }
    if (request && g_writing) {
        // A write cut short is a failure, whatever the system's own handler
        // would report (Windows' ends the process with STATUS_CONTROL_C_EXIT,
        // Wine's with 0): the program ends here with status 1, the old file
        // as it was.
        ExitProcess(kInterruptedStatus);
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
    const Locked lock;
    installHandler();
    g_catchingCloseRequests = true;
    g_loopThread = GetCurrentThreadId();
}

void ProcessSignals::ReleaseCloseRequests() {
    const Locked lock;
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
    const Locked lock;
    installHandler();
    g_writing = true;
    g_temporary[0] = '\0';
}

void ProcessSignals::GuardTemporary(const std::string& path) {
    const Locked lock;
    setTemporary(g_writing ? path : std::string());
}

void ProcessSignals::RemoveTemporary() {
    // The allocation that failed may have been the guard's own, under the lock.
    const Locked lock(true);
    if (lock.Held() && g_temporary[0] != '\0') {
        DeleteFileA(g_temporary);  // still open: gone with the process
    }
}

bool ProcessSignals::FileSizeExceeded() {
    return false;
}

void ProcessSignals::EndWrite() {
    const Locked lock;
    g_writing = false;
    g_temporary[0] = '\0';
}

}  // namespace moon
