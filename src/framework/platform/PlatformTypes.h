// SPDX-License-Identifier: MIT
// The types of the window-system seam (see Platform.h): handles, the window
// procedure, message numbers and their wParam/lParam packing, styles and
// flags, and the structures the operations fill or read.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace moon::platform {

// An opaque handle: an index into one of the backend's tables, 0 = none.
template <typename Tag>
struct Handle {
    std::uint32_t id = 0;

    explicit operator bool() const { return id != 0; }
    friend bool operator==(Handle, Handle) = default;
};

using WindowHandle = Handle<struct WindowTag>;
using DeviceContextHandle = Handle<struct DeviceContextTag>;
using ContextHandle = Handle<struct ContextTag>;  // GL rendering context
using PaletteHandle = Handle<struct PaletteTag>;
using CursorHandle = Handle<struct CursorTag>;
using IconHandle = Handle<struct IconTag>;
using ModuleHandle = Handle<struct ModuleTag>;

// Why a call failed, as a kind the program can act on; the text that goes
// with it (Failure::text) is for people and is only ever printed.
enum class FailureKind {
    NoFailure,       // the call succeeded
    NoDisplay,       // no display is named (neither DISPLAY nor WAYLAND_DISPLAY)
    DisplayRefused,  // the display named cannot be opened
    DisplayLost,     // the connection to the display was lost earlier
    NoSuchHandle,    // the window, device context, context, palette, class or resource is gone
    NoPixelFormat,   // no such pixel format, none set, or one that does not suit
    Refused,         // arguments or a state the operation does not take
    SystemFailure,   // the window system or the GL driver refused
};

struct Failure {
    FailureKind kind = FailureKind::NoFailure;
    std::string text;  // one line, "" when the call succeeded
};

using Atom = std::uint16_t;     // registered window class, 0 = none
using WParam = std::uintptr_t;  // first message parameter
using LParam = std::intptr_t;   // second message parameter
using LResult = std::intptr_t;  // result of a window procedure

// The window procedure of a class. Called synchronously by DispatchMessage and
// by the operations that send rather than post (see CreateWindowEx,
// ShowWindow, DestroyWindow, DefWindowProc).
using WindowProc = LResult (*)(WindowHandle window, std::uint32_t message, WParam wParam,
                               LParam lParam);

// Message numbers.
inline constexpr std::uint32_t WM_CREATE = 1;
inline constexpr std::uint32_t WM_DESTROY = 2;
inline constexpr std::uint32_t WM_SIZE = 5;
inline constexpr std::uint32_t WM_PAINT = 15;
inline constexpr std::uint32_t WM_CLOSE = 16;
inline constexpr std::uint32_t WM_QUIT = 18;
inline constexpr std::uint32_t WM_SETCURSOR = 32;
inline constexpr std::uint32_t WM_NCCREATE = 129;
inline constexpr std::uint32_t WM_NCDESTROY = 130;
inline constexpr std::uint32_t WM_NCMOUSEMOVE = 160;
inline constexpr std::uint32_t WM_KEYDOWN = 256;
inline constexpr std::uint32_t WM_KEYUP = 257;
inline constexpr std::uint32_t WM_MOUSEMOVE = 512;
inline constexpr std::uint32_t WM_LBUTTONDOWN = 513;
inline constexpr std::uint32_t WM_LBUTTONUP = 514;
inline constexpr std::uint32_t WM_LBUTTONDBLCLK = 515;
inline constexpr std::uint32_t WM_RBUTTONDOWN = 516;
inline constexpr std::uint32_t WM_RBUTTONUP = 517;
inline constexpr std::uint32_t WM_RBUTTONDBLCLK = 518;
inline constexpr std::uint32_t WM_MBUTTONDOWN = 519;
inline constexpr std::uint32_t WM_MBUTTONUP = 520;
inline constexpr std::uint32_t WM_MBUTTONDBLCLK = 521;
inline constexpr std::uint32_t WM_USER = 1024;

// WM_SETCURSOR: wParam = id of the window under the pointer, lParam =
// MakeLParam(hit-test code, the mouse message that caused it).
inline constexpr std::uint16_t HTCLIENT = 1;

// Window styles (CreateWindowEx, GetWindowLong/SetWindowLong with GWL_STYLE).
// A window has a caption only with both bits of WS_CAPTION; WS_THICKFRAME
// gives a sizing frame.
inline constexpr std::uint32_t WS_THICKFRAME = 0x00040000;
inline constexpr std::uint32_t WS_DLGFRAME = 0x00400000;
inline constexpr std::uint32_t WS_BORDER = 0x00800000;
inline constexpr std::uint32_t WS_CAPTION = WS_BORDER | WS_DLGFRAME;
inline constexpr std::uint32_t WS_OVERLAPPEDWINDOW = 0x00CF0000;
inline constexpr std::uint32_t WS_CLIPCHILDREN = 0x02000000;
inline constexpr std::uint32_t WS_CLIPSIBLINGS = 0x04000000;
inline constexpr std::uint32_t WS_VISIBLE = 0x10000000;
inline constexpr std::uint32_t WS_CHILD = 0x40000000;
inline constexpr std::uint32_t WS_POPUP = 0x80000000;
// Extended styles.
inline constexpr std::uint32_t WS_EX_TOPMOST = 0x00000008;
inline constexpr std::uint32_t WS_EX_WINDOWEDGE = 0x00000100;
inline constexpr std::uint32_t WS_EX_APPWINDOW = 0x00040000;
// Class styles.
inline constexpr std::uint32_t CS_VREDRAW = 0x0001;
inline constexpr std::uint32_t CS_HREDRAW = 0x0002;
inline constexpr std::uint32_t CS_OWNDC = 0x0020;

