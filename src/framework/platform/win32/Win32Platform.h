// SPDX-License-Identifier: MIT
// The native Windows backend: every operation of the seam is the Windows
// function of the same name (user32, gdi32, opengl32's wgl functions), and
// Windows keeps its own rules; nothing here emulates them.
//
// Handles are entries of this backend's tables, mapped to HWND, HDC, HGLRC,
// HPALETTE, HCURSOR and HICON at the edge; ids are never reused, so a call
// naming a destroyed window or a deleted context finds nothing here and fails
// without reaching Windows. Every operation naming a window or a device
// context resolves it once, as it is entered (EnterWindow, EnterDc), and
// works on the window's entry from then on.
//
// Each window carries its entry on its HWND (a window property), from
// WM_NCCREATE to WM_NCDESTROY: the window procedure registered with Windows
// finds its backend and its window there, and hands every message to the
// framework's procedure of the class, with the window's id and, where the
// framework has types of its own, its parameters translated (the creation
// record, the window under the pointer); DefWindowProc gives Windows back
// the originals.
//
// Files: Win32Platform.cpp (windows, painting, stock resources, input,
// errors), Win32Messages.cpp (start and teardown, classes, the window
// procedure, the queue), Win32Contexts.cpp (device contexts, pixel formats,
// WGL, palettes, the display), Win32Identity.cpp (the program's icons and
// its name to the shell), Win32Console.cpp (the console and the close
// requests it makes). windows.h is included by those files alone, through
// WindowsApi.h.
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "framework/platform/Platform.h"

// Windows' handle types, as windows.h declares them (STRICT).
struct HWND__;
struct HDC__;
struct HGLRC__;
struct HPALETTE__;
struct HICON__;
struct HINSTANCE__;
struct HPBUFFERARB__;

namespace moon::platform {

class Win32Platform final : public Platform {
public:
    Win32Platform();
    Win32Platform(const Win32Platform&) = delete;
    Win32Platform& operator=(const Win32Platform&) = delete;
    // Destroys the windows still open (without calling the framework) and
    // deletes the contexts and palettes made, then unregisters the classes,
    // so that another backend in the same process starts clean.
    ~Win32Platform() override;

    const Failure& LastFailure() const override { return m_failure; }

    ModuleHandle GetModuleHandle() override;
    Atom RegisterClass(const WndClass& windowClass) override;
    bool UnregisterClass(Atom atom, ModuleHandle instance) override;
    IconHandle LoadIcon(ModuleHandle instance, int id) override;
    CursorHandle LoadCursor(ModuleHandle instance, int id) override;
    // The icon becomes one of Windows' (32-bit colour with alpha); LoadIcon
    // with the program's module and its id returns it ahead of an icon
    // resource of the executable with that id.
    bool AddModuleIcon(int id, const IconImage& image) override;
    // The shell's AppUserModelID of the process.
    bool SetApplicationId(const char* id) override;

    WindowHandle CreateWindowEx(std::uint32_t exStyle, const char* className,
                                const char* windowName, std::uint32_t style, int x, int y,
                                int width, int height, WindowHandle parent, ModuleHandle instance,
                                void* param) override;
    bool DestroyWindow(WindowHandle window) override;
    bool ShowWindow(WindowHandle window, int command) override;
    bool GetClientRect(WindowHandle window, Rect& rect) override;
    bool GetWindowRect(WindowHandle window, Rect& rect) override;
    bool AdjustWindowRect(Rect& rect, std::uint32_t style, bool menu) override;
    bool SetWindowPos(WindowHandle window, int x, int y, int width, int height,
                      std::uint32_t flags) override;
    bool SetWindowText(WindowHandle window, const char* text) override;
    bool IsWindowVisible(WindowHandle window) override;
    bool IsIconic(WindowHandle window) override;
    std::intptr_t GetWindowLong(WindowHandle window, int index) override;
    std::intptr_t SetWindowLong(WindowHandle window, int index, std::intptr_t value) override;
    WindowHandle SetParent(WindowHandle window, WindowHandle parent) override;
    WindowHandle GetParent(WindowHandle window) override;

    bool InvalidateRect(WindowHandle window, const Rect* rect, bool erase) override;
    bool GetUpdateRect(WindowHandle window, Rect* rect, bool erase) override;
    DeviceContextHandle BeginPaint(WindowHandle window, PaintStruct& paint) override;
    bool EndPaint(WindowHandle window, const PaintStruct& paint) override;

