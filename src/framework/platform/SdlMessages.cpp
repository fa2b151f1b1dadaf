// Painting, the message queue and input of the SDL backend, and the
// translation of SDL's events into the framework's messages.
#include "framework/platform/SdlPlatform.h"

#include <SDL.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "framework/platform/SdlKeys.h"

namespace moon::platform {
namespace {

constexpr int kIdOk = 1;  // the OK button's id
// Button and modifier flags of pointer messages' wParam.
constexpr WParam kMkLeft = 0x01;
constexpr WParam kMkRight = 0x02;
constexpr WParam kMkShift = 0x04;
constexpr WParam kMkControl = 0x08;
constexpr WParam kMkMiddle = 0x10;

SDL_SystemCursor systemCursor(int id) {
    switch (id) {
        case 32513:
            return SDL_SYSTEM_CURSOR_IBEAM;
        case 32514:
            return SDL_SYSTEM_CURSOR_WAIT;
        case 32515:
            return SDL_SYSTEM_CURSOR_CROSSHAIR;
        case 32642:
            return SDL_SYSTEM_CURSOR_SIZENWSE;
        case 32643:
            return SDL_SYSTEM_CURSOR_SIZENESW;
        case 32644:
            return SDL_SYSTEM_CURSOR_SIZEWE;
        case 32645:
            return SDL_SYSTEM_CURSOR_SIZENS;
        case 32646:
            return SDL_SYSTEM_CURSOR_SIZEALL;
        case 32648:
            return SDL_SYSTEM_CURSOR_NO;
        case 32649:
            return SDL_SYSTEM_CURSOR_HAND;
        case 32650:
            return SDL_SYSTEM_CURSOR_WAITARROW;
        default:
            return SDL_SYSTEM_CURSOR_ARROW;  // IDC_ARROW, IDC_UPARROW
    }
}

}  // namespace

// --- Painting -----------------------------------------------------------------

bool SdlPlatform::InvalidateRect(WindowHandle window, const Rect* rect, bool /*erase*/) {
    WindowEntry* entry = FindWindow(window);
    if (entry == nullptr) {
        return false;
    }
    AddToUpdate(*entry, rect);
    return true;
}

bool SdlPlatform::GetUpdateRect(WindowHandle window, Rect* rect, bool /*erase*/) {
    const WindowEntry* entry = FindWindow(window);
    if (entry == nullptr) {
        return false;
    }
    if (rect != nullptr) {
        *rect = entry->dirty ? entry->update : Rect{};
    }
    return entry->dirty;
}

DeviceContextHandle SdlPlatform::BeginPaint(WindowHandle window, PaintStruct& paint) {
    WindowEntry* entry = FindWindow(window);
    if (entry == nullptr) {
        return DeviceContextHandle{};
    }
    paint.hdc = entry->dc;
    paint.rcPaint = entry->dirty ? entry->update : Rect{};
    entry->dirty = false;
    return entry->dc;
}

bool SdlPlatform::EndPaint(WindowHandle window, const PaintStruct& /*paint*/) {
    return FindWindow(window) != nullptr;
}

// --- Messages -------------------------------------------------------------------

bool SdlPlatform::PostMessage(WindowHandle window, std::uint32_t message, WParam wParam,
                              LParam lParam) {
    if (Lost()) {
        return false;
    }
    if (window && FindWindow(window) == nullptr) {
        return false;
    }
    m_posted.push_back(Msg{window, message, wParam, lParam});
    return true;
}

void SdlPlatform::PostQuitMessage(int exitCode) {
    if (Lost()) {
        return;
    }
    m_posted.push_back(Msg{WindowHandle{}, WM_QUIT, static_cast<WParam>(exitCode), 0});
}

bool SdlPlatform::PeekMessage(Msg& msg) {
    if (Lost()) {
        return false;
    }
    TakeCloseRequest();
    if (!m_posted.empty()) {
        msg = m_posted.front();
        m_posted.pop_front();
        return true;
    }
    if (m_input.empty()) {
        PumpEvents();
    }
    if (!m_input.empty()) {
        msg = m_input.front();
        m_input.pop_front();
        return true;
    }
    for (const auto& [id, entry] : m_windows) {
        if (entry.visible && entry.dirty) {
            msg = Msg{WindowHandle{id}, WM_PAINT, 0, 0};
            return true;
        }
    }
    return false;
}

bool SdlPlatform::TranslateMessage(const Msg& msg) {
    return msg.message == WM_KEYDOWN || msg.message == WM_KEYUP;
}

LResult SdlPlatform::DispatchMessage(const Msg& msg) {
    if (!msg.hwnd || FindWindow(msg.hwnd) == nullptr) {
        return 0;
    }
    return Send(msg.hwnd.id, msg.message, msg.wParam, msg.lParam);
}

LResult SdlPlatform::DefWindowProc(WindowHandle window, std::uint32_t message, WParam /*wParam*/,
                                   LParam lParam) {
    switch (message) {
        case WM_NCCREATE:
            return 1;
        case WM_CLOSE:
            DestroyWindow(window);
            return 0;
        case WM_SETCURSOR: {
            const WindowEntry* entry = FindWindow(window);
            if (entry == nullptr || LoWord(static_cast<std::uintptr_t>(lParam)) != HTCLIENT) {
                return 0;
            }
            SetCursor(m_classes.at(entry->atom).windowClass.hCursor);
            return 1;
        }
        case WM_PAINT: {
            // Validates, so that an unanswered paint is not repeated for ever.
            PaintStruct paint;
            if (BeginPaint(window, paint)) {
                EndPaint(window, paint);
            }
            return 0;
        }
        default:
            return 0;
    }
}

bool SdlPlatform::KillTimer(WindowHandle /*window*/, std::uintptr_t /*id*/) {
    return Fail("no such timer");
}

bool SdlPlatform::WaitMessage(std::uint32_t milliseconds) {
    if (Lost()) {
        return false;
    }
    TakeCloseRequest();
    if (!m_posted.empty() || !m_input.empty()) {
        return true;
    }
    if (!m_bVideo) {
        return false;
    }
    // A signal cuts the wait short or is seen at the next call: the wait is
    // a few milliseconds at most.
    return SDL_WaitEventTimeout(nullptr, static_cast<int>(milliseconds)) != 0;
}

// --- Input ----------------------------------------------------------------------

WindowHandle SdlPlatform::SetCapture(WindowHandle window) {
    if (FindWindow(window) == nullptr) {
        return WindowHandle{};
    }
    const WindowHandle previous = m_hCapture;
    m_hCapture = window;
    // SDL captures for the window under the pointer; where it cannot (an
    // invisible driver), pointer messages still go to the capturing window.
    SDL_CaptureMouse(SDL_TRUE);
    return previous;
}

bool SdlPlatform::ReleaseCapture() {
    if (Lost()) {
        return false;
    }
    m_hCapture = WindowHandle{};
    SDL_CaptureMouse(SDL_FALSE);
    return true;
}

CursorHandle SdlPlatform::SetCursor(CursorHandle cursor) {
    const CursorHandle previous = m_hCursor;
    if (cursor == m_hCursor || !m_bVideo || m_bLost) {
        m_hCursor = cursor;
        return previous;
    }
    m_hCursor = cursor;
    if (!cursor) {
        SDL_ShowCursor(SDL_DISABLE);
        return previous;
    }
    const int id = static_cast<int>(cursor.id);
    SDL_Cursor*& sdlCursor = m_sdlCursors[id];
    if (sdlCursor == nullptr) {
        sdlCursor = SDL_CreateSystemCursor(systemCursor(id));
    }
    if (sdlCursor != nullptr) {
        SDL_SetCursor(sdlCursor);
    }
    SDL_ShowCursor(SDL_ENABLE);
    return previous;
}

// SDL's message box; on standard output where none can be shown (no display,
// or an invisible driver whose box nobody could answer).
int SdlPlatform::MessageBox(WindowHandle owner, const char* text, const char* caption,
                            std::uint32_t /*type*/) {
    const char* body = text != nullptr ? text : "";
    const auto found = m_windows.find(owner.id);
    SDL_Window* parent = found != m_windows.end() ? found->second.sdl : nullptr;
    // Without a connection the text can still go to standard output.
    const bool invisible = m_bLost || IsInvisibleDriver(std::getenv("SDL_VIDEODRIVER")) ||
                           (m_bVideo && IsInvisibleDriver(SDL_GetCurrentVideoDriver()));
    if (!invisible &&
        SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_INFORMATION, caption != nullptr ? caption : "",
                                 body, parent) == 0) {
        return kIdOk;
    }
    const std::size_t length = std::strlen(body);
    std::fputs(body, stdout);
    if (length == 0 || body[length - 1] != '\n') {
        std::fputc('\n', stdout);
    }
    std::fflush(stdout);
    return kIdOk;
}
// --- Event translation --------------------------------------------------------------

