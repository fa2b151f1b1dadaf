// SPDX-License-Identifier: MIT
// Windows, painting, stock resources, pointer input, the message box and the
// reasons for failures of the native backend; see Win32Platform.h.
#include "framework/platform/win32/Win32Platform.h"

#include "framework/platform/OffscreenDrawing.h"

#include <string>

#include "framework/platform/win32/WindowsApi.h"

namespace moon::platform {
namespace {

// Set by UseOffscreenDrawing: windows are never shown, and GL draws into
// pbuffers in their place (Win32Contexts.cpp).
bool g_offscreen = false;

RECT toNative(const Rect& rect) {
    return RECT{rect.left, rect.top, rect.right, rect.bottom};
}

Rect fromNative(const RECT& rect) {
    return Rect{rect.left, rect.top, rect.right, rect.bottom};
}

// GetClientRect or GetWindowRect into rect; false when Windows refuses.
bool readRect(BOOL(WINAPI* read)(HWND, LPRECT), HWND hwnd, Rect& rect) {
    RECT native{};
    if (read(hwnd, &native) == 0) {
        return false;
    }
    rect = fromNative(native);
    return true;
}

// Windows' text for an error code, on one line, without the trailing newline.
std::string systemMessage(DWORD code) {
    char* text = nullptr;
    const DWORD length = ::FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<char*>(&text), 0,
        nullptr);
    std::string message = length != 0 && text != nullptr ? std::string(text, length) : "";
    if (text != nullptr) {
        ::LocalFree(text);
    }
    for (char& c : message) {
        if (c == '\r' || c == '\n') {
            c = ' ';
        }
    }
    while (!message.empty() && message.back() == ' ') {
        message.pop_back();
    }
    if (message.empty()) {
        message = "error " + std::to_string(code);
    }
    return message;
}

}  // namespace

// --- Errors and tables -----------------------------------------------------------

void Win32Platform::Enter() {
    m_failure = Failure{};
    ::SetLastError(0);
}

Win32Platform::WindowEntry* Win32Platform::EnterWindow(WindowHandle window) {
    Enter();
    return FindEntry(window);
}

Win32Platform::WindowEntry* Win32Platform::EnterDc(DeviceContextHandle dc) {
    Enter();
    return FindDcEntry(dc);
}

HWND Win32Platform::EnterHwnd(WindowHandle window) {
    const WindowEntry* entry = EnterWindow(window);
    return entry != nullptr ? entry->hwnd : nullptr;
}

bool Win32Platform::EnterOptionalWindow(WindowHandle window, HWND& hwnd) {
    if (!window) {
        Enter();
        hwnd = nullptr;
        return true;
    }
    hwnd = EnterHwnd(window);
    return hwnd != nullptr;
}

bool Win32Platform::Fail(FailureKind kind, std::string reason) {
    m_failure = Failure{kind, std::move(reason)};
    return false;
}

// Some functions fail without setting an error (a window procedure refusing
// WM_NCCREATE): the operation's name then stands for the reason.
bool Win32Platform::FailSystem(const char* operation) {
    const DWORD code = ::GetLastError();
    return Fail(FailureKind::SystemFailure,
                code != 0 ? systemMessage(code) : std::string(operation) + " failed");
}

// A window made by another backend in the process, or not by us at all, is
// not ours.
std::uint32_t Win32Platform::WindowIdOf(HWND hwnd) const {
    const WindowEntry* entry = hwnd != nullptr ? EntryOfWindow(hwnd) : nullptr;
    return entry != nullptr && entry->platform == this ? entry->id : 0;
}

Win32Platform::WindowEntry* Win32Platform::Live(std::uint32_t id) const {
    const auto found = m_windows.find(id);
    return found != m_windows.end() && found->second->hwnd != nullptr ? found->second.get()
                                                                      : nullptr;
}

Win32Platform::WindowEntry* Win32Platform::FindEntry(WindowHandle window) {
    WindowEntry* entry = Live(window.id);
    if (entry == nullptr) {
        Fail(FailureKind::NoSuchHandle, "no such window");
    }
    return entry;
}

