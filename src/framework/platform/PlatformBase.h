// SPDX-License-Identifier: MIT
// The window rules both backends share, so that the fake cannot drift from
// the real backend: window classes and stock resources, the window longs,
// visibility and parents, the update region and its union, the order in which
// the queue hands out messages, dropping a destroyed window's messages,
// capture, the cursor, the default window procedure, each window's device
// context and the palettes (kept as data by both).
//
// A backend derives from this and keeps its own table of windows (whose
// entries derive from WindowRecord). Window creation and destruction run here,
// once for every backend, in the window system's order; the backend makes and
// frees what stands for a window on its system through hooks. Every operation
// naming a window or a device context is entered here: Enter() clears
// LastFailure() (the reason a failing call gives belongs to that call alone),
// the handle is resolved once, and the backend's part (geometry, pixel
// formats, contexts) is handed the live window's record.
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <string>
#include <vector>

#include "framework/platform/Platform.h"

namespace moon::platform {

class PlatformBase : public Platform {
public:
    // Palette 1 is the stock palette every device context starts with.
    static constexpr PaletteHandle kStockPalette{1};

    // What every window has, whatever draws it.
    struct WindowRecord {
        Atom atom = 0;            // its class
        std::uint32_t style = 0;  // without WS_VISIBLE, which follows `visible`
        std::uint32_t exStyle = 0;
        WindowHandle parent;
        bool visible = false;
        bool shownOnce = false;
        bool minimised = false;
        std::intptr_t userData = 0;
        bool destroying = false;  // DestroyWindow has begun and not yet ended
        bool hasUpdate = false;   // the update region is not empty
        Rect update;              // its bounds, client pixels; valid while hasUpdate
        DeviceContextHandle dc;   // its own, for its lifetime (same id as the window)
        PaletteHandle selectedPalette = kStockPalette;
        int pixelFormat = 0;  // set on dc (1-based), 0 = none
    };

    PlatformBase();

    const Failure& LastFailure() const final { return m_failure; }

    ModuleHandle GetModuleHandle() final;
    // Makes the window (MakeSystemWindow), then sends WM_NCCREATE and
    // WM_CREATE (0 and -1 refuse: WM_NCDESTROY alone follows) and WM_SIZE
    // with SIZE_RESTORED, and shows it through ShowWindow
    // when the style has WS_VISIBLE. The window procedure may destroy the window at any of these
    // steps; the call then fails.
    WindowHandle CreateWindowEx(std::uint32_t exStyle, const char* className,
                                const char* windowName, std::uint32_t style, int x, int y,
                                int width, int height, WindowHandle parent, ModuleHandle instance,
                                void* param) final;
    // Owned windows are destroyed first; then the window hears WM_DESTROY, its
    // child windows are destroyed, and it hears WM_NCDESTROY last.
    bool DestroyWindow(WindowHandle window) final;
    Atom RegisterClass(const WndClass& windowClass) final;
    bool UnregisterClass(Atom atom, ModuleHandle instance) final;
    IconHandle LoadIcon(ModuleHandle instance, int id) final;
    CursorHandle LoadCursor(ModuleHandle instance, int id) final;
    bool AddModuleIcon(int id, const IconImage& image) final;
    bool SetApplicationId(const char* id) final;

    bool ShowWindow(WindowHandle window, int command) final;
    bool GetClientRect(WindowHandle window, Rect& rect) final;
    bool GetWindowRect(WindowHandle window, Rect& rect) final;
    bool SetWindowPos(WindowHandle window, int x, int y, int width, int height,
                      std::uint32_t flags) final;
    bool SetWindowText(WindowHandle window, const char* text) final;
    bool IsWindowVisible(WindowHandle window) final;
    bool IsIconic(WindowHandle window) final;
    std::intptr_t GetWindowLong(WindowHandle window, int index) final;
    std::intptr_t SetWindowLong(WindowHandle window, int index, std::intptr_t value) final;
    WindowHandle SetParent(WindowHandle window, WindowHandle parent) final;
    WindowHandle GetParent(WindowHandle window) final;