void SdlPlatform::PumpEvents() {
    if (!m_bVideo || m_bLost) {
        return;
    }
    SDL_Event event;
    while (SDL_PollEvent(&event) != 0) {
        Translate(event);
    }
}

WParam SdlPlatform::PointerFlags() const {
    WParam flags = m_buttons;
    const SDL_Keymod modifiers = SDL_GetModState();
    if ((modifiers & KMOD_SHIFT) != 0) {
        flags |= kMkShift;
    }
    if ((modifiers & KMOD_CTRL) != 0) {
        flags |= kMkControl;
    }
    return flags;
}

// Pointer messages go to the capturing window, in its client coordinates,
// else to the window SDL reports the pointer in.
bool SdlPlatform::FindPointerTarget(std::uint32_t sdlId, int& x, int& y, WindowHandle& target) {
    const auto source = m_bySdlId.find(sdlId);
    if (m_hCapture) {
        target = m_hCapture;
        const WindowEntry& capturing = m_windows.at(m_hCapture.id);
        if (source != m_bySdlId.end() && source->second != m_hCapture.id) {
            int sourceX = 0;
            int sourceY = 0;
            int targetX = 0;
            int targetY = 0;
            SDL_GetWindowPosition(m_windows.at(source->second).sdl, &sourceX, &sourceY);
            SDL_GetWindowPosition(capturing.sdl, &targetX, &targetY);
            x += sourceX - targetX;
            y += sourceY - targetY;
        }
        return true;
    }
    if (source == m_bySdlId.end()) {
        return false;
    }
    target = WindowHandle{source->second};
    return true;
}

