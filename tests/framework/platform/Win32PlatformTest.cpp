// SPDX-License-Identifier: MIT
// The native Windows backend with real windows and real GL (under Wine on
// an X display, Mesa's llvmpipe behind opengl32): the messages Windows sends
// reach the window procedure with the framework's types, a WGL context
// draws, and the handles of what is gone stay dead.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "framework/platform/GLAttributes.h"
#include "framework/platform/OffscreenDrawing.h"
#include "framework/platform/Platform.h"

namespace moon {
namespace {

using namespace platform;

constexpr std::uint32_t kStyle = WS_OVERLAPPEDWINDOW | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
constexpr std::uint32_t kPrivateMessage = WM_USER + 7;

Platform* g_platform = nullptr;
// What the procedure saw of the messages the framework handles.
std::vector<Msg> g_seen;
void* g_createParam = nullptr;  // lpCreateParams of WM_NCCREATE's record
bool g_refuseCreation = false;

bool isFrameworkMessage(std::uint32_t message) {
    switch (message) {
        case WM_NCCREATE:
        case WM_CREATE:
        case WM_SIZE:
        case WM_DESTROY:
        case WM_NCDESTROY:
        case WM_CLOSE:
        case kPrivateMessage:
            return true;
        default:
            return false;
    }
}

LResult recordingProc(WindowHandle window, std::uint32_t message, WParam wParam, LParam lParam) {
    if (isFrameworkMessage(message)) {
        g_seen.push_back(Msg{window, message, wParam, lParam});
    }
    if (message == WM_NCCREATE) {
        g_createParam = reinterpret_cast<const CreateStruct*>(lParam)->lpCreateParams;
        if (g_refuseCreation) {
            return 0;
        }
    }
    return g_platform->DefWindowProc(window, message, wParam, lParam);
}

std::vector<std::uint32_t> messagesOf(WindowHandle window) {
    std::vector<std::uint32_t> messages;
    for (const Msg& msg : g_seen) {
        if (msg.hwnd == window) {
            messages.push_back(msg.message);
        }
    }
    return messages;
}

class Win32PlatformTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_platform = CreateSystemPlatform();
        g_platform = m_platform.get();
        g_seen.clear();
        g_createParam = nullptr;
        g_refuseCreation = false;
        WndClass windowClass;
        windowClass.style = CS_OWNDC;
        windowClass.lpfnWndProc = recordingProc;
        windowClass.hCursor = m_platform->LoadCursor(ModuleHandle{}, IDC_ARROW);
        windowClass.lpszClassName = "NativeWnd";
        ASSERT_NE(m_platform->RegisterClass(windowClass), 0) << m_platform->LastError();
    }
    void TearDown() override {
        m_platform.reset();
        g_platform = nullptr;
    }

    WindowHandle Open(void* param = nullptr) {
        return m_platform->CreateWindowEx(0, "NativeWnd", "native", kStyle, 10, 20, 200, 150,
                                          WindowHandle{}, ModuleHandle{1}, param);
    }

    std::unique_ptr<Platform> m_platform;
};

TEST_F(Win32PlatformTest, CreationSendsItsMessagesWithTheFrameworksTypes) {
    Platform& platform = *m_platform;
    int marker = 0;
    const WindowHandle window = Open(&marker);
    ASSERT_TRUE(window) << platform.LastError();
    EXPECT_EQ(g_createParam, &marker);
    // A top-level window hears of its size at its first show, not before.
    const std::vector<std::uint32_t> created{WM_NCCREATE, WM_CREATE};
    EXPECT_EQ(messagesOf(window), created);
    ASSERT_TRUE(platform.ShowWindow(window, SW_SHOW));
    const std::vector<std::uint32_t> shown{WM_NCCREATE, WM_CREATE, WM_SIZE};
    EXPECT_EQ(messagesOf(window), shown);

    // WM_SIZE packs the client size as Windows does: width low, height high.
    Rect client;
    ASSERT_TRUE(platform.GetClientRect(window, client));
    const Msg& size = g_seen.back();
    EXPECT_EQ(LoWord(static_cast<std::uintptr_t>(size.lParam)), client.right);
    EXPECT_EQ(HiWord(static_cast<std::uintptr_t>(size.lParam)), client.bottom);
    // The outer rectangle is the one asked for; the frame takes from the client.
    Rect outer;
    ASSERT_TRUE(platform.GetWindowRect(window, outer));
    EXPECT_EQ(outer.right - outer.left, 200);
    EXPECT_EQ(outer.bottom - outer.top, 150);
    Rect grown = client;
    ASSERT_TRUE(platform.AdjustWindowRect(grown, kStyle, false));
    EXPECT_EQ(grown.right - grown.left, 200);
    EXPECT_EQ(grown.bottom - grown.top, 150);
}

