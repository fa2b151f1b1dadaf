// SPDX-License-Identifier: MIT
// Start and teardown of the native backend, window classes, the window
// procedure registered with Windows and the message queue; see
// Win32Platform.h.
#include <memory>

#include "framework/platform/win32/Win32Console.h"
#include "framework/platform/win32/Win32Platform.h"
#include "framework/platform/win32/WindowsApi.h"
#include "system/ProcessSignals.h"

namespace moon::platform {
namespace {

// The window property that holds a window's entry.
constexpr const char* kEntryProperty = "moon.window";

LRESULT CALLBACK windowProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    return Win32Platform::Receive(hwnd, message, wParam, lParam);
}

}  // namespace

// WM_NCCREATE brings the entry CreateWindowEx made; what comes before it
// (WM_GETMINMAXINFO) has the default. Everything runs on the thread that
// made the window.
LResult Win32Platform::Receive(HWND hwnd, std::uint32_t message, WParam wParam, LParam lParam) {
    WindowEntry* entry = EntryOfWindow(hwnd);
    if (entry == nullptr && message == WM_NCCREATE) {
        entry = static_cast<WindowEntry*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
        if (entry != nullptr) {
            entry->hwnd = hwnd;
            CarryEntry(hwnd, *entry);
        }
    }
    if (entry == nullptr) {
        return ::DefWindowProcA(hwnd, message, wParam, lParam);
    }
    return entry->platform->Deliver(*entry, message, wParam, lParam);
}

Win32Platform::WindowEntry* Win32Platform::EntryOfWindow(HWND hwnd) {
    return static_cast<WindowEntry*>(::GetPropA(hwnd, kEntryProperty));
}

void Win32Platform::CarryEntry(HWND hwnd, WindowEntry& entry) {
    ::SetPropA(hwnd, kEntryProperty, &entry);
}

void Win32Platform::ForgetWindow(HWND hwnd) {
    ::RemovePropA(hwnd, kEntryProperty);
}

std::unique_ptr<Platform> CreateSystemPlatform() {
    return std::make_unique<Win32Platform>();
}

Win32Platform::Win32Platform() {
    AttachParentConsole();
}

// Windows would free all of this at exit; a test that makes one backend
// after another needs it freed now, and the framework's procedures must not
// hear of it.
Win32Platform::~Win32Platform() {
    m_bClosing = true;
    if (m_contexts.Known(::wglGetCurrentContext()) != 0) {
        ::wglMakeCurrent(nullptr, nullptr);
    }
    for (const auto& [id, context] : m_contexts.All()) {
        ::wglDeleteContext(context);
    }
    std::vector<HWND> windows;
    for (const auto& [id, entry] : m_windows) {
        windows.push_back(entry->hwnd);
    }
    for (auto window = windows.rbegin(); window != windows.rend(); ++window) {
        ::DestroyWindow(*window);  // children first (they were made after their parents)
    }
    // A window Windows did not destroy must not keep an entry that is freed here.
    for (const auto& [id, entry] : m_windows) {
        ForgetWindow(entry->hwnd);
    }
    for (const std::uint32_t id : m_madePalettes) {
        if (HPALETTE palette = m_palettes.Find(id)) {
            ::DeleteObject(palette);
        }
    }
    for (const auto& [atom, entry] : m_classes) {
        ::UnregisterClassA(reinterpret_cast<LPCSTR>(static_cast<ULONG_PTR>(atom)), entry.module);
    }
    // After the classes, which may show them.
    for (const auto& [id, icon] : m_moduleIcons) {
        ::DestroyIcon(icon);
    }
    ProcessSignals::ReleaseCloseRequests();
}

// --- Classes -------------------------------------------------------------------------

