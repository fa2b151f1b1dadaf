// SPDX-License-Identifier: MIT
// The window rules, checked with the same assertions on the fake and on the
// system's backend: SDL's (its offscreen driver: real SDL windows that nobody
// sees) on Linux, where both share PlatformBase's emulation of the rules,
// and the native one on Windows, where Windows keeps them: there these
// assertions hold the emulation to Windows' behaviour.
#include "framework/platform/PlatformBase.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "framework/platform/FakePlatform.h"

namespace moon {
namespace {

using namespace platform;

constexpr std::uint32_t kStyle = WS_OVERLAPPEDWINDOW | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
constexpr std::uint32_t kPrivateMessage = WM_USER + 1;

Platform* g_platform = nullptr;

LResult defaultProc(WindowHandle window, std::uint32_t message, WParam wParam, LParam lParam) {
    return g_platform->DefWindowProc(window, message, wParam, lParam);
}

struct Backend {
    const char* name;
    std::function<std::unique_ptr<Platform>()> create;
};

void PrintTo(const Backend& backend, std::ostream* out) {
    *out << backend.name;
}

// Why a call failed: the emulation's own words, or on Windows the system's
// text for its error (any, as long as there is one). A dead handle is the
// backends' own table's business, in the same words everywhere.
void ExpectReason(const Platform& platform, const std::string& emulated) {
    if (dynamic_cast<const PlatformBase*>(&platform) != nullptr) {
        EXPECT_EQ(platform.LastError(), emulated);
    } else {
        EXPECT_NE(platform.LastError(), "");
    }
}

class PlatformBaseTest : public ::testing::TestWithParam<Backend> {
protected:
    void SetUp() override {
        // SDL's offscreen driver (putenv keeps the text: it must outlive the call).
        static char offscreen[] = "SDL_VIDEODRIVER=offscreen";
        putenv(offscreen);
        m_platform = GetParam().create();
        g_platform = m_platform.get();
        WndClass windowClass;
        windowClass.lpfnWndProc = defaultProc;
        windowClass.hCursor = m_platform->LoadCursor(ModuleHandle{}, IDC_ARROW);
        windowClass.lpszClassName = "RulesWnd";
        ASSERT_NE(m_platform->RegisterClass(windowClass), 0) << m_platform->LastError();
    }
    void TearDown() override {
        g_platform = nullptr;
        m_platform.reset();
    }

    WindowHandle Open() {
        return m_platform->CreateWindowEx(0, "RulesWnd", "rules", kStyle, 10, 20, 200, 100,
                                          WindowHandle{}, ModuleHandle{1}, nullptr);
    }