    bool PostMessage(WindowHandle window, std::uint32_t message, WParam wParam,
                     LParam lParam) override;
    void PostQuitMessage(int exitCode) override;
    bool PeekMessage(Msg& msg) override;
    bool TranslateMessage(const Msg& msg) override;
    LResult DispatchMessage(const Msg& msg) override;
    LResult DefWindowProc(WindowHandle window, std::uint32_t message, WParam wParam,
                          LParam lParam) override;
    bool KillTimer(WindowHandle window, std::uintptr_t id) override;
    bool WaitMessage(std::uint32_t milliseconds) override;

    WindowHandle SetCapture(WindowHandle window) override;
    bool ReleaseCapture() override;
    CursorHandle SetCursor(CursorHandle cursor) override;
    int MessageBox(WindowHandle owner, const char* text, const char* caption,
                   std::uint32_t type) override;

    DeviceContextHandle GetDC(WindowHandle window) override;
    int ChoosePixelFormat(DeviceContextHandle dc, const PixelFormatDescriptor& descriptor) override;
    int SetPixelFormat(DeviceContextHandle dc, int format,
                       const PixelFormatDescriptor& descriptor) override;
    int GetPixelFormat(DeviceContextHandle dc) override;
    int DescribePixelFormat(DeviceContextHandle dc, int format,
                            PixelFormatDescriptor& descriptor) override;
    ContextHandle CreateContext(DeviceContextHandle dc) override;
    bool DeleteContext(ContextHandle context) override;
    int MakeCurrent(DeviceContextHandle dc, ContextHandle context) override;
    ContextHandle GetCurrentContext() override;
    DeviceContextHandle GetCurrentDC() override;
    bool SwapBuffers(DeviceContextHandle dc) override;

    PaletteHandle CreatePalette(const LogPalette& palette) override;
    PaletteHandle SelectPalette(DeviceContextHandle dc, PaletteHandle palette,
                                bool forceBackground) override;
    std::uint32_t RealizePalette(DeviceContextHandle dc) override;
    bool DeleteObject(PaletteHandle palette) override;

    bool EnumDisplaySettings(DevMode& mode) override;

    // The window procedure registered with Windows hands every message here:
    // the window's entry (a window property) names its backend, which the
    // message is delivered to; a window without one has the default.
    static LResult Receive(HWND__* hwnd, std::uint32_t message, WParam wParam, LParam lParam);

private:
    // Ids for one kind of Windows handle: given out in order from 1, never
    // reused; a handle Windows hands us that we have not seen (a stock
    // object, the cursor another program set) gets the next one.
    template <typename Native>
    class HandleTable {
    public:
        std::uint32_t IdOf(Native* native) {
            if (native == nullptr) {
                return 0;
            }
            const auto found = m_ids.find(native);
            if (found != m_ids.end()) {
                return found->second;
            }
            const std::uint32_t id = m_next++;
            m_ids[native] = id;
            m_natives[id] = native;
            return id;
        }
        // The id of a handle already known, 0 otherwise.
        std::uint32_t Known(Native* native) const {
            const auto found = m_ids.find(native);
            return found != m_ids.end() ? found->second : 0;
        }
        Native* Find(std::uint32_t id) const {
            const auto found = m_natives.find(id);
            return found != m_natives.end() ? found->second : nullptr;
        }
        void Remove(std::uint32_t id) {
            const auto found = m_natives.find(id);
            if (found != m_natives.end()) {
                m_ids.erase(found->second);
                m_natives.erase(found);
            }
        }
        const std::map<std::uint32_t, Native*>& All() const { return m_natives; }

    private:
        std::map<std::uint32_t, Native*> m_natives;
        std::unordered_map<Native*, std::uint32_t> m_ids;
        std::uint32_t m_next = 1;
    };

    // Drawing off screen (UseOffscreenDrawing), GL draws into a pbuffer the
    // size of the window's client area, not into the window: nobody owns
    // the pixels of a window that is never shown (Windows may drop what is
    // drawn there, and under Wine its front buffer reads back black). It is
    // single-buffered, so the frame a swap would show is in its front buffer.
    struct Pbuffer {
        HPBUFFERARB__* handle = nullptr;
        HDC__* hdc = nullptr;
        int format = 0;  // a pbuffer format with the window format's buffers
        int width = 0;   // pixels
        int height = 0;
    };

    // What Windows keeps on each of our windows (a window property): the
    // backend that made it and its state here.
    struct WindowEntry {
        Win32Platform* platform = nullptr;
        std::uint32_t id = 0;            // its handle's id; also its device context's
        WindowProc procedure = nullptr;  // the framework's, of its class
        void* param = nullptr;           // the creation parameter, for the framework
        HWND__* hwnd = nullptr;          // from WM_NCCREATE
        HDC__* hdc = nullptr;            // its own device context, held from the first GetDC
        HDC__* paintDc = nullptr;        // what BeginPaint returned, until EndPaint
        Pbuffer pbuffer;                 // off screen, from the first CreateContext
    };
    // A message handed to the framework with parameters of its own types;
    // DefWindowProc called with the translated ones gives Windows the originals.
    struct Translation {
        Msg translated;
        WParam wParam = 0;
        LParam lParam = 0;
    };