// Windows calls our procedure for every class; the framework's procedure is
// kept here by the class's atom. A class without a module is the program's.
Atom Win32Platform::RegisterClass(const WndClass& windowClass) {
    Enter();
    if (windowClass.lpszClassName == nullptr || *windowClass.lpszClassName == '\0' ||
        windowClass.lpfnWndProc == nullptr) {
        Fail(FailureKind::Refused, "class without name or window procedure");
        return 0;
    }
    HINSTANCE module =
        windowClass.hInstance ? ModuleOf(windowClass.hInstance) : ::GetModuleHandleA(nullptr);
    WNDCLASSEXA native{};
    native.cbSize = sizeof(native);
    native.style = windowClass.style;
    native.lpfnWndProc = windowProcedure;
    native.cbClsExtra = windowClass.cbClsExtra;
    native.cbWndExtra = windowClass.cbWndExtra;
    native.hInstance = module;
    native.hIcon = m_icons.Find(windowClass.hIcon.id);
    native.hCursor = m_cursors.Find(windowClass.hCursor.id);
    native.lpszMenuName = windowClass.lpszMenuName;
    native.lpszClassName = windowClass.lpszClassName;
    const ATOM atom = ::RegisterClassExA(&native);
    if (atom == 0) {
        FailSystem("RegisterClass");
        return 0;
    }
    m_classes[atom] = ClassEntry{windowClass.lpfnWndProc, module};
    m_bWindowSystemStarted = true;  // the application id is no longer taken
    // From the first class on, the console's close requests go to the windows.
    ProcessSignals::CatchCloseRequests();
    return atom;
}

bool Win32Platform::UnregisterClass(Atom atom, ModuleHandle instance) {
    Enter();
    const auto found = m_classes.find(atom);
    HINSTANCE module =
        found != m_classes.end() && !instance ? found->second.module : ModuleOf(instance);
    if (::UnregisterClassA(reinterpret_cast<LPCSTR>(static_cast<ULONG_PTR>(atom)), module) == 0) {
        return FailSystem("UnregisterClass");
    }
    m_classes.erase(atom);
    return true;
}

// --- The window procedure ---------------------------------------------------------------

LResult Win32Platform::CallFramework(WindowProc procedure, std::uint32_t id, std::uint32_t message,
                                     WParam wParam, LParam lParam, WParam originalW,
                                     LParam originalL) {
    m_translations.push_back(
        Translation{Msg{WindowHandle{id}, message, wParam, lParam}, originalW, originalL});
    const LResult result = procedure(WindowHandle{id}, message, wParam, lParam);
    m_translations.pop_back();
    return result;
}

// The window's entry came with WM_NCCREATE, which also tells it the
// framework's procedure of its class; it is forgotten after WM_NCDESTROY, the
// last message. Parameters that are Windows' own structures or handles reach
// the framework in its types; the rest pass as they are, since the packing of
// WM_SIZE, the mouse and the keys is the same.
LResult Win32Platform::Deliver(WindowEntry& entry, std::uint32_t message, WParam wParam,
                               LParam lParam) {
    HWND hwnd = entry.hwnd;
    if (entry.procedure == nullptr && !m_bClosing) {
        const auto found = m_classes.find(static_cast<Atom>(::GetClassWord(hwnd, GCW_ATOM)));
        entry.procedure = found != m_classes.end() ? found->second.procedure : nullptr;
    }
    const WindowProc procedure = entry.procedure;
    const std::uint32_t id = entry.id;
    if (m_bClosing || procedure == nullptr) {
        const LResult result = ::DefWindowProcA(hwnd, message, wParam, lParam);
        if (message == WM_NCDESTROY) {
            Forget(entry);
        }
        return result;
    }
    LResult result = 0;
    switch (message) {
        case WM_NCCREATE:
        case WM_CREATE: {
            CreateStruct create;
            create.lpCreateParams = entry.param;
            result = CallFramework(procedure, id, message, wParam,
                                   reinterpret_cast<LParam>(&create), wParam, lParam);
            break;
        }
        case WM_SETCURSOR:
            result =
                CallFramework(procedure, id, message, WindowIdOf(reinterpret_cast<HWND>(wParam)),
                              lParam, wParam, lParam);
            break;
        default:
            result = procedure(WindowHandle{id}, message, wParam, lParam);
            break;
    }
    if (message == WM_NCDESTROY) {
        Forget(entry);  // the entry is gone
    }
    return result;
}

// Windows gets back what it sent. A message the framework makes up itself
// is translated the other way.
LResult Win32Platform::DefWindowProc(WindowHandle window, std::uint32_t message, WParam wParam,
                                     LParam lParam) {
    HWND hwnd = EnterHwnd(window);
    if (hwnd == nullptr) {
        return 0;
    }
    for (auto sent = m_translations.rbegin(); sent != m_translations.rend(); ++sent) {
        const Msg& translated = sent->translated;
        if (translated.hwnd == window && translated.message == message &&
            translated.wParam == wParam && translated.lParam == lParam) {
            return ::DefWindowProcA(hwnd, message, sent->wParam, sent->lParam);
        }
    }
    switch (message) {
        case WM_NCCREATE:
        case WM_CREATE: {
            CREATESTRUCTA create{};
            if (lParam != 0) {
                create.lpCreateParams =
                    reinterpret_cast<const CreateStruct*>(lParam)->lpCreateParams;
            }
            return ::DefWindowProcA(hwnd, message, wParam, reinterpret_cast<LPARAM>(&create));
        }
        case WM_SETCURSOR: {
            const WindowEntry* under = Live(static_cast<std::uint32_t>(wParam));
            HWND underHwnd = under != nullptr ? under->hwnd : nullptr;
            return ::DefWindowProcA(hwnd, message, reinterpret_cast<WPARAM>(underHwnd), lParam);
        }
        default:
            return ::DefWindowProcA(hwnd, message, wParam, lParam);
    }
}

