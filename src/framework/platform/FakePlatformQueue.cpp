// FakePlatform: painting, the message queue and input.
#include <algorithm>

#include "framework/platform/FakePlatform.h"

namespace moon::platform {

// --- Painting ----------------------------------------------------------------

bool FakePlatform::InvalidateRect(WindowHandle window, const Rect* rect, bool erase) {
    if (!Enter("InvalidateRect")) {
        return false;
    }
    (void)erase;
    if (Live(window) == nullptr) {
        return false;
    }
    Invalidate(window, rect);
    return true;
}

bool FakePlatform::GetUpdateRect(WindowHandle window, Rect* rect, bool erase) {
    if (!Enter("GetUpdateRect")) {
        return false;
    }
    (void)erase;
    WindowState* state = Live(window);
    if (state == nullptr || !state->hasUpdate) {
        return false;
    }
    if (rect != nullptr) {
        *rect = state->update;
    }
    return true;
}

DeviceContextHandle FakePlatform::BeginPaint(WindowHandle window, PaintStruct& paint) {
    if (!Enter("BeginPaint")) {
        return {};
    }
    WindowState* state = Live(window);
    if (state == nullptr) {
        return {};
    }
    paint.hdc = state->dc;
    paint.rcPaint = state->hasUpdate ? state->update : Rect{};
    state->hasUpdate = false;
    state->update = Rect{};
    return state->dc;
}

bool FakePlatform::EndPaint(WindowHandle window, const PaintStruct& paint) {
    if (!Enter("EndPaint")) {
        return false;
    }
    (void)paint;
    return Live(window) != nullptr;
}

// --- Messages ----------------------------------------------------------------

bool FakePlatform::PostMessage(WindowHandle window, std::uint32_t message, WParam wParam,
                               LParam lParam) {
    if (!Enter("PostMessage")) {
        return false;
    }
    if (window && Live(window) == nullptr) {
        return false;
    }
    m_posted.push_back(Msg{window, message, wParam, lParam});
    return true;
}

void FakePlatform::PostQuitMessage(int exitCode) {
    if (!Enter("PostQuitMessage")) {
        return;
    }
    m_posted.push_back(
        Msg{{}, WM_QUIT, static_cast<WParam>(static_cast<std::intptr_t>(exitCode)), 0});
}

bool FakePlatform::PeekMessage(Msg& msg) {
    if (!Enter("PeekMessage")) {
        return false;
    }
    for (std::deque<Msg>* queue : {&m_posted, &m_input}) {
        if (!queue->empty()) {
            msg = queue->front();
            queue->pop_front();
            return true;
        }
    }
    for (std::size_t i = 0; i < m_windows.size(); ++i) {
        const WindowState& state = m_windows[i];
        if (state.alive && state.visible && !state.minimised && state.hasUpdate) {
            msg = Msg{WindowHandle{static_cast<std::uint32_t>(i + 1)}, WM_PAINT, 0, 0};
            return true;
        }
    }
    return false;
}

bool FakePlatform::TranslateMessage(const Msg& msg) {
    Enter("TranslateMessage");
    (void)msg;
    return false;
}

LResult FakePlatform::DispatchMessage(const Msg& msg) {
    if (!Enter("DispatchMessage") || !msg.hwnd) {
        return 0;
    }
    return Send(msg.hwnd, msg.message, msg.wParam, msg.lParam);
}

LResult FakePlatform::DefWindowProc(WindowHandle window, std::uint32_t message, WParam wParam,
                                    LParam lParam) {
    if (!Enter("DefWindowProc")) {
        return 0;
    }
    m_defaulted.push_back(Msg{window, message, wParam, lParam});
    WindowState* state = Live(window);
    if (state == nullptr) {
        return 0;
    }
    switch (message) {
        case WM_NCCREATE:
            return 1;
        case WM_CLOSE:
            Destroy(window);
            return 0;
        case WM_PAINT:
            state->hasUpdate = false;  // validates, as BeginPaint/EndPaint would
            return 0;
        case WM_SETCURSOR:
            if (LoWord(static_cast<std::uintptr_t>(lParam)) == HTCLIENT) {
                m_cursor = FindClass(state->className)->windowClass.hCursor;
                return 1;
            }
            return 0;
        default:
            return 0;
    }
}

bool FakePlatform::KillTimer(WindowHandle window, std::uintptr_t id) {
    if (!Enter("KillTimer")) {
        return false;
    }
    (void)window;
    (void)id;
    return Failed("no such timer");
}

bool FakePlatform::WaitMessage(std::uint32_t milliseconds) {
    if (!Enter("WaitMessage")) {
        return false;
    }
    if (!m_posted.empty() || !m_input.empty()) {
        return true;
    }
    m_waited += milliseconds;
    return false;
}

// --- Input -------------------------------------------------------------------

WindowHandle FakePlatform::SetCapture(WindowHandle window) {
    if (!Enter("SetCapture") || Live(window) == nullptr) {
        return {};
    }
    const WindowHandle previous = m_capture;
    m_capture = window;
    return previous;
}

bool FakePlatform::ReleaseCapture() {
    if (!Enter("ReleaseCapture")) {
        return false;
    }
    m_capture = {};
    return true;
}

CursorHandle FakePlatform::SetCursor(CursorHandle cursor) {
    if (!Enter("SetCursor")) {
        return {};
    }
    const CursorHandle previous = m_cursor;
    m_cursor = cursor;
    return previous;
}

int FakePlatform::MessageBox(WindowHandle owner, const char* text, const char* caption,
                             std::uint32_t type) {
    if (!Enter("MessageBox")) {
        return 0;
    }
    (void)type;
    if (owner && Live(owner) == nullptr) {
        return 0;
    }
    m_messageBoxes.emplace_back(text != nullptr ? text : "", caption != nullptr ? caption : "");
    return 1;  // IDOK
}

}  // namespace moon::platform
