// The seam between the GL window framework and the window system.
//
// The framework is written against a Win32-shaped window system: window classes
// with a window procedure, a per-thread message queue, device contexts with
// pixel formats, GL contexts made current as (device context, context) pairs,
// palettes. This header is that shape, nothing more: the operations the
// framework calls, the message numbers and the wParam/lParam packing it reads.
// Backends fill it in: SdlPlatform (real windows on SDL2) and FakePlatform
// (state kept in memory, for tests), both on PlatformBase, which holds the
// window rules they share. Backends never call application handlers
// directly; they only call the window procedure registered with a class.
//
// Handles are entries of the backend's own tables (0 = none), never reused
// within a process. A call naming a window that has been destroyed, a device
// context whose window is gone, or a context or palette that has been deleted
// has no effect and reports failure (false, 0 or a null handle); LastError()
// then tells why.
//
// When the connection to the window system is lost, every later call does
// nothing and reports failure; the backend tells the user and ends the
// process (status 1) through the normal exit path, whose teardown calls then
// touch nothing.
//
// Everything runs on one thread. The backend is chosen on first use of Get()
// (SDL unless a test has called Use() before).
#pragma once

#include <cstdint>
#include <memory>
#include <string>

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

// Stock resources for LoadIcon / LoadCursor (no module).
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

class Platform {
public:
    virtual ~Platform() = default;

    // The backend in use. The first call without a preceding Use() creates the
    // SDL backend. The backend lives until the process ends: the framework's
    // exit-time teardown still calls it.
    static Platform& Get();
    // Selects the backend; tests call it before constructing any window.
    static void Use(std::unique_ptr<Platform> platform);

    // Why the last call failed, in one line; "" when it succeeded. Every
    // operation clears the reason first, so it belongs to the call that failed.
    virtual std::string LastError() const = 0;

    // --- Module and classes -------------------------------------------------
    // The program's own module; never none.
    virtual ModuleHandle GetModuleHandle() = 0;
    // Registers a class by name; returns its atom, 0 on failure (no window
    // system, name already taken).
    virtual Atom RegisterClass(const WndClass& windowClass) = 0;
    // Unregisters the class with this atom; false if unknown or windows of it live.
    virtual bool UnregisterClass(Atom atom, ModuleHandle instance) = 0;
    // The stock icon / cursor the framework uses (IDI_APPLICATION, IDC_ARROW;
    // module none for the system's own); any other fails.
    virtual IconHandle LoadIcon(ModuleHandle instance, int id) = 0;
    virtual CursorHandle LoadCursor(ModuleHandle instance, int id) = 0;

    // --- Windows --------------------------------------------------------------
    // Creates a window of a registered class. x, y: outer top-left corner on the
    // screen; width, height: outer size (CW_USEDEFAULT lets the system choose).
    // Sends, synchronously: WM_NCCREATE (lParam points to a CreateStruct
    // carrying param; a result of 0 fails the creation), WM_CREATE, WM_SIZE
    // with the client size. The window starts hidden unless style has WS_VISIBLE.
    virtual WindowHandle CreateWindowEx(std::uint32_t exStyle, const char* className,
                                        const char* windowName, std::uint32_t style, int x, int y,
                                        int width, int height, WindowHandle parent,
                                        ModuleHandle instance, void* param) = 0;
    // Sends WM_DESTROY then WM_NCDESTROY, releases the capture if this window
    // holds it, drops its queued messages; the handle and its device context
    // are invalid afterwards.
    virtual bool DestroyWindow(WindowHandle window) = 0;
    // SW_SHOW / SW_HIDE (any other command fails). The first show sends
    // WM_SIZE with the client size.
    virtual bool ShowWindow(WindowHandle window, int command) = 0;
    // Client rectangle: left = top = 0, right/bottom = client width/height.
    virtual bool GetClientRect(WindowHandle window, Rect& rect) = 0;
    // Outer rectangle in screen coordinates.
    virtual bool GetWindowRect(WindowHandle window, Rect& rect) = 0;
    // Grows a client rectangle to the outer rectangle of a window with this style.
    virtual bool AdjustWindowRect(Rect& rect, std::uint32_t style, bool menu) = 0;
    // Moves (x, y: outer top-left) and/or sizes (outer size); SWP_* flags. A
    // change of client size is reported with WM_SIZE.
    virtual bool SetWindowPos(WindowHandle window, int x, int y, int width, int height,
                              std::uint32_t flags) = 0;
    virtual bool SetWindowText(WindowHandle window, const char* text) = 0;
    // Shown (SW_SHOW and not hidden since); a minimised window is still shown.
    virtual bool IsWindowVisible(WindowHandle window) = 0;
    // Minimised by the user or the window manager.
    virtual bool IsIconic(WindowHandle window) = 0;
    // GWL_STYLE (the style bits; WS_VISIBLE shows or hides the window) or
    // GWL_USERDATA (a pointer-sized slot, 0 at first). Get returns 0 on
    // failure; Set returns the previous value.
    virtual std::intptr_t GetWindowLong(WindowHandle window, int index) = 0;
    virtual std::intptr_t SetWindowLong(WindowHandle window, int index, std::intptr_t value) = 0;
    // Re-parents (none = top-level); returns the previous parent, none on failure.
    virtual WindowHandle SetParent(WindowHandle window, WindowHandle parent) = 0;
    // The parent of a WS_CHILD window; none for a window without that style.
    virtual WindowHandle GetParent(WindowHandle window) = 0;

