// SPDX-License-Identifier: MIT
// The one place that handles the signals asking the process to stop
// (SIGINT, SIGTERM, SIGHUP; on Windows, Ctrl+C and the console's close),
// for the two parts that care:
//
// - a window system's message loop catches close requests: while it does,
//   SIGINT and SIGTERM no longer end the process but wait for
//   TakeCloseRequest, and the program closes its own way;
// - a file being written (AtomicFile) names its temporary file: a signal that
//   ends the process while the write is under way removes it first, then
//   takes its normal course. SIGXFSZ (the file-size limit) does not end the
//   process during a write: the write fails instead (FileSizeExceeded).
//
// A close request wins over a write's cleanup: the temporary file stays for
// its writer, who sees the request (CloseRequested) and gives the write up
// the normal way, and the program then closes. A signal the program was started to ignore
// (nohup) stays ignored. What was installed before is put back once neither
// part needs the signal. One file is written at a time.
#pragma once

#include <string>

namespace moon {

class ProcessSignals {
public:
    // Catching again keeps a request not yet taken.
    static void CatchCloseRequests();
    static void ReleaseCloseRequests();
    // True once for each request since the last call; false when not catching.
    static bool TakeCloseRequest();
    // A request is waiting to be taken.
    static bool CloseRequested();

    static void BeginWrite();
    // The temporary file to remove, or "" for none. Named before the file is
    // made, so no signal falls between its making and its naming.
    static void GuardTemporary(const std::string& path);
    // Removes the guarded temporary file now, for a program about to end
    // without returning (out of memory). Needs no memory itself.
    static void RemoveTemporary();
    // A SIGXFSZ arrived since BeginWrite.
    static bool FileSizeExceeded();
    static void EndWrite();
};

}  // namespace moon
