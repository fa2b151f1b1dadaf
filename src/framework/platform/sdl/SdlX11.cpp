// SPDX-License-Identifier: MIT
// Xlib's error handlers for the X connection under SDL. Xlib's defaults end
// the process on the spot (exit(1) from inside the failing call), and the
// exit path then talks to the dead connection again and never returns. These
// hand the loss to the backend, which stops using the connection before the
// process ends. Kept apart because Xlib's header defines names that clash.
#include <X11/Xlib.h>

#include <string>

#include "framework/platform/sdl/SdlPlatform.h"

namespace moon::platform {
namespace {

DisplayLostHandler g_onLost = nullptr;

const char* nameOf(Display* display) {
    const char* name = display != nullptr ? DisplayString(display) : nullptr;
    return name != nullptr ? name : "";
}

// The server went away or closed the connection (xkill, xdotool windowkill).
int onIoError(Display* display) {
    g_onLost(nameOf(display), "the connection was closed");
    return 0;  // not reached: the handler ends the process
}

// SDL catches the errors it expects with handlers of its own, set around the
// calls that may cause them; any other refusal means that a window of ours
// was taken away by another program (xdotool windowclose). Xlib's default
// would end the process here too.
int onProtocolError(Display* display, XErrorEvent* event) {
    char text[160] = {};
    XGetErrorText(display, event->error_code, text, sizeof text);
    const std::string reason = std::string("the server refused a request: ") + text;
    g_onLost(nameOf(display), reason.c_str());
    return 0;
}

}  // namespace

void WatchX11Display(DisplayLostHandler onLost) {
    g_onLost = onLost;
    XSetIOErrorHandler(onIoError);
    XSetErrorHandler(onProtocolError);
}

}  // namespace moon::platform