TEST_F(Win32PlatformTest, ARefusedCreationFailsAndLeavesNoWindow) {
    Platform& platform = *m_platform;
    g_refuseCreation = true;
    EXPECT_FALSE(Open());
    EXPECT_EQ(platform.LastError(), "window creation refused by the window procedure");
    ASSERT_FALSE(g_seen.empty());
    const WindowHandle refused = g_seen.front().hwnd;
    EXPECT_EQ(messagesOf(refused).back(), WM_NCDESTROY);
    EXPECT_FALSE(platform.IsWindowVisible(refused));
    EXPECT_EQ(platform.LastError(), "no such window");

    g_refuseCreation = false;
    const WindowHandle next = Open();
    ASSERT_TRUE(next) << platform.LastError();
    EXPECT_GT(next.id, refused.id);  // ids are never reused
}

TEST_F(Win32PlatformTest, DestroyingSendsDestroyThenNcDestroyAndKillsEveryHandle) {
    Platform& platform = *m_platform;
    const WindowHandle window = Open();
    ASSERT_TRUE(window) << platform.LastError();
    const DeviceContextHandle dc = platform.GetDC(window);
    ASSERT_TRUE(dc) << platform.LastError();
    g_seen.clear();
    ASSERT_TRUE(platform.DestroyWindow(window)) << platform.LastError();
    const std::vector<std::uint32_t> expected{WM_DESTROY, WM_NCDESTROY};
    EXPECT_EQ(messagesOf(window), expected);

    EXPECT_FALSE(platform.DestroyWindow(window));
    EXPECT_EQ(platform.LastError(), "no such window");
    EXPECT_FALSE(platform.PostMessage(window, kPrivateMessage, 0, 0));
    EXPECT_EQ(platform.LastError(), "no such window");
    EXPECT_FALSE(platform.SwapBuffers(dc));
    EXPECT_EQ(platform.LastError(), "no such device context");
    EXPECT_EQ(platform.ChoosePixelFormat(dc, DescriptorFromAttributes(GLAttributes{})), 0);
    EXPECT_EQ(platform.LastError(), "no such device context");
}

TEST_F(Win32PlatformTest, PostedAndThreadMessagesComeBackAndDispatchReachesTheProcedure) {
    Platform& platform = *m_platform;
    const WindowHandle window = Open();
    ASSERT_TRUE(window) << platform.LastError();
    ASSERT_TRUE(platform.PostMessage(window, kPrivateMessage, 5, -6));
    ASSERT_TRUE(platform.PostMessage(WindowHandle{}, kPrivateMessage, 7, 8));
    Msg msg;
    ASSERT_TRUE(platform.PeekMessage(msg));
    EXPECT_EQ(msg.hwnd, window);
    EXPECT_EQ(msg.message, kPrivateMessage);
    EXPECT_EQ(msg.wParam, 5u);
    EXPECT_EQ(msg.lParam, -6);
    g_seen.clear();
    platform.DispatchMessage(msg);
    ASSERT_EQ(g_seen.size(), 1u);
    EXPECT_EQ(g_seen[0].lParam, -6);
    ASSERT_TRUE(platform.PeekMessage(msg));
    EXPECT_FALSE(msg.hwnd);  // to the thread
    EXPECT_EQ(msg.wParam, 7u);
    EXPECT_EQ(platform.DispatchMessage(msg), 0);
    // Nothing is waiting now: the wait times out.
    while (platform.PeekMessage(msg)) {
        platform.DispatchMessage(msg);
    }
    EXPECT_FALSE(platform.WaitMessage(10));
    platform.PostMessage(window, kPrivateMessage, 0, 0);
    EXPECT_TRUE(platform.WaitMessage(1000));
}