void Win32Platform::Forget(WindowEntry& entry) {
    ReleasePbuffer(entry.pbuffer);
    if (entry.hdc != nullptr) {
        ::ReleaseDC(entry.hwnd, entry.hdc);
    }
    ForgetWindow(entry.hwnd);
    m_windows.erase(entry.id);
}

HINSTANCE Win32Platform::ModuleOf(ModuleHandle instance) {
    return instance.id == 1 ? ::GetModuleHandleA(nullptr) : nullptr;
}

void UseOffscreenDrawing() {
    g_offscreen = true;
}

bool Win32Platform::DrawsOffscreen() {
    return g_offscreen;
}

// --- Module and stock resources ---------------------------------------------------

ModuleHandle Win32Platform::GetModuleHandle() {
    Enter();
    return ModuleHandle{1};
}

// An icon the program gave comes before the executable's resource of that id.
IconHandle Win32Platform::LoadIcon(ModuleHandle instance, int id) {
    Enter();
    if (instance.id == 1) {
        const auto given = m_moduleIcons.find(id);
        if (given != m_moduleIcons.end()) {
            return IconHandle{m_icons.IdOf(given->second)};
        }
    }
    HICON icon = ::LoadIconA(ModuleOf(instance), MAKEINTRESOURCEA(id));
    if (icon == nullptr) {
        FailSystem("LoadIcon");
        return {};
    }
    return IconHandle{m_icons.IdOf(icon)};
}

CursorHandle Win32Platform::LoadCursor(ModuleHandle instance, int id) {
    Enter();
    HCURSOR cursor = ::LoadCursorA(ModuleOf(instance), MAKEINTRESOURCEA(id));
    if (cursor == nullptr) {
        FailSystem("LoadCursor");
        return {};
    }
    return CursorHandle{m_cursors.IdOf(cursor)};
}

// --- Windows -------------------------------------------------------------------------

// The window's entry, and so its id, is made here and given to Windows as
// the creation parameter: from WM_NCCREATE on, the window carries it, so the
// framework sees the id it will be given here. A window of a class
// registered by someone else hears nothing from us and gets its entry once
// it is made.
WindowHandle Win32Platform::CreateWindowEx(std::uint32_t exStyle, const char* className,
                                           const char* windowName, std::uint32_t style, int x,
                                           int y, int width, int height, WindowHandle parent,
                                           ModuleHandle instance, void* param) {
    HWND parentHwnd = nullptr;
    if (!EnterOptionalWindow(parent, parentHwnd)) {
        return {};
    }
    if (g_offscreen) {
        style &= ~WS_VISIBLE;
    }
    const std::uint32_t id = m_nextWindow++;
    WindowEntry* entry = (m_windows[id] = std::make_unique<WindowEntry>()).get();
    entry->platform = this;
    entry->id = id;
    entry->param = param;
    HWND hwnd = ::CreateWindowExA(exStyle, className, windowName, style, x, y, width, height,
                                  parentHwnd, nullptr, ModuleOf(instance), entry);
    if (hwnd == nullptr) {
        const DWORD code = ::GetLastError();
        m_windows.erase(id);  // if WM_NCDESTROY has not taken it already
        Fail(code != 0 ? FailureKind::SystemFailure : FailureKind::Refused,
             code != 0 ? systemMessage(code) : "window creation refused by the window procedure");
        return {};
    }
    // WM_NCDESTROY has taken the entry of a window destroyed while it was made.
    const auto made = m_windows.find(id);
    if (made == m_windows.end()) {
        Fail(FailureKind::Refused, "window destroyed during its creation");
        return {};
    }
    if (made->second->hwnd == nullptr) {
        made->second->hwnd = hwnd;
        CarryEntry(hwnd, *made->second);
    }
    return WindowHandle{id};
}

bool Win32Platform::DestroyWindow(WindowHandle window) {
    HWND hwnd = EnterHwnd(window);
    if (hwnd == nullptr) {
        return false;
    }
    // WM_NCDESTROY, last of the messages this sends, forgets the window.
    return ::DestroyWindow(hwnd) != 0 || FailSystem("DestroyWindow");
}

