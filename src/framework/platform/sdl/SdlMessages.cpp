// SPDX-License-Identifier: MIT
// Waiting for input, the message box, the pointer and the cursor of the SDL
// backend, and the translation of SDL's events into the framework's messages.
#include "framework/platform/sdl/SdlPlatform.h"

#include <SDL.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "framework/platform/sdl/SdlKeys.h"

namespace moon::platform {
namespace {

constexpr int kIdOk = 1;  // the OK button's id
// Button and modifier flags of pointer messages' wParam.
constexpr WParam kMkLeft = 0x01;
constexpr WParam kMkRight = 0x02;
constexpr WParam kMkShift = 0x04;
constexpr WParam kMkControl = 0x08;
constexpr WParam kMkMiddle = 0x10;

}  // namespace

// --- Messages -------------------------------------------------------------------

bool SdlPlatform::WaitMessage(std::uint32_t milliseconds) {
    if (!Enter("WaitMessage")) {
        return false;
    }
    TakeCloseRequest();
    if (MessageWaiting()) {
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

// SDL captures for the window under the pointer; where it cannot (an
// invisible driver), pointer messages still go to the capturing window.
void SdlPlatform::CaptureSystemPointer(bool captured) {
    if (m_bVideo && !m_bLost) {
        SDL_CaptureMouse(captured ? SDL_TRUE : SDL_FALSE);
    }
}

// The one cursor there is to load is the arrow; none hides the cursor.
void SdlPlatform::ShowSystemCursor(CursorHandle cursor) {
    if (!m_bVideo || m_bLost) {
        return;
    }
    if (!cursor) {
        SDL_ShowCursor(SDL_DISABLE);
        return;
    }
    if (m_pArrow == nullptr) {
        m_pArrow = SDL_CreateSystemCursor(SDL_SYSTEM_CURSOR_ARROW);
    }
    if (m_pArrow != nullptr) {
        SDL_SetCursor(m_pArrow);
    }
    SDL_ShowCursor(SDL_ENABLE);
}

// SDL's message box; on standard output where none can be shown (no display,
// or an invisible driver whose box nobody could answer).
int SdlPlatform::MessageBox(WindowHandle owner, const char* text, const char* caption,
                            std::uint32_t /*type*/) {
    Enter("MessageBox");  // a lost connection leaves standard output
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

void SdlPlatform::PumpInput() {
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
            Validate(entry);
            entry.reportedWidth = 0;
            entry.reportedHeight = 0;
            QueueInput(window, WM_SIZE, SIZE_MINIMIZED, MakeLParam(0, 0));
            break;
        case SDL_WINDOWEVENT_RESTORED:
        case SDL_WINDOWEVENT_MAXIMIZED:
        case SDL_WINDOWEVENT_SIZE_CHANGED: {
            entry.minimised = false;
            const Rect client = ClientRectOf(entry);
            if (client.right != entry.reportedWidth || client.bottom != entry.reportedHeight) {
                entry.reportedWidth = client.right;
                entry.reportedHeight = client.bottom;
                QueueInput(window, WM_SIZE, SIZE_RESTORED, MakeLParam(client.right, client.bottom));
                AddToUpdate(window, entry, nullptr);  // the class redraws all on a size change
            }
            break;
        }
        case SDL_WINDOWEVENT_EXPOSED:
            AddToUpdate(window, entry, nullptr);
            break;
        default:
            break;
    }
}

}  // namespace moon::platform
