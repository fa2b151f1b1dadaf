// SPDX-License-Identifier: MIT
// Device contexts, pixel formats, WGL contexts, palettes and the display of
// the native backend; see Win32Platform.h.
#include <vector>

#include "framework/platform/win32/Win32Platform.h"
#include "framework/platform/win32/WindowsApi.h"

namespace moon::platform {
namespace {

PIXELFORMATDESCRIPTOR toNative(const PixelFormatDescriptor& descriptor) {
    PIXELFORMATDESCRIPTOR native{};
    native.nSize = sizeof(native);
    native.nVersion = 1;
    native.dwFlags = descriptor.dwFlags;
    native.iPixelType = descriptor.iPixelType;
    native.cColorBits = descriptor.cColorBits;
    native.cAlphaBits = descriptor.cAlphaBits;
    native.cAccumBits = descriptor.cAccumBits;
    native.cDepthBits = descriptor.cDepthBits;
    native.cStencilBits = descriptor.cStencilBits;
    native.iLayerType = descriptor.iLayerType;
    return native;
}

PixelFormatDescriptor fromNative(const PIXELFORMATDESCRIPTOR& native) {
    PixelFormatDescriptor descriptor;
    descriptor.nSize = sizeof(descriptor);
    descriptor.nVersion = native.nVersion;
    descriptor.dwFlags = native.dwFlags;
    descriptor.iPixelType = native.iPixelType;
    descriptor.cColorBits = native.cColorBits;
    descriptor.cAlphaBits = native.cAlphaBits;
    descriptor.cAccumBits = native.cAccumBits;
    descriptor.cDepthBits = native.cDepthBits;
    descriptor.cStencilBits = native.cStencilBits;
    descriptor.iLayerType = native.iLayerType;
    return descriptor;
}

}  // namespace

// --- Device contexts ------------------------------------------------------------------

// One device context per window, taken from Windows the first time it is
// asked for and released when the window is destroyed.
HDC Win32Platform::DcOf(WindowEntry& entry) {
    if (entry.hdc != nullptr) {
        return entry.hdc;
    }
    entry.hdc = ::GetDC(entry.hwnd);
    if (entry.hdc == nullptr) {
        FailSystem("GetDC");
        return nullptr;
    }
    entry.dc = DeviceContextHandle{m_nextDc++};
    m_dcWindows[entry.dc.id] = WindowIdOf(entry.hwnd);
    return entry.hdc;
}

HDC Win32Platform::FindDc(DeviceContextHandle dc) {
    const auto found = m_dcWindows.find(dc.id);
    if (found == m_dcWindows.end()) {
        Fail("no such device context");
        return nullptr;
    }
    return m_windows.at(found->second).hdc;
}

DeviceContextHandle Win32Platform::GetDC(WindowHandle window) {
    Enter();
    WindowEntry* entry = FindEntry(window);
    if (entry == nullptr || DcOf(*entry) == nullptr) {
        return {};
    }
    return entry->dc;
}

// --- Pixel formats -------------------------------------------------------------------

int Win32Platform::ChoosePixelFormat(DeviceContextHandle dc,
                                     const PixelFormatDescriptor& descriptor) {
    Enter();
    HDC hdc = FindDc(dc);
    if (hdc == nullptr) {
        return 0;
    }
    const PIXELFORMATDESCRIPTOR native = toNative(descriptor);
    const int format = ::ChoosePixelFormat(hdc, &native);
    if (format == 0) {
        FailSystem("ChoosePixelFormat");
    }
    return format;
}

int Win32Platform::SetPixelFormat(DeviceContextHandle dc, int format,
                                  const PixelFormatDescriptor& descriptor) {
    Enter();
    HDC hdc = FindDc(dc);
    if (hdc == nullptr) {
        return 0;
    }
    const PIXELFORMATDESCRIPTOR native = toNative(descriptor);
    if (::SetPixelFormat(hdc, format, &native) == 0) {
        FailSystem("SetPixelFormat");
        return 0;
    }
    return 1;
}

int Win32Platform::GetPixelFormat(DeviceContextHandle dc) {
    Enter();
    HDC hdc = FindDc(dc);
    return hdc != nullptr ? ::GetPixelFormat(hdc) : 0;
}

int Win32Platform::DescribePixelFormat(DeviceContextHandle dc, int format,
                                       PixelFormatDescriptor& descriptor) {
    Enter();
    HDC hdc = FindDc(dc);
    if (hdc == nullptr) {
        return 0;
    }
    PIXELFORMATDESCRIPTOR native{};
    const int count = ::DescribePixelFormat(hdc, format, sizeof(native), &native);
    if (count == 0) {
        FailSystem("DescribePixelFormat");
        return 0;
    }
    descriptor = fromNative(native);
    return count;
}

// --- GL contexts -----------------------------------------------------------------------

ContextHandle Win32Platform::CreateContext(DeviceContextHandle dc) {
    Enter();
    HDC hdc = FindDc(dc);
    if (hdc == nullptr) {
        return {};
    }
    HGLRC context = ::wglCreateContext(hdc);
    if (context == nullptr) {
        FailSystem("wglCreateContext");
        return {};
    }
    return ContextHandle{m_contexts.IdOf(context)};
}

// Windows makes a current context not current before deleting it.
bool Win32Platform::DeleteContext(ContextHandle context) {
    Enter();
    HGLRC native = m_contexts.Find(context.id);
    if (native == nullptr) {
        return Fail("no such context");
    }
    if (::wglDeleteContext(native) == 0) {
        return FailSystem("wglDeleteContext");
    }
    m_contexts.Remove(context.id);
    return true;
}

int Win32Platform::MakeCurrent(DeviceContextHandle dc, ContextHandle context) {
    Enter();
    if (!context) {
        // Wine refuses to release when nothing is current; there is nothing to do.
        if (::wglGetCurrentContext() == nullptr) {
            return 1;
        }
        return ::wglMakeCurrent(nullptr, nullptr) != 0 || FailSystem("wglMakeCurrent") ? 1 : 0;
    }
    HDC hdc = FindDc(dc);
    if (hdc == nullptr) {
        return 0;
    }
    HGLRC native = m_contexts.Find(context.id);
    if (native == nullptr) {
        Fail("no such context");
        return 0;
    }
    return ::wglMakeCurrent(hdc, native) != 0 || FailSystem("wglMakeCurrent") ? 1 : 0;
}

ContextHandle Win32Platform::GetCurrentContext() {
    Enter();
    return ContextHandle{m_contexts.Known(::wglGetCurrentContext())};
}

DeviceContextHandle Win32Platform::GetCurrentDC() {
    Enter();
    HDC current = ::wglGetCurrentDC();
    if (current == nullptr) {
        return {};
    }
    for (const auto& [id, entry] : m_windows) {
        if (entry.hdc == current) {
            return entry.dc;
        }
    }
    return {};
}

bool Win32Platform::SwapBuffers(DeviceContextHandle dc) {
    Enter();
    HDC hdc = FindDc(dc);
    return hdc != nullptr && (::SwapBuffers(hdc) != 0 || FailSystem("SwapBuffers"));
}

// --- Palettes ----------------------------------------------------------------------------

PaletteHandle Win32Platform::CreatePalette(const LogPalette& palette) {
    Enter();
    // LOGPALETTE ends in an array of one entry that the caller makes longer.
    const std::size_t count = palette.palNumEntries <= 256 ? palette.palNumEntries : 256;
    std::vector<unsigned char> storage(sizeof(LOGPALETTE) + count * sizeof(PALETTEENTRY));
    auto* native = reinterpret_cast<LOGPALETTE*>(storage.data());
    native->palVersion = palette.palVersion;
    native->palNumEntries = static_cast<WORD>(count);
    for (std::size_t i = 0; i < count; ++i) {
        const PaletteEntry& entry = palette.palPalEntry[i];
        native->palPalEntry[i] =
            PALETTEENTRY{entry.peRed, entry.peGreen, entry.peBlue, entry.peFlags};
    }
    HPALETTE created = ::CreatePalette(native);
    if (created == nullptr) {
        FailSystem("CreatePalette");
        return {};
    }
    const PaletteHandle handle{m_palettes.IdOf(created)};
    m_madePalettes.push_back(handle.id);
    return handle;
}

PaletteHandle Win32Platform::SelectPalette(DeviceContextHandle dc, PaletteHandle palette,
                                           bool forceBackground) {
    Enter();
    HDC hdc = FindDc(dc);
    if (hdc == nullptr) {
        return {};
    }
    HPALETTE native = m_palettes.Find(palette.id);
    if (native == nullptr) {
        Fail("no such palette");
        return {};
    }
    HPALETTE previous = ::SelectPalette(hdc, native, forceBackground ? TRUE : FALSE);
    if (previous == nullptr) {
        FailSystem("SelectPalette");
        return {};
    }
    return PaletteHandle{m_palettes.IdOf(previous)};
}

std::uint32_t Win32Platform::RealizePalette(DeviceContextHandle dc) {
    Enter();
    HDC hdc = FindDc(dc);
    if (hdc == nullptr) {
        return 0;
    }
    const UINT mapped = ::RealizePalette(hdc);
    if (mapped == GDI_ERROR) {
        FailSystem("RealizePalette");
        return 0;
    }
    return mapped;
}

// A palette must not be deleted while a device context has it selected:
// those of our windows that do get the stock palette back first. Deleting a
// stock object succeeds and changes nothing, so its id stays.
bool Win32Platform::DeleteObject(PaletteHandle palette) {
    Enter();
    HPALETTE native = m_palettes.Find(palette.id);
    if (native == nullptr) {
        return Fail("no such palette");
    }
    auto* stock = static_cast<HPALETTE>(::GetStockObject(DEFAULT_PALETTE));
    if (native == stock) {
        return true;
    }
    for (const auto& [id, entry] : m_windows) {
        if (entry.hdc != nullptr && ::GetCurrentObject(entry.hdc, OBJ_PAL) == native) {
            ::SelectPalette(entry.hdc, stock, FALSE);
        }
    }
    if (::DeleteObject(native) == 0) {
        return FailSystem("DeleteObject");
    }
    m_palettes.Remove(palette.id);
    return true;
}

// --- The display -----------------------------------------------------------------------

bool Win32Platform::EnumDisplaySettings(DevMode& mode) {
    Enter();
    DEVMODEA native{};
    native.dmSize = sizeof(native);
    if (::EnumDisplaySettingsA(nullptr, ENUM_CURRENT_SETTINGS, &native) == 0) {
        return FailSystem("EnumDisplaySettings");
    }
    mode.dmPelsWidth = native.dmPelsWidth;
    mode.dmPelsHeight = native.dmPelsHeight;
    return true;
}

}  // namespace moon::platform
