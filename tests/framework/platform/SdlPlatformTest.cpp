// SPDX-License-Identifier: MIT
// The SDL backend with real windows and real GL contexts on SDL's offscreen
// driver (nobody sees them, no X server needed). SDL's input is injected as
// SDL events and read back as the framework's messages.
#include "framework/platform/sdl/SdlPlatform.h"

#include <GL/gl.h>
#include <SDL.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <string>
#include <vector>

#include "framework/platform/sdl/SdlKeys.h"
#include "framework/platform/sdl/SdlPixelFormat.h"

namespace moon {
namespace {

using namespace platform;

constexpr std::uint32_t kStyle = WS_OVERLAPPEDWINDOW | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
constexpr std::uint32_t kPrivateMessage = WM_USER + 1;

// What the window procedure was sent or dispatched, in order.
struct Seen {
    WindowHandle window;
    std::uint32_t message;
    WParam wParam;
    LParam lParam;
};
std::vector<Seen> g_seen;
Platform* g_platform = nullptr;
float g_readRed = -1.0f;  // red of the back buffer read after the last paint's clear

// Answers WM_PAINT by clearing to red and swapping; everything else gets the
// default processing, so WM_CLOSE destroys the window.
LResult recordingProc(WindowHandle window, std::uint32_t message, WParam wParam, LParam lParam) {
    g_seen.push_back(Seen{window, message, wParam, lParam});
    if (message == WM_PAINT) {
        PaintStruct paint;
        const DeviceContextHandle dc = g_platform->BeginPaint(window, paint);
        glClearColor(1.0f, 0.0f, 0.0f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT);
        float pixel[4] = {};
        glReadPixels(0, 0, 1, 1, GL_RGBA, GL_FLOAT, pixel);
        g_readRed = pixel[0];
        g_platform->SwapBuffers(dc);
        g_platform->EndPaint(window, paint);
        return 0;
    }
    return g_platform->DefWindowProc(window, message, wParam, lParam);
}

PixelFormatDescriptor descriptorFor(int depthBits) {
    GLAttributes wish;
    wish.depthBits = depthBits;
    return DescriptorFromAttributes(wish);
}

struct TestWindow {
    WindowHandle window;
    DeviceContextHandle dc;
    ContextHandle context;
    Uint32 sdlId = 0;
};

class SdlPlatformTest : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("SDL_VIDEODRIVER", "offscreen", 1);
        m_platform = CreateSystemPlatform();
        g_platform = m_platform.get();
        g_seen.clear();
    }
    void TearDown() override {
        g_platform = nullptr;
        m_platform.reset();
    }

    Atom Register() {
        WndClass windowClass;
        windowClass.style = CS_VREDRAW | CS_HREDRAW | CS_OWNDC;
        windowClass.lpfnWndProc = recordingProc;
        windowClass.hCursor = m_platform->LoadCursor(ModuleHandle{}, IDC_ARROW);
        windowClass.lpszClassName = "TestWnd";
        return m_platform->RegisterClass(windowClass);
    }

    // A window with its pixel format and context, shown or not; the context
    // is left current so that its SDL window can be named in injected events.
    TestWindow Open(bool show, int depthBits = 24) {
        TestWindow opened;
        opened.window = m_platform->CreateWindowEx(0, "TestWnd", "test", kStyle, 10, 20, 200, 100,
                                                   WindowHandle{}, ModuleHandle{1}, nullptr);
        opened.dc = m_platform->GetDC(opened.window);
        const PixelFormatDescriptor wish = descriptorFor(depthBits);
        const int format = m_platform->ChoosePixelFormat(opened.dc, wish);
        EXPECT_EQ(m_platform->SetPixelFormat(opened.dc, format, wish), 1);
        opened.context = m_platform->CreateContext(opened.dc);
        EXPECT_EQ(m_platform->MakeCurrent(opened.dc, opened.context), 1);
        opened.sdlId = SDL_GetWindowID(SDL_GL_GetCurrentWindow());
        if (show) {
            m_platform->ShowWindow(opened.window, SW_SHOW);
        }
        return opened;
    }

