// SPDX-License-Identifier: MIT
#include "framework/GLWindowExtra.h"

#include <GL/gl.h>

#include <array>
#include <cstdio>

#include "framework/GLAppCore.h"
#include "framework/GLWindow.h"
#include "framework/ShowMessage.h"
#include "framework/platform/GLAttributes.h"

namespace moon {

using namespace platform;

namespace {

// The make-current stack, shared by all windows (one thread only).
constexpr int kStackSize = 16;
struct SavedPair {
    ContextHandle context;
    DeviceContextHandle dc;
};
std::array<SavedPair, kStackSize> g_stack;
int g_depth = 0;

// Set by the first refused pixel-format change; later refusals are silent.
bool g_pixelFormatMessageShown = false;

constexpr std::uint32_t kExStyle = WS_EX_APPWINDOW | WS_EX_WINDOWEDGE;
constexpr std::uint32_t kStyle = WS_OVERLAPPEDWINDOW | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
constexpr std::uint32_t kFullScreenStyle = WS_POPUP | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
constexpr int kFallbackScreenWidth = 640;  // when the display mode cannot be read
constexpr int kFallbackScreenHeight = 480;
constexpr int kListCount = 255;  // display lists owned from m_listBase on

// 3-3-2 RGB palette for palette-based pixel formats, with the twelve static
// system colours in their usual places.
LogPalette buildPalette() {
    constexpr std::array<std::uint8_t, 8> levels3{0, 63, 104, 139, 171, 200, 229, 255};
    constexpr std::array<std::uint8_t, 4> levels2{0, 116, 191, 255};
    struct Fixed {
        int index;
        std::uint8_t red, green, blue;
    };
    constexpr std::array<Fixed, 12> systemColours{{{3, 128, 0, 0},
                                                   {24, 0, 128, 0},
                                                   {27, 128, 128, 0},
                                                   {64, 0, 0, 128},
                                                   {67, 128, 0, 128},
                                                   {88, 0, 128, 128},
                                                   {91, 128, 128, 128},
                                                   {164, 160, 160, 164},
                                                   {173, 192, 192, 192},
                                                   {181, 192, 220, 192},
                                                   {236, 166, 202, 240},
                                                   {247, 255, 251, 240}}};
    LogPalette palette;
    palette.palVersion = 0x300;
    palette.palNumEntries = 256;
    for (unsigned i = 0; i < 256; ++i) {
        PaletteEntry& entry = palette.palPalEntry[i];
        entry.peRed = levels3[i & 7];
        entry.peGreen = levels3[(i >> 3) & 7];
        entry.peBlue = levels2[(i >> 6) & 3];
        entry.peFlags = 0;
    }
    for (const Fixed& colour : systemColours) {
        PaletteEntry& entry = palette.palPalEntry[colour.index];
        entry.peRed = colour.red;
        entry.peGreen = colour.green;
        entry.peBlue = colour.blue;
    }
    return palette;
}

const LogPalette& paletteTable() {
    static const LogPalette table = buildPalette();
    return table;
}

}  // namespace

GLWindowExtra::GLWindowExtra(GLWindow* window) : m_pWindow(window) {
    m_hCursor = Platform::Get().LoadCursor(ModuleHandle{}, IDC_ARROW);
}

GLWindowExtra::~GLWindowExtra() {
    Destroy();
}

int GLWindowExtra::CurrentDepth() {
    return g_depth;
}

bool GLWindowExtra::Create() {
    Platform& platform = Platform::Get();
    GLAppCore* core = GLAppCore::Instance();

    std::uint32_t exStyle = kExStyle;
    if (m_bTopMost) {
        exStyle |= WS_EX_TOPMOST;
    }
    std::uint32_t style = kStyle;
    WindowHandle parent;
    if (core->GetMainWindow() != this && core->m_hParent) {
        parent = core->m_hParent;
        style |= WS_CHILD;
    }

    int x = m_x;
    int y = m_y;
    int width = 0;
    int height = 0;
    if (m_bFullScreen) {
        // Covers the display in its current mode, which is left unchanged.
        style = kFullScreenStyle;
        x = 0;
        y = 0;
        DevMode mode;
        if (platform.EnumDisplaySettings(mode)) {
            width = static_cast<int>(mode.dmPelsWidth);
            height = static_cast<int>(mode.dmPelsHeight);
        } else {
            width = kFallbackScreenWidth;
            height = kFallbackScreenHeight;
        }
    } else if (m_width != CW_USEDEFAULT && m_height != CW_USEDEFAULT) {
        Rect rect{0, 0, m_width, m_height};
        platform.AdjustWindowRect(rect, style, false);
        width = rect.right - rect.left;
        height = rect.bottom - rect.top;
    } else {
        width = CW_USEDEFAULT;
        height = CW_USEDEFAULT;
    }

    m_hWnd = platform.CreateWindowEx(exStyle, "GLAppWnd", m_title.c_str(), style, x, y, width,
                                     height, parent, core->GetInstance(), this);
    if (!m_hWnd) {
        ReportFailure("Failed to create window\n");
        return false;
    }
    m_hDC = platform.GetDC(m_hWnd);
    if (!SetupPixelFormat()) {
        ReportFailure("Failed to set pixel format\n");
        return false;
    }
    m_hRC = platform.CreateContext(m_hDC);
    if (!m_hRC) {
        ReportFailure("Failed to create GL context\n");
        return false;
    }
    SetupPalette();
    if (!MakeCurrent(true)) {
        ReportFailure("Failed to make GL context current\n");
        return false;
    }
    if (m_bVisible) {
        platform.ShowWindow(m_hWnd, SW_SHOW);
    }
    Rect client;
    if (platform.GetClientRect(m_hWnd, client)) {
        m_width = client.right;
        m_height = client.bottom;
    }
    platform.PostMessage(m_hWnd, WM_USER + 1, 0, 0);
    // The context stays current, one make-current level deeper.
    return true;
}

bool GLWindowExtra::Recreate() {
    if (m_hWnd) {
        Destroy();
    }
    return Create();
}

void GLWindowExtra::Destroy() {
    Platform& platform = Platform::Get();
    MakeCurrent(true);
    if (m_pWindow != nullptr) {
        m_pWindow->OnDestroy();
    }
    if (m_listBase != 0) {
        glDeleteLists(m_listBase, kListCount);
        m_listBase = 0;
    }
    MakeCurrent(false);
    if (m_hRC) {
        platform.DeleteContext(m_hRC);
        m_hRC = {};
    }
    if (m_hPalette) {
        platform.DeleteObject(m_hPalette);
        m_hPalette = {};
    }
    Rect rect;
    if (m_hWnd && platform.GetWindowRect(m_hWnd, rect)) {
        // A re-created window reappears where the user left it.
        m_x = rect.left;
        m_y = rect.top;
    }
    if (m_hWnd) {
        platform.DestroyWindow(m_hWnd);
    }
    m_hWnd = {};
    m_hDC = {};
}

bool GLWindowExtra::MakeCurrent(bool acquire) {
    Platform& platform = Platform::Get();
    if (acquire) {
        if (m_hPalette) {
            m_hOldPalette = platform.SelectPalette(m_hDC, m_hPalette, false);
            platform.RealizePalette(m_hDC);
        }
        if (g_depth < kStackSize) {
            g_stack[g_depth] = SavedPair{platform.GetCurrentContext(), platform.GetCurrentDC()};
        }
        ++g_depth;
        return platform.MakeCurrent(m_hDC, m_hRC) == 1;
    }
    if (g_depth > 0) {
        --g_depth;
        if (g_depth < kStackSize) {
            platform.MakeCurrent(g_stack[g_depth].dc, g_stack[g_depth].context);
        } else {
            // Levels beyond the sixteenth were counted but not saved.
            platform.MakeCurrent(DeviceContextHandle{}, ContextHandle{});
        }
    }
    if (m_hOldPalette) {
        platform.SelectPalette(m_hDC, m_hOldPalette, true);
        m_hOldPalette = {};
    }
    return true;
}

bool GLWindowExtra::SetupPixelFormat() {
    if (!m_hDC) {
        return false;
    }
    GLAttributes wish;
    wish.doubleBuffer = (m_mode & kModeDoubleBuffer) != 0 || (m_mode & kModeBit1) == 0;
    wish.stereo = (m_mode & kModeStereo) != 0;
    wish.colourBits = m_colourBits;
    wish.alphaBits = m_alphaBits;
    wish.accumBits = m_accumBits;
    wish.depthBits = m_depthBits;
    wish.stencilBits = m_stencilBits;
    // The descriptor's counts are 8-bit: only the low byte of each wish goes in.
    const PixelFormatDescriptor descriptor = DescriptorFromAttributes(wish);

    Platform& platform = Platform::Get();
    const int format = platform.ChoosePixelFormat(m_hDC, descriptor);
    if (format == 0) {
        return false;
    }
    return platform.SetPixelFormat(m_hDC, format, descriptor) == 1;
}

bool GLWindowExtra::SetupPalette() {
    if (m_hPalette || !m_hDC) {
        return false;
    }
    Platform& platform = Platform::Get();
    PixelFormatDescriptor descriptor;
    platform.DescribePixelFormat(m_hDC, platform.GetPixelFormat(m_hDC), descriptor);
    if ((descriptor.dwFlags & PFD_NEED_PALETTE) != 0) {
        m_hPalette = platform.CreatePalette(paletteTable());
    }
    return true;
}

bool GLWindowExtra::CanChangePixelFormat() {
    if (!m_bInOnCreate) {
        return true;
    }
    if (!g_pixelFormatMessageShown) {
        ShowMessage(
            "Error: You cannot change pixel format in GLWindow::OnCreate\n"
            "(cannot change depth/alpha/stencil/accum bits, or any setting\n"
            "that would recreate the window)");
        g_pixelFormatMessageShown = true;
    }
    return false;
}

}  // namespace moon
