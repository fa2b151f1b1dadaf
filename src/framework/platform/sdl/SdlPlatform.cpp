// SPDX-License-Identifier: MIT
// Windows of the SDL backend; see SdlPlatform.h for the split.
#include "framework/platform/sdl/SdlPlatform.h"

#include <SDL.h>

#include <algorithm>
#include <string>

#include "framework/platform/sdl/SdlPixelFormat.h"
#include "system/OutOfMemory.h"

namespace moon::platform {
namespace {

constexpr int kDefaultClientWidth = 640;  // for CW_USEDEFAULT sizes, pixels
constexpr int kDefaultClientHeight = 480;

// What loading Mesa's driver (llvmpipe, with LLVM) maps: 204 MiB measured
// across the first window's making, with room to spare.
constexpr std::size_t kDriverHeadroom = std::size_t{256} << 20;

}  // namespace

std::unique_ptr<Platform> CreateSystemPlatform() {
    return std::make_unique<SdlPlatform>();
}

bool SdlPlatform::FailSdl() {
    return Fail(FailureKind::SystemFailure, SDL_GetError());
}

bool SdlPlatform::Admit(const char* /*operation*/) {
    return !Lost();
}

void SdlPlatform::SizeReported(WindowHandle window, const Rect& client) {
    WindowEntry& entry = m_windows.at(window.id);
    entry.reportedWidth = client.right;
    entry.reportedHeight = client.bottom;
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

Rect SdlPlatform::ClientArea(WindowHandle window) {
    return ClientRectOf(m_windows.at(window.id));
}

void SdlPlatform::ShowSystemWindow(WindowHandle window, bool shown) {
    SDL_Window* sdl = m_windows.at(window.id).sdl;
    if (shown) {
        SDL_ShowWindow(sdl);
    } else {
        SDL_HideWindow(sdl);
    }
}

// A hidden SDL OpenGL window with the entry's title, style and position, its
// GL attributes set just before it is made.
SDL_Window* SdlPlatform::CreateSdlWindow(const WindowEntry& entry, int width, int height,
                                         const GLAttributes& attributes) {
    Uint32 flags = SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN;
    if ((entry.style & WS_THICKFRAME) != 0) {
        flags |= SDL_WINDOW_RESIZABLE;
    }
    if (!IsFramed(entry.style)) {
        flags |= SDL_WINDOW_BORDERLESS;
    }
    if ((entry.exStyle & WS_EX_TOPMOST) != 0) {
        flags |= SDL_WINDOW_ALWAYS_ON_TOP;
    }
    const char* title = entry.sdl != nullptr ? SDL_GetWindowTitle(entry.sdl) : "";
    ApplyAttributes(attributes);
    // Making the first window may load the OpenGL driver (SDL's offscreen
    // driver does, for --render), which fails without saying why in too
    // little address space: then the program ends as out of memory.
    if (!m_bWindowMade) {
        OutOfMemory::RequireHeadroom(kDriverHeadroom);
        m_bWindowMade = true;
    }
    SDL_Window* window = SDL_CreateWindow(title, entry.createX, entry.createY, std::max(width, 1),
                                          std::max(height, 1), flags);
    if (window != nullptr) {
        ApplyClassIcon(entry, window);
    }
    return window;
}

// On X11 this sets _NET_WM_ICON, which task bars and window switchers show.
// SDL keeps its own copy. A window without it shows the desktop's default.
void SdlPlatform::ApplyClassIcon(const WindowEntry& entry, SDL_Window* window) const {
    const IconImage* icon = ClassIconImage(entry.atom);
    if (icon == nullptr) {
        return;
    }
    // SDL only reads the pixels; its interface is not const.
    SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormatFrom(
        const_cast<std::uint8_t*>(icon->rgba.data()), icon->width, icon->height, 32,
        icon->width * 4, SDL_PIXELFORMAT_RGBA32);
    if (surface != nullptr) {
        SDL_SetWindowIcon(window, surface);
        SDL_FreeSurface(surface);
    }
}

// Makes the entry's SDL window anew with other GL attributes (SDL fixes them
// when a window is created). The old window stays if the new one fails.
bool SdlPlatform::RemakeSdlWindow(WindowEntry& entry, const GLAttributes& attributes) {
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

int SdlPlatform::FormatIndex(const GLAttributes& attributes) {
    for (std::size_t i = 0; i < m_formats.size(); ++i) {
        if (m_formats[i].requested == attributes) {
            return static_cast<int>(i) + 1;
        }
    }
    m_formats.push_back(FormatEntry{attributes, attributes, false});
    return static_cast<int>(m_formats.size());
}

// --- Windows ------------------------------------------------------------------

PlatformBase::WindowRecord* SdlPlatform::MakeSystemWindow(const WindowRequest& request,
                                                          WindowHandle window) {
    WindowEntry entry;
    entry.atom = request.atom;  // the class icon goes with the SDL window
    entry.style = request.style;
    entry.exStyle = request.exStyle;
    // The window manager puts a new window's frame where SDL asks for the
    // client, so the outer position goes to SDL unchanged.
    entry.createX =
        (request.x == CW_USEDEFAULT) ? static_cast<int>(SDL_WINDOWPOS_UNDEFINED) : request.x;
    entry.createY =
        (request.y == CW_USEDEFAULT) ? static_cast<int>(SDL_WINDOWPOS_UNDEFINED) : request.y;
    const Borders frame = IsFramed(request.style) ? m_frame : Borders{};
    int clientWidth = kDefaultClientWidth;
    int clientHeight = kDefaultClientHeight;
    if (request.width != CW_USEDEFAULT && request.height != CW_USEDEFAULT) {
        clientWidth = request.width - frame.left - frame.right;
        clientHeight = request.height - frame.top - frame.bottom;
    }
    // The pixel format is chosen later; start with the last one used, which
    // is usually the one that will be chosen.
    std::string reason;
    for (const GLAttributes& attributes : FallbackLadder(m_lastFormat)) {
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
        Fail(FailureKind::SystemFailure, reason);
        return nullptr;
    }
    SDL_SetWindowTitle(entry.sdl, request.title);
    entry.sdlId = SDL_GetWindowID(entry.sdl);
    m_bySdlId[entry.sdlId] = window.id;
    entry.id = window.id;
    return &(m_windows[window.id] = entry);
}

void SdlPlatform::DestroySystemWindow(WindowHandle window) {
    const WindowEntry& entry = m_windows.at(window.id);
    m_bySdlId.erase(entry.sdlId);
    // SDL releases the GL context first if it is current on this window.
    SDL_DestroyWindow(entry.sdl);
    m_windows.erase(window.id);
}

Rect SdlPlatform::OuterRect(WindowRecord& record) {
    const WindowEntry* entry = &EntryOf(record);
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    SDL_GetWindowPosition(entry->sdl, &x, &y);  // the client area's top-left corner
    SDL_GetWindowSize(entry->sdl, &width, &height);
    const Borders borders = BordersOf(*entry);
    return Rect{x - borders.left, y - borders.top, x + width + borders.right,
                y + height + borders.bottom};
}

bool SdlPlatform::AdjustWindowRect(Rect& rect, std::uint32_t style, bool /*menu*/) {
    if (!Enter("AdjustWindowRect")) {
        return false;
    }
    if (IsFramed(style)) {
        rect.left -= m_frame.left;
        rect.top -= m_frame.top;
        rect.right += m_frame.right;
        rect.bottom += m_frame.bottom;
    }
    return true;
}

void SdlPlatform::PlaceSystemWindow(WindowHandle /*window*/, WindowRecord& record, int x, int y,
                                    int width, int height, std::uint32_t flags) {
    WindowEntry* entry = &EntryOf(record);
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
        const Borders frame = IsFramed(entry->style) ? m_frame : Borders{};
        SDL_SetWindowSize(entry->sdl, std::max(width - frame.left - frame.right, 1),
                          std::max(height - frame.top - frame.bottom, 1));
    }
}

void SdlPlatform::TitleSystemWindow(WindowRecord& record, const char* text) {
    SDL_SetWindowTitle(EntryOf(record).sdl, text);
}

}  // namespace moon::platform