    // Takes every waiting message, dispatching each; returns their numbers.
    std::vector<Msg> Drain() {
        std::vector<Msg> taken;
        Msg msg;
        while (taken.size() < 100 && m_platform->PeekMessage(msg)) {
            taken.push_back(msg);
            m_platform->TranslateMessage(msg);
            m_platform->DispatchMessage(msg);
        }
        return taken;
    }

    std::unique_ptr<Platform> m_platform;
};

std::vector<std::uint32_t> numbersOf(const std::vector<Msg>& messages) {
    std::vector<std::uint32_t> numbers;
    for (const Msg& msg : messages) {
        numbers.push_back(msg.message);
    }
    return numbers;
}

TEST_F(SdlPlatformTest, CreatesPaintsAndClosesARealWindow) {
    ASSERT_NE(Register(), 0) << m_platform->LastError();
    int marker = 0;
    const WindowHandle window = m_platform->CreateWindowEx(
        0, "TestWnd", "real", kStyle, 10, 20, 200, 100, WindowHandle{}, ModuleHandle{1}, &marker);
    ASSERT_TRUE(window) << m_platform->LastError();
    // Sent during creation, in this order; the creation parameter arrives.
    ASSERT_EQ(g_seen.size(), 3u);
    EXPECT_EQ(g_seen[0].message, WM_NCCREATE);
    EXPECT_EQ(reinterpret_cast<CreateStruct*>(g_seen[0].lParam)->lpCreateParams, &marker);
    EXPECT_EQ(g_seen[1].message, WM_CREATE);
    EXPECT_EQ(g_seen[2].message, WM_SIZE);
    EXPECT_EQ(g_seen[2].lParam, MakeLParam(200, 100));  // no frame on this driver

    const DeviceContextHandle dc = m_platform->GetDC(window);
    const PixelFormatDescriptor wish = descriptorFor(24);
    const int format = m_platform->ChoosePixelFormat(dc, wish);
    ASSERT_NE(format, 0) << m_platform->LastError();
    EXPECT_EQ(m_platform->SetPixelFormat(dc, format, wish), 1);
    EXPECT_EQ(m_platform->GetPixelFormat(dc), format);

    // A new context is not left current, and the depth read from it is real.
    const ContextHandle context = m_platform->CreateContext(dc);
    ASSERT_TRUE(context) << m_platform->LastError();
    EXPECT_FALSE(m_platform->GetCurrentContext());
    PixelFormatDescriptor described;
    EXPECT_GE(m_platform->DescribePixelFormat(dc, format, described), format);
    EXPECT_GE(described.cDepthBits, 24);
    EXPECT_TRUE(described.dwFlags & PFD_DOUBLEBUFFER);
    EXPECT_FALSE(described.dwFlags & PFD_NEED_PALETTE);

    ASSERT_EQ(m_platform->MakeCurrent(dc, context), 1);
    EXPECT_EQ(m_platform->GetCurrentContext(), context);
    EXPECT_EQ(m_platform->GetCurrentDC(), dc);
    // Creating another window's context leaves this pair current.
    const WindowHandle other = m_platform->CreateWindowEx(
        0, "TestWnd", "other", kStyle, 0, 0, 50, 50, WindowHandle{}, ModuleHandle{1}, nullptr);
    const DeviceContextHandle otherDc = m_platform->GetDC(other);
    ASSERT_EQ(
        m_platform->SetPixelFormat(otherDc, m_platform->ChoosePixelFormat(otherDc, wish), wish), 1);
    ASSERT_TRUE(m_platform->CreateContext(otherDc)) << m_platform->LastError();
    EXPECT_EQ(m_platform->GetCurrentContext(), context);
    EXPECT_EQ(m_platform->GetCurrentDC(), dc);

    // The first show sends the size once; later shows do not.
    g_seen.clear();
    EXPECT_TRUE(m_platform->ShowWindow(window, SW_SHOW));
    EXPECT_TRUE(m_platform->ShowWindow(window, SW_SHOW));
    ASSERT_EQ(g_seen.size(), 1u);
    EXPECT_EQ(g_seen[0].message, WM_SIZE);

    // Posted messages come first, then the paint of the shown window, once.
    g_seen.clear();
    m_platform->PostMessage(window, kPrivateMessage, 0, 0);
    const std::vector<Msg> taken = Drain();
    ASSERT_GE(taken.size(), 2u);
    EXPECT_EQ(taken.front().message, kPrivateMessage);
    EXPECT_EQ(taken.back().message, WM_PAINT);
    const std::vector<std::uint32_t> numbers = numbersOf(taken);
    EXPECT_EQ(std::count(numbers.begin(), numbers.end(), WM_PAINT), 1);
    EXPECT_FLOAT_EQ(g_readRed, 1.0f);
    EXPECT_FALSE(m_platform->GetUpdateRect(window, nullptr, false));

    // Closing through the default processing destroys the window, and SDL
    // releases the context that was current on it.
    g_seen.clear();
    m_platform->DispatchMessage(Msg{window, WM_CLOSE, 0, 0});
    ASSERT_EQ(g_seen.size(), 3u);
    EXPECT_EQ(g_seen[1].message, WM_DESTROY);
    EXPECT_EQ(g_seen[2].message, WM_NCDESTROY);
    EXPECT_FALSE(m_platform->GetCurrentContext());
    EXPECT_TRUE(m_platform->DeleteContext(context));
}