// ShowWindow's result is the earlier visibility, not success: a live window
// can always be shown or hidden.
bool Win32Platform::ShowWindow(WindowHandle window, int command) {
    HWND hwnd = EnterHwnd(window);
    if (hwnd == nullptr) {
        return false;
    }
    if (!g_offscreen || command == SW_HIDE) {
        ::ShowWindow(hwnd, command);
    }
    return true;
}

bool Win32Platform::GetClientRect(WindowHandle window, Rect& rect) {
    HWND hwnd = EnterHwnd(window);
    return hwnd != nullptr &&
           (readRect(::GetClientRect, hwnd, rect) || FailSystem("GetClientRect"));
}

bool Win32Platform::GetWindowRect(WindowHandle window, Rect& rect) {
    HWND hwnd = EnterHwnd(window);
    return hwnd != nullptr &&
           (readRect(::GetWindowRect, hwnd, rect) || FailSystem("GetWindowRect"));
}

bool Win32Platform::AdjustWindowRect(Rect& rect, std::uint32_t style, bool menu) {
    Enter();
    RECT native = toNative(rect);
    if (::AdjustWindowRect(&native, style, menu ? TRUE : FALSE) == 0) {
        return FailSystem("AdjustWindowRect");
    }
    rect = fromNative(native);
    return true;
}

bool Win32Platform::SetWindowPos(WindowHandle window, int x, int y, int width, int height,
                                 std::uint32_t flags) {
    HWND hwnd = EnterHwnd(window);
    if (hwnd == nullptr) {
        return false;
    }
    return ::SetWindowPos(hwnd, nullptr, x, y, width, height, flags) != 0 ||
           FailSystem("SetWindowPos");
}

bool Win32Platform::SetWindowText(WindowHandle window, const char* text) {
    HWND hwnd = EnterHwnd(window);
    if (hwnd == nullptr) {
        return false;
    }
    return ::SetWindowTextA(hwnd, text != nullptr ? text : "") != 0 || FailSystem("SetWindowText");
}

bool Win32Platform::IsWindowVisible(WindowHandle window) {
    HWND hwnd = EnterHwnd(window);
    return hwnd != nullptr && ::IsWindowVisible(hwnd) != 0;
}

bool Win32Platform::IsIconic(WindowHandle window) {
    HWND hwnd = EnterHwnd(window);
    return hwnd != nullptr && ::IsIconic(hwnd) != 0;
}

// The style is 32 bits; on 64-bit Windows GetWindowLongPtr widens it with its
// sign, which WS_POPUP (the top bit) would turn negative.
std::intptr_t Win32Platform::GetWindowLong(WindowHandle window, int index) {
    HWND hwnd = EnterHwnd(window);
    if (hwnd == nullptr) {
        return 0;
    }
    return LongResult(index, ::GetWindowLongPtrA(hwnd, index), "GetWindowLong");
}

std::intptr_t Win32Platform::SetWindowLong(WindowHandle window, int index, std::intptr_t value) {
    HWND hwnd = EnterHwnd(window);
    if (hwnd == nullptr) {
        return 0;
    }
    LONG_PTR native = static_cast<LONG_PTR>(value);
    if (index == GWL_STYLE) {
        std::uint32_t style = static_cast<std::uint32_t>(value);
        if (g_offscreen) {
            style &= ~WS_VISIBLE;
        }
        native = static_cast<LONG>(style);
    }
    return LongResult(index, ::SetWindowLongPtrA(hwnd, index, native), "SetWindowLong");
}

// 0 is a failure only when Windows says so.
std::intptr_t Win32Platform::LongResult(int index, std::intptr_t value, const char* operation) {
    if (value == 0 && ::GetLastError() != 0) {
        FailSystem(operation);
        return 0;
    }
    if (index == GWL_STYLE) {
        return static_cast<std::intptr_t>(static_cast<std::uint32_t>(value));
    }
    return value;
}

// A top-level window's previous parent is the desktop, which is none here.
WindowHandle Win32Platform::SetParent(WindowHandle window, WindowHandle parent) {
    HWND parentHwnd = nullptr;
    if (!EnterOptionalWindow(parent, parentHwnd)) {
        return {};
    }
    const WindowEntry* entry = FindEntry(window);
    if (entry == nullptr) {
        return {};
    }
    HWND previous = ::SetParent(entry->hwnd, parentHwnd);
    if (previous == nullptr && ::GetLastError() != 0) {
        FailSystem("SetParent");
        return {};
    }
    return WindowHandle{WindowIdOf(previous)};
}