    // --- Painting -------------------------------------------------------------
    // Adds rect (none = the whole client area) to the update region.
    virtual bool InvalidateRect(WindowHandle window, const Rect* rect, bool erase) = 0;
    // True when the update region is not empty; its bounds go to rect if given.
    virtual bool GetUpdateRect(WindowHandle window, Rect* rect, bool erase) = 0;
    // Begins painting: fills paint, empties (validates) the update region.
    // Returns the window's device context, none on failure.
    virtual DeviceContextHandle BeginPaint(WindowHandle window, PaintStruct& paint) = 0;
    virtual bool EndPaint(WindowHandle window, const PaintStruct& paint) = 0;

    // --- Messages -------------------------------------------------------------
    // Appends a message to the queue.
    virtual bool PostMessage(WindowHandle window, std::uint32_t message, WParam wParam,
                             LParam lParam) = 0;
    // Queues WM_QUIT (no window, wParam = exitCode).
    virtual void PostQuitMessage(int exitCode) = 0;
    // Takes the next message for any window of the thread, or returns false at
    // once when there is none (never waits). Order: posted messages (WM_QUIT
    // included) in posting order, then the window system's input translated
    // into messages, then WM_PAINT for a visible window whose update region is
    // not empty.
    virtual bool PeekMessage(Msg& msg) = 0;
    // Key translation: true for key messages; no character messages are produced.
    virtual bool TranslateMessage(const Msg& msg) = 0;
    // Calls the window procedure of msg.hwnd's class; 0 for no or a dead window.
    virtual LResult DispatchMessage(const Msg& msg) = 0;
    // Default processing: WM_NCCREATE returns 1, WM_CLOSE destroys the window,
    // WM_PAINT validates the update region, WM_SETCURSOR over the client area
    // shows the class cursor (and returns 1); others return 0.
    virtual LResult DefWindowProc(WindowHandle window, std::uint32_t message, WParam wParam,
                                  LParam lParam) = 0;
    // Timers: no window of this program starts one; kept for the loop's teardown.
    virtual bool KillTimer(WindowHandle window, std::uintptr_t id) = 0;
    // Waits until the window system has input for the program, or at most
    // milliseconds; returns at once when a message is already waiting. Takes
    // no message. True when one is waiting.
    virtual bool WaitMessage(std::uint32_t milliseconds) = 0;

    // --- Input ----------------------------------------------------------------
    // Routes pointer input to window until ReleaseCapture; returns the previous holder.
    virtual WindowHandle SetCapture(WindowHandle window) = 0;
    virtual bool ReleaseCapture() = 0;
    // Shows cursor (none hides it); returns the previous one.
    virtual CursorHandle SetCursor(CursorHandle cursor) = 0;
    // Modal box with one OK button (MB_OK); returns the button's id, 0 on failure.
    virtual int MessageBox(WindowHandle owner, const char* text, const char* caption,
                           std::uint32_t type) = 0;

    // --- Device contexts, pixel formats, GL contexts --------------------------
    // The window's own device context (one per window, for its lifetime).
    virtual DeviceContextHandle GetDC(WindowHandle window) = 0;
    // Index (1-based) of the format closest to descriptor, 0 on failure.
    virtual int ChoosePixelFormat(DeviceContextHandle dc,
                                  const PixelFormatDescriptor& descriptor) = 0;
    // Sets the format of dc, once per window: returns 1 on success.
    virtual int SetPixelFormat(DeviceContextHandle dc, int format,
                               const PixelFormatDescriptor& descriptor) = 0;
    // Format set on dc, 0 if none.
    virtual int GetPixelFormat(DeviceContextHandle dc) = 0;
    // Describes format into descriptor; returns the highest format index, 0 on failure.
    virtual int DescribePixelFormat(DeviceContextHandle dc, int format,
                                    PixelFormatDescriptor& descriptor) = 0;
    // A GL context for dc's pixel format; it is not made current.
    virtual ContextHandle CreateContext(DeviceContextHandle dc) = 0;
    // Deletes context; if it is current, none is current afterwards.
    virtual bool DeleteContext(ContextHandle context) = 0;
    // Makes the pair current. With no context, dc is ignored: nothing is
    // current afterwards and the call succeeds. Returns 1 on success; on
    // failure the current pair is unchanged.
    virtual int MakeCurrent(DeviceContextHandle dc, ContextHandle context) = 0;
    virtual ContextHandle GetCurrentContext() = 0;
    virtual DeviceContextHandle GetCurrentDC() = 0;
    virtual bool SwapBuffers(DeviceContextHandle dc) = 0;

    // --- Palettes ---------------------------------------------------------------
    virtual PaletteHandle CreatePalette(const LogPalette& palette) = 0;
    // Selects palette into dc (forceBackground: as background palette);
    // returns the previously selected one, none on failure.
    virtual PaletteHandle SelectPalette(DeviceContextHandle dc, PaletteHandle palette,
                                        bool forceBackground) = 0;
    // Maps dc's selected palette onto the system palette; returns the entries mapped.
    virtual std::uint32_t RealizePalette(DeviceContextHandle dc) = 0;
    virtual bool DeleteObject(PaletteHandle palette) = 0;

    // --- Display ------------------------------------------------------------------
    // Current mode of the primary display.
    virtual bool EnumDisplaySettings(DevMode& mode) = 0;
};

}  // namespace moon::platform