TEST_F(SdlPlatformTest, CallsNamingDestroyedWindowsOrDeletedContextsFail) {
    const Atom atom = Register();
    ASSERT_NE(atom, 0);
    const TestWindow gone = Open(true);
    const TestWindow kept = Open(true);
    EXPECT_FALSE(m_platform->UnregisterClass(atom, ModuleHandle{1}));  // windows live
    ASSERT_TRUE(m_platform->DestroyWindow(gone.window));

    // The kept window's pair stays current through every failing call.
    Rect rect;
    PaintStruct paint;
    EXPECT_FALSE(m_platform->DestroyWindow(gone.window));
    EXPECT_FALSE(m_platform->ShowWindow(gone.window, SW_SHOW));
    EXPECT_FALSE(m_platform->GetClientRect(gone.window, rect));
    EXPECT_FALSE(m_platform->GetWindowRect(gone.window, rect));
    EXPECT_FALSE(m_platform->SetWindowPos(gone.window, 0, 0, 10, 10, 0));
    EXPECT_FALSE(m_platform->SetWindowText(gone.window, "x"));
    EXPECT_FALSE(m_platform->InvalidateRect(gone.window, nullptr, false));
    EXPECT_FALSE(m_platform->BeginPaint(gone.window, paint));
    EXPECT_FALSE(m_platform->PostMessage(gone.window, kPrivateMessage, 0, 0));
    EXPECT_EQ(m_platform->DispatchMessage(Msg{gone.window, kPrivateMessage, 0, 0}), 0);
    EXPECT_FALSE(m_platform->SetCapture(gone.window));
    EXPECT_FALSE(m_platform->GetDC(gone.window));
    EXPECT_EQ(m_platform->LastError(), "no such window");
    EXPECT_FALSE(m_platform->SwapBuffers(gone.dc));
    EXPECT_EQ(m_platform->GetPixelFormat(gone.dc), 0);
    EXPECT_EQ(m_platform->MakeCurrent(gone.dc, gone.context), 0);
    EXPECT_EQ(m_platform->LastError(), "no such device context");
    EXPECT_EQ(m_platform->GetCurrentContext(), kept.context);

    // A deleted context cannot be made current, nor deleted twice; a context
    // suits any window of its pixel format.
    EXPECT_TRUE(m_platform->DeleteContext(gone.context));
    EXPECT_FALSE(m_platform->DeleteContext(gone.context));
    EXPECT_EQ(m_platform->MakeCurrent(kept.dc, gone.context), 0);
    EXPECT_EQ(m_platform->LastError(), "no such GL context");
    EXPECT_EQ(m_platform->GetCurrentContext(), kept.context);
    EXPECT_EQ(m_platform->MakeCurrent(DeviceContextHandle{}, ContextHandle{}), 1);
    EXPECT_FALSE(m_platform->GetCurrentContext());
    EXPECT_FALSE(m_platform->GetCurrentDC());

    // Messages queued for a window die with it; the class goes with the last.
    m_platform->PostMessage(kept.window, kPrivateMessage, 0, 0);
    ASSERT_TRUE(m_platform->DestroyWindow(kept.window));
    EXPECT_TRUE(Drain().empty());
    EXPECT_TRUE(m_platform->UnregisterClass(atom, ModuleHandle{1}));
    EXPECT_FALSE(m_platform->UnregisterClass(atom, ModuleHandle{1}));
}

