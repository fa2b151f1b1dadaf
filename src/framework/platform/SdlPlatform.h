// The real window system: windows, input and GL contexts on SDL2.
//
// Handles name entries of this backend's own tables, never SDL pointers, and
// ids are never reused, so a call naming a destroyed window or a deleted
// context finds nothing and fails without touching SDL. The operations are
// spread over SdlPlatform.cpp (classes, windows), SdlMessages.cpp (painting,
// the queue, input and the translation of SDL's events), SdlContexts.cpp
// (device contexts, pixel formats, GL contexts, palettes, the display) and
// SdlVideo.cpp (start-up, teardown, the connection to the display, signals);
// SdlX11.cpp holds Xlib's error handlers.
#pragma once

#include <deque>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "framework/platform/Platform.h"
#include "framework/platform/SdlPixelFormat.h"

struct SDL_Window;
struct SDL_Cursor;
struct SDL_WindowEvent;
union SDL_Event;

namespace moon::platform {

// The SDL2 backend; Platform::Get() uses it unless a test chose another.
std::unique_ptr<Platform> CreateSdlPlatform();

// Called once when the X connection SDL opened is lost: the server went away
// or closed the connection, or refused a request on a window that another
// program destroyed. display: its name (":1"); reason: one line. Must not
// return: Xlib cannot go on after it.
using DisplayLostHandler = void (*)(const char* display, const char* reason);
// Installs Xlib's error handlers; call after SDL has opened its X connection.
void WatchX11Display(DisplayLostHandler onLost);

class SdlPlatform final : public Platform {
public:
    SdlPlatform();
    SdlPlatform(const SdlPlatform&) = delete;
    SdlPlatform& operator=(const SdlPlatform&) = delete;
    ~SdlPlatform() override;

    std::string LastError() const override { return m_lastError; }

    ModuleHandle GetModuleHandle() override { return ModuleHandle{1}; }
    Atom RegisterClass(const WndClass& windowClass) override;
    bool UnregisterClass(Atom atom, ModuleHandle instance) override;
    IconHandle LoadIcon(ModuleHandle instance, int id) override;
    CursorHandle LoadCursor(ModuleHandle instance, int id) override;

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

    // What the X error handlers do (public for tests): from now on every call
    // does nothing and fails. Nothing is said and the process goes on.
    void MarkConnectionLost();
    bool ConnectionLost() const { return m_bLost; }

private:
    // Window frame sizes in pixels, as SDL_GetWindowBordersSize reports them.
    struct Borders {
        int top = 0;
        int left = 0;
        int bottom = 0;
        int right = 0;
    };

    struct ClassEntry {
        std::string name;  // the caller's name pointer need not outlive registration
        WndClass windowClass;
    };

    struct WindowEntry {
        std::uint32_t id = 0;
        SDL_Window* sdl = nullptr;
        std::uint32_t sdlId = 0;
        Atom atom = 0;
        std::uint32_t style = 0;  // without WS_VISIBLE, which follows `visible`
        std::uint32_t exStyle = 0;
        WindowHandle parent;  // recorded only: SDL has no child windows
        std::intptr_t userData = 0;
        DeviceContextHandle dc;
        PaletteHandle palette;  // selected into dc
        int createX = 0;        // SDL position if the window is made anew before it is shown
        int createY = 0;
        bool visible = false;
        bool shownOnce = false;
        bool minimised = false;
        bool destroying = false;
        bool dirty = false;  // the update region is not empty
        Rect update;         // its bounds, client pixels
        int format = 0;      // pixel format set on dc, 0 = none
        GlAttributes created;
        int reportedWidth = -1;  // client size last sent with WM_SIZE
        int reportedHeight = -1;
    };

    struct ContextEntry {
        void* gl = nullptr;  // SDL_GLContext
        int format = 0;
        std::uint32_t window = 0;  // created for this window's device context
    };

    struct FormatEntry {
        GlAttributes requested;
        GlAttributes actual;  // read from the first context made with it
        bool actualKnown = false;
    };

    static constexpr std::uint32_t kStockPalette = 1;
    static constexpr WParam kSizeRestored = 0;  // WM_SIZE wParam
    static constexpr WParam kSizeMinimised = 1;

    bool Fail(std::string reason) {
        m_lastError = std::move(reason);
        return false;
    }
    bool FailSdl();
    // True (and LastError set) once the connection is lost: the caller must
    // then not touch SDL.
    bool Lost();
    static void OnDisplayLost(const char* display, const char* reason);
    // Signals asking the program to close: SIGINT and SIGTERM set a flag that
    // PeekMessage reads, so no request is lost to a full SDL event queue.
    void CatchCloseSignals();
    void ReleaseCloseSignals();
    void TakeCloseRequest();

    static bool IsInvisibleDriver(const char* driver);
    bool EnsureVideo();
    WindowEntry* FindWindow(WindowHandle window);
    WindowEntry* FindWindowOfDc(DeviceContextHandle dc);
    LResult Send(std::uint32_t id, std::uint32_t message, WParam wParam, LParam lParam);
    void SendSize(std::uint32_t id);
    Borders BordersOf(const WindowEntry& entry) const;
    Rect ClientRectOf(const WindowEntry& entry) const;
    void AddToUpdate(WindowEntry& entry, const Rect* rect);
    SDL_Window* CreateSdlWindow(const WindowEntry& entry, int width, int height,
                                const GlAttributes& attributes);
    bool RemakeSdlWindow(WindowEntry& entry, const GlAttributes& attributes);
    int FormatIndex(const GlAttributes& attributes);

    void PumpEvents();
    void Translate(const SDL_Event& event);
    void TranslateWindowEvent(const SDL_WindowEvent& event);
    bool FindPointerTarget(std::uint32_t sdlId, int& x, int& y, WindowHandle& target);
    WParam PointerFlags() const;
    void QueueInput(WindowHandle window, std::uint32_t message, WParam wParam, LParam lParam) {
        m_input.push_back(Msg{window, message, wParam, lParam});
    }

    std::string m_lastError;
    bool m_bVideo = false;
    bool m_bLost = false;
    bool m_bSignals = false;  // CatchCloseSignals installed its handlers
    std::map<Atom, ClassEntry> m_classes;
    Atom m_nextAtom = 0xC000;                        // registered class atoms start here
    std::map<std::uint32_t, WindowEntry> m_windows;  // by id, so in creation order
    std::uint32_t m_nextWindow = 1;
    std::unordered_map<std::uint32_t, std::uint32_t> m_bySdlId;
    std::map<std::uint32_t, std::uint32_t> m_dcs;  // device context id -> window id
    std::uint32_t m_nextDc = 1;
    std::map<std::uint32_t, ContextEntry> m_contexts;
    std::uint32_t m_nextContext = 1;
    std::map<std::uint32_t, LogPalette> m_palettes;
    std::uint32_t m_nextPalette = kStockPalette + 1;
    std::vector<FormatEntry> m_formats;  // format n is m_formats[n - 1]
    GlAttributes m_lastFormat;           // what a new SDL window is first made with
    std::deque<Msg> m_posted;
    std::deque<Msg> m_input;  // translated window-system events
    WindowHandle m_hCapture;
    CursorHandle m_hCursor;
    std::map<int, SDL_Cursor*> m_sdlCursors;
    WParam m_buttons = 0;  // MK_* flags of the buttons held down
    // Frame of framed styles as the window manager last reported it; used alike
    // by AdjustWindowRect and by the operations taking outer sizes, so a client
    // size grown by one and shrunk by the other comes out unchanged.
    Borders m_frame;
};

}  // namespace moon::platform