    bool InvalidateRect(WindowHandle window, const Rect* rect, bool erase) final;
    bool GetUpdateRect(WindowHandle window, Rect* rect, bool erase) final;
    DeviceContextHandle BeginPaint(WindowHandle window, PaintStruct& paint) final;
    bool EndPaint(WindowHandle window, const PaintStruct& paint) final;

    bool PostMessage(WindowHandle window, std::uint32_t message, WParam wParam,
                     LParam lParam) final;
    void PostQuitMessage(int exitCode) final;
    bool PeekMessage(Msg& msg) final;
    bool TranslateMessage(const Msg& msg) final;
    LResult DispatchMessage(const Msg& msg) final;
    LResult DefWindowProc(WindowHandle window, std::uint32_t message, WParam wParam,
                          LParam lParam) final;
    bool KillTimer(WindowHandle window, std::uintptr_t id) final;

    WindowHandle SetCapture(WindowHandle window) final;
    bool ReleaseCapture() final;
    CursorHandle SetCursor(CursorHandle cursor) final;

    DeviceContextHandle GetDC(WindowHandle window) final;
    int ChoosePixelFormat(DeviceContextHandle dc, const PixelFormatDescriptor& descriptor) final;
    int SetPixelFormat(DeviceContextHandle dc, int format,
                       const PixelFormatDescriptor& descriptor) final;
    int GetPixelFormat(DeviceContextHandle dc) final;
    int DescribePixelFormat(DeviceContextHandle dc, int format,
                            PixelFormatDescriptor& descriptor) final;
    // Fails without a pixel format set on dc.
    ContextHandle CreateContext(DeviceContextHandle dc) final;
    // The context must exist (checked first), then dc, whose pixel format must
    // be the context's.
    int MakeCurrent(DeviceContextHandle dc, ContextHandle context) final;
    bool SwapBuffers(DeviceContextHandle dc) final;
    PaletteHandle CreatePalette(const LogPalette& palette) final;
    PaletteHandle SelectPalette(DeviceContextHandle dc, PaletteHandle palette,
                                bool forceBackground) final;
    std::uint32_t RealizePalette(DeviceContextHandle dc) final;
    // A window whose device context has the palette selected goes back to the stock one.
    bool DeleteObject(PaletteHandle palette) final;

protected:
    // What a backend needs to make a window; style is without WS_VISIBLE.
    struct WindowRequest {
        Atom atom = 0;  // its class
        std::uint32_t exStyle = 0;
        const char* className = nullptr;
        const char* title = nullptr;  // never null
        std::uint32_t style = 0;
        int x = 0;  // outer top-left, screen pixels, or CW_USEDEFAULT
        int y = 0;
        int width = 0;  // outer size, or CW_USEDEFAULT
        int height = 0;
        WindowHandle parent;
        void* param = nullptr;
    };

    // A caption needs both bits of WS_CAPTION; a framed window has a caption
    // or a sizing frame.
    static bool HasCaption(std::uint32_t style) { return (style & WS_CAPTION) == WS_CAPTION; }
    static bool IsFramed(std::uint32_t style) {
        return HasCaption(style) || (style & WS_THICKFRAME) != 0;
    }

    // Starts an operation: clears LastFailure(), then asks the backend whether
    // the operation may go on (false: it fails, with LastFailure() set).
    bool Enter(const char* operation);
    // Enter(), then the live window's record, or null with LastFailure() set.
    WindowRecord* EnterWindow(const char* operation, WindowHandle window);
    // Enter(), then the record of the live window whose device context this
    // is, or null with LastFailure() set.
    WindowRecord* EnterDc(const char* operation, DeviceContextHandle dc);
    // Records why the current operation fails; returns false.
    bool Fail(FailureKind kind, std::string reason);