TEST_F(SdlPlatformTest, TranslatesSdlEventsAfterPostedMessages) {
    ASSERT_NE(Register(), 0);
    const TestWindow first = Open(true);
    const TestWindow second = Open(false);
    Drain();  // the first window's paint

    SDL_Event event{};
    event.type = SDL_MOUSEMOTION;
    event.motion.windowID = first.sdlId;
    event.motion.x = -5;  // left of the client area, as while captured
    event.motion.y = 7;
    SDL_PushEvent(&event);
    event = SDL_Event{};
    event.type = SDL_MOUSEBUTTONDOWN;
    event.button.windowID = first.sdlId;
    event.button.button = SDL_BUTTON_LEFT;
    event.button.clicks = 2;  // still a plain press
    event.button.x = 3;
    event.button.y = 4;
    SDL_PushEvent(&event);
    event = SDL_Event{};
    event.type = SDL_KEYDOWN;
    event.key.windowID = second.sdlId;  // keys go to the focused window
    event.key.keysym.scancode = SDL_SCANCODE_F4;
    SDL_PushEvent(&event);
    event.key.repeat = 1;
    SDL_PushEvent(&event);
    event.type = SDL_KEYUP;
    event.key.repeat = 0;
    SDL_PushEvent(&event);
    event = SDL_Event{};
    event.type = SDL_WINDOWEVENT;
    event.window.windowID = first.sdlId;
    event.window.event = SDL_WINDOWEVENT_CLOSE;
    SDL_PushEvent(&event);
    m_platform->PostQuitMessage(3);

    const std::vector<Msg> taken = Drain();
    const std::vector<std::uint32_t> expected{WM_QUIT,        WM_SETCURSOR, WM_MOUSEMOVE,
                                              WM_LBUTTONDOWN, WM_KEYDOWN,   WM_KEYDOWN,
                                              WM_KEYUP,       WM_CLOSE};
    ASSERT_EQ(numbersOf(taken), expected);
    EXPECT_EQ(taken[0].wParam, 3u);
    EXPECT_EQ(taken[1].hwnd, first.window);
    EXPECT_EQ(LoWord(taken[1].lParam), HTCLIENT);
    EXPECT_EQ(HiWord(taken[1].lParam), WM_MOUSEMOVE);
    EXPECT_EQ(taken[2].lParam, MakeLParam(-5, 7));
    EXPECT_EQ(static_cast<std::int16_t>(LoWord(taken[2].lParam)), -5);
    EXPECT_EQ(taken[3].lParam, MakeLParam(3, 4));
    EXPECT_EQ(taken[4].hwnd, second.window);
    EXPECT_EQ(taken[4].wParam, 115u);                 // F4
    EXPECT_EQ(taken[5].lParam & (1 << 30), 1 << 30);  // auto-repeat: was down before
    EXPECT_EQ(taken[6].wParam, 115u);
    EXPECT_EQ(taken[7].hwnd, first.window);
    EXPECT_EQ(taken[7].wParam, 0u);
    // The close was dispatched to the default processing: the window is gone.
    EXPECT_FALSE(m_platform->ShowWindow(first.window, SW_SHOW));

    // While captured, moves go to the capturing window without WM_SETCURSOR.
    // A signal's quit event asks every remaining window to close.
    m_platform->SetCapture(second.window);
    event = SDL_Event{};
    event.type = SDL_MOUSEMOTION;
    event.motion.windowID = second.sdlId;
    event.motion.x = 300;
    SDL_PushEvent(&event);
    event = SDL_Event{};
    event.type = SDL_QUIT;
    SDL_PushEvent(&event);
    const std::vector<Msg> captured = Drain();
    ASSERT_EQ(numbersOf(captured), (std::vector<std::uint32_t>{WM_MOUSEMOVE, WM_CLOSE}));
    EXPECT_EQ(captured[1].hwnd, second.window);
}

