// SPDX-License-Identifier: MIT
// SDL's video start-up and teardown, the choice of driver, the connection to
// the display and the signals that ask the program to close; see
// SdlPlatform.h for the split.
#include <SDL.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "framework/platform/sdl/SdlPlatform.h"
#include "system/ProcessSignals.h"

namespace moon::platform {
namespace {

std::string lowerCase(const char* text) {
    std::string result = text != nullptr ? text : "";
    for (char& c : result) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return result;
}

// Whether the user named this driver in SDL_VIDEODRIVER (a comma-separated list).
bool driverRequested(const char* driver) {
    const std::string wanted = lowerCase(std::getenv("SDL_VIDEODRIVER"));
    return !wanted.empty() && wanted.find(lowerCase(driver)) != std::string::npos;
}

// The backend whose video is up: the X error handlers reach it through this.
SdlPlatform* g_live = nullptr;

const char* nonEmpty(const char* text) {
    return text != nullptr && *text != '\0' ? text : nullptr;
}

// Runs SDL's video initialisation with standard error sent to /dev/null: when
// no display is named, the probes of the drivers SDL tries (libwayland's
// "XDG_RUNTIME_DIR is invalid") would only tell the user what we say better.
int initVideoQuietly() {
    std::fflush(stderr);
    const int saved = ::dup(STDERR_FILENO);
    const int devNull = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (saved >= 0 && devNull >= 0) {
        ::dup2(devNull, STDERR_FILENO);
    }
    const int result = SDL_InitSubSystem(SDL_INIT_VIDEO);
    if (saved >= 0 && devNull >= 0) {
        ::dup2(saved, STDERR_FILENO);
    }
    if (devNull >= 0) {
        ::close(devNull);
    }
    if (saved >= 0) {
        ::close(saved);
    }
    return result;
}

}  // namespace

// The application id becomes the windows' class. SDL 2.26 reads it from the
// environment when its video starts (X11 WM_CLASS, Wayland app id); later
// versions from the SDL_APP_ID hint. What the user has set there already
// stays: it is their choice.
void SdlPlatform::NameApplication() {
    const std::string& id = ApplicationId();
    if (id.empty()) {
        return;
    }
    setenv("SDL_VIDEO_X11_WMCLASS", id.c_str(), 0);
    setenv("SDL_VIDEO_WAYLAND_WMCLASS", id.c_str(), 0);
    SDL_SetHint("SDL_APP_ID", id.c_str());
}

// offscreen and dummy show nothing to anyone.
bool SdlPlatform::IsInvisibleDriver(const char* driver) {
    const std::string name = lowerCase(driver);
    return name == "offscreen" || name == "dummy";
}

bool SdlPlatform::Lost() {
    if (m_bLost) {
        Fail(FailureKind::DisplayLost, "the connection to the display was lost");
    }
    return m_bLost;
}

void SdlPlatform::MarkConnectionLost() {
    m_bLost = true;
    m_hCapture = WindowHandle{};
    DropAllMessages();
}

// One line, then the normal exit path: the application and its scene are
// freed, and the windows' teardown calls find the connection marked lost.
void SdlPlatform::OnDisplayLost(const char* display, const char* reason) {
    if (g_live == nullptr || g_live->m_bLost) {
        _exit(1);  // lost again on the way out: nothing more can be done safely
    }
    g_live->MarkConnectionLost();
    std::fprintf(stderr, "%s: lost the display %s (%s)\n", program_invocation_short_name, display,
                 reason);
    std::fflush(stderr);
    std::exit(1);
}

// The framework's exit path starts when its main window is closed; this
// layer does not know which one that is, so every window is asked, in
// creation order, ahead of anything else waiting. Others only hide, and the
// loop ends on the quit message the main window's close posts.
void SdlPlatform::TakeCloseRequest() {
    if (!m_bSignals || !ProcessSignals::TakeCloseRequest()) {
        return;
    }
    for (auto window = m_windows.rbegin(); window != m_windows.rend(); ++window) {
        PostFirst(Msg{WindowHandle{window->first}, WM_CLOSE, 0, 0});
    }
}

SdlPlatform::~SdlPlatform() {
    if (m_bSignals) {
        ProcessSignals::ReleaseCloseRequests();
    }
    if (g_live == this) {
        g_live = nullptr;
    }
    if (m_bLost) {
        return;  // nothing may touch the dead connection
    }
    for (auto& [id, context] : m_contexts) {
        SDL_GL_DeleteContext(context.gl);
    }
    for (auto& [id, window] : m_windows) {
        if (window.sdl != nullptr) {
            SDL_DestroyWindow(window.sdl);
        }
    }
    if (m_pArrow != nullptr) {
        SDL_FreeCursor(m_pArrow);
    }
    if (m_bVideo) {
        SDL_Quit();
    }
}

// Initialises SDL's video once. A fallback to an invisible driver that the
// user did not ask for means there is no display to show windows on.
bool SdlPlatform::EnsureVideo() {
    if (m_bVideo) {
        return true;
    }
    if (Lost()) {
        return false;
    }
    // Capture follows SetCapture/ReleaseCapture alone; a window's close button
    // is that window's own request; a click on an inactive window is
    // delivered, as the framework expects. Signals are caught here, not by SDL.
    SDL_SetHint(SDL_HINT_MOUSE_AUTO_CAPTURE, "0");
    SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
    SDL_SetHint(SDL_HINT_MOUSE_FOCUS_CLICKTHROUGH, "1");
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    NameApplication();
    // The driver follows what the environment names: an X display alone
    // means X11, so no other driver is probed. With nothing named, SDL tries
    // its drivers with their complaints silenced.
    const char* requested = nonEmpty(std::getenv("SDL_VIDEODRIVER"));
    const char* display = nonEmpty(std::getenv("DISPLAY"));
    const char* wayland = nonEmpty(std::getenv("WAYLAND_DISPLAY"));
    int result = 0;
    if (requested == nullptr && wayland == nullptr && display != nullptr) {
        SDL_SetHint(SDL_HINT_VIDEODRIVER, "x11");
        result = SDL_InitSubSystem(SDL_INIT_VIDEO);
        SDL_ResetHint(SDL_HINT_VIDEODRIVER);
        if (result != 0) {
            return Fail(FailureKind::DisplayRefused, std::string("cannot open display ") + display);
        }
    } else if (requested == nullptr && wayland == nullptr) {
        if (initVideoQuietly() != 0) {
            return Fail(FailureKind::NoDisplay, "no display");
        }
    } else if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        return FailSdl();
    }
    const char* driver = SDL_GetCurrentVideoDriver();
    if (IsInvisibleDriver(driver) && !driverRequested(driver)) {
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        return Fail(FailureKind::NoDisplay, "no display");
    }
    SDL_StopTextInput();  // key messages only; no text input or input method
    m_bVideo = true;
    g_live = this;
    if (lowerCase(driver) == "x11") {
        WatchX11Display(&SdlPlatform::OnDisplayLost);
    }
    // SIGINT and SIGTERM ask to close: a flag PeekMessage reads, so no
    // request is lost to a full SDL event queue.
    ProcessSignals::CatchCloseRequests();
    m_bSignals = true;
    return true;
}

}  // namespace moon::platform
