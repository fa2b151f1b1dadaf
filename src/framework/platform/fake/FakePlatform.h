// SPDX-License-Identifier: MIT
// A window system kept in memory, for tests: real state (windows, geometry,
// visibility, update regions, the current pair, the queue, capture, styles,
// parents, display mode), a log of the calls made, messages a test injects,
// and failures a test asks for. The rules it shares with the SDL backend
// (queue order, update region, window longs, default processing) are
// PlatformBase's; what is here is its own state and the test controls.
//
// Geometry: a window with a caption (WS_CAPTION) has a frame of 8 pixels on
// each side plus a 23-pixel caption; one with only WS_THICKFRAME has the frame;
// any other window has no border. The display is 1920 x 1080.
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <string>
#include <vector>

#include "framework/platform/PlatformBase.h"

namespace moon::platform {

class FakePlatform final : public PlatformBase {
public:
    // What the fake knows of one window; stays readable after destruction.
    struct WindowState : WindowRecord {
        bool alive = false;
        std::string className;
        std::string title;
        Rect outer;  // screen coordinates
        int swapCount = 0;
        void* createParam = nullptr;
    };

    FakePlatform();

    // --- Test controls -------------------------------------------------------
    // Names of the operations called, in order (e.g. "CreateWindowEx").
    const std::vector<std::string>& Calls() const { return m_calls; }
    void ClearCalls() { m_calls.clear(); }
    int CountCalls(const std::string& name) const;
    // Adds a marker to the call log, so a test can order its own events
    // (handler calls) among the platform calls.
    void Note(const std::string& marker) { m_calls.push_back(marker); }
    // The next `times` calls of the named operation fail (-1: every call).
    void InjectFailure(const std::string& operation, int times = -1);
    // Queues a message as input from the window system (after posted messages).
    void Inject(WindowHandle window, std::uint32_t message, WParam wParam = 0, LParam lParam = 0);
    // Calls the window's procedure at once, as the window system's sends do.
    using PlatformBase::Send;
    // Pixel formats offered (1-based indices); ChoosePixelFormat takes the
    // first one with at least the requested depth bits, else the deepest.
    void SetPixelFormats(std::vector<PixelFormatDescriptor> formats);
    void SetDisplayMode(const DevMode& mode) { m_displayMode = mode; }
    // The user minimises (true) or restores (false) the window: it keeps its
    // visibility but is not painted while minimised.
    void Minimise(WindowHandle window, bool minimised);
    // The window system goes away: every later call is logged, does nothing
    // and fails, as the real backend's calls do after its connection is lost.
    void LoseConnection() { m_bLost = true; }
    // The time WaitMessage has waited in all, as if no input ever came.
    std::uint64_t WaitedMilliseconds() const { return m_waited; }

    // --- Inspection ------------------------------------------------------------
    // Every window ever created, in creation order.
    std::vector<WindowHandle> Windows() const;
    const WindowState& State(WindowHandle window) const;
    bool ClientRect(WindowHandle window, Rect& rect) const;
    WindowHandle Capture() const { return m_hCapture; }
    ContextHandle CurrentContext() const { return m_hCurrentContext; }
    // The descriptor of the last ChoosePixelFormat call.
    const PixelFormatDescriptor& LastRequested() const { return m_lastRequested; }
    CursorHandle Cursor() const { return m_hCursor; }
    bool ContextAlive(ContextHandle context) const;
    bool PaletteAlive(PaletteHandle palette) const;
    const LogPalette& PaletteContents(PaletteHandle palette) const;
    bool ClassRegistered(const std::string& name) const;
    const std::deque<Msg>& Posted() const { return PostedMessages(); }
    // Texts shown in message boxes, with their captions.
    const std::vector<std::pair<std::string, std::string>>& MessageBoxes() const {
        return m_messageBoxes;
    }
    // Messages that reached DefWindowProc, in order.
    const std::vector<Msg>& Defaulted() const { return m_defaulted; }
    // The picture of the window's class icon if it is one of the program's
    // own (AddModuleIcon), null for the stock icon.
    const IconImage* WindowIcon(WindowHandle window) const {
        return ClassIconImage(State(window).atom);
    }
    // The name SetApplicationId gave, "" if none.
    using PlatformBase::ApplicationId;

    // --- Platform ------------------------------------------------------------
    bool AdjustWindowRect(Rect& rect, std::uint32_t style, bool menu) override;
    bool WaitMessage(std::uint32_t milliseconds) override;
    int MessageBox(WindowHandle owner, const char* text, const char* caption,
                   std::uint32_t type) override;
    bool DeleteContext(ContextHandle context) override;
    ContextHandle GetCurrentContext() override;
    DeviceContextHandle GetCurrentDC() override;
    bool EnumDisplaySettings(DevMode& mode) override;

private:
    struct ContextState {
        bool alive = false;
        int pixelFormat = 0;
    };

    // Logs the call; false (with LastError set) when the connection is lost
    // or a failure was asked for.
    bool Admit(const char* operation) override;
    Rect ClientArea(WindowHandle window) override;
    WindowRecord* MakeSystemWindow(const WindowRequest& request, WindowHandle window) override;
    void DestroySystemWindow(WindowHandle window) override;
    void NoteDefault(const Msg& msg) override { m_defaulted.push_back(msg); }
    Rect OuterRect(WindowRecord& record) override {
        return static_cast<WindowState&>(record).outer;
    }
    void PlaceSystemWindow(WindowHandle window, WindowRecord& record, int x, int y, int width,
                           int height, std::uint32_t flags) override;
    void TitleSystemWindow(WindowRecord& record, const char* text) override {
        static_cast<WindowState&>(record).title = text;
    }
    int ChooseFormat(WindowRecord& record, const PixelFormatDescriptor& descriptor) override;
    int SetFormat(WindowRecord& record, int format) override;
    int DescribeFormat(int format, PixelFormatDescriptor& descriptor) override;
    ContextHandle MakeContext(WindowRecord& record) override;
    int ContextFormat(ContextHandle context) const override;
    bool MakeSystemCurrent(WindowRecord* record, DeviceContextHandle dc,
                           ContextHandle context) override;
    bool SwapSystemBuffers(WindowRecord& record) override;

    Rect Borders(std::uint32_t style) const;

    std::vector<std::string> m_calls;
    std::map<std::string, int> m_failures;

    std::deque<WindowState> m_windows;  // handle id - 1; entries never move
    std::vector<ContextState> m_contexts;
    std::vector<PixelFormatDescriptor> m_formats;
    std::vector<Msg> m_defaulted;
    std::vector<std::pair<std::string, std::string>> m_messageBoxes;

    DeviceContextHandle m_hCurrentDC;
    ContextHandle m_hCurrentContext;
    DevMode m_displayMode{1920, 1080};
    PixelFormatDescriptor m_lastRequested;
    bool m_bLost = false;
    std::uint64_t m_waited = 0;
};

}  // namespace moon::platform