TEST_F(SdlPlatformTest, PaintsOnlyVisibleWindowsAndKeepsRecordedValues) {
    ASSERT_NE(Register(), 0);
    const TestWindow shown = Open(true);
    const TestWindow hidden = Open(false);
    Drain();
    g_seen.clear();

    // A hidden window keeps its update region but gets no paint.
    EXPECT_TRUE(m_platform->InvalidateRect(hidden.window, nullptr, false));
    Rect update;
    EXPECT_TRUE(m_platform->GetUpdateRect(hidden.window, &update, false));
    EXPECT_EQ(update.right, 200);
    EXPECT_EQ(update.bottom, 100);
    const Rect part{150, 90, 400, 400};  // clipped to the client area
    EXPECT_TRUE(m_platform->InvalidateRect(shown.window, &part, false));
    const std::vector<Msg> taken = Drain();
    ASSERT_EQ(taken.size(), 1u);
    EXPECT_EQ(taken[0].hwnd, shown.window);
    ASSERT_EQ(g_seen.size(), 1u);

    // Client size from an outer size (no frame here), styles and parents as
    // recorded values.
    EXPECT_TRUE(m_platform->SetWindowPos(shown.window, 0, 0, 320, 240,
                                         SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE));
    Rect client;
    EXPECT_TRUE(m_platform->GetClientRect(shown.window, client));
    EXPECT_EQ(client.right, 320);
    EXPECT_EQ(client.bottom, 240);
    EXPECT_EQ(m_platform->GetWindowLong(shown.window, GWL_STYLE),
              static_cast<std::intptr_t>(kStyle | WS_VISIBLE));
    EXPECT_EQ(m_platform->GetWindowLong(hidden.window, GWL_STYLE),
              static_cast<std::intptr_t>(kStyle));
    m_platform->SetWindowLong(hidden.window, GWL_STYLE, (kStyle & 0x3FFFFFFF) | WS_CHILD);
    EXPECT_EQ(m_platform->GetWindowLong(hidden.window, GWL_STYLE),
              static_cast<std::intptr_t>((kStyle & 0x3FFFFFFF) | WS_CHILD));
    EXPECT_FALSE(m_platform->SetParent(hidden.window, shown.window));
    EXPECT_EQ(m_platform->GetParent(hidden.window), shown.window);
    EXPECT_EQ(m_platform->SetParent(hidden.window, WindowHandle{}), shown.window);
    EXPECT_FALSE(m_platform->GetParent(hidden.window));
    // A window without the child style reports no parent even when given one.
    EXPECT_FALSE(m_platform->SetParent(shown.window, hidden.window));
    EXPECT_FALSE(m_platform->GetParent(shown.window));
    EXPECT_EQ(m_platform->SetParent(shown.window, WindowHandle{}), hidden.window);
}

