// SPDX-License-Identifier: MIT
// The window procedure of "GLAppWnd" and the record's message handling: the
// one place where window messages become calls of a GLWindow's handlers.
#include <cstdint>

#include "framework/GLAppCore.h"
#include "framework/GLWindow.h"
#include "framework/GLWindowExtra.h"

namespace moon {

using namespace platform;

LResult GLWindowExtra::WindowProc(WindowHandle window, std::uint32_t message, WParam wParam,
                                  LParam lParam) {
    Platform& platform = Platform::Get();
    if (message == WM_NCCREATE && lParam != 0) {
        const auto* create = reinterpret_cast<const CreateStruct*>(lParam);
        if (create->lpCreateParams != nullptr) {
            platform.SetWindowLong(window, GWL_USERDATA,
                                   reinterpret_cast<std::intptr_t>(create->lpCreateParams));
        }
    }
    // Messages that arrive before WM_NCCREATE find no record.
    auto* record = reinterpret_cast<GLWindowExtra*>(platform.GetWindowLong(window, GWL_USERDATA));
    if (record != nullptr) {
        return record->HandleMessage(window, message, wParam, lParam);
    }
    return platform.DefWindowProc(window, message, wParam, lParam);
}

LResult GLWindowExtra::HandleMessage(WindowHandle window, std::uint32_t message, WParam wParam,
                                     LParam lParam) {
    Platform& platform = Platform::Get();
    switch (message) {
        case WM_DESTROY:
            return 0;
        case WM_SIZE:
            OnSize(lParam);
            return 0;
        case WM_PAINT:
            OnPaint(window);
            return 0;
        case WM_CLOSE:
            return OnClose(window, wParam, lParam);
        case WM_SETCURSOR:
            if (m_bNonClient) {
                // Borders and caption show the window system's own cursors.
                return platform.DefWindowProc(window, message, wParam, lParam);
            }
            platform.SetCursor(m_hCursor);
            return 0;
        case WM_NCMOUSEMOVE:
            m_bNonClient = true;
            return platform.DefWindowProc(window, message, wParam, lParam);
        case WM_KEYDOWN:
        case WM_KEYUP:
            if (m_pWindow == nullptr) {
                return platform.DefWindowProc(window, message, wParam, lParam);
            }
            // No context is acquired: keys act on whatever context is current.
            m_pWindow->OnKeyboard(static_cast<int>(wParam), message == WM_KEYDOWN);
            return 0;
        case WM_MOUSEMOVE:
            OnMouseMove(lParam);
            return 0;
        case WM_LBUTTONDOWN:
        case WM_LBUTTONUP:
        case WM_RBUTTONDOWN:
        case WM_RBUTTONUP:
        case WM_MBUTTONDOWN:
        case WM_MBUTTONUP:
            OnButton(window, message);
            return 0;
        case WM_USER + 1:
            OnCreateMessage();
            return 0;
        default:
            // Double clicks included: the class does not ask for them.
            return platform.DefWindowProc(window, message, wParam, lParam);
    }
}

void GLWindowExtra::OnSize(LParam lParam) {
    const auto packed = static_cast<std::uintptr_t>(lParam);
    m_width = LoWord(packed);
    m_height = HiWord(packed);
    if (MakeCurrent(true)) {
        if (m_pWindow != nullptr) {
            m_pWindow->OnResize(m_width, m_height);
        }
        MakeCurrent(false);
    }
}

void GLWindowExtra::OnPaint(WindowHandle window) {
    Platform& platform = Platform::Get();
    if (!platform.GetUpdateRect(window, nullptr, false)) {
        return;
    }
    PaintStruct paint;
    platform.BeginPaint(window, paint);
    if (MakeCurrent(true)) {
        if (m_pWindow != nullptr) {
            m_pWindow->OnDisplay();  // swaps buffers itself
        }
        MakeCurrent(false);
    }
    platform.EndPaint(window, paint);
}

LResult GLWindowExtra::OnClose(WindowHandle window, WParam wParam, LParam lParam) {
    Platform& platform = Platform::Get();
    if (GLAppCore::Instance()->GetMainWindow() == this) {
        // Ends the loop; the default processing destroys the OS window.
        platform.PostQuitMessage(static_cast<int>(wParam));
        return platform.DefWindowProc(window, WM_CLOSE, wParam, lParam);
    }
    // Any other window is only hidden, for good.
    if (m_hWnd) {
        platform.ShowWindow(m_hWnd, SW_HIDE);
    } else {
        m_bVisible = false;
    }
    return 0;
}

void GLWindowExtra::OnMouseMove(LParam lParam) {
    const auto packed = static_cast<std::uintptr_t>(lParam);
    if (MakeCurrent(true)) {
        if (m_pWindow != nullptr) {
            // Client coordinates are signed 16-bit: negative or beyond the size
            // while the pointer is captured. y turns to count from the bottom.
            const int x = static_cast<std::int16_t>(LoWord(packed));
            const int y = m_pWindow->GetHeight() - static_cast<std::int16_t>(HiWord(packed)) - 1;
            m_pWindow->OnMouseMove(x, y);
        }
        MakeCurrent(false);
    }
    m_bNonClient = false;
}

void GLWindowExtra::OnButton(WindowHandle window, std::uint32_t message) {
    if (!MakeCurrent(true)) {
        return;
    }
    Platform& platform = Platform::Get();
    int button = 0;
    bool down = false;
    switch (message) {
        case WM_LBUTTONDOWN:
            platform.SetCapture(window);
            button = 0;
            down = true;
            break;
        case WM_LBUTTONUP:
            platform.ReleaseCapture();
            button = 0;
            break;
        case WM_MBUTTONDOWN:
            platform.SetCapture(window);
            button = 1;
            down = true;
            break;
        case WM_MBUTTONUP:
            platform.ReleaseCapture();
            button = 1;
            break;
        case WM_RBUTTONDOWN:
            platform.SetCapture(window);
            button = 2;
            down = true;
            break;
        default:  // WM_RBUTTONUP
            platform.ReleaseCapture();
            button = 2;
            break;
    }
    if (m_pWindow != nullptr) {
        m_pWindow->OnMouseButton(button, down);
    }
    MakeCurrent(false);
}

void GLWindowExtra::OnCreateMessage() {
    if (m_bInOnCreate) {
        return;  // OnCreate is running already
    }
    m_bInOnCreate = true;
    if (MakeCurrent(true)) {
        if (m_pWindow != nullptr) {
            m_pWindow->OnCreate();
        }
        MakeCurrent(false);
    }
    m_bInOnCreate = false;
}

}  // namespace moon
