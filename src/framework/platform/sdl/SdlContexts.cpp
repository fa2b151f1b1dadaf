// SPDX-License-Identifier: MIT
// Pixel formats, GL contexts and the display of the SDL backend.
#include "framework/platform/sdl/SdlPlatform.h"

#include <SDL.h>

#include <algorithm>
#include <string>
#include <vector>

#include "framework/platform/sdl/SdlPixelFormat.h"
#include "system/OutOfMemory.h"

namespace moon::platform {
namespace {

// Room enough for what Mesa's llvmpipe maps while it makes a context.
// Measured under ulimit -v in 5 MiB steps: without this check, limits in a
// band 50 MiB wide made it crash; with it, none did.
constexpr std::size_t kContextHeadroom = std::size_t{64} << 20;

}  // namespace

// --- Pixel formats and GL contexts --------------------------------

// Finds the first request of the wish's fallback ladder for which SDL can make
// the window; the window is made anew when that request differs from the one
// it was made with. Once a format is set, choosing changes nothing.
int SdlPlatform::ChooseFormat(WindowRecord& record, const PixelFormatDescriptor& descriptor) {
    WindowEntry* entry = &EntryOf(record);
    const std::vector<GLAttributes> ladder = FallbackLadder(AttributesFromDescriptor(descriptor));
    if (entry->pixelFormat != 0) {
        const GLAttributes& set = m_formats[entry->pixelFormat - 1].requested;
        const bool matches = std::find(ladder.begin(), ladder.end(), set) != ladder.end();
        return matches ? entry->pixelFormat : FormatIndex(ladder.front());
    }
    Failure first;
    for (const GLAttributes& attributes : ladder) {
        if (entry->created == attributes || RemakeSdlWindow(*entry, attributes)) {
            return FormatIndex(attributes);
        }
        if (first.text.empty()) {
            first = LastFailure();  // the wish's own reason tells most
        }
    }
    Fail(first.kind, first.text);
    return 0;
}

int SdlPlatform::SetFormat(WindowRecord& record, int format) {
    WindowEntry* entry = &EntryOf(record);
    if (format < 1 || format > static_cast<int>(m_formats.size())) {
        Fail(FailureKind::NoPixelFormat, "no such pixel format");
        return 0;
    }
    if (entry->pixelFormat != 0) {
        if (entry->pixelFormat == format) {
            return 1;
        }
        Fail(FailureKind::NoPixelFormat, "pixel format already set");
        return 0;
    }
    const GLAttributes& attributes = m_formats[format - 1].requested;
    if (!(entry->created == attributes) && !RemakeSdlWindow(*entry, attributes)) {
        return 0;
    }
    entry->pixelFormat = format;
    m_lastFormat = attributes;
    return 1;
}

// Describes what the driver gave once a context exists, the request before.
int SdlPlatform::DescribeFormat(int format, PixelFormatDescriptor& descriptor) {
    if (format < 1 || format > static_cast<int>(m_formats.size())) {
        Fail(FailureKind::NoPixelFormat, "no such pixel format");
        return 0;
    }
    const FormatEntry& entry = m_formats[format - 1];
    descriptor = DescriptorFromAttributes(entry.actualKnown ? entry.actual : entry.requested);
    return static_cast<int>(m_formats.size());
}

// SDL makes a new context current; it is created, read and put back so that
// the pair current before is current again, as the framework expects.
ContextHandle SdlPlatform::MakeContext(WindowRecord& record) {
    const WindowEntry* entry = &EntryOf(record);
    SDL_Window* previousWindow = SDL_GL_GetCurrentWindow();
    SDL_GLContext previousContext = SDL_GL_GetCurrentContext();
    FormatEntry& format = m_formats[entry->pixelFormat - 1];
    ApplyAttributes(format.requested);
    // Mesa's software renderer crashes while it makes a context in too little
    // address space (ulimit -v): with less room than it takes, the program
    // ends as out of memory instead.
    OutOfMemory::RequireHeadroom(kContextHeadroom);
    SDL_GLContext gl = SDL_GL_CreateContext(entry->sdl);
    if (gl == nullptr) {
        FailSdl();
        SDL_GL_MakeCurrent(previousWindow, previousContext);
        return ContextHandle{};
    }
    if (!format.actualKnown) {
        format.actual = ReadCurrentAttributes(format.requested);
        format.actualKnown = true;
    }
    // Vsync where the driver offers it, so a repainting window does not burn
    // a core; without it (Xvfb) the program simply runs unthrottled.
    SDL_GL_SetSwapInterval(1);
    SDL_GL_MakeCurrent(previousContext != nullptr ? previousWindow : nullptr, previousContext);
    const std::uint32_t id = m_nextContext++;
    m_contexts[id] = ContextEntry{gl, entry->pixelFormat, entry->id};
    return ContextHandle{id};
}

bool SdlPlatform::DeleteContext(ContextHandle context) {
    if (!Enter("DeleteContext")) {
        return false;
    }
    const auto found = m_contexts.find(context.id);
    if (found == m_contexts.end()) {
        return Fail(FailureKind::NoSuchHandle, "no such GL context");
    }
    SDL_GL_DeleteContext(found->second.gl);  // releases it first if current
    m_contexts.erase(found);
    return true;
}

int SdlPlatform::ContextFormat(ContextHandle context) const {
    const auto found = m_contexts.find(context.id);
    return found != m_contexts.end() ? found->second.format : 0;
}

bool SdlPlatform::MakeSystemCurrent(WindowRecord* record, DeviceContextHandle /*dc*/,
                                    ContextHandle context) {
    if (record == nullptr) {
        SDL_GL_MakeCurrent(nullptr, nullptr);
        return true;
    }
    return SDL_GL_MakeCurrent(EntryOf(*record).sdl, m_contexts.at(context.id).gl) == 0 || FailSdl();
}

ContextHandle SdlPlatform::GetCurrentContext() {
    if (!Enter("GetCurrentContext")) {
        return ContextHandle{};
    }
    SDL_GLContext current = SDL_GL_GetCurrentContext();
    for (const auto& [id, context] : m_contexts) {
        if (current != nullptr && context.gl == current) {
            return ContextHandle{id};
        }
    }
    return ContextHandle{};
}

DeviceContextHandle SdlPlatform::GetCurrentDC() {
    if (!Enter("GetCurrentDC")) {
        return DeviceContextHandle{};
    }
    if (SDL_GL_GetCurrentContext() == nullptr) {
        return DeviceContextHandle{};
    }
    SDL_Window* current = SDL_GL_GetCurrentWindow();
    for (const auto& [id, entry] : m_windows) {
        if (current != nullptr && entry.sdl == current) {
            return entry.dc;
        }
    }
    return DeviceContextHandle{};
}

// SDL swaps only the window whose context is current; any other window is
// swapped with one of its own contexts made current for the moment.
bool SdlPlatform::SwapSystemBuffers(WindowRecord& record) {
    const WindowEntry* entry = &EntryOf(record);
    SDL_Window* previousWindow = SDL_GL_GetCurrentWindow();
    SDL_GLContext previousContext = SDL_GL_GetCurrentContext();
    if (previousContext != nullptr && previousWindow == entry->sdl) {
        SDL_GL_SwapWindow(entry->sdl);
        return true;
    }
    const std::uint32_t windowId = entry->id;
    for (const auto& [id, context] : m_contexts) {
        if (context.window == windowId && SDL_GL_MakeCurrent(entry->sdl, context.gl) == 0) {
            SDL_GL_SwapWindow(entry->sdl);
            SDL_GL_MakeCurrent(previousContext != nullptr ? previousWindow : nullptr,
                               previousContext);
            return true;
        }
    }
    return Fail(FailureKind::NoSuchHandle, "no GL context for this window");
}

// --- Display ----------------------------------------------------------------------

bool SdlPlatform::EnumDisplaySettings(DevMode& mode) {
    if (!Enter("EnumDisplaySettings")) {
        return false;
    }
    if (!EnsureVideo()) {
        return false;
    }
    SDL_DisplayMode current;
    if (SDL_GetCurrentDisplayMode(0, &current) != 0) {
        return FailSdl();
    }
    if (current.w <= 0 || current.h <= 0) {
        return Fail(FailureKind::SystemFailure, "the display has no size");
    }
    mode.dmPelsWidth = static_cast<std::uint32_t>(current.w);
    mode.dmPelsHeight = static_cast<std::uint32_t>(current.h);
    return true;
}

}  // namespace moon::platform
