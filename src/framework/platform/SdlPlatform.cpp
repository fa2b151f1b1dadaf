// Classes and windows of the SDL backend; see SdlPlatform.h for the split.
#include "framework/platform/SdlPlatform.h"

#include <SDL.h>

#include <algorithm>
#include <string>

#include "framework/platform/SdlPixelFormat.h"

namespace moon::platform {
namespace {

constexpr std::uint32_t kCaptionStyle = 0x00C00000;
constexpr std::uint32_t kThickFrameStyle = 0x00040000;
constexpr int kDefaultClientWidth = 640;  // for CW_USEDEFAULT sizes, pixels
constexpr int kDefaultClientHeight = 480;

bool isFramed(std::uint32_t style) {
    return (style & (kCaptionStyle | kThickFrameStyle)) != 0;
}

bool intersect(Rect& rect, const Rect& clip) {
    rect.left = std::max(rect.left, clip.left);
    rect.top = std::max(rect.top, clip.top);
    rect.right = std::min(rect.right, clip.right);
    rect.bottom = std::min(rect.bottom, clip.bottom);
    return rect.left < rect.right && rect.top < rect.bottom;
}

bool isStockCursor(int id) {
    return (id >= 32512 && id <= 32516) || (id >= 32642 && id <= 32646) ||
           (id >= 32648 && id <= 32650);
}

}  // namespace

std::unique_ptr<Platform> CreateSdlPlatform() {
    return std::make_unique<SdlPlatform>();
}

SdlPlatform::SdlPlatform() {
    m_palettes[kStockPalette] = LogPalette{};
}

bool SdlPlatform::FailSdl() {
    return Fail(SDL_GetError());
}

SdlPlatform::WindowEntry* SdlPlatform::FindWindow(WindowHandle window) {
    if (Lost()) {
        return nullptr;
    }
    const auto found = m_windows.find(window.id);
    if (found == m_windows.end()) {
        Fail("no such window");
        return nullptr;
    }
    return &found->second;
}

SdlPlatform::WindowEntry* SdlPlatform::FindWindowOfDc(DeviceContextHandle dc) {
    if (Lost()) {
        return nullptr;
    }
    const auto found = m_dcs.find(dc.id);
    if (found == m_dcs.end()) {
        Fail("no such device context");
        return nullptr;
    }
    return &m_windows.at(found->second);
}

// Calls the class's window procedure synchronously (a sent message).
LResult SdlPlatform::Send(std::uint32_t id, std::uint32_t message, WParam wParam, LParam lParam) {
    if (m_bLost) {
        return 0;
    }
    const auto window = m_windows.find(id);
    if (window == m_windows.end()) {
        return 0;
    }
    const auto windowClass = m_classes.find(window->second.atom);
    if (windowClass == m_classes.end() || windowClass->second.windowClass.lpfnWndProc == nullptr) {
        return DefWindowProc(WindowHandle{id}, message, wParam, lParam);
    }
    return windowClass->second.windowClass.lpfnWndProc(WindowHandle{id}, message, wParam, lParam);
}

void SdlPlatform::SendSize(std::uint32_t id) {
    WindowEntry& entry = m_windows.at(id);
    const Rect client = ClientRectOf(entry);
    entry.reportedWidth = client.right;
    entry.reportedHeight = client.bottom;
    Send(id, WM_SIZE, entry.minimised ? kSizeMinimised : kSizeRestored,
         MakeLParam(client.right, client.bottom));
}

SdlPlatform::Borders SdlPlatform::BordersOf(const WindowEntry& entry) const {
    Borders borders;
    if (entry.sdl == nullptr || SDL_GetWindowBordersSize(entry.sdl, &borders.top, &borders.left,
                                                         &borders.bottom, &borders.right) != 0) {
        return Borders{};  // not reported (no window manager, or an invisible driver)
    }
    return borders;
}

Rect SdlPlatform::ClientRectOf(const WindowEntry& entry) const {
    Rect rect;
    if (entry.sdl != nullptr && !entry.minimised) {
        SDL_GetWindowSize(entry.sdl, &rect.right, &rect.bottom);
    }
    return rect;
}

// Adds rect (none: the whole client area) to the update region, clipped to
// the client area; a minimised window has none, so it is never painted.
void SdlPlatform::AddToUpdate(WindowEntry& entry, const Rect* rect) {
    const Rect client = ClientRectOf(entry);
    Rect added = rect != nullptr ? *rect : client;
    if (!intersect(added, client)) {
        return;
    }
    if (entry.dirty) {
        entry.update.left = std::min(entry.update.left, added.left);
        entry.update.top = std::min(entry.update.top, added.top);
        entry.update.right = std::max(entry.update.right, added.right);
        entry.update.bottom = std::max(entry.update.bottom, added.bottom);
    } else {
        entry.update = added;
        entry.dirty = true;
    }
}

// A hidden SDL OpenGL window with the entry's title, style and position, its
// GL attributes set just before it is made.
SDL_Window* SdlPlatform::CreateSdlWindow(const WindowEntry& entry, int width, int height,
                                         const GlAttributes& attributes) {
    Uint32 flags = SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN;
    if ((entry.style & kThickFrameStyle) != 0) {
        flags |= SDL_WINDOW_RESIZABLE;
    }
    if (!isFramed(entry.style)) {
        flags |= SDL_WINDOW_BORDERLESS;
    }
    if ((entry.exStyle & WS_EX_TOPMOST) != 0) {
        flags |= SDL_WINDOW_ALWAYS_ON_TOP;
    }
    const char* title = entry.sdl != nullptr ? SDL_GetWindowTitle(entry.sdl) : "";
    ApplyAttributes(attributes);
    return SDL_CreateWindow(title, entry.createX, entry.createY, std::max(width, 1),
                            std::max(height, 1), flags);
}

// Makes the entry's SDL window anew with other GL attributes (SDL fixes them
// when a window is created). The old window stays if the new one fails.
bool SdlPlatform::RemakeSdlWindow(WindowEntry& entry, const GlAttributes& attributes) {
    int width = 1;
    int height = 1;
    SDL_GetWindowSize(entry.sdl, &width, &height);
    SDL_Window* fresh = CreateSdlWindow(entry, width, height, attributes);
    if (fresh == nullptr) {
        return FailSdl();
    }
    const std::uint32_t id = entry.id;
    m_bySdlId.erase(entry.sdlId);
    SDL_DestroyWindow(entry.sdl);
    entry.sdl = fresh;
    entry.sdlId = SDL_GetWindowID(fresh);
    entry.created = attributes;
    m_bySdlId[entry.sdlId] = id;
    if (entry.visible) {
        SDL_ShowWindow(fresh);
    }
    return true;
}

int SdlPlatform::FormatIndex(const GlAttributes& attributes) {
    for (std::size_t i = 0; i < m_formats.size(); ++i) {
        if (m_formats[i].requested == attributes) {
            return static_cast<int>(i) + 1;
        }
    }
    m_formats.push_back(FormatEntry{attributes, attributes, false});
    return static_cast<int>(m_formats.size());
}

// --- Module and classes -----------------------------------------------------

Atom SdlPlatform::RegisterClass(const WndClass& windowClass) {
    if (!EnsureVideo()) {
        return 0;
    }
    if (windowClass.lpszClassName == nullptr || *windowClass.lpszClassName == '\0') {
        Fail("no class name");
        return 0;
    }
    for (const auto& [atom, entry] : m_classes) {
        if (entry.name == windowClass.lpszClassName) {
            Fail("class already registered");
            return 0;
        }
    }
    const Atom atom = m_nextAtom++;
    m_classes[atom] = ClassEntry{windowClass.lpszClassName, windowClass};
    return atom;
}

bool SdlPlatform::UnregisterClass(Atom atom, ModuleHandle /*instance*/) {
    if (Lost()) {
        return false;
    }
    if (m_classes.count(atom) == 0) {
        return Fail("no such class");
    }
    for (const auto& [id, window] : m_windows) {
        if (window.atom == atom) {
            return Fail("windows of the class still exist");
        }
    }
    m_classes.erase(atom);
    return true;
}

IconHandle SdlPlatform::LoadIcon(ModuleHandle instance, int id) {
    if (instance || id < IDI_APPLICATION || id > IDI_APPLICATION + 6) {
        Fail("no such icon");
        return IconHandle{};
    }
    return IconHandle{static_cast<std::uint32_t>(id)};
}

// Cursor handles are the stock cursor ids; the SDL cursor is made on first use.
CursorHandle SdlPlatform::LoadCursor(ModuleHandle instance, int id) {
    if (instance || !isStockCursor(id)) {
        Fail("no such cursor");
        return CursorHandle{};
    }
    return CursorHandle{static_cast<std::uint32_t>(id)};
}

// --- Windows ------------------------------------------------------------------

WindowHandle SdlPlatform::CreateWindowEx(std::uint32_t exStyle, const char* className,
                                         const char* windowName, std::uint32_t style, int x, int y,
                                         int width, int height, WindowHandle parent,
                                         ModuleHandle /*instance*/, void* param) {
    if (Lost()) {
        return WindowHandle{};
    }
    Atom atom = 0;
    for (const auto& [classAtom, entry] : m_classes) {
        if (className != nullptr && entry.name == className) {
            atom = classAtom;
        }
    }
    if (atom == 0) {
        Fail("no such window class");
        return WindowHandle{};
    }
    if (parent && FindWindow(parent) == nullptr) {
        return WindowHandle{};
    }
    WindowEntry entry;
    entry.atom = atom;
    entry.style = style & ~WS_VISIBLE;
    entry.exStyle = exStyle;
    entry.parent = parent;
    // The window manager puts a new window's frame where SDL asks for the
    // client, so the outer position goes to SDL unchanged.
    entry.createX = (x == CW_USEDEFAULT) ? static_cast<int>(SDL_WINDOWPOS_UNDEFINED) : x;
    entry.createY = (y == CW_USEDEFAULT) ? static_cast<int>(SDL_WINDOWPOS_UNDEFINED) : y;
    const Borders frame = isFramed(style) ? m_frame : Borders{};
    int clientWidth = kDefaultClientWidth;
    int clientHeight = kDefaultClientHeight;
    if (width != CW_USEDEFAULT && height != CW_USEDEFAULT) {
        clientWidth = width - frame.left - frame.right;
        clientHeight = height - frame.top - frame.bottom;
    }
    // The pixel format is chosen later; start with the last one used, which
    // is usually the one that will be chosen.
    std::string reason;
    for (const GlAttributes& attributes : FallbackLadder(m_lastFormat)) {
        entry.sdl = CreateSdlWindow(entry, clientWidth, clientHeight, attributes);
        if (entry.sdl != nullptr) {
            entry.created = attributes;
            break;
        }
        if (reason.empty()) {
            reason = SDL_GetError();
        }
    }
    if (entry.sdl == nullptr) {
        Fail(reason);
        return WindowHandle{};
    }
    SDL_SetWindowTitle(entry.sdl, windowName != nullptr ? windowName : "");
    const std::uint32_t id = m_nextWindow++;
    entry.sdlId = SDL_GetWindowID(entry.sdl);
    entry.dc = DeviceContextHandle{m_nextDc++};
    entry.palette = PaletteHandle{kStockPalette};
    m_bySdlId[entry.sdlId] = id;
    m_dcs[entry.dc.id] = id;
    entry.id = id;
    m_windows[id] = entry;

    const WindowHandle window{id};
    CreateStruct create;
    create.lpCreateParams = param;
    if (Send(id, WM_NCCREATE, 0, reinterpret_cast<LParam>(&create)) == 0) {
        DestroyWindow(window);
        Fail("window creation refused by the window procedure");
        return WindowHandle{};
    }
    if (m_windows.count(id) == 0 || Send(id, WM_CREATE, 0, reinterpret_cast<LParam>(&create)) < 0) {
        DestroyWindow(window);
        Fail("window creation refused by the window procedure");
        return WindowHandle{};
    }
    if (m_windows.count(id) != 0) {
        SendSize(id);
    }
    if ((style & WS_VISIBLE) != 0 && m_windows.count(id) != 0) {
        ShowWindow(window, SW_SHOW);
    }
    if (m_windows.count(id) == 0) {
        Fail("window destroyed during its creation");
        return WindowHandle{};
    }
    return window;
}

bool SdlPlatform::DestroyWindow(WindowHandle window) {
    WindowEntry* entry = FindWindow(window);
    if (entry == nullptr) {
        return false;
    }
    if (entry->destroying) {
        return Fail("window is being destroyed");
    }
    entry->destroying = true;
    Send(window.id, WM_DESTROY, 0, 0);
    Send(window.id, WM_NCDESTROY, 0, 0);
    if (m_hCapture == window) {
        ReleaseCapture();
    }
    auto forWindow = [window](const Msg& msg) { return msg.hwnd == window; };
    m_posted.erase(std::remove_if(m_posted.begin(), m_posted.end(), forWindow), m_posted.end());
    m_input.erase(std::remove_if(m_input.begin(), m_input.end(), forWindow), m_input.end());
    for (auto& [id, other] : m_windows) {
        if (other.parent == window) {
            other.parent = WindowHandle{};  // SDL has no child windows: they stay, top-level
        }
    }
    entry = &m_windows.at(window.id);
    m_bySdlId.erase(entry->sdlId);
    m_dcs.erase(entry->dc.id);
    // SDL releases the GL context first if it is current on this window.
    SDL_DestroyWindow(entry->sdl);
    m_windows.erase(window.id);
    return true;
}

bool SdlPlatform::ShowWindow(WindowHandle window, int command) {
    WindowEntry* entry = FindWindow(window);
    if (entry == nullptr) {
        return false;
    }
    if (command == SW_HIDE) {
        SDL_HideWindow(entry->sdl);
        entry->visible = false;
        return true;
    }
    SDL_ShowWindow(entry->sdl);
    entry->visible = true;
    AddToUpdate(*entry, nullptr);
    if (!entry->shownOnce) {
        entry->shownOnce = true;
        SendSize(window.id);
    }
    return true;
}

bool SdlPlatform::GetClientRect(WindowHandle window, Rect& rect) {
    const WindowEntry* entry = FindWindow(window);
    if (entry == nullptr) {
        return false;
    }
    rect = ClientRectOf(*entry);
    return true;
}

bool SdlPlatform::GetWindowRect(WindowHandle window, Rect& rect) {
    const WindowEntry* entry = FindWindow(window);
    if (entry == nullptr) {
        return false;
    }
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    SDL_GetWindowPosition(entry->sdl, &x, &y);  // the client area's top-left corner
    SDL_GetWindowSize(entry->sdl, &width, &height);
    const Borders borders = BordersOf(*entry);
    rect = Rect{x - borders.left, y - borders.top, x + width + borders.right,
                y + height + borders.bottom};
    return true;
}

bool SdlPlatform::AdjustWindowRect(Rect& rect, std::uint32_t style, bool /*menu*/) {
    if (isFramed(style)) {
        rect.left -= m_frame.left;
        rect.top -= m_frame.top;
        rect.right += m_frame.right;
        rect.bottom += m_frame.bottom;
    }
    return true;
}

bool SdlPlatform::SetWindowPos(WindowHandle window, int x, int y, int width, int height,
                               std::uint32_t flags) {
    WindowEntry* entry = FindWindow(window);
    if (entry == nullptr) {
        return false;
    }
    if ((flags & SWP_NOMOVE) == 0) {
        // SDL places the client area: step in by the frame where it is known.
        // Before the first show it is not, and the window manager will then
        // put the frame at the position given.
        const Borders borders = BordersOf(*entry);
        SDL_SetWindowPosition(entry->sdl, x + borders.left, y + borders.top);
        if (!entry->shownOnce) {
            entry->createX = x;
            entry->createY = y;
        }
    }
    if ((flags & SWP_NOSIZE) == 0) {
        const Borders frame = isFramed(entry->style) ? m_frame : Borders{};
        SDL_SetWindowSize(entry->sdl, std::max(width - frame.left - frame.right, 1),
                          std::max(height - frame.top - frame.bottom, 1));
    }
    return true;
}

bool SdlPlatform::SetWindowText(WindowHandle window, const char* text) {
    WindowEntry* entry = FindWindow(window);
    if (entry == nullptr) {
        return false;
    }
    SDL_SetWindowTitle(entry->sdl, text != nullptr ? text : "");
    return true;
}

std::intptr_t SdlPlatform::GetWindowLong(WindowHandle window, int index) {
    const WindowEntry* entry = FindWindow(window);
    if (entry == nullptr) {
        return 0;
    }
    if (index == GWL_STYLE) {
        return static_cast<std::intptr_t>(entry->style | (entry->visible ? WS_VISIBLE : 0));
    }
    if (index == GWL_USERDATA) {
        return entry->userData;
    }
    Fail("no such window-long slot");
    return 0;
}

// The style is recorded only: SDL cannot turn a top-level window into a child
// or change its decorations the way the style bits describe.
std::intptr_t SdlPlatform::SetWindowLong(WindowHandle window, int index, std::intptr_t value) {
    const std::intptr_t previous = GetWindowLong(window, index);
    WindowEntry* entry = FindWindow(window);
    if (entry == nullptr) {
        return 0;
    }
    if (index == GWL_STYLE) {
        entry->style = static_cast<std::uint32_t>(value) & ~WS_VISIBLE;
    } else if (index == GWL_USERDATA) {
        entry->userData = value;
    }
    return previous;
}

WindowHandle SdlPlatform::SetParent(WindowHandle window, WindowHandle parent) {
    WindowEntry* entry = FindWindow(window);
    if (entry == nullptr || (parent && FindWindow(parent) == nullptr)) {
        return WindowHandle{};
    }
    const WindowHandle previous = entry->parent;
    entry->parent = parent;
    return previous;
}

// Only a window with the child style reports its parent: a top-level window
// given a parent still answers none, which tells the caller to add the style.
bool SdlPlatform::IsWindowVisible(WindowHandle window) {
    const WindowEntry* entry = FindWindow(window);
    return entry != nullptr && entry->visible;
}

bool SdlPlatform::IsIconic(WindowHandle window) {
    const WindowEntry* entry = FindWindow(window);
    return entry != nullptr && entry->minimised;
}

WindowHandle SdlPlatform::GetParent(WindowHandle window) {
    const WindowEntry* entry = FindWindow(window);
    if (entry == nullptr || (entry->style & WS_CHILD) == 0) {
        return WindowHandle{};
    }
    return entry->parent;
}

}  // namespace moon::platform
