// SPDX-License-Identifier: MIT
// The framework's process-wide singleton: the application object, the list of
// GL windows with the main window, the window class, and the message loop.
#pragma once

#include <cstdint>
#include <vector>

#include "framework/platform/Platform.h"

namespace moon {

class GLApp;
class GLWindowExtra;

class GLAppCore {
public:
    // The one core, created on first call; its deletion is registered with the
    // exit-time handlers then, so it outlives every static object constructed
    // after that.
    static GLAppCore* Instance();

    virtual ~GLAppCore();

    GLAppCore(const GLAppCore&) = delete;
    GLAppCore& operator=(const GLAppCore&) = delete;

    // OnInit, creation of every listed window, the message loop, OnExit.
    // Returns the process exit code: the quit message's value, or 1 when the
    // windows could not be opened at all.
    int Run(int argc, char** argv);
    // The loop. It never waits while a window is showing; while none is (all
    // hidden or minimised) it waits a few milliseconds for input between idle
    // passes. Returns the quit message's wParam.
    platform::WParam PumpMessages();
    // Some listed window is shown and not minimised.
    bool AnyWindowShowing() const;

    // Appends a record; the first one listed becomes the main window.
    bool AddWindow(GLWindowExtra* record);
    // Drops a record from the list (and from being the main window).
    void RemoveWindow(GLWindowExtra* record);
    bool SetMainWindow(GLWindowExtra* record);
    GLWindowExtra* GetMainWindow() const { return m_pMainWindow; }

    // Registers "GLAppWnd" once; true when it is registered.
    bool RegisterWindowClass();
    void UnregisterWindowClass();

    // Fills m_hInstance on first need.
    platform::ModuleHandle GetInstance();

    GLApp* m_pApp = nullptr;
    platform::ModuleHandle m_hInstance;
    platform::Atom m_classAtom = 0;
    // Host window for non-main windows (created as its children); none here.
    platform::WindowHandle m_hParent;
    int m_argc = 0;
    char** m_argv = nullptr;
    std::vector<GLWindowExtra*> m_windows;  // not owned; construction order
    bool m_bConsole = false;  // ShowMessage to standard output instead of a message box
    GLWindowExtra* m_pMainWindow = nullptr;
    std::uint32_t m_timerId = 0;
    bool m_bTimer = false;  // a timer is running (none ever is)
    // A window was constructed while the class could not be registered, so it
    // was never listed: Run reports failure instead of success.
    bool m_bClassFailed = false;

private:
    GLAppCore() = default;
};

}  // namespace moon