WindowHandle Win32Platform::GetParent(WindowHandle window) {
    HWND hwnd = EnterHwnd(window);
    if (hwnd == nullptr) {
        return {};
    }
    return WindowHandle{WindowIdOf(::GetParent(hwnd))};
}

// --- Painting ----------------------------------------------------------------------

bool Win32Platform::InvalidateRect(WindowHandle window, const Rect* rect, bool erase) {
    HWND hwnd = EnterHwnd(window);
    if (hwnd == nullptr) {
        return false;
    }
    const RECT native = rect != nullptr ? toNative(*rect) : RECT{};
    return ::InvalidateRect(hwnd, rect != nullptr ? &native : nullptr, erase ? TRUE : FALSE) != 0 ||
           FailSystem("InvalidateRect");
}

bool Win32Platform::GetUpdateRect(WindowHandle window, Rect* rect, bool erase) {
    HWND hwnd = EnterHwnd(window);
    if (hwnd == nullptr) {
        return false;
    }
    RECT native{};
    const bool updating =
        ::GetUpdateRect(hwnd, rect != nullptr ? &native : nullptr, erase ? TRUE : FALSE) != 0;
    if (rect != nullptr) {
        *rect = fromNative(native);
    }
    return updating;
}

// The framework paints with its window's own device context (the class has
// CS_OWNDC, so BeginPaint hands out that one too); what BeginPaint returned
// is kept for EndPaint.
DeviceContextHandle Win32Platform::BeginPaint(WindowHandle window, PaintStruct& paint) {
    WindowEntry* entry = EnterWindow(window);
    if (entry == nullptr) {
        return {};
    }
    PAINTSTRUCT native{};
    HDC hdc = ::BeginPaint(entry->hwnd, &native);
    if (hdc == nullptr) {
        FailSystem("BeginPaint");
        return {};
    }
    entry->paintDc = hdc;
    if (DcOf(*entry) == nullptr) {
        ::EndPaint(entry->hwnd, &native);
        entry->paintDc = nullptr;
        return {};
    }
    paint.hdc = DeviceContextHandle{entry->id};
    paint.rcPaint = fromNative(native.rcPaint);
    return paint.hdc;
}

bool Win32Platform::EndPaint(WindowHandle window, const PaintStruct& paint) {
    WindowEntry* entry = EnterWindow(window);
    if (entry == nullptr) {
        return false;
    }
    if (entry->paintDc == nullptr) {
        return Fail(FailureKind::Refused, "not painting");
    }
    PAINTSTRUCT native{};
    native.hdc = entry->paintDc;
    native.rcPaint = toNative(paint.rcPaint);
    entry->paintDc = nullptr;
    ::EndPaint(entry->hwnd, &native);
    return true;
}

// --- Pointer input and the message box ---------------------------------------------

WindowHandle Win32Platform::SetCapture(WindowHandle window) {
    HWND hwnd = EnterHwnd(window);
    if (hwnd == nullptr) {
        return {};
    }
    return WindowHandle{WindowIdOf(::SetCapture(hwnd))};
}

bool Win32Platform::ReleaseCapture() {
    Enter();
    return ::ReleaseCapture() != 0 || FailSystem("ReleaseCapture");
}

CursorHandle Win32Platform::SetCursor(CursorHandle cursor) {
    Enter();
    HCURSOR native = m_cursors.Find(cursor.id);
    if (cursor && native == nullptr) {
        Fail(FailureKind::NoSuchHandle, "no such cursor");
        return {};
    }
    return CursorHandle{m_cursors.IdOf(::SetCursor(native))};
}

int Win32Platform::MessageBox(WindowHandle owner, const char* text, const char* caption,
                              std::uint32_t type) {
    HWND ownerHwnd = nullptr;
    if (!EnterOptionalWindow(owner, ownerHwnd)) {
        return 0;
    }
    const int button = ::MessageBoxA(ownerHwnd, text, caption, type);
    if (button == 0) {
        FailSystem("MessageBox");
    }
    return button;
}

}  // namespace moon::platform