void SdlPlatform::Translate(const SDL_Event& event) {
    switch (event.type) {
        case SDL_QUIT:
            // Signals come through TakeCloseRequest; a quit request SDL makes
            // itself is answered the same way, behind the input before it.
            for (const auto& [id, entry] : m_windows) {
                QueueInput(WindowHandle{id}, WM_CLOSE, 0, 0);
            }
            break;
        case SDL_WINDOWEVENT:
            TranslateWindowEvent(event.window);
            break;
        case SDL_MOUSEMOTION: {
            int x = event.motion.x;
            int y = event.motion.y;
            WindowHandle target;
            if (!FindPointerTarget(event.motion.windowID, x, y, target)) {
                break;
            }
            // The system asks for the cursor on every move, unless captured.
            if (!m_hCapture) {
                QueueInput(target, WM_SETCURSOR, target.id, MakeLParam(HTCLIENT, WM_MOUSEMOVE));
            }
            QueueInput(target, WM_MOUSEMOVE, PointerFlags(), MakeLParam(x, y));
            break;
        }
        case SDL_MOUSEBUTTONDOWN:
        case SDL_MOUSEBUTTONUP: {
            const bool down = event.type == SDL_MOUSEBUTTONDOWN;
            std::uint32_t message = 0;
            WParam flag = 0;
            switch (event.button.button) {
                case SDL_BUTTON_LEFT:
                    message = down ? WM_LBUTTONDOWN : WM_LBUTTONUP;
                    flag = kMkLeft;
                    break;
                case SDL_BUTTON_MIDDLE:
                    message = down ? WM_MBUTTONDOWN : WM_MBUTTONUP;
                    flag = kMkMiddle;
                    break;
                case SDL_BUTTON_RIGHT:
                    message = down ? WM_RBUTTONDOWN : WM_RBUTTONUP;
                    flag = kMkRight;
                    break;
                default:
                    return;  // extra buttons have no message here
            }
            m_buttons = down ? (m_buttons | flag) : (m_buttons & ~flag);
            int x = event.button.x;
            int y = event.button.y;
            WindowHandle target;
            // A second click in quick succession is another plain press:
            // the class asks for no double-click messages.
            if (FindPointerTarget(event.button.windowID, x, y, target)) {
                QueueInput(target, message, PointerFlags(), MakeLParam(x, y));
            }
            break;
        }
        case SDL_KEYDOWN:
        case SDL_KEYUP: {
            const auto focus = m_bySdlId.find(event.key.windowID);
            const int key = VirtualKeyFromScancode(event.key.keysym.scancode);
            if (focus == m_bySdlId.end() || key == 0) {
                break;
            }
            // lParam: repeat count 1; bit 30 the key was down before (a repeat,
            // or any release); bit 31 the key is being released.
            const bool up = event.type == SDL_KEYUP;
            std::uint32_t keyData = 1;
            if (up || event.key.repeat != 0) {
                keyData |= 1u << 30;
            }
            if (up) {
                keyData |= 1u << 31;
            }
            QueueInput(WindowHandle{focus->second}, up ? WM_KEYUP : WM_KEYDOWN,
                       static_cast<WParam>(key), static_cast<LParam>(keyData));
            break;
        }
        default:
            break;
    }
}

