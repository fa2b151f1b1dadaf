// SPDX-License-Identifier: MIT
// ProcessSignals on POSIX systems: one handler for SIGINT, SIGTERM, SIGHUP
// and SIGXFSZ, installed while some part needs the signal.
#include "system/ProcessSignals.h"

#include <unistd.h>

#include <climits>
#include <csignal>
#include <cstring>

#include "base/Check.h"

namespace moon {
namespace {

constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGXFSZ};
constexpr int kSignalCount = 4;

// What was there before our handler, for each signal while it is installed.
struct sigaction g_previous[kSignalCount];
volatile std::sig_atomic_t g_installed[kSignalCount] = {};

volatile std::sig_atomic_t g_catchingCloses = 0;
volatile std::sig_atomic_t g_closeRequested = 0;
volatile std::sig_atomic_t g_writing = 0;
volatile std::sig_atomic_t g_sizeExceeded = 0;

// The temporary file's path, in two buffers: a new name goes into the one the
// handler is not reading, which then becomes current, so a handler (in any
// thread) never sees half a name. A path that does not fit could not be
// opened either (PATH_MAX).
char g_temporaries[2][PATH_MAX] = {};
volatile std::sig_atomic_t g_currentTemporary = 0;

int indexOf(int signal) {
    for (int i = 0; i < kSignalCount; ++i) {
        if (kSignals[i] == signal) {
            return i;
        }
    }
    return 0;
}

void onSignal(int signal) {
    if (signal == SIGXFSZ) {
        g_sizeExceeded = 1;  // the write that crossed the limit fails with EFBIG
        return;
    }
    if (g_catchingCloses != 0 && signal != SIGHUP) {
        g_closeRequested = 1;
        return;
    }
    const char* temporary = g_temporaries[g_currentTemporary];
    if (temporary[0] != '\0') {
        ::unlink(temporary);
    }
    // The signal's own course: what was installed before us (most often the
    // default, which ends the process) takes it once this handler returns.
    const int i = indexOf(signal);
    sigaction(signal, &g_previous[i], nullptr);
    g_installed[i] = 0;
    ::raise(signal);
}

bool isWanted(int signal) {
    if (signal == SIGINT || signal == SIGTERM) {
        return g_catchingCloses != 0 || g_writing != 0;
    }
    return g_writing != 0;
}

// Installs the handler where a part needs it and puts back what was there
// where none does.
void updateHandlers() {
    for (int i = 0; i < kSignalCount; ++i) {
        const bool wanted = isWanted(kSignals[i]);
        if (wanted && g_installed[i] == 0) {
            struct sigaction action {};
            action.sa_handler = onSignal;
            sigfillset(&action.sa_mask);
            action.sa_flags = SA_RESTART;
            sigaction(kSignals[i], nullptr, &g_previous[i]);
            if (g_previous[i].sa_handler != SIG_IGN) {
                sigaction(kSignals[i], &action, nullptr);
                g_installed[i] = 1;
            }
        } else if (!wanted && g_installed[i] != 0) {
            sigaction(kSignals[i], &g_previous[i], nullptr);
            g_installed[i] = 0;
        }
    }
}

}  // namespace

void ProcessSignals::CatchCloseRequests() {
    if (g_catchingCloses == 0) {
        g_closeRequested = 0;  // a request already caught stays for its taker
    }
    g_catchingCloses = 1;
    updateHandlers();
}

void ProcessSignals::ReleaseCloseRequests() {
    g_catchingCloses = 0;
    updateHandlers();
}

bool ProcessSignals::TakeCloseRequest() {
    if (g_catchingCloses == 0 || g_closeRequested == 0) {
        return false;
    }
    g_closeRequested = 0;
    return true;
}

bool ProcessSignals::CloseRequested() {
    return g_catchingCloses != 0 && g_closeRequested != 0;
}

void ProcessSignals::BeginWrite() {
    MOON_CHECK(g_writing == 0, "one file is written at a time");
    GuardTemporary("");
    g_sizeExceeded = 0;
    g_writing = 1;
    updateHandlers();
}

void ProcessSignals::GuardTemporary(const std::string& path) {
    const int next = 1 - g_currentTemporary;
    const std::size_t length = path.size() < PATH_MAX ? path.size() : 0;
    std::memcpy(g_temporaries[next], path.data(), length);
    g_temporaries[next][length] = '\0';
    g_currentTemporary = next;
}

void ProcessSignals::RemoveTemporary() {
    const char* temporary = g_temporaries[g_currentTemporary];
    if (temporary[0] != '\0') {
        ::unlink(temporary);
    }
}

bool ProcessSignals::FileSizeExceeded() {
    return g_sizeExceeded != 0;
}

void ProcessSignals::EndWrite() {
    GuardTemporary("");
    g_writing = 0;
    updateHandlers();
}

}  // namespace moon