    // --- Hooks --------------------------------------------------------------
    // Whether an operation may go on; sets the reason with Fail when not.
    virtual bool Admit(const char* operation) = 0;
    // The window system is needed from the first class on.
    virtual bool StartWindowSystem() { return true; }
    // Whether the window system has started (so the application id is read):
    // by default, once a class has been registered.
    virtual bool WindowSystemStarted() const { return m_bClassRegistered; }
    // The client area, client pixels (left = top = 0); empty while minimised.
    virtual Rect ClientArea(WindowHandle window) = 0;
    // Makes what stands for a new window on the window system, hidden, with
    // its record (which must stay where it is until DestroySystemWindow),
    // under the handle given here, never used before. Null, with the reason
    // given to Fail, when the window system refuses.
    virtual WindowRecord* MakeSystemWindow(const WindowRequest& request, WindowHandle window) = 0;
    // The window has heard WM_NCDESTROY and left the table: free what stands
    // for it and its record.
    virtual void DestroySystemWindow(WindowHandle window) = 0;
    // WM_SIZE is about to tell the window this client size.
    virtual void SizeReported(WindowHandle window, const Rect& client) {
        (void)window;
        (void)client;
    }
    // The backend's part of the operations of the same names, given the live
    // window's record (the backend's own entry type). Outer rectangle in
    // screen coordinates; SWP_* flags as SetWindowPos takes them; text is
    // never null.
    virtual Rect OuterRect(WindowRecord& record) = 0;
    virtual void PlaceSystemWindow(WindowHandle window, WindowRecord& record, int x, int y,
                                   int width, int height, std::uint32_t flags) = 0;
    virtual void TitleSystemWindow(WindowRecord& record, const char* text) = 0;
    // Pixel formats and contexts: 0, none or false with the reason given to
    // Fail when the window system refuses.
    virtual int ChooseFormat(WindowRecord& record, const PixelFormatDescriptor& descriptor) = 0;
    virtual int SetFormat(WindowRecord& record, int format) = 0;
    virtual int DescribeFormat(int format, PixelFormatDescriptor& descriptor) = 0;
    // The record has a pixel format.
    virtual ContextHandle MakeContext(WindowRecord& record) = 0;
    // The pixel format the context was made for; 0 for no such context.
    virtual int ContextFormat(ContextHandle context) const = 0;
    // Makes the pair current (the context is live and suits the record's
    // format); with no context, nothing is current afterwards.
    virtual bool MakeSystemCurrent(WindowRecord* record, DeviceContextHandle dc,
                                   ContextHandle context) = 0;
    virtual bool SwapSystemBuffers(WindowRecord& record) = 0;
    // Shows or hides what stands for the window on screen.
    virtual void ShowSystemWindow(WindowHandle window, bool shown) {
        (void)window;
        (void)shown;
    }
    virtual void ShowSystemCursor(CursorHandle cursor) { (void)cursor; }
    virtual void CaptureSystemPointer(bool captured) { (void)captured; }
    // Called by PeekMessage before it looks at the posted messages, and when
    // no input is waiting: the backend turns what the window system has into
    // messages (QueueInput, or posted requests ahead of everything).
    virtual void BeforePeek() {}
    virtual void PumpInput() {}
    // Every message that reaches DefWindowProc, for the fake's log.
    virtual void NoteDefault(const Msg& msg) { (void)msg; }