// The smoke test of the whole GL path: a pixel format from the framework's
// request, a WGL context made current, a clear read back.
TEST_F(Win32PlatformTest, AWglContextClearsTheWindowToTheColourReadBack) {
    Platform& platform = *m_platform;
    const WindowHandle window = Open();
    ASSERT_TRUE(window) << platform.LastError();
    ASSERT_TRUE(platform.ShowWindow(window, SW_SHOW));
    const DeviceContextHandle dc = platform.GetDC(window);
    ASSERT_TRUE(dc) << platform.LastError();
    EXPECT_EQ(platform.GetDC(window), dc);

    const PixelFormatDescriptor wanted = DescriptorFromAttributes(GLAttributes{});
    const int format = platform.ChoosePixelFormat(dc, wanted);
    ASSERT_GT(format, 0) << platform.LastError();
    ASSERT_EQ(platform.SetPixelFormat(dc, format, wanted), 1) << platform.LastError();
    EXPECT_EQ(platform.GetPixelFormat(dc), format);
    PixelFormatDescriptor described;
    EXPECT_GE(platform.DescribePixelFormat(dc, format, described), format);
    EXPECT_NE(described.dwFlags & PFD_SUPPORT_OPENGL, 0u);
    EXPECT_NE(described.dwFlags & PFD_DOUBLEBUFFER, 0u);
    EXPECT_GE(described.cDepthBits, 16);

    const ContextHandle context = platform.CreateContext(dc);
    ASSERT_TRUE(context) << platform.LastError();
    EXPECT_FALSE(platform.GetCurrentContext());  // made, not current
    ASSERT_EQ(platform.MakeCurrent(dc, context), 1) << platform.LastError();
    EXPECT_EQ(platform.GetCurrentContext(), context);
    EXPECT_EQ(platform.GetCurrentDC(), dc);

    glDisable(GL_DITHER);
    glClearColor(0.2f, 0.4f, 0.6f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    glFinish();
    unsigned char pixel[4] = {};
    glReadBuffer(GL_BACK);
    glReadPixels(2, 2, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, pixel);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    EXPECT_NEAR(pixel[0], 51, 1);
    EXPECT_NEAR(pixel[1], 102, 1);
    EXPECT_NEAR(pixel[2], 153, 1);
    EXPECT_TRUE(platform.SwapBuffers(dc)) << platform.LastError();

    // Deleting the current context leaves none current; its handle is dead.
    ASSERT_TRUE(platform.DeleteContext(context)) << platform.LastError();
    EXPECT_FALSE(platform.GetCurrentContext());
    EXPECT_EQ(platform.MakeCurrent(dc, context), 0);
    EXPECT_EQ(platform.LastError(), "no such context");
    EXPECT_EQ(platform.MakeCurrent(DeviceContextHandle{}, ContextHandle{}), 1);
}

// The colour at a pixel of the buffer read, or 7, 7, 7 where GL wrote
// nothing (outside the drawable).
std::vector<unsigned char> readPixel(GLenum buffer, int x, int y) {
    std::vector<unsigned char> pixel = {7, 7, 7, 7};
    glReadBuffer(buffer);
    glReadPixels(x, y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, pixel.data());
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    return {pixel[0], pixel[1], pixel[2]};
}

void clearTo(unsigned char red, unsigned char green, unsigned char blue) {
    glDisable(GL_DITHER);
    glClearColor(red / 255.0f, green / 255.0f, blue / 255.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    glFinish();
}

// Off screen (each test runs in a process of its own, so the switch stays
// in this one), the window is never shown and what a swap would have shown
// reads back from the front buffer, corner to corner, at every size the
// window takes.
TEST_F(Win32PlatformTest, OffScreenTheSwappedFrameReadsBackFromTheFrontAtTheWindowsSize) {
    platform::UseOffscreenDrawing();
    Platform& platform = *m_platform;
    const WindowHandle window = Open();
    ASSERT_TRUE(window) << platform.LastError();
    ASSERT_TRUE(platform.ShowWindow(window, SW_SHOW));
    EXPECT_FALSE(platform.IsWindowVisible(window));
    const DeviceContextHandle dc = platform.GetDC(window);
    const PixelFormatDescriptor wanted = DescriptorFromAttributes(GLAttributes{});
    const int format = platform.ChoosePixelFormat(dc, wanted);
    ASSERT_EQ(platform.SetPixelFormat(dc, format, wanted), 1) << platform.LastError();
    const ContextHandle context = platform.CreateContext(dc);
    ASSERT_TRUE(context) << platform.LastError();
    EXPECT_FALSE(platform.GetCurrentContext());
    ASSERT_EQ(platform.MakeCurrent(dc, context), 1) << platform.LastError();
    EXPECT_EQ(platform.GetCurrentContext(), context);
    EXPECT_EQ(platform.GetCurrentDC(), dc);

    Rect client;  // the 200 by 150 window's, less its frame
    ASSERT_TRUE(platform.GetClientRect(window, client));
    const Rect created = client;
    ASSERT_GT(created.right, 100);
    ASSERT_GT(created.bottom, 50);
    clearTo(51, 102, 153);
    EXPECT_TRUE(platform.SwapBuffers(dc)) << platform.LastError();
    const std::vector<unsigned char> first = {51, 102, 153};
    EXPECT_EQ(readPixel(GL_FRONT, 0, 0), first);
    EXPECT_EQ(readPixel(GL_FRONT, created.right - 1, created.bottom - 1), first);

    // Larger: the framework makes the context current to answer the resize.
    ASSERT_TRUE(platform.SetWindowPos(window, 0, 0, 420, 330, SWP_NOMOVE | SWP_NOZORDER));
    ASSERT_TRUE(platform.GetClientRect(window, client));
    ASSERT_GT(client.right, created.right);
    ASSERT_GT(client.bottom, created.bottom);
    ASSERT_EQ(platform.MakeCurrent(dc, context), 1) << platform.LastError();
    EXPECT_EQ(platform.GetCurrentDC(), dc);
    clearTo(204, 0, 102);
    EXPECT_TRUE(platform.SwapBuffers(dc)) << platform.LastError();
    const std::vector<unsigned char> second = {204, 0, 102};
    EXPECT_EQ(readPixel(GL_FRONT, 0, 0), second);
    EXPECT_EQ(readPixel(GL_FRONT, client.right - 1, client.bottom - 1), second);

    // The window goes, and its drawing surface with it: nothing stays
    // current on it, and the context can still be deleted.
    ASSERT_TRUE(platform.DestroyWindow(window)) << platform.LastError();
    EXPECT_FALSE(platform.GetCurrentContext());
    EXPECT_FALSE(platform.SwapBuffers(dc));
    EXPECT_EQ(platform.LastError(), "no such device context");
    EXPECT_TRUE(platform.DeleteContext(context)) << platform.LastError();
}

// A pbuffer is made like the window's pixel format: without one there is
// nothing to draw into, and creating the context says so.
TEST_F(Win32PlatformTest, OffScreenAContextNeedsThePixelFormatFirst) {
    platform::UseOffscreenDrawing();
    Platform& platform = *m_platform;
    const WindowHandle window = Open();
    ASSERT_TRUE(window) << platform.LastError();
    const DeviceContextHandle dc = platform.GetDC(window);
    ASSERT_TRUE(dc) << platform.LastError();
    EXPECT_FALSE(platform.CreateContext(dc));
    EXPECT_EQ(platform.LastError(), "cannot draw off screen: the window has no pixel format");
}

TEST_F(Win32PlatformTest, TheDisplayModeIsTheScreens) {
    DevMode mode;
    ASSERT_TRUE(m_platform->EnumDisplaySettings(mode)) << m_platform->LastError();
    EXPECT_GT(mode.dmPelsWidth, 0u);
    EXPECT_GT(mode.dmPelsHeight, 0u);
}

}  // namespace
}  // namespace moon