TEST_F(SdlPlatformTest, PixelFormatFallsBackToASmallerDepth) {
    ASSERT_NE(Register(), 0);
    // No visual has 255 depth bits: the window is made with the next request.
    const TestWindow window = Open(false, 255);
    ASSERT_TRUE(window.context) << m_platform->LastError();
    PixelFormatDescriptor described;
    ASSERT_NE(m_platform->DescribePixelFormat(window.dc, m_platform->GetPixelFormat(window.dc),
                                              described),
              0);
    EXPECT_GE(described.cDepthBits, 24);
    EXPECT_LE(described.cDepthBits, 32);

    GLAttributes wish;
    wish.depthBits = 32;
    wish.stencilBits = 8;
    wish.alphaBits = 8;
    std::vector<int> depths;
    std::vector<int> stencils;
    for (const GLAttributes& attempt : FallbackLadder(wish)) {
        depths.push_back(attempt.depthBits);
        stencils.push_back(attempt.stencilBits);
        EXPECT_EQ(attempt.alphaBits, attempt.stencilBits);
    }
    EXPECT_EQ(depths, (std::vector<int>{32, 24, 16, 32, 24, 16}));
    EXPECT_EQ(stencils, (std::vector<int>{8, 8, 8, 0, 0, 0}));
    wish = GLAttributes{};
    wish.depthBits = 16;  // never raised, never repeated
    ASSERT_EQ(FallbackLadder(wish).size(), 1u);
}

// SIGTERM (or SIGINT) asks every window to close ahead of anything waiting,
// even after a flood of input has filled SDL's own queue.
TEST_F(SdlPlatformTest, ASignalReachesTheLoopAfterAFloodOfInput) {
    ASSERT_NE(Register(), 0);
    const TestWindow first = Open(true);
    const TestWindow second = Open(false);
    Drain();
    SDL_Event event{};
    event.type = SDL_MOUSEMOTION;
    event.motion.windowID = first.sdlId;
    SDL_LogSetPriority(SDL_LOG_CATEGORY_ERROR, SDL_LOG_PRIORITY_CRITICAL);  // "queue is full"
    while (SDL_PushEvent(&event) == 1) {
    }
    SDL_LogResetPriorities();
    EXPECT_EQ(std::raise(SIGTERM), 0);  // caught: the test goes on
    m_platform->PostMessage(first.window, kPrivateMessage, 0, 0);

    Msg msg;
    ASSERT_TRUE(m_platform->PeekMessage(msg));
    EXPECT_EQ(msg.message, WM_CLOSE);
    EXPECT_EQ(msg.hwnd, first.window);
    ASSERT_TRUE(m_platform->PeekMessage(msg));
    EXPECT_EQ(msg.message, WM_CLOSE);
    EXPECT_EQ(msg.hwnd, second.window);
    ASSERT_TRUE(m_platform->PeekMessage(msg));
    EXPECT_EQ(msg.message, kPrivateMessage);
    EXPECT_TRUE(m_platform->WaitMessage(5));  // the flood is still there
    SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
}

// What the X error handlers do when the display goes away: every later call
// does nothing, reports failure and leaves SDL's windows and contexts alone.
TEST_F(SdlPlatformTest, AfterTheConnectionIsLostNoCallReachesSdl) {
    ASSERT_NE(Register(), 0);
    const TestWindow window = Open(true);
    Drain();
    SDL_Event event{};
    event.type = SDL_WINDOWEVENT;
    event.window.windowID = window.sdlId;
    event.window.event = SDL_WINDOWEVENT_CLOSE;
    SDL_PushEvent(&event);
    static_cast<SdlPlatform&>(*m_platform).MarkConnectionLost();

    Msg msg;
    EXPECT_FALSE(m_platform->PeekMessage(msg));
    EXPECT_EQ(m_platform->LastError(), "the connection to the display was lost");
    EXPECT_FALSE(m_platform->WaitMessage(5));
    EXPECT_FALSE(m_platform->DestroyWindow(window.window));
    EXPECT_FALSE(m_platform->ShowWindow(window.window, SW_HIDE));
    EXPECT_FALSE(m_platform->IsWindowVisible(window.window));
    EXPECT_FALSE(m_platform->DeleteContext(window.context));
    EXPECT_EQ(m_platform->MakeCurrent(DeviceContextHandle{}, ContextHandle{}), 0);
    EXPECT_FALSE(m_platform->SwapBuffers(window.dc));
    EXPECT_FALSE(m_platform->UnregisterClass(0xC000, ModuleHandle{1}));
    EXPECT_FALSE(m_platform->CreateWindowEx(0, "TestWnd", "x", kStyle, 0, 0, 10, 10, WindowHandle{},
                                            ModuleHandle{1}, nullptr));
    EXPECT_TRUE(g_seen.empty() || g_seen.back().message != WM_DESTROY);
    // SDL still has the window, its context is still current, and the close
    // event was never taken.
    SDL_Window* sdlWindow = SDL_GetWindowFromID(window.sdlId);
    EXPECT_NE(sdlWindow, nullptr);
    EXPECT_EQ(SDL_GL_GetCurrentWindow(), sdlWindow);
    EXPECT_EQ(SDL_PeepEvents(nullptr, 1, SDL_PEEKEVENT, SDL_WINDOWEVENT, SDL_WINDOWEVENT), 1);
}

