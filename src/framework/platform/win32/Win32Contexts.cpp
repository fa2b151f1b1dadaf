// SPDX-License-Identifier: MIT
// Device contexts, pixel formats, WGL contexts, palettes and the display of
// the native backend; see Win32Platform.h.
#include <algorithm>
#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "framework/platform/win32/Win32Platform.h"
#include "framework/platform/win32/WindowsApi.h"

// After windows.h, which they need.
#include <GL/gl.h>
#include <GL/wglext.h>

namespace moon::platform {
namespace {

// The display driver's pbuffer functions. wglGetProcAddress answers only
// with a context current; what it gives serves every context of the
// process, so they are fetched once.
struct PbufferApi {
    PFNWGLCHOOSEPIXELFORMATARBPROC choosePixelFormat = nullptr;
    PFNWGLGETPIXELFORMATATTRIBIVARBPROC getPixelFormatAttributes = nullptr;
    PFNWGLCREATEPBUFFERARBPROC create = nullptr;
    PFNWGLGETPBUFFERDCARBPROC getDc = nullptr;
    PFNWGLRELEASEPBUFFERDCARBPROC releaseDc = nullptr;
    PFNWGLDESTROYPBUFFERARBPROC destroy = nullptr;
};
PbufferApi g_pbufferApi;
bool g_bPbufferApiLoaded = false;

// What a pbuffer format must share with the window's: the same buffers,
// bit for bit, so that it draws the pixels the window would.
constexpr std::array<int, 9> kBufferAttributes = {
    WGL_PIXEL_TYPE_ARB, WGL_COLOR_BITS_ARB,   WGL_RED_BITS_ARB,
    WGL_GREEN_BITS_ARB, WGL_BLUE_BITS_ARB,    WGL_ALPHA_BITS_ARB,
    WGL_DEPTH_BITS_ARB, WGL_STENCIL_BITS_ARB, WGL_ACCUM_BITS_ARB};
using BufferValues = std::array<int, kBufferAttributes.size()>;

template <typename Function>
Function wglFunction(const char* name) {
    // Through void (*)(), the one function pointer type any other converts
    // to without a warning.
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(::wglGetProcAddress(name)));
}

// Whether a space-separated extension list names the extension.
bool listsExtension(std::string_view list, std::string_view name) {
    std::size_t start = 0;
    while (start < list.size()) {
        std::size_t end = list.find(' ', start);
        if (end == std::string_view::npos) {
            end = list.size();
        }
        if (list.substr(start, end - start) == name) {
            return true;
        }
        start = end + 1;
    }
    return false;
}

// Fetches the pbuffer functions with a context of its own current on the
// window's device context (which has its pixel format), and puts back what
// was current. Empty on success, else the reason.
std::string loadPbufferApi(HDC window) {
    if (g_bPbufferApiLoaded) {
        return {};
    }
    HGLRC probe = ::wglCreateContext(window);
    if (probe == nullptr) {
        return "wglCreateContext failed";
    }
    HGLRC previous = ::wglGetCurrentContext();
    HDC previousDc = ::wglGetCurrentDC();
    std::string problem;
    if (::wglMakeCurrent(window, probe) == 0) {
        problem = "wglMakeCurrent failed";
    } else {
        const auto extensions =
            wglFunction<PFNWGLGETEXTENSIONSSTRINGARBPROC>("wglGetExtensionsStringARB");
        const char* list = extensions != nullptr ? extensions(window) : nullptr;
        PbufferApi api;
        if (list != nullptr && listsExtension(list, "WGL_ARB_pbuffer") &&
            listsExtension(list, "WGL_ARB_pixel_format")) {
            api.choosePixelFormat =
                wglFunction<PFNWGLCHOOSEPIXELFORMATARBPROC>("wglChoosePixelFormatARB");
            api.getPixelFormatAttributes =
                wglFunction<PFNWGLGETPIXELFORMATATTRIBIVARBPROC>("wglGetPixelFormatAttribivARB");
            api.create = wglFunction<PFNWGLCREATEPBUFFERARBPROC>("wglCreatePbufferARB");
            api.getDc = wglFunction<PFNWGLGETPBUFFERDCARBPROC>("wglGetPbufferDCARB");
            api.releaseDc = wglFunction<PFNWGLRELEASEPBUFFERDCARBPROC>("wglReleasePbufferDCARB");
            api.destroy = wglFunction<PFNWGLDESTROYPBUFFERARBPROC>("wglDestroyPbufferARB");
        }
        if (api.choosePixelFormat == nullptr || api.getPixelFormatAttributes == nullptr ||
            api.create == nullptr || api.getDc == nullptr || api.releaseDc == nullptr ||
            api.destroy == nullptr) {
            problem = "the display driver has no pbuffers (WGL_ARB_pbuffer)";
        } else {
            g_pbufferApi = api;
            g_bPbufferApiLoaded = true;
        }
    }
    if (previous != nullptr) {
        ::wglMakeCurrent(previousDc, previous);
    } else if (::wglGetCurrentContext() != nullptr) {
        ::wglMakeCurrent(nullptr, nullptr);
    }
    ::wglDeleteContext(probe);
    return problem;
}

// The pbuffer format with the window format's buffers, single-buffered:
// the driver's first choice among those that match bit for bit, else its
// first choice; 0 when it has none.
int pbufferFormatLike(HDC window, int windowFormat) {
    const PbufferApi& api = g_pbufferApi;
    BufferValues wanted{};
    if (api.getPixelFormatAttributes(window, windowFormat, 0, kBufferAttributes.size(),
                                     kBufferAttributes.data(), wanted.data()) == 0) {
        return 0;
    }
    std::vector<int> request = {WGL_DRAW_TO_PBUFFER_ARB, TRUE, WGL_SUPPORT_OPENGL_ARB, TRUE,
                                WGL_DOUBLE_BUFFER_ARB,   FALSE};
    for (std::size_t i = 0; i < kBufferAttributes.size(); ++i) {
        request.push_back(kBufferAttributes[i]);
        request.push_back(wanted[i]);
    }
    request.push_back(0);
    std::array<int, 64> formats{};
    UINT count = 0;
    if (api.choosePixelFormat(window, request.data(), nullptr, formats.size(), formats.data(),
                              &count) == 0 ||
        count == 0) {
        return 0;
    }
    count = std::min<UINT>(count, formats.size());
    for (UINT i = 0; i < count; ++i) {
        BufferValues offered{};
        if (api.getPixelFormatAttributes(window, formats[i], 0, kBufferAttributes.size(),
                                         kBufferAttributes.data(), offered.data()) != 0 &&
            offered == wanted) {
            return formats[i];
        }
    }
    return formats[0];
}

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

// One device context per window, with the window's id, taken from Windows
// the first time it is asked for and released when the window is destroyed.
HDC Win32Platform::DcOf(WindowEntry& entry) {
    if (entry.hdc == nullptr) {
        entry.hdc = ::GetDC(entry.hwnd);
        if (entry.hdc == nullptr) {
            FailSystem("GetDC");
        }
    }
    return entry.hdc;
}

// Only a device context GetDC has handed out names one.
Win32Platform::WindowEntry* Win32Platform::FindDcEntry(DeviceContextHandle dc) {
    WindowEntry* entry = Live(dc.id);
    if (entry == nullptr || entry->hdc == nullptr) {
        Fail(FailureKind::NoSuchHandle, "no such device context");
        return nullptr;
    }
    return entry;
}

HDC Win32Platform::DrawingDcOf(const WindowEntry& entry) {
    return entry.pbuffer.hdc != nullptr ? entry.pbuffer.hdc : entry.hdc;
}

DeviceContextHandle Win32Platform::GetDC(WindowHandle window) {
    WindowEntry* entry = EnterWindow(window);
    if (entry == nullptr || DcOf(*entry) == nullptr) {
        return {};
    }
    return DeviceContextHandle{entry->id};
}

// --- Pixel formats -------------------------------------------------------------------

int Win32Platform::ChoosePixelFormat(DeviceContextHandle dc,
                                     const PixelFormatDescriptor& descriptor) {
    const WindowEntry* entry = EnterDc(dc);
    if (entry == nullptr) {
        return 0;
    }
    HDC hdc = entry->hdc;
    const PIXELFORMATDESCRIPTOR native = toNative(descriptor);
    const int format = ::ChoosePixelFormat(hdc, &native);
    if (format == 0) {
        FailSystem("ChoosePixelFormat");
    }
    return format;
}

int Win32Platform::SetPixelFormat(DeviceContextHandle dc, int format,
                                  const PixelFormatDescriptor& descriptor) {
    const WindowEntry* entry = EnterDc(dc);
    if (entry == nullptr) {
        return 0;
    }
    HDC hdc = entry->hdc;
    const PIXELFORMATDESCRIPTOR native = toNative(descriptor);
    if (::SetPixelFormat(hdc, format, &native) == 0) {
        FailSystem("SetPixelFormat");
        return 0;
    }
    return 1;
}

int Win32Platform::GetPixelFormat(DeviceContextHandle dc) {
    const WindowEntry* entry = EnterDc(dc);
    return entry != nullptr ? ::GetPixelFormat(entry->hdc) : 0;
}

int Win32Platform::DescribePixelFormat(DeviceContextHandle dc, int format,
                                       PixelFormatDescriptor& descriptor) {
    const WindowEntry* entry = EnterDc(dc);
    if (entry == nullptr) {
        return 0;
    }
    HDC hdc = entry->hdc;
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

// Off screen, the window's first context brings its pbuffer, and every
// context of the window is made for the pbuffer's pixel format.
ContextHandle Win32Platform::CreateContext(DeviceContextHandle dc) {
    WindowEntry* entry = EnterDc(dc);
    if (entry == nullptr || (DrawsOffscreen() && !FitPbuffer(*entry))) {
        return {};
    }
    HGLRC context = ::wglCreateContext(DrawingDcOf(*entry));
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
        return Fail(FailureKind::NoSuchHandle, "no such context");
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
    WindowEntry* entry = FindDcEntry(dc);
    if (entry == nullptr) {
        return 0;
    }
    HGLRC native = m_contexts.Find(context.id);
    if (native == nullptr) {
        Fail(FailureKind::NoSuchHandle, "no such context");
        return 0;
    }
    // The framework makes the context current before it answers a resize.
    if (entry->pbuffer.handle != nullptr && !FitPbuffer(*entry)) {
        return 0;
    }
    return ::wglMakeCurrent(DrawingDcOf(*entry), native) != 0 || FailSystem("wglMakeCurrent") ? 1
                                                                                              : 0;
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
        if (entry->hdc == current || entry->pbuffer.hdc == current) {
            return DeviceContextHandle{id};
        }
    }
    return {};
}

// A pbuffer shows nothing and has no back buffer: there is nothing to swap
// (GL completes the drawing before anything reads it back).
bool Win32Platform::SwapBuffers(DeviceContextHandle dc) {
    const WindowEntry* entry = EnterDc(dc);
    if (entry == nullptr) {
        return false;
    }
    return entry->pbuffer.handle != nullptr || ::SwapBuffers(entry->hdc) != 0 ||
           FailSystem("SwapBuffers");
}

// --- Off-screen drawing ------------------------------------------------------------------

bool Win32Platform::FitPbuffer(WindowEntry& entry) {
    RECT client{};
    if (::GetClientRect(entry.hwnd, &client) == 0) {
        return FailSystem("GetClientRect");
    }
    // A pbuffer has a pixel at least; a window's client area may have none.
    const int width = std::max(static_cast<int>(client.right - client.left), 1);
    const int height = std::max(static_cast<int>(client.bottom - client.top), 1);
    Pbuffer& held = entry.pbuffer;
    if (held.handle != nullptr && held.width == width && held.height == height) {
        return true;
    }
    int format = held.format;
    if (format == 0) {
        const int windowFormat = ::GetPixelFormat(entry.hdc);
        if (windowFormat == 0) {
            return Fail(FailureKind::NoPixelFormat,
                        "cannot draw off screen: the window has no pixel format");
        }
        const std::string problem = loadPbufferApi(entry.hdc);
        if (!problem.empty()) {
            return Fail(FailureKind::SystemFailure, "cannot draw off screen: " + problem);
        }
        format = pbufferFormatLike(entry.hdc, windowFormat);
        if (format == 0) {
            return Fail(FailureKind::NoPixelFormat,
                        "cannot draw off screen: no pbuffer format like the window's");
        }
    }
    const int noAttributes[] = {0};
    HPBUFFERARB handle = g_pbufferApi.create(entry.hdc, format, width, height, noAttributes);
    if (handle == nullptr) {
        return FailSystem("wglCreatePbufferARB");
    }
    HDC hdc = g_pbufferApi.getDc(handle);
    if (hdc == nullptr) {
        FailSystem("wglGetPbufferDCARB");
        g_pbufferApi.destroy(handle);
        return false;
    }
    // A context current on the old pbuffer moves to the new one: they have
    // the same pixel format.
    if (held.hdc != nullptr && ::wglGetCurrentDC() == held.hdc) {
        ::wglMakeCurrent(hdc, ::wglGetCurrentContext());
    }
    ReleasePbuffer(held);
    held = Pbuffer{handle, hdc, format, width, height};
    return true;
}

// A context left current on the pbuffer is made not current first, so that
// nothing draws into a surface that is gone.
void Win32Platform::ReleasePbuffer(Pbuffer& pbuffer) {
    if (pbuffer.handle == nullptr) {
        return;
    }
    if (::wglGetCurrentDC() == pbuffer.hdc) {
        ::wglMakeCurrent(nullptr, nullptr);
    }
    g_pbufferApi.releaseDc(pbuffer.handle, pbuffer.hdc);
    g_pbufferApi.destroy(pbuffer.handle);
    pbuffer = Pbuffer{};
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
    const WindowEntry* entry = EnterDc(dc);
    if (entry == nullptr) {
        return {};
    }
    HDC hdc = entry->hdc;
    HPALETTE native = m_palettes.Find(palette.id);
    if (native == nullptr) {
        Fail(FailureKind::NoSuchHandle, "no such palette");
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
    const WindowEntry* entry = EnterDc(dc);
    if (entry == nullptr) {
        return 0;
    }
    HDC hdc = entry->hdc;
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
        return Fail(FailureKind::NoSuchHandle, "no such palette");
    }
    auto* stock = static_cast<HPALETTE>(::GetStockObject(DEFAULT_PALETTE));
    if (native == stock) {
        return true;
    }
    for (const auto& [id, entry] : m_windows) {
        if (entry->hdc != nullptr && ::GetCurrentObject(entry->hdc, OBJ_PAL) == native) {
            ::SelectPalette(entry->hdc, stock, FALSE);
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