void SdlPlatform::TranslateWindowEvent(const SDL_WindowEvent& event) {
    const auto found = m_bySdlId.find(event.windowID);
    if (found == m_bySdlId.end()) {
        return;
    }
    const WindowHandle window{found->second};
    WindowEntry& entry = m_windows.at(found->second);
    const Borders borders = BordersOf(entry);
    if (borders.top != 0 || borders.left != 0 || borders.bottom != 0 || borders.right != 0) {
        m_frame = borders;
    }
    switch (event.event) {
        case SDL_WINDOWEVENT_CLOSE:
            QueueInput(window, WM_CLOSE, 0, 0);
            break;
        case SDL_WINDOWEVENT_MINIMIZED:
            entry.minimised = true;
            entry.dirty = false;
            entry.reportedWidth = 0;
            entry.reportedHeight = 0;
            QueueInput(window, WM_SIZE, kSizeMinimised, MakeLParam(0, 0));
            break;
        case SDL_WINDOWEVENT_RESTORED:
        case SDL_WINDOWEVENT_MAXIMIZED:
        case SDL_WINDOWEVENT_SIZE_CHANGED: {
            entry.minimised = false;
            const Rect client = ClientRectOf(entry);
            if (client.right != entry.reportedWidth || client.bottom != entry.reportedHeight) {
                entry.reportedWidth = client.right;
                entry.reportedHeight = client.bottom;
                QueueInput(window, WM_SIZE, kSizeRestored, MakeLParam(client.right, client.bottom));
                AddToUpdate(entry, nullptr);  // the class redraws all on a size change
            }
            break;
        }
        case SDL_WINDOWEVENT_EXPOSED:
            AddToUpdate(entry, nullptr);
            break;
        default:
            break;
    }
}

}  // namespace moon::platform