TEST(SdlPlatformNoDisplay, NamesTheDisplayThatCannotBeOpenedAndProbesNothingElse) {
    setenv("DISPLAY", ":987", 1);
    unsetenv("WAYLAND_DISPLAY");
    unsetenv("SDL_VIDEODRIVER");
    unsetenv("XDG_RUNTIME_DIR");
    std::unique_ptr<Platform> platform = CreateSystemPlatform();
    WndClass windowClass;
    windowClass.lpszClassName = "TestWnd";
    testing::internal::CaptureStderr();
    EXPECT_EQ(platform->RegisterClass(windowClass), 0);
    EXPECT_EQ(platform->LastError(), "cannot open display :987");
    EXPECT_EQ(platform->LastFailure().kind, FailureKind::DisplayRefused);
    // Nothing named: the drivers' probes say nothing either.
    unsetenv("DISPLAY");
    EXPECT_EQ(platform->RegisterClass(windowClass), 0);
    EXPECT_EQ(platform->LastError(), "no display");
    EXPECT_EQ(platform->LastFailure().kind, FailureKind::NoDisplay);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

TEST(SdlPlatformNoDisplay, RegisteringFailsWithoutADisplay) {
    unsetenv("DISPLAY");
    unsetenv("WAYLAND_DISPLAY");
    unsetenv("SDL_VIDEODRIVER");
    std::unique_ptr<Platform> platform = CreateSystemPlatform();
    WndClass windowClass;
    windowClass.lpszClassName = "TestWnd";
    EXPECT_EQ(platform->RegisterClass(windowClass), 0);
    EXPECT_EQ(platform->LastError(), "no display");
    EXPECT_FALSE(platform->CreateWindowEx(0, "TestWnd", "x", kStyle, 0, 0, 10, 10, WindowHandle{},
                                          ModuleHandle{1}, nullptr));
    // A message box that cannot be shown goes to standard output.
    testing::internal::CaptureStdout();
    EXPECT_EQ(platform->MessageBox(WindowHandle{}, "text", "Message", MB_OK), 1);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "text\n");
}

// SDL 2.26 takes the windows' class from the environment when its video
// starts; a class the user has set there is theirs to keep.
TEST(SdlApplicationIdTest, TheIdReachesSdlUnlessTheUserNamedAClass) {
    setenv("SDL_VIDEODRIVER", "offscreen", 1);
    WndClass windowClass;
    windowClass.lpfnWndProc = recordingProc;
    windowClass.lpszClassName = "IdWnd";

    unsetenv("SDL_VIDEO_X11_WMCLASS");
    unsetenv("SDL_VIDEO_WAYLAND_WMCLASS");
    {
        std::unique_ptr<Platform> platform = CreateSystemPlatform();
        ASSERT_TRUE(platform->SetApplicationId("org.example.Moon"));
        ASSERT_NE(platform->RegisterClass(windowClass), 0) << platform->LastError();
        EXPECT_STREQ(std::getenv("SDL_VIDEO_X11_WMCLASS"), "org.example.Moon");
        EXPECT_STREQ(std::getenv("SDL_VIDEO_WAYLAND_WMCLASS"), "org.example.Moon");
    }
    setenv("SDL_VIDEO_X11_WMCLASS", "users.Choice", 1);
    {
        std::unique_ptr<Platform> platform = CreateSystemPlatform();
        ASSERT_TRUE(platform->SetApplicationId("org.example.Moon"));
        ASSERT_NE(platform->RegisterClass(windowClass), 0) << platform->LastError();
        EXPECT_STREQ(std::getenv("SDL_VIDEO_X11_WMCLASS"), "users.Choice");
    }
    unsetenv("SDL_VIDEO_X11_WMCLASS");
    unsetenv("SDL_VIDEO_WAYLAND_WMCLASS");
}

