// SPDX-License-Identifier: MIT
// The console of the native backend. A GUI program started from a terminal
// writes to that terminal (the parent's console is attached at start-up);
// Ctrl+C, Ctrl+Break and closing the console ask the program to close, as
// SIGINT and SIGTERM do elsewhere. Windows runs the console's handler on a
// thread of its own: it only sets a flag and wakes the message loop's
// thread, which takes the request in PeekMessage.
#pragma once

namespace moon::platform {

// Installs the handler (once) for the calling thread's message loop.
void WatchConsoleCloseRequests();
// Removes the handler: Ctrl+C ends the process again.
void ReleaseConsoleCloseRequests();
// True once for each request made since the last call.
bool TakeConsoleCloseRequest();

}  // namespace moon::platform
