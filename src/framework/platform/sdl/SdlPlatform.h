// SPDX-License-Identifier: MIT
// The real window system: windows, input and GL contexts on SDL2.
//
// Handles name entries of this backend's own tables, never SDL pointers, and
// ids are never reused, so a call naming a destroyed window or a deleted
// context finds nothing and fails without touching SDL. The window rules both
// backends share live in PlatformBase; what is SDL's is spread over
// SdlPlatform.cpp (windows), SdlMessages.cpp (waiting, the message box, the
// pointer and the translation of SDL's events), SdlContexts.cpp
// (pixel formats, GL contexts, the display) and
// SdlVideo.cpp (start-up, teardown, the connection to the display, signals);
// SdlX11.cpp holds Xlib's error handlers.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "framework/platform/PlatformBase.h"
#include "framework/platform/sdl/SdlPixelFormat.h"

struct SDL_Window;
struct SDL_Cursor;
struct SDL_WindowEvent;
union SDL_Event;

namespace moon::platform {

// Called once when the X connection SDL opened is lost: the server went away
// or closed the connection, or refused a request on a window that another
// program destroyed. display: its name (":1"); reason: one line. Must not
// return: Xlib cannot go on after it.
using DisplayLostHandler = void (*)(const char* display, const char* reason);
// Installs Xlib's error handlers; call after SDL has opened its X connection.
void WatchX11Display(DisplayLostHandler onLost);

class SdlPlatform final : public PlatformBase {
public:
    SdlPlatform() = default;
    SdlPlatform(const SdlPlatform&) = delete;
    SdlPlatform& operator=(const SdlPlatform&) = delete;
    ~SdlPlatform() override;

    bool AdjustWindowRect(Rect& rect, std::uint32_t style, bool menu) override;

    bool WaitMessage(std::uint32_t milliseconds) override;

    int MessageBox(WindowHandle owner, const char* text, const char* caption,
                   std::uint32_t type) override;

    bool DeleteContext(ContextHandle context) override;
    ContextHandle GetCurrentContext() override;
    DeviceContextHandle GetCurrentDC() override;

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

    struct WindowEntry : WindowRecord {
        std::uint32_t id = 0;
        SDL_Window* sdl = nullptr;
        std::uint32_t sdlId = 0;
        int createX = 0;  // SDL position if the window is made anew before it is shown
        int createY = 0;
        GLAttributes created;
        int reportedWidth = -1;  // client size last sent with WM_SIZE
        int reportedHeight = -1;
    };

    struct ContextEntry {
        void* gl = nullptr;  // SDL_GLContext
        int format = 0;
        std::uint32_t window = 0;  // created for this window's device context
    };

    struct FormatEntry {
        GLAttributes requested;
        GLAttributes actual;  // read from the first context made with it
        bool actualKnown = false;
    };

    bool FailSdl();
    // True (and LastError set) once the connection is lost: the caller must
    // then not touch SDL.
    bool Lost();
    static void OnDisplayLost(const char* display, const char* reason);
    // A close request from a signal (ProcessSignals) becomes WM_CLOSE.
    void TakeCloseRequest();

    static bool IsInvisibleDriver(const char* driver);
    void NameApplication();
    bool EnsureVideo();
    // The backend's entry of a record PlatformBase hands over.
    static WindowEntry& EntryOf(WindowRecord& record) { return static_cast<WindowEntry&>(record); }
    Borders BordersOf(const WindowEntry& entry) const;
    Rect ClientRectOf(const WindowEntry& entry) const;

    // The shared rules' hooks.
    bool Admit(const char* operation) override;
    bool StartWindowSystem() override { return EnsureVideo(); }
    bool WindowSystemStarted() const override { return m_bVideo; }
    Rect ClientArea(WindowHandle window) override;
    WindowRecord* MakeSystemWindow(const WindowRequest& request, WindowHandle window) override;
    void DestroySystemWindow(WindowHandle window) override;
    void SizeReported(WindowHandle window, const Rect& client) override;
    void ShowSystemWindow(WindowHandle window, bool shown) override;
    void ShowSystemCursor(CursorHandle cursor) override;
    void CaptureSystemPointer(bool captured) override;
    void BeforePeek() override { TakeCloseRequest(); }
    void PumpInput() override;
    Rect OuterRect(WindowRecord& record) override;
    void PlaceSystemWindow(WindowHandle window, WindowRecord& record, int x, int y, int width,
                           int height, std::uint32_t flags) override;
    void TitleSystemWindow(WindowRecord& record, const char* text) override;
    int ChooseFormat(WindowRecord& record, const PixelFormatDescriptor& descriptor) override;
    int SetFormat(WindowRecord& record, int format) override;
    int DescribeFormat(int format, PixelFormatDescriptor& descriptor) override;
    ContextHandle MakeContext(WindowRecord& record) override;
    int ContextFormat(ContextHandle context) const override;
    bool MakeSystemCurrent(WindowRecord* record, DeviceContextHandle dc,
                           ContextHandle context) override;
    bool SwapSystemBuffers(WindowRecord& record) override;
    SDL_Window* CreateSdlWindow(const WindowEntry& entry, int width, int height,
                                const GLAttributes& attributes);
    bool RemakeSdlWindow(WindowEntry& entry, const GLAttributes& attributes);
    // Gives the SDL window its class icon, when that is one of the program's.
    void ApplyClassIcon(const WindowEntry& entry, SDL_Window* window) const;
    int FormatIndex(const GLAttributes& attributes);

    void Translate(const SDL_Event& event);
    void TranslateWindowEvent(const SDL_WindowEvent& event);
    bool FindPointerTarget(std::uint32_t sdlId, int& x, int& y, WindowHandle& target);
    WParam PointerFlags() const;

    bool m_bVideo = false;
    bool m_bLost = false;
    bool m_bSignals = false;                         // this backend catches close requests
    bool m_bWindowMade = false;                      // the OpenGL driver may be loaded
    std::map<std::uint32_t, WindowEntry> m_windows;  // by id, so in creation order
    std::unordered_map<std::uint32_t, std::uint32_t> m_bySdlId;
    std::map<std::uint32_t, ContextEntry> m_contexts;
    std::uint32_t m_nextContext = 1;
    std::vector<FormatEntry> m_formats;  // format n is m_formats[n - 1]
    GLAttributes m_lastFormat;           // what a new SDL window is first made with
    SDL_Cursor* m_pArrow = nullptr;      // made on first use
    WParam m_buttons = 0;                // MK_* flags of the buttons held down
    // Frame of framed styles as the window manager last reported it; used alike
    // by AdjustWindowRect and by the operations taking outer sizes, so a client
    // size grown by one and shrunk by the other comes out unchanged.
    Borders m_frame;
};

}  // namespace moon::platform
