// SPDX-License-Identifier: MIT
// The seam between the GL window framework and the window system.
//
// The framework is written against a Win32-shaped window system: window classes
// with a window procedure, a per-thread message queue, device contexts with
// pixel formats, GL contexts made current as (device context, context) pairs,
// palettes. This header and PlatformTypes.h are that shape, nothing more: the
// operations the framework calls (here), the message numbers and the
// wParam/lParam packing it reads (there).
// Backends fill it in: SdlPlatform (real windows on SDL2) and FakePlatform
// (state kept in memory, for tests), both on PlatformBase, which holds the
// window rules they share, and Win32Platform (native Windows, whose rules
// are Windows' own). Backends never call application handlers directly;
// they only call the window procedure registered with a class.
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
// Everything runs on one thread. The backend is chosen on first use of Get():
// the window system's own (CreateSystemPlatform) unless a test has called
// Use() before.
#pragma once

#include <memory>
#include <string>

#include "framework/platform/PlatformTypes.h"

namespace moon::platform {

class Platform {
public:
    virtual ~Platform() = default;

    // The backend in use. The first call without a preceding Use() creates the
    // window system's own backend. The backend lives until the process ends: the framework's
    // exit-time teardown still calls it.
    static Platform& Get();
    // Selects the backend; tests call it before constructing any window.
    static void Use(std::unique_ptr<Platform> platform);

    // Why the last call failed: its kind, and one line for people (kind
    // NoFailure and "" when it succeeded). Every operation clears it first, so it
    // belongs to the call that failed.
    virtual const Failure& LastFailure() const = 0;
    // The line alone.
    std::string LastError() const { return LastFailure().text; }

    // --- Module and classes -------------------------------------------------
    // The program's own module; never none.
    virtual ModuleHandle GetModuleHandle() = 0;
    // Registers a class by name; returns its atom, 0 on failure (no window
    // system, name already taken).
    virtual Atom RegisterClass(const WndClass& windowClass) = 0;
    // Unregisters the class with this atom; false if unknown or windows of it live.
    virtual bool UnregisterClass(Atom atom, ModuleHandle instance) = 0;
    // The stock icon / cursor the framework uses (IDI_APPLICATION, IDC_ARROW;
    // module none for the system's own); any other fails. An icon the
    // program's module holds is loaded with that module and its id.
    virtual IconHandle LoadIcon(ModuleHandle instance, int id) = 0;
    virtual CursorHandle LoadCursor(ModuleHandle instance, int id) = 0;

    // --- The program as the desktop knows it ---------------------------------
    // A Windows program carries its icons in its executable's resources and
    // names its process to the shell; elsewhere the program hands them over
    // here, before its first window, and they are used the same way: the
    // window class takes its icon from the program's module by id, and every
    // window of the class shows it.
    //
    // Adds an icon with this id (1 or more) to the program's module. False for
    // an id already taken, an empty picture (at most 1024 pixels a side) or
    // pixels that do not fill it.
    virtual bool AddModuleIcon(int id, const IconImage& image) = 0;
    // Names the program to the desktop, which matches its windows with the
    // desktop entry of that name (StartupWMClass): the X11 WM_CLASS, the
    // Wayland app id (on Windows, the AppUserModelID). The window system reads
    // it when it starts, with the first window class: false after that, and
    // for an empty name or one with spaces or control characters. A name the
    // user gives in the environment (SDL_VIDEO_X11_WMCLASS) wins.
    virtual bool SetApplicationId(const char* id) = 0;

    // --- Windows --------------------------------------------------------------
    // Creates a window of a registered class. x, y: outer top-left corner on the
    // screen; width, height: outer size (CW_USEDEFAULT lets the system choose).
    // Sends, synchronously: WM_NCCREATE (lParam points to a CreateStruct
    // carrying param; a result of 0 fails the creation), WM_CREATE (-1 fails
    // it; either way WM_NCDESTROY alone follows), WM_SIZE with the client size
    // (Windows sends this one here only to child and pop-up windows, to
    // others at their first show). The window starts hidden unless style has
    // WS_VISIBLE.
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
    // Asks for WM_QUIT (no window, wParam = exitCode): it comes once, with the
    // last code, after every message posted (even after it) and before input.
    virtual void PostQuitMessage(int exitCode) = 0;
    // Takes the next message for any window of the thread, or returns false at
    // once when there is none (never waits). Order: posted messages in posting
    // order, then WM_QUIT, then the window system's input translated into
    // messages, then WM_PAINT for a visible window whose update region is not
    // empty.
    virtual bool PeekMessage(Msg& msg) = 0;
    // Key translation: true for key messages; no character messages are produced.
    virtual bool TranslateMessage(const Msg& msg) = 0;
    // Calls the window procedure of msg.hwnd's class; 0 for no or a dead window.
    virtual LResult DispatchMessage(const Msg& msg) = 0;
    // Default processing: WM_NCCREATE returns 1, WM_CLOSE destroys the window,
    // WM_PAINT validates the update region, WM_SETCURSOR over the client area
    // shows the class cursor (and returns 1; Wine returns 0), elsewhere the
    // arrow; others return 0.
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
    // Maps dc's selected palette onto the system palette; returns the entries
    // mapped (none on a true-colour display, which has no system palette).
    virtual std::uint32_t RealizePalette(DeviceContextHandle dc) = 0;
    // Deleting the stock palette succeeds and changes nothing.
    virtual bool DeleteObject(PaletteHandle palette) = 0;

    // --- Display ------------------------------------------------------------------
    // Current mode of the primary display.
    virtual bool EnumDisplaySettings(DevMode& mode) = 0;
};

// The rules AddModuleIcon and SetApplicationId hold every backend to: a
// picture of 1 to 1024 pixels a side whose RGBA bytes fill it; a name of
// visible ASCII without spaces.
bool IsModuleIconImage(const IconImage& image);
bool IsApplicationId(const char* id);

// The real backend of the system the program is built for: SDL on Linux,
// Win32 on Windows. The build compiles exactly one backend folder that
// defines it.
std::unique_ptr<Platform> CreateSystemPlatform();

}  // namespace moon::platform
