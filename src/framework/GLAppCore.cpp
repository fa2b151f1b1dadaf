// SPDX-License-Identifier: MIT
#include "framework/GLAppCore.h"

#include <algorithm>
#include <cstdlib>

#include "base/Check.h"
#include "framework/GLApp.h"
#include "framework/GLWindow.h"
#include "framework/GLWindowExtra.h"

namespace moon {

using namespace platform;

namespace {

// Set once by the first Instance call and never cleared: nothing uses it after
// the exit-time deletion.
GLAppCore* self = nullptr;

constexpr const char* kClassName = "GLAppWnd";
constexpr std::uint32_t kStyleTopBits = 0x3FFFFFFF;  // clears WS_POPUP and WS_CHILD
// While no window can be seen nothing is painted, so no buffer swap paces the
// loop: between idle passes it waits this long (milliseconds) for input.
constexpr std::uint32_t kHiddenIdleWait = 5;

void deleteCore() {
    delete self;
}

}  // namespace

GLAppCore* GLAppCore::Instance() {
    if (self == nullptr) {
        self = new GLAppCore();
        MOON_CHECK(self != nullptr);
        std::atexit(deleteCore);
    }
    return self;
}

GLAppCore::~GLAppCore() {
    UnregisterWindowClass();
}

ModuleHandle GLAppCore::GetInstance() {
    if (!m_hInstance) {
        m_hInstance = Platform::Get().GetModuleHandle();
    }
    return m_hInstance;
}

int GLAppCore::Run(int argc, char** argv) {
    MOON_CHECK(m_pApp != nullptr);
    m_argc = argc;
    m_argv = argv;
    m_pApp->OnInit();

    // The list may grow while windows are created: re-read its size each step.
    bool mainFailed = false;
    for (std::size_t i = 0; i < m_windows.size(); ++i) {
        GLWindowExtra* record = m_windows[i];
        // A failure has printed its line already.
        if (!record->m_hWnd && !record->Recreate() && record == m_pMainWindow) {
            mainFailed = true;
        }
    }

    int result = 0;
    if (!m_windows.empty()) {
        // Only the main window can end the loop: if it could not be opened (no
        // OS window, or a hidden one without a working context) the loop
        // would spin for ever with nothing on screen.
        if (m_pMainWindow != nullptr && (!m_pMainWindow->m_hWnd || mainFailed)) {
            result = 1;
        } else {
            result = static_cast<int>(PumpMessages());
        }
    } else if (m_bClassFailed) {
        // Windows were defined but none could be opened: not a success.
        result = 1;
    }

    if (m_bTimer) {
        if (m_timerId != 0) {
            Platform::Get().KillTimer(WindowHandle{}, m_timerId);
        }
        m_timerId = 0;
        m_bTimer = false;
    }
    m_pApp->OnExit();
    return result;
}

WParam GLAppCore::PumpMessages() {
    Platform& platform = Platform::Get();
    Msg msg;
    for (;;) {
        if (platform.PeekMessage(msg)) {
            platform.TranslateMessage(msg);
            platform.DispatchMessage(msg);
        } else {
            m_pApp->OnIdle();
            // Windows may be added during the pass; they get OnIdle in it too.
            for (std::size_t i = 0; i < m_windows.size(); ++i) {
                if (m_windows[i]->m_pWindow != nullptr) {
                    m_windows[i]->m_pWindow->OnIdle();
                }
            }
            if (!AnyWindowShowing()) {
                platform.WaitMessage(kHiddenIdleWait);
            }
        }
        if (msg.message == WM_QUIT) {
            return msg.wParam;
        }
    }
}

bool GLAppCore::AnyWindowShowing() const {
    Platform& platform = Platform::Get();
    for (const GLWindowExtra* record : m_windows) {
        if (record->m_hWnd && platform.IsWindowVisible(record->m_hWnd) &&
            !platform.IsIconic(record->m_hWnd)) {
            return true;
        }
    }
    return false;
}

bool GLAppCore::AddWindow(GLWindowExtra* record) {
    if (record == nullptr) {
        return false;
    }
    if (m_windows.empty()) {
        SetMainWindow(record);
    }
    m_windows.push_back(record);
    return true;
}

void GLAppCore::RemoveWindow(GLWindowExtra* record) {
    auto found = std::find(m_windows.begin(), m_windows.end(), record);
    if (found != m_windows.end()) {
        m_windows.erase(found);
    }
    // The record is about to be freed: never leave the core pointing at it.
    if (record != nullptr && m_pMainWindow == record) {
        m_pMainWindow = nullptr;
    }
}

bool GLAppCore::SetMainWindow(GLWindowExtra* record) {
    if (record == nullptr) {
        return false;
    }
    if (record == m_pMainWindow) {
        return true;
    }
    Platform& platform = Platform::Get();
    // Demote the current main window into the host window, if there is one.
    if (m_pMainWindow != nullptr && m_hParent && m_pMainWindow->m_hWnd) {
        const WindowHandle old = m_pMainWindow->m_hWnd;
        platform.SetParent(old, m_hParent);
        if (!platform.GetParent(old)) {
            const auto style = static_cast<std::uint32_t>(platform.GetWindowLong(old, GWL_STYLE));
            platform.SetWindowLong(old, GWL_STYLE,
                                   static_cast<std::intptr_t>((style & kStyleTopBits) | WS_CHILD));
            platform.SetParent(old, m_hParent);
        }
    }
    // Promote: a top-level popup window without parent.
    if (record->m_hWnd) {
        const WindowHandle promoted = record->m_hWnd;
        platform.SetParent(promoted, WindowHandle{});
        const auto style = static_cast<std::uint32_t>(platform.GetWindowLong(promoted, GWL_STYLE));
        platform.SetWindowLong(promoted, GWL_STYLE,
                               static_cast<std::intptr_t>((style & kStyleTopBits) | WS_POPUP));
    }
    m_pMainWindow = record;
    return true;
}

bool GLAppCore::RegisterWindowClass() {
    if (m_classAtom != 0) {
        return true;
    }
    Platform& platform = Platform::Get();
    WndClass windowClass;
    windowClass.style = CS_VREDRAW | CS_HREDRAW | CS_OWNDC;
    windowClass.lpfnWndProc = &GLWindowExtra::WindowProc;
    windowClass.cbClsExtra = 0;
    windowClass.cbWndExtra = 0;
    windowClass.hInstance = GetInstance();
    windowClass.hIcon = platform.LoadIcon(windowClass.hInstance, GLApp::kIconResource);
    if (!windowClass.hIcon) {
        windowClass.hIcon = platform.LoadIcon(ModuleHandle{}, IDI_APPLICATION);
    }
    windowClass.hCursor = platform.LoadCursor(ModuleHandle{}, IDC_ARROW);
    windowClass.lpszMenuName = "MainMenu";
    windowClass.lpszClassName = kClassName;
    m_classAtom = platform.RegisterClass(windowClass);
    return m_classAtom != 0;
}

void GLAppCore::UnregisterWindowClass() {
    if (m_classAtom != 0 && m_hInstance) {
        Platform::Get().UnregisterClass(m_classAtom, m_hInstance);
    }
}

}  // namespace moon
