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

#include "framework/platform/fake/FakePlatform.h"

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

// Every operation naming a window or a device context checks it before it
// does anything else, and says so by kind; ids, the device context's too,
// are never given again.
TEST_P(PlatformBaseTest, EveryOperationNamingADeadHandleFailsByKind) {
    Platform& platform = *m_platform;
    const WindowHandle window = Open();
    ASSERT_TRUE(window) << platform.LastError();
    const DeviceContextHandle dc = platform.GetDC(window);
    ASSERT_TRUE(dc) << platform.LastError();
    EXPECT_EQ(platform.LastFailure().kind, FailureKind::NoFailure);
    ASSERT_TRUE(platform.DestroyWindow(window)) << platform.LastError();

    const auto expectDead = [&platform](bool failed, const char* operation) {
        EXPECT_TRUE(failed) << operation;
        EXPECT_EQ(platform.LastFailure().kind, FailureKind::NoSuchHandle) << operation;
        EXPECT_EQ(platform.LastFailure().text, platform.LastError()) << operation;
        EXPECT_NE(platform.LastError(), "") << operation;
    };
    Rect rect;
    PaintStruct paint;
    PixelFormatDescriptor descriptor;
    expectDead(!platform.ShowWindow(window, SW_SHOW), "ShowWindow");
    expectDead(!platform.GetClientRect(window, rect), "GetClientRect");
    expectDead(!platform.GetWindowRect(window, rect), "GetWindowRect");
    expectDead(!platform.SetWindowPos(window, 0, 0, 50, 50, 0), "SetWindowPos");
    expectDead(!platform.SetWindowText(window, "gone"), "SetWindowText");
    expectDead(platform.SetWindowLong(window, GWL_USERDATA, 1) == 0, "SetWindowLong");
    expectDead(!platform.InvalidateRect(window, nullptr, false), "InvalidateRect");
    expectDead(!platform.BeginPaint(window, paint), "BeginPaint");
    expectDead(!platform.SetCapture(window), "SetCapture");
    expectDead(!platform.GetDC(window), "GetDC");
    expectDead(platform.ChoosePixelFormat(dc, descriptor) == 0, "ChoosePixelFormat");
    expectDead(platform.SetPixelFormat(dc, 1, descriptor) == 0, "SetPixelFormat");
    expectDead(platform.GetPixelFormat(dc) == 0, "GetPixelFormat");
    expectDead(platform.DescribePixelFormat(dc, 1, descriptor) == 0, "DescribePixelFormat");
    expectDead(!platform.CreateContext(dc), "CreateContext");
    expectDead(!platform.SwapBuffers(dc), "SwapBuffers");
    expectDead(platform.RealizePalette(dc) == 0, "RealizePalette");

    const WindowHandle next = Open();
    ASSERT_TRUE(next) << platform.LastError();
    EXPECT_EQ(platform.LastFailure().kind, FailureKind::NoFailure);
    EXPECT_GT(next.id, window.id);
    EXPECT_NE(platform.GetDC(next), dc);
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

TEST_P(PlatformBaseTest, TheProgramsIconsAreLoadedFromItsModuleByTheirIds) {
    Platform& platform = *m_platform;
    const ModuleHandle module = platform.GetModuleHandle();
    EXPECT_FALSE(platform.LoadIcon(module, 1));  // none given yet
    ExpectReason(platform, "no such icon");

    const IconImage icon{2, 1, {255, 0, 0, 255, 0, 0, 255, 128}};
    EXPECT_TRUE(platform.AddModuleIcon(1, icon)) << platform.LastError();
    const IconHandle loaded = platform.LoadIcon(module, 1);
    EXPECT_TRUE(loaded);
    EXPECT_EQ(platform.LoadIcon(module, 1), loaded);  // the same icon each time
    EXPECT_NE(loaded, platform.LoadIcon(ModuleHandle{}, IDI_APPLICATION));
    EXPECT_FALSE(platform.LoadIcon(ModuleHandle{}, 1));  // not the system's
    EXPECT_FALSE(platform.LoadIcon(module, 2));

    // Pictures that cannot be an icon, and ids that are taken or not positive.
    EXPECT_FALSE(platform.AddModuleIcon(1, icon));
    EXPECT_FALSE(platform.AddModuleIcon(0, icon));
    EXPECT_FALSE(platform.AddModuleIcon(2, IconImage{2, 2, icon.rgba}));  // not filled
    EXPECT_FALSE(platform.AddModuleIcon(3, IconImage{0, 0, {}}));
    EXPECT_FALSE(platform.AddModuleIcon(4, IconImage{2048, 1, std::vector<std::uint8_t>(8192)}));
    ExpectReason(platform, "icon picture empty, too large or not filled");
    EXPECT_FALSE(platform.LoadIcon(module, 2));
}

TEST_P(PlatformBaseTest, TheApplicationIdIsGivenBeforeTheWindowSystemStartsOrNotAtAll) {
    // The fixture's class started the window system.
    EXPECT_FALSE(m_platform->SetApplicationId("org.example.Late"));
    ExpectReason(*m_platform, "the window system has started");

    std::unique_ptr<Platform> fresh = GetParam().create();
    EXPECT_FALSE(fresh->SetApplicationId(""));
    EXPECT_FALSE(fresh->SetApplicationId(nullptr));
    EXPECT_FALSE(fresh->SetApplicationId("two words"));
    EXPECT_FALSE(fresh->SetApplicationId("tab\there"));
    ExpectReason(*fresh, "application id empty or with spaces");
    EXPECT_TRUE(fresh->SetApplicationId("org.example.Early")) << fresh->LastError();
    EXPECT_TRUE(fresh->SetApplicationId("org.example.Again"));  // the last one counts
}

// --- Creation and destruction --------------------------------------------------

// What a window procedure heard, as "window:message" (WM_SIZE with its wParam),
// and how it answers creation.
struct Heard {
    std::vector<std::string> log;
    LResult ncCreateResult = 1;
    LResult createResult = 0;
    bool destroyOnCreate = false;
};
Heard* g_heard = nullptr;

LResult listeningProc(WindowHandle window, std::uint32_t message, WParam wParam, LParam lParam) {
    const std::string id = std::to_string(window.id) + ":";
    switch (message) {
        case WM_NCCREATE:
            g_heard->log.push_back(id + "NCCREATE");
            return g_heard->ncCreateResult;
        case WM_CREATE:
            g_heard->log.push_back(id + "CREATE");
            if (g_heard->destroyOnCreate) {
                g_platform->DestroyWindow(window);
            }
            return g_heard->createResult;
        case WM_SIZE:
            g_heard->log.push_back(id + "SIZE" + std::to_string(wParam));
            return 0;
        case WM_DESTROY:
            g_heard->log.push_back(id + "DESTROY");
            return 0;
        case WM_NCDESTROY:
            g_heard->log.push_back(id + "NCDESTROY");
            return 0;
        default:
            return g_platform->DefWindowProc(window, message, wParam, lParam);
    }
}

class WindowSequenceTest : public PlatformBaseTest {
protected:
    void SetUp() override {
        PlatformBaseTest::SetUp();
        g_heard = &m_heard;
        WndClass windowClass;
        windowClass.lpfnWndProc = listeningProc;
        windowClass.lpszClassName = "HeardWnd";
        ASSERT_NE(m_platform->RegisterClass(windowClass), 0) << m_platform->LastError();
    }
    void TearDown() override {
        g_heard = nullptr;
        PlatformBaseTest::TearDown();
    }
    WindowHandle Make(std::uint32_t style, WindowHandle parent = {}) {
        return m_platform->CreateWindowEx(0, "HeardWnd", "heard", style, 10, 20, 200, 100, parent,
                                          ModuleHandle{1}, nullptr);
    }
    std::string Log() const {
        std::string joined;
        for (const std::string& entry : m_heard.log) {
            joined += (joined.empty() ? "" : " ") + entry;
        }
        return joined;
    }

    Heard m_heard;
};

TEST_P(WindowSequenceTest, CreationSendsItsMessagesInOrderAndAVisibleStyleShowsTheWindow) {
    Platform& platform = *m_platform;
    // Windows sends a top-level window's first WM_SIZE at its first show
    // only; the emulation sends one during creation as well.
    const bool emulated = dynamic_cast<PlatformBase*>(&platform) != nullptr;
    const WindowHandle hidden = Make(kStyle);
    ASSERT_TRUE(hidden) << platform.LastError();
    const std::string id = std::to_string(hidden.id);
    EXPECT_EQ(Log(), id + ":NCCREATE " + id + ":CREATE" + (emulated ? " " + id + ":SIZE0" : ""));
    EXPECT_FALSE(platform.IsWindowVisible(hidden));
    m_heard.log.clear();
    ASSERT_TRUE(platform.ShowWindow(hidden, SW_SHOW));
    ASSERT_TRUE(platform.ShowWindow(hidden, SW_HIDE));
    ASSERT_TRUE(platform.ShowWindow(hidden, SW_SHOW));
    EXPECT_EQ(Log(), id + ":SIZE0");  // the first show's, and no other

    // Pop-up and child windows hear it during their creation everywhere.
    m_heard.log.clear();
    const WindowHandle popup = Make(WS_POPUP);
    ASSERT_TRUE(popup) << platform.LastError();
    const WindowHandle child = Make(WS_CHILD, hidden);
    ASSERT_TRUE(child) << platform.LastError();
    const std::string p = std::to_string(popup.id);
    const std::string c = std::to_string(child.id);
    EXPECT_EQ(Log(), p + ":NCCREATE " + p + ":CREATE " + p + ":SIZE0 " + c + ":NCCREATE " + c +
                         ":CREATE " + c + ":SIZE0");

    m_heard.log.clear();
    const WindowHandle shown = Make(kStyle | WS_VISIBLE);
    ASSERT_TRUE(shown) << platform.LastError();
    EXPECT_TRUE(platform.IsWindowVisible(shown));
    EXPECT_NE(platform.GetWindowLong(shown, GWL_STYLE) & WS_VISIBLE, 0);
    // Every WM_SIZE of a new window says it was restored, not minimised.
    for (const std::string& entry : m_heard.log) {
        if (entry.find(":SIZE") != std::string::npos) {
            EXPECT_EQ(entry, std::to_string(shown.id) + ":SIZE" + std::to_string(SIZE_RESTORED));
        }
    }
}

TEST_P(WindowSequenceTest, ARefusedCreationFailsAndLeavesNoWindow) {
    Platform& platform = *m_platform;
    // WM_NCCREATE answered 0: the window never existed for the program, and
    // hears only WM_NCDESTROY.
    m_heard.ncCreateResult = 0;
    EXPECT_FALSE(Make(kStyle | WS_VISIBLE));
    ExpectReason(platform, "window creation refused by the window procedure");
    ASSERT_EQ(m_heard.log.size(), 2u);
    EXPECT_EQ(m_heard.log[1].substr(m_heard.log[1].find(':')), ":NCDESTROY");

    // WM_CREATE answered -1: the same, after WM_CREATE (as Windows does:
    // no WM_DESTROY for a window that never finished its creation).
    m_heard = Heard{};
    m_heard.createResult = -1;
    EXPECT_FALSE(Make(kStyle | WS_VISIBLE));
    ExpectReason(platform, "window creation refused by the window procedure");
    ASSERT_EQ(m_heard.log.size(), 3u) << Log();
    const std::string id = m_heard.log[0].substr(0, m_heard.log[0].find(':'));
    EXPECT_EQ(Log(), id + ":NCCREATE " + id + ":CREATE " + id + ":NCDESTROY");
    EXPECT_FALSE(
        platform.IsWindowVisible(WindowHandle{static_cast<std::uint32_t>(std::stoul(id))}));
    EXPECT_EQ(platform.LastError(), "no such window");

    // Destroyed by its own procedure while being created.
    m_heard = Heard{};
    m_heard.destroyOnCreate = true;
    EXPECT_FALSE(Make(kStyle));
    ExpectReason(platform, "window destroyed during its creation");
}

TEST_P(WindowSequenceTest, OwnedWindowsGoFirstThenTheWindowThenItsChildrenThenItsLastMessage) {
    Platform& platform = *m_platform;
    const WindowHandle owner = Make(kStyle);
    ASSERT_TRUE(owner) << platform.LastError();
    const WindowHandle owned = Make(WS_POPUP, owner);
    const WindowHandle child = Make(WS_CHILD, owner);
    ASSERT_TRUE(owned && child) << platform.LastError();
    EXPECT_EQ(platform.GetParent(child), owner);

    m_heard.log.clear();
    EXPECT_TRUE(platform.DestroyWindow(owner));
    const std::string o = std::to_string(owner.id);
    const std::string p = std::to_string(owned.id);
    const std::string c = std::to_string(child.id);
    EXPECT_EQ(Log(), p + ":DESTROY " + p + ":NCDESTROY " + o + ":DESTROY " + c + ":DESTROY " + c +
                         ":NCDESTROY " + o + ":NCDESTROY");
    for (const WindowHandle window : {owner, owned, child}) {
        EXPECT_FALSE(platform.DestroyWindow(window));
        EXPECT_EQ(platform.LastError(), "no such window");
    }
}

// The checks PlatformBase makes for its backends before a context is made or
// made current, and the fake's own failures, by kind.
TEST(PlatformBaseFailures, ContextsNeedTheirPixelFormatAndALostDisplayStopsEverything) {
    FakePlatform platform;
    WndClass windowClass;
    windowClass.lpfnWndProc = [](WindowHandle, std::uint32_t, WParam, LParam) -> LResult {
        return 1;
    };
    windowClass.lpszClassName = "KindWnd";
    ASSERT_NE(platform.RegisterClass(windowClass), 0);
    const auto open = [&platform] {
        return platform.CreateWindowEx(0, "KindWnd", "", kStyle, 0, 0, 100, 100, WindowHandle{},
                                       ModuleHandle{1}, nullptr);
    };
    const WindowHandle first = open();
    const WindowHandle second = open();
    ASSERT_TRUE(first && second) << platform.LastError();
    const DeviceContextHandle firstDc = platform.GetDC(first);
    const DeviceContextHandle secondDc = platform.GetDC(second);
    PixelFormatDescriptor descriptor;

    EXPECT_FALSE(platform.CreateContext(firstDc));
    EXPECT_EQ(platform.LastFailure().kind, FailureKind::NoPixelFormat);
    ASSERT_EQ(platform.SetPixelFormat(firstDc, 1, descriptor), 1);
    ASSERT_EQ(platform.SetPixelFormat(secondDc, 2, descriptor), 1);
    const ContextHandle context = platform.CreateContext(firstDc);
    ASSERT_TRUE(context) << platform.LastError();
    EXPECT_EQ(platform.MakeCurrent(secondDc, context), 0);
    EXPECT_EQ(platform.LastFailure().kind, FailureKind::NoPixelFormat);
    EXPECT_EQ(platform.CurrentContext(), ContextHandle{});
    EXPECT_EQ(platform.MakeCurrent(firstDc, context), 1);
    EXPECT_EQ(platform.CurrentContext(), context);
    EXPECT_EQ(platform.MakeCurrent(DeviceContextHandle{}, ContextHandle{}), 1);
    EXPECT_EQ(platform.CurrentContext(), ContextHandle{});

    platform.InjectFailure("SetWindowText", 1);
    EXPECT_FALSE(platform.SetWindowText(first, "x"));
    EXPECT_EQ(platform.LastFailure().kind, FailureKind::SystemFailure);
    EXPECT_EQ(platform.State(first).title, "");
    platform.LoseConnection();
    EXPECT_FALSE(platform.SetWindowText(first, "x"));
    EXPECT_EQ(platform.LastFailure().kind, FailureKind::DisplayLost);
    EXPECT_FALSE(platform.SwapBuffers(firstDc));
    EXPECT_EQ(platform.LastFailure().kind, FailureKind::DisplayLost);
    EXPECT_EQ(platform.State(first).swapCount, 0);
}

// MOON_SYSTEM_BACKEND names the system's backend (the build chooses it).
INSTANTIATE_TEST_SUITE_P(
    Backends, WindowSequenceTest,
    ::testing::Values(Backend{"Fake", [] { return std::make_unique<FakePlatform>(); }},
                      Backend{MOON_SYSTEM_BACKEND, [] { return CreateSystemPlatform(); }}),
    [](const ::testing::TestParamInfo<Backend>& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    Backends, PlatformBaseTest,
    ::testing::Values(Backend{"Fake", [] { return std::make_unique<FakePlatform>(); }},
                      Backend{MOON_SYSTEM_BACKEND, [] { return CreateSystemPlatform(); }}),
    [](const ::testing::TestParamInfo<Backend>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace moon