    std::unique_ptr<Platform> m_platform;
};

TEST_P(PlatformBaseTest, TheReasonBelongsToTheFailingCallAlone) {
    Platform& platform = *m_platform;
    const WindowHandle window = Open();
    ASSERT_TRUE(window) << platform.LastError();
    EXPECT_EQ(platform.LastError(), "");

    EXPECT_FALSE(platform.ShowWindow(WindowHandle{999}, SW_SHOW));
    EXPECT_EQ(platform.LastError(), "no such window");
    Rect client;
    EXPECT_TRUE(platform.GetClientRect(window, client));
    EXPECT_EQ(platform.LastError(), "");  // an older failure is not carried on
    EXPECT_EQ(platform.GetWindowLong(window, 7), 0);
    ExpectReason(platform, "no such window-long slot");
    EXPECT_FALSE(platform.KillTimer(window, 1));
    ExpectReason(platform, "no such timer");
    EXPECT_FALSE(platform.CreateWindowEx(0, "NoSuchWnd", "", kStyle, 0, 0, 10, 10, WindowHandle{},
                                         ModuleHandle{1}, nullptr));
    ExpectReason(platform, "no such window class");
}

TEST_P(PlatformBaseTest, OnlyTheStockIconAndCursorTheFrameworkLoadsExist) {
    Platform& platform = *m_platform;
    EXPECT_TRUE(platform.LoadIcon(ModuleHandle{}, IDI_APPLICATION));
    EXPECT_TRUE(platform.LoadCursor(ModuleHandle{}, IDC_ARROW));
    // Ids next to the stock ones that no system has (Windows has the I-beam
    // and the other stock cursors and icons above these).
    EXPECT_FALSE(platform.LoadCursor(ModuleHandle{}, IDC_ARROW - 1));
    ExpectReason(platform, "no such cursor");
    EXPECT_FALSE(platform.LoadIcon(ModuleHandle{}, IDI_APPLICATION - 1));
    ExpectReason(platform, "no such icon");
    EXPECT_FALSE(platform.LoadCursor(platform.GetModuleHandle(), IDC_ARROW));
}

TEST_P(PlatformBaseTest, TheStyleLongCarriesVisibilityAndTheClassCursorComesByDefault) {
    Platform& platform = *m_platform;
    const WindowHandle window = Open();
    ASSERT_TRUE(window) << platform.LastError();
    EXPECT_EQ(platform.GetWindowLong(window, GWL_STYLE), static_cast<std::intptr_t>(kStyle));
    EXPECT_EQ(platform.SetWindowLong(window, GWL_STYLE, kStyle | WS_VISIBLE),
              static_cast<std::intptr_t>(kStyle));
    EXPECT_TRUE(platform.IsWindowVisible(window));
    platform.SetWindowLong(window, GWL_STYLE, kStyle | WS_CHILD);
    EXPECT_FALSE(platform.IsWindowVisible(window));
    EXPECT_EQ(platform.SetWindowLong(window, GWL_USERDATA, 42), 0);
    EXPECT_EQ(platform.GetWindowLong(window, GWL_USERDATA), 42);

    // The class cursor is the arrow; elsewhere the system shows its own arrow.
    const CursorHandle arrow = platform.LoadCursor(ModuleHandle{}, IDC_ARROW);
    platform.SetCursor(CursorHandle{});
    const LResult client =
        platform.DefWindowProc(window, WM_SETCURSOR, window.id, MakeLParam(HTCLIENT, WM_MOUSEMOVE));
    if (dynamic_cast<PlatformBase*>(&platform) != nullptr) {
        EXPECT_EQ(client, 1);  // Windows' answer: handled (Wine answers 0)
    }
    EXPECT_EQ(platform.SetCursor(CursorHandle{}), arrow);
    EXPECT_EQ(platform.DefWindowProc(window, WM_SETCURSOR, window.id, MakeLParam(0, WM_MOUSEMOVE)),
              0);  // not over the client area: not handled, but the arrow shows
    EXPECT_EQ(platform.SetCursor(CursorHandle{}), arrow);
}

void* g_createParam = nullptr;
std::vector<LParam> g_sizes;  // lParam of every WM_SIZE

LResult creationProc(WindowHandle window, std::uint32_t message, WParam wParam, LParam lParam) {
    if (message == WM_NCCREATE) {
        g_createParam = reinterpret_cast<const CreateStruct*>(lParam)->lpCreateParams;
    } else if (message == WM_SIZE) {
        g_sizes.push_back(lParam);
    }
    return defaultProc(window, message, wParam, lParam);
}

// Windows sends a top-level window's first WM_SIZE at its first show (the
// emulation sends one at creation too).
TEST_P(PlatformBaseTest, CreationCarriesTheParameterAndTheFirstShowSendsTheClientSize) {
    Platform& platform = *m_platform;
    WndClass windowClass;
    windowClass.lpfnWndProc = creationProc;
    windowClass.lpszClassName = "CreationWnd";
    ASSERT_NE(platform.RegisterClass(windowClass), 0) << platform.LastError();
    g_createParam = nullptr;
    g_sizes.clear();
    int marker = 0;
    const WindowHandle window =
        platform.CreateWindowEx(0, "CreationWnd", "creation", kStyle, 10, 20, 200, 100,
                                WindowHandle{}, ModuleHandle{1}, &marker);
    ASSERT_TRUE(window) << platform.LastError();
    EXPECT_EQ(g_createParam, &marker);
    ASSERT_TRUE(platform.ShowWindow(window, SW_SHOW));
    Rect client;
    ASSERT_TRUE(platform.GetClientRect(window, client));
    ASSERT_FALSE(g_sizes.empty());
    EXPECT_EQ(g_sizes.back(), MakeLParam(client.right, client.bottom));
    EXPECT_TRUE(platform.DestroyWindow(window));
}

TEST_P(PlatformBaseTest, UpdateRegionIsTheClippedUnionAndPaintComesAfterPostedMessages) {
    Platform& platform = *m_platform;
    const WindowHandle window = Open();
    ASSERT_TRUE(window) << platform.LastError();
    ASSERT_TRUE(platform.ShowWindow(window, SW_SHOW));
    Rect client;
    ASSERT_TRUE(platform.GetClientRect(window, client));
    PaintStruct paint;
    platform.BeginPaint(window, paint);
    platform.EndPaint(window, paint);
    EXPECT_FALSE(platform.GetUpdateRect(window, nullptr, false));

    const Rect first{10, 10, 20, 20};
    const Rect second{-5, 15, 30, client.bottom + 50};
    platform.InvalidateRect(window, &first, false);
    platform.InvalidateRect(window, &second, false);
    Rect update;
    ASSERT_TRUE(platform.GetUpdateRect(window, &update, false));
    EXPECT_EQ(update.left, 0);
    EXPECT_EQ(update.top, 10);
    EXPECT_EQ(update.right, 30);
    EXPECT_EQ(update.bottom, client.bottom);

    // WM_QUIT comes once, after every posted message, even one posted later.
    platform.PostMessage(window, kPrivateMessage, 1, 2);
    platform.PostQuitMessage(3);
    platform.PostQuitMessage(4);
    platform.PostMessage(window, kPrivateMessage, 5, 6);
    Msg msg;
    ASSERT_TRUE(platform.PeekMessage(msg));
    EXPECT_EQ(msg.message, kPrivateMessage);
    ASSERT_TRUE(platform.PeekMessage(msg));
    EXPECT_EQ(msg.message, kPrivateMessage);
    EXPECT_EQ(msg.wParam, 5u);
    ASSERT_TRUE(platform.PeekMessage(msg));
    EXPECT_EQ(msg.message, WM_QUIT);
    EXPECT_EQ(msg.wParam, 4u);
    ASSERT_TRUE(platform.PeekMessage(msg));
    EXPECT_EQ(msg.message, WM_PAINT);
    // Unanswered, the default processing validates: the paint is not repeated.
    platform.DispatchMessage(msg);
    EXPECT_FALSE(platform.GetUpdateRect(window, nullptr, false));
}

TEST_P(PlatformBaseTest, ADestroyedWindowsMessagesAreDroppedAndItsHandleIsDead) {
    Platform& platform = *m_platform;
    const WindowHandle kept = Open();
    const WindowHandle gone = Open();
    ASSERT_TRUE(kept && gone) << platform.LastError();
    platform.PostMessage(gone, kPrivateMessage, 0, 0);
    platform.PostMessage(kept, kPrivateMessage, 7, 0);
    platform.PostMessage(gone, kPrivateMessage, 0, 0);
    platform.SetCapture(gone);
    // WM_CLOSE's default destroys the window.
    EXPECT_EQ(platform.DefWindowProc(gone, WM_CLOSE, 0, 0), 0);
    EXPECT_FALSE(platform.IsWindowVisible(gone));
    EXPECT_EQ(platform.LastError(), "no such window");
    EXPECT_FALSE(platform.SetCapture(kept));  // the capture went with its window

    Msg msg;
    ASSERT_TRUE(platform.PeekMessage(msg));
    EXPECT_EQ(msg.hwnd, kept);
    EXPECT_EQ(msg.wParam, 7u);
    EXPECT_FALSE(platform.PeekMessage(msg));
}

TEST_P(PlatformBaseTest, PalettesAreDataAndADeletedOneLeavesTheStockPaletteSelected) {
    Platform& platform = *m_platform;
    const WindowHandle window = Open();
    ASSERT_TRUE(window) << platform.LastError();
    const DeviceContextHandle dc = platform.GetDC(window);
    ASSERT_TRUE(dc);
    EXPECT_EQ(platform.GetDC(window), dc);  // the window's own, every time
    LogPalette contents;
    contents.palVersion = 0x300;
    contents.palNumEntries = 16;
    const PaletteHandle palette = platform.CreatePalette(contents);
    const PaletteHandle stock = platform.SelectPalette(dc, palette, false);
    ASSERT_TRUE(stock);
    EXPECT_EQ(platform.RealizePalette(dc), 0u);  // a true-colour display maps nothing
    EXPECT_EQ(platform.LastError(), "");
    EXPECT_TRUE(platform.DeleteObject(stock));  // a stock object outlives it
    EXPECT_TRUE(platform.DeleteObject(palette));
    EXPECT_EQ(platform.SelectPalette(dc, stock, false), stock);
    EXPECT_FALSE(platform.SelectPalette(dc, palette, false));
    EXPECT_EQ(platform.LastError(), "no such palette");
}

// MOON_SYSTEM_BACKEND names the system's backend (the build chooses it).
INSTANTIATE_TEST_SUITE_P(
    Backends, PlatformBaseTest,
    ::testing::Values(Backend{"Fake", [] { return std::make_unique<FakePlatform>(); }},
                      Backend{MOON_SYSTEM_BACKEND, [] { return CreateSystemPlatform(); }}),
    [](const ::testing::TestParamInfo<Backend>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace moon