TEST(SdlKeys, VirtualKeysFollowTheUsLayoutByPosition) {
    EXPECT_EQ(VirtualKeyFromScancode(SDL_SCANCODE_A), 65);
    EXPECT_EQ(VirtualKeyFromScancode(SDL_SCANCODE_Z), 90);
    EXPECT_EQ(VirtualKeyFromScancode(SDL_SCANCODE_0), 48);
    EXPECT_EQ(VirtualKeyFromScancode(SDL_SCANCODE_1), 49);
    EXPECT_EQ(VirtualKeyFromScancode(SDL_SCANCODE_9), 57);
    EXPECT_EQ(VirtualKeyFromScancode(SDL_SCANCODE_SPACE), 32);
    EXPECT_EQ(VirtualKeyFromScancode(SDL_SCANCODE_LSHIFT), 16);
    EXPECT_EQ(VirtualKeyFromScancode(SDL_SCANCODE_RSHIFT), 16);
    EXPECT_EQ(VirtualKeyFromScancode(SDL_SCANCODE_LEFTBRACKET), 219);
    EXPECT_EQ(VirtualKeyFromScancode(SDL_SCANCODE_RIGHTBRACKET), 221);
    EXPECT_EQ(VirtualKeyFromScancode(SDL_SCANCODE_F1), 112);
    EXPECT_EQ(VirtualKeyFromScancode(SDL_SCANCODE_F12), 123);
    EXPECT_EQ(VirtualKeyFromScancode(SDL_SCANCODE_KP_0), 96);
    EXPECT_EQ(VirtualKeyFromScancode(SDL_SCANCODE_KP_1), 97);
    EXPECT_EQ(VirtualKeyFromScancode(SDL_SCANCODE_KP_9), 105);
    EXPECT_EQ(VirtualKeyFromScancode(SDL_SCANCODE_KP_MULTIPLY), 106);
    EXPECT_EQ(VirtualKeyFromScancode(SDL_SCANCODE_KP_PLUS), 107);
    EXPECT_EQ(VirtualKeyFromScancode(SDL_SCANCODE_KP_MINUS), 109);
    EXPECT_EQ(VirtualKeyFromScancode(SDL_SCANCODE_KP_PERIOD), 110);
    EXPECT_EQ(VirtualKeyFromScancode(SDL_SCANCODE_KP_DIVIDE), 111);
    EXPECT_EQ(VirtualKeyFromScancode(SDL_SCANCODE_LEFT), 37);
    EXPECT_EQ(VirtualKeyFromScancode(SDL_SCANCODE_UP), 38);
    EXPECT_EQ(VirtualKeyFromScancode(SDL_SCANCODE_RIGHT), 39);
    EXPECT_EQ(VirtualKeyFromScancode(SDL_SCANCODE_DOWN), 40);
    EXPECT_EQ(VirtualKeyFromScancode(SDL_SCANCODE_ESCAPE), 27);
    EXPECT_EQ(VirtualKeyFromScancode(SDL_SCANCODE_RETURN), 13);
    EXPECT_EQ(VirtualKeyFromScancode(SDL_SCANCODE_TAB), 9);
    EXPECT_EQ(VirtualKeyFromScancode(SDL_SCANCODE_BACKSPACE), 8);
    EXPECT_EQ(VirtualKeyFromScancode(SDL_SCANCODE_UNKNOWN), 0);
}

}  // namespace
}  // namespace moon