// Position or size that lets the window system choose.
inline constexpr std::int32_t CW_USEDEFAULT = INT32_MIN;  // 0x80000000

// WM_SIZE wParam: how the window was sized.
inline constexpr WParam SIZE_RESTORED = 0;
inline constexpr WParam SIZE_MINIMIZED = 1;

// Window-long slots.
inline constexpr int GWL_STYLE = -16;
inline constexpr int GWL_USERDATA = -21;

// ShowWindow commands.
inline constexpr int SW_HIDE = 0;
inline constexpr int SW_SHOW = 5;

// SetWindowPos flags.
inline constexpr std::uint32_t SWP_NOSIZE = 0x0001;
inline constexpr std::uint32_t SWP_NOMOVE = 0x0002;
inline constexpr std::uint32_t SWP_NOZORDER = 0x0004;
inline constexpr std::uint32_t SWP_NOACTIVATE = 0x0010;

// Stock resources for LoadIcon / LoadCursor (no module). The program's own
// icons are numbered from 1 in its module (see Platform::AddModuleIcon).
inline constexpr int IDI_APPLICATION = 32512;
inline constexpr int IDC_ARROW = 32512;

// MessageBox style: one OK button, modal.
inline constexpr std::uint32_t MB_OK = 0;

// Pixel-format descriptor flags and values.
inline constexpr std::uint32_t PFD_DOUBLEBUFFER = 0x01;
inline constexpr std::uint32_t PFD_STEREO = 0x02;
inline constexpr std::uint32_t PFD_DRAW_TO_WINDOW = 0x04;
inline constexpr std::uint32_t PFD_SUPPORT_OPENGL = 0x20;
inline constexpr std::uint32_t PFD_NEED_PALETTE = 0x80;
inline constexpr std::uint8_t PFD_TYPE_RGBA = 0;
inline constexpr std::uint8_t PFD_MAIN_PLANE = 0;

// wParam/lParam packing: a 32-bit value of two 16-bit words.
inline constexpr std::uint16_t LoWord(std::uintptr_t value) {
    return static_cast<std::uint16_t>(value & 0xFFFF);
}
inline constexpr std::uint16_t HiWord(std::uintptr_t value) {
    return static_cast<std::uint16_t>((value >> 16) & 0xFFFF);
}
// Low word in bits 0-15, high word in bits 16-31 (WM_SIZE: width, height;
// WM_MOUSEMOVE: x, y as signed 16-bit client coordinates, y from the top).
inline constexpr LParam MakeLParam(int low, int high) {
    return static_cast<LParam>((static_cast<std::uint32_t>(low) & 0xFFFFu) |
                               ((static_cast<std::uint32_t>(high) & 0xFFFFu) << 16));
}

struct Rect {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t right = 0;
    std::int32_t bottom = 0;
};

struct Msg {
    WindowHandle hwnd;  // none for WM_QUIT
    std::uint32_t message = 0;
    WParam wParam = 0;
    LParam lParam = 0;
};

// What WM_NCCREATE's lParam points to, during CreateWindowEx.
struct CreateStruct {
    void* lpCreateParams = nullptr;  // the creation parameter given to CreateWindowEx
};

struct WndClass {
    std::uint32_t style = 0;
    WindowProc lpfnWndProc = nullptr;
    int cbClsExtra = 0;
    int cbWndExtra = 0;
    ModuleHandle hInstance;
    IconHandle hIcon;
    CursorHandle hCursor;
    const char* lpszMenuName = nullptr;
    const char* lpszClassName = nullptr;
};

// The picture of an icon in the program's module: 8-bit RGBA with straight
// alpha, rows from the top, width * height * 4 bytes.
struct IconImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgba;
};

struct PixelFormatDescriptor {
    std::uint16_t nSize = 0;
    std::uint16_t nVersion = 0;
    std::uint32_t dwFlags = 0;
    std::uint8_t iPixelType = 0;
    std::uint8_t cColorBits = 0;
    std::uint8_t cAlphaBits = 0;
    std::uint8_t cAccumBits = 0;
    std::uint8_t cDepthBits = 0;
    std::uint8_t cStencilBits = 0;
    std::uint8_t iLayerType = 0;
};

struct PaletteEntry {
    std::uint8_t peRed = 0;
    std::uint8_t peGreen = 0;
    std::uint8_t peBlue = 0;
    std::uint8_t peFlags = 0;
};

struct LogPalette {
    std::uint16_t palVersion = 0;
    std::uint16_t palNumEntries = 0;
    PaletteEntry palPalEntry[256] = {};
};

struct PaintStruct {
    DeviceContextHandle hdc;
    Rect rcPaint;  // the update region's bounds when painting began
};

// A display mode of the primary display (pixels).
struct DevMode {
    std::uint32_t dmPelsWidth = 0;
    std::uint32_t dmPelsHeight = 0;
};

}  // namespace moon::platform