// --- The queue -------------------------------------------------------------------------

bool Win32Platform::PostMessage(WindowHandle window, std::uint32_t message, WParam wParam,
                                LParam lParam) {
    HWND hwnd = nullptr;
    if (!EnterOptionalWindow(window, hwnd)) {
        return false;
    }
    // No window: a message to the thread, as Windows does.
    return ::PostMessageA(hwnd, message, wParam, lParam) != 0 || FailSystem("PostMessage");
}

void Win32Platform::PostQuitMessage(int exitCode) {
    Enter();
    ::PostQuitMessage(exitCode);
}

void Win32Platform::TakeCloseRequest() {
    if (!ProcessSignals::TakeCloseRequest()) {
        return;
    }
    for (auto window = m_windows.rbegin(); window != m_windows.rend(); ++window) {
        m_pending.push_front(Msg{WindowHandle{window->first}, WM_CLOSE, 0, 0});
    }
}

// Messages to windows the framework does not know (a message box's, an input
// method's) are dispatched here; the console's wake-ups are dropped.
bool Win32Platform::PeekMessage(Msg& msg) {
    Enter();
    TakeCloseRequest();
    MSG native{};
    while (m_pending.empty() && ::PeekMessageA(&native, nullptr, 0, 0, PM_REMOVE) != 0) {
        if (native.hwnd == nullptr) {
            if (native.message == WM_NULL) {
                TakeCloseRequest();
                continue;
            }
            msg = Msg{WindowHandle{}, native.message, native.wParam, native.lParam};
            return true;
        }
        const std::uint32_t id = WindowIdOf(native.hwnd);
        if (id == 0) {
            ::TranslateMessage(&native);
            ::DispatchMessageA(&native);
            continue;
        }
        msg = Msg{WindowHandle{id}, native.message, native.wParam, native.lParam};
        return true;
    }
    if (m_pending.empty()) {
        return false;
    }
    msg = m_pending.front();
    m_pending.pop_front();
    return true;
}

bool Win32Platform::TranslateMessage(const Msg& msg) {
    Enter();
    const WindowEntry* entry = Live(msg.hwnd.id);
    MSG native{};
    native.hwnd = entry != nullptr ? entry->hwnd : nullptr;
    native.message = msg.message;
    native.wParam = msg.wParam;
    native.lParam = msg.lParam;
    return ::TranslateMessage(&native) != 0;
}

LResult Win32Platform::DispatchMessage(const Msg& msg) {
    Enter();
    if (!msg.hwnd) {
        return 0;  // a message to the thread has no procedure
    }
    const WindowEntry* entry = FindEntry(msg.hwnd);
    if (entry == nullptr) {
        return 0;
    }
    MSG native{};
    native.hwnd = entry->hwnd;
    native.message = msg.message;
    native.wParam = msg.wParam;
    native.lParam = msg.lParam;
    native.time = static_cast<DWORD>(::GetMessageTime());
    return ::DispatchMessageA(&native);
}

bool Win32Platform::KillTimer(WindowHandle window, std::uintptr_t id) {
    HWND hwnd = nullptr;
    if (!EnterOptionalWindow(window, hwnd)) {
        return false;
    }
    return ::KillTimer(hwnd, id) != 0 || FailSystem("KillTimer");
}

// MWMO_INPUTAVAILABLE: a message that PeekMessage has already seen but left
// in the queue still counts as waiting.
bool Win32Platform::WaitMessage(std::uint32_t milliseconds) {
    Enter();
    TakeCloseRequest();
    if (!m_pending.empty()) {
        return true;
    }
    const DWORD result =
        ::MsgWaitForMultipleObjectsEx(0, nullptr, milliseconds, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    if (result == WAIT_FAILED) {
        return FailSystem("WaitMessage");
    }
    return result == WAIT_OBJECT_0;
}

}  // namespace moon::platform