    // Starts an operation: clears LastFailure() and Windows' last error.
    void Enter();
    // Enter(), then the live window's entry, or null with LastFailure() set.
    WindowEntry* EnterWindow(WindowHandle window);
    // The same, its HWND.
    HWND__* EnterHwnd(WindowHandle window);
    // Enter(), then the entry of the window whose device context this is (one
    // GetDC has handed out), or null with LastFailure() set.
    WindowEntry* EnterDc(DeviceContextHandle dc);
    // Enter(), then the HWND of a window that may be none (null for none):
    // false with LastFailure() set for one that is not live.
    bool EnterOptionalWindow(WindowHandle window, HWND__*& hwnd);
    // Records why the current operation fails; returns false.
    bool Fail(FailureKind kind, std::string reason);
    // Fails with Windows' reason for the last error (operation's name if it gave none).
    bool FailSystem(const char* operation);
    // What GetWindowLongPtr or SetWindowLongPtr gave, for the framework: the
    // style without the sign 64-bit Windows widens it with.
    std::intptr_t LongResult(int index, std::intptr_t value, const char* operation);

    // The live window's entry, or null with LastFailure() set ("no such window").
    WindowEntry* FindEntry(WindowHandle window);
    // The window's entry, or null; sets nothing.
    WindowEntry* Live(std::uint32_t id) const;
    // The entry of the window whose device context this is, or null with
    // LastFailure() set.
    WindowEntry* FindDcEntry(DeviceContextHandle dc);
    // The id of a window Windows names; 0 for none or a window not of ours.
    std::uint32_t WindowIdOf(HWND__* hwnd) const;
    // The window's own device context, taken from Windows on first use; null
    // with LastFailure() set when Windows refuses.
    HDC__* DcOf(WindowEntry& entry);
    // What GL draws into for the window: its pbuffer off screen, else its
    // device context.
    static HDC__* DrawingDcOf(const WindowEntry& entry);
    // Gives the window a pbuffer matching its pixel format and client area;
    // one whose size no longer matches is replaced (what it held is lost).
    bool FitPbuffer(WindowEntry& entry);
    static void ReleasePbuffer(Pbuffer& pbuffer);
    // Whether UseOffscreenDrawing was called.
    static bool DrawsOffscreen();
    // The window is gone: its device context, its entry and id go with it.
    void Forget(WindowEntry& entry);
    // The entry a window carries, null for one that carries none; giving it
    // one, and taking it off.
    static WindowEntry* EntryOfWindow(HWND__* hwnd);
    static void CarryEntry(HWND__* hwnd, WindowEntry& entry);
    static void ForgetWindow(HWND__* hwnd);
    // The module a handle names: 1 is the program's own, none is none.
    static HINSTANCE__* ModuleOf(ModuleHandle instance);

    LResult Deliver(WindowEntry& entry, std::uint32_t message, WParam wParam, LParam lParam);
    LResult CallFramework(WindowProc procedure, std::uint32_t id, std::uint32_t message,
                          WParam wParam, LParam lParam, WParam originalW, LParam originalL);
    // Close requests (console Ctrl+C, closing the console) become WM_CLOSE for
    // every window, in creation order, ahead of anything else waiting.
    void TakeCloseRequest();

    Failure m_failure;
    struct ClassEntry {
        WindowProc procedure = nullptr;  // the framework's
        HINSTANCE__* module = nullptr;   // the module it was registered for
    };

    std::map<Atom, ClassEntry> m_classes;  // the classes registered here
    // By id, so in creation order; entries stay where they are (Windows holds them).
    std::map<std::uint32_t, std::unique_ptr<WindowEntry>> m_windows;
    std::uint32_t m_nextWindow = 1;  // every window's id is given here
    HandleTable<HGLRC__> m_contexts;
    HandleTable<HPALETTE__> m_palettes;
    std::vector<std::uint32_t> m_madePalettes;  // ids of the palettes CreatePalette made
    HandleTable<HICON__> m_cursors;
    HandleTable<HICON__> m_icons;
    std::map<int, HICON__*> m_moduleIcons;    // made by AddModuleIcon, by the program's id
    bool m_bWindowSystemStarted = false;      // a class has been registered
    std::vector<Translation> m_translations;  // innermost last
    std::deque<Msg> m_pending;                // close requests, ahead of the queue
    bool m_bClosing = false;                  // in the destructor: no framework calls
};

}  // namespace moon::platform