    // --- Windows ------------------------------------------------------------
    // Sends WM_SIZE with the client size: SIZE_MINIMIZED (and 0 x 0) while
    // minimised, else SIZE_RESTORED.
    void SendSize(WindowHandle window);
    // Destroys a live window as DestroyWindow does (WM_CLOSE's default), for
    // calls that are not the program's own: no new operation begins.
    void Destroy(WindowHandle window);
    // The live window's record, or null with LastError() set.
    WindowRecord* FindRecord(WindowHandle window);
    // The live window's record, or null; sets nothing.
    WindowRecord* Live(WindowHandle window) const;
    // Calls the window procedure of the window's class (a sent message); 0
    // for a window that is gone.
    LResult Send(WindowHandle window, std::uint32_t message, WParam wParam = 0, LParam lParam = 0);
    // The class cursor, none for an unknown atom.
    CursorHandle ClassCursor(Atom atom) const;
    // The picture of the class icon when it is one of the program's own; null
    // for the stock icon (the window system's default) or an unknown atom.
    const IconImage* ClassIconImage(Atom atom) const;
    // The name SetApplicationId gave, "" if none.
    const std::string& ApplicationId() const { return m_applicationId; }
    // The atom of the class with this name, 0 if none.
    Atom FindClass(const char* name) const;

    // A palette not deleted yet, or null.
    const LogPalette* FindPalette(PaletteHandle palette) const;

    // Adds rect (none: the whole client area) to the update region, clipped
    // to the client area; the region stays one rectangle, the union's bounds.
    void AddToUpdate(WindowHandle window, WindowRecord& record, const Rect* rect);
    static void Validate(WindowRecord& record);

    // --- Queue --------------------------------------------------------------
    // Input from the window system, handed out after the posted messages.
    void QueueInput(WindowHandle window, std::uint32_t message, WParam wParam, LParam lParam);
    // A request that goes ahead of everything waiting.
    void PostFirst(const Msg& msg) { m_posted.push_front(msg); }
    bool MessageWaiting() const { return !m_posted.empty() || m_bQuit || !m_input.empty(); }
    void DropAllMessages();
    const std::deque<Msg>& PostedMessages() const { return m_posted; }
    const std::map<std::uint32_t, WindowRecord*>& Records() const { return m_records; }

    WindowHandle m_hCapture;
    CursorHandle m_hCursor;

private:
    struct ClassEntry {
        std::string name;  // the caller's text need not outlive the registration
        WndClass windowClass;
    };

    void UseCursor(CursorHandle cursor);
    // Ends a live window: its owned windows first, then WM_DESTROY (when
    // announced: a window whose procedure refused its creation hears
    // WM_NCDESTROY alone), its child windows, and WM_NCDESTROY last.
    void EndWindow(WindowHandle window, bool announced);
    // The window's owned windows (children false) or child windows (true).
    std::vector<WindowHandle> Dependants(WindowHandle window, bool children) const;
    // A new window's record joins the table the shared rules walk (creation
    // order = handle order).
    void Adopt(WindowHandle window, WindowRecord& record);
    // The window is gone: the capture is released if it held it, its queued
    // messages are dropped and its record leaves the table.
    void Forget(WindowHandle window);

    Failure m_failure;
    std::map<Atom, ClassEntry> m_classes;
    Atom m_nextAtom = 0xC000;  // registered class atoms start here
    bool m_bClassRegistered = false;
    std::map<int, IconHandle> m_moduleIcons;     // by the program's icon id
    std::map<std::uint32_t, IconImage> m_icons;  // the module's icons by handle id
    std::uint32_t m_nextIcon = 2;                // 1 is the stock icon
    std::string m_applicationId;
    std::map<std::uint32_t, WindowRecord*> m_records;  // live windows by handle id
    std::uint32_t m_nextWindow = 1;                    // every window's id is given here
    std::deque<Msg> m_posted;
    // PostQuitMessage sets a flag, as Windows does: WM_QUIT comes once, with
    // the last code, when no posted message is left.
    bool m_bQuit = false;
    int m_quitCode = 0;
    std::deque<Msg> m_input;
    std::map<std::uint32_t, LogPalette> m_palettes;  // live palettes by handle id
    std::uint32_t m_nextPalette = kStockPalette.id + 1;
};

}  // namespace moon::platform
