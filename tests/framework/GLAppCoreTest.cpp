// SPDX-License-Identifier: MIT
// The application core: window list and main window, Run and its loop, exit
// codes, ShowMessage.
#include "framework/GLAppCore.h"

#include <cstdio>
#include <cstdlib>
#include <string>

#include "framework/Main.h"
#include "framework/ShowMessage.h"
#include "tests/framework/FrameworkFixture.h"

namespace moon::test {
namespace {

using platform::WM_CLOSE;

TEST_F(FrameworkTest, ListKeepsConstructionOrderAndMainWindowRules) {
    TestApp app;
    TestWindow a("A");
    auto b = std::make_unique<TestWindow>("B");
    TestWindow c("C");
    ASSERT_EQ(Core().m_windows.size(), 3u);
    EXPECT_EQ(Core().m_windows[0], a.GetExtra());
    EXPECT_EQ(Core().m_windows[1], b->GetExtra());
    EXPECT_EQ(Core().m_windows[2], c.GetExtra());
    EXPECT_EQ(Core().GetMainWindow(), a.GetExtra());  // first listed

    EXPECT_TRUE(b->MakeMain());
    EXPECT_EQ(Core().GetMainWindow(), b->GetExtra());
    EXPECT_TRUE(b->MakeMain());  // already main: nothing changes
    EXPECT_FALSE(Core().SetMainWindow(nullptr));
    EXPECT_FALSE(Core().AddWindow(nullptr));
    EXPECT_EQ(Core().GetMainWindow(), b->GetExtra());

    // Removing the main window's record must not leave the core pointing at it.
    b.reset();
    EXPECT_EQ(Core().GetMainWindow(), nullptr);
    ASSERT_EQ(Core().m_windows.size(), 2u);
    EXPECT_EQ(Core().m_windows[0], a.GetExtra());
    EXPECT_EQ(Core().m_windows[1], c.GetExtra());
    Core().RemoveWindow(nullptr);  // absent: nothing changes
    EXPECT_EQ(Core().m_windows.size(), 2u);
}

TEST_F(FrameworkTest, EmptyListRunsNoLoopAndReturnsZero) {
    TestApp app;
    EXPECT_EQ(Core().Run(2, nullptr), 0);
    EXPECT_EQ(Core().m_argc, 2);
    EXPECT_EQ(TakeEvents(), (std::vector<std::string>{"App.OnInit", "App.OnExit"}));
    EXPECT_EQ(Fake().CountCalls("PeekMessage"), 0);
}

TEST_F(FrameworkTest, RunWithoutApplicationStops) {
    EXPECT_DEATH(Core().Run(0, nullptr), "m_pApp != nullptr");
}

TEST_F(FrameworkTest, RunCreatesInListOrderAndIdleReachesWindowsAddedDuringThePass) {
    TestApp app;
    TestWindow a("A");
    TestWindow b("B");
    std::unique_ptr<TestWindow> late;
    a.m_onIdle = [&] {
        if (!late) {
            late = std::make_unique<TestWindow>("Late");
        }
    };
    app.m_onIdle = [&](int pass) {
        if (pass == 2) {
            Fake().PostQuitMessage(7);
        }
    };
    EXPECT_EQ(Core().Run(0, nullptr), 7);  // the quit message's value

    // The window added by A's OnIdle got OnIdle in the same first pass.
    EXPECT_EQ(app.m_idlePasses, 2);
    EXPECT_EQ(a.m_idleCalls, 2);
    ASSERT_NE(late, nullptr);
    EXPECT_EQ(late->m_idleCalls, 2);
    EXPECT_FALSE(late->Handle());  // listed after the creation step: never created

    const std::vector<std::string> events = TakeEvents();
    ASSERT_GE(events.size(), 4u);
    EXPECT_EQ(events.front(), "App.OnInit");
    EXPECT_EQ(events.back(), "App.OnExit");
    // Sizes sent during creation precede OnCreate; A is created and set up first.
    const auto at = [&](const std::string& event) {
        return std::find(events.begin(), events.end(), event) - events.begin();
    };
    EXPECT_LT(at("A.OnResize(320,240)"), at("B.OnResize(320,240)"));
    EXPECT_LT(at("B.OnResize(320,240)"), at("A.OnCreate"));
    EXPECT_LT(at("A.OnCreate"), at("B.OnCreate"));
    // After the creation step the last window's context stays current.
    EXPECT_EQ(GLWindowExtra::CurrentDepth(), 2);
    EXPECT_EQ(Fake().CurrentContext(), b.Context());
}

TEST_F(FrameworkTest, ClosingMainWindowEndsProgramWithZeroThroughAppMain) {
    TestApp app;
    TestWindow main("Main");
    Core().m_bConsole = true;
    app.m_onIdle = [&](int pass) {
        if (pass == 1) {
            Fake().Inject(main.Handle(), WM_CLOSE, 0, 0);
        }
    };
    EXPECT_EQ(AppMain(0, nullptr), 0);
    EXPECT_FALSE(Core().m_bConsole);
    EXPECT_FALSE(Fake().State(main.Handle()).alive);
}

TEST_F(FrameworkTest, NoWindowSystemIsAFailureNotASuccess) {
    Fake().InjectFailure("RegisterClass");
    TestApp app;
    testing::internal::CaptureStdout();
    TestWindow a("A");
    TestWindow b("B");
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "Failed to register window class\ninjected failure of RegisterClass\n"
              "Failed to register window class\ninjected failure of RegisterClass\n");
    // The program is told the kind with the text (moon explains by the kind).
    EXPECT_EQ(LastReportedFailure().kind, platform::FailureKind::SystemFailure);
    EXPECT_EQ(LastReportedFailure().text, "injected failure of RegisterClass");
    EXPECT_TRUE(Core().m_windows.empty());

    // Without a record every operation does nothing and reports so.
    EXPECT_EQ(a.GetExtra(), nullptr);
    a.SetSize(10, 10);
    a.SetPosition(1, 1);
    a.SwapBuffers();
    a.Invalidate();
    EXPECT_FALSE(a.SetTitle("x"));
    EXPECT_FALSE(a.SetDepthBits(24));
    EXPECT_FALSE(a.MakeMain());
    EXPECT_EQ(a.GetWidth(), 0);
    EXPECT_EQ(a.GetHeight(), 0);
    EXPECT_EQ(a.GetDepthBits(), 0);

    EXPECT_EQ(Core().Run(0, nullptr), 1);
    EXPECT_EQ(TakeEvents(), (std::vector<std::string>{"App.OnInit", "App.OnExit"}));
}

TEST_F(FrameworkTest, MainWindowWithoutGLEndsWithStatusOneWithoutLoop) {
    Fake().InjectFailure("CreateContext");
    TestApp app;
    TestWindow a("A");
    testing::internal::CaptureStdout();
    EXPECT_EQ(Core().Run(0, nullptr), 1);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "Failed to create GL context\ninjected failure of CreateContext\n");
    EXPECT_EQ(Fake().CountCalls("PeekMessage"), 0);
}

TEST_F(FrameworkTest, FailedOtherWindowStaysListedAndIdleWhileMainRuns) {
    Fake().InjectFailure("CreateWindowEx", 1);  // the first window created: A
    TestApp app;
    TestWindow a("A");
    TestWindow b("B");
    b.MakeMain();
    app.m_onIdle = [&](int pass) {
        if (pass == 3) {
            Fake().Inject(b.Handle(), WM_CLOSE, 0, 0);
        }
    };
    testing::internal::CaptureStdout();
    EXPECT_EQ(Core().Run(0, nullptr), 0);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "Failed to create window\ninjected failure of CreateWindowEx\n");
    EXPECT_FALSE(a.Handle());
    EXPECT_EQ(a.m_idleCalls, 3);
    EXPECT_EQ(Core().m_windows.size(), 2u);
}

// While no window can be seen (hidden, or minimised) nothing paces the loop:
// it waits for input a few milliseconds between idle passes, and only then.
TEST_F(FrameworkTest, IdlePassesWaitForInputOnlyWhileNoWindowShows) {
    TestApp app;
    TestWindow a("A");
    TestWindow b("B");
    constexpr int kHiddenPasses = 500;
    app.m_onIdle = [&](int pass) {
        if (pass == 1) {
            Fake().ShowWindow(b.Handle(), platform::SW_HIDE);
            Fake().Minimise(a.Handle(), true);
        } else if (pass == kHiddenPasses + 1) {
            Fake().Minimise(a.Handle(), false);
        } else if (pass == kHiddenPasses + 100) {
            Fake().PostQuitMessage(0);
        }
    };
    EXPECT_EQ(Core().Run(0, nullptr), 0);
    EXPECT_EQ(Fake().CountCalls("WaitMessage"), kHiddenPasses);
    // A bound on the idle passes per second of waiting, not a timing: at most
    // 250 a second however fast the machine, and never a wait so long that
    // input is held up.
    const double waited = static_cast<double>(Fake().WaitedMilliseconds());
    EXPECT_LE(kHiddenPasses * 1000.0 / waited, 250.0);
    EXPECT_LE(waited / kHiddenPasses, 10.0);
}

// A scene whose freeing the exit path must still reach.
class SceneApp : public TestApp {
public:
    ~SceneApp() override { std::fputs("scene freed\n", stderr); }
};

// Runs last at exit: the teardown found the window system gone and left the
// fake's windows, contexts and class as they were.
void reportUntouched() {
    auto& fake = static_cast<platform::FakePlatform&>(platform::Platform::Get());
    bool untouched = fake.ClassRegistered("GLAppWnd") && fake.Windows().size() == 2;
    for (const platform::WindowHandle window : fake.Windows()) {
        untouched = untouched && fake.State(window).alive && fake.State(window).visible;
    }
    std::fputs(untouched ? "window system untouched\n" : "window system touched\n", stderr);
}

// The window system goes away in the middle of the loop. The backend marks
// every later call a failing no-op and ends the process with status 1 through
// the normal exit path (here the test ends it, as the SDL backend does): the
// application's windows are torn down without touching anything, and the
// scene is freed.
TEST_F(FrameworkTest, AfterTheConnectionIsLostTheExitPathTouchesNothingAndFreesTheScene) {
    EXPECT_EXIT(
        {
            std::atexit(reportUntouched);
            // Destroyed at exit like the program's own static application.
            static SceneApp app;
            static TestWindow a("A");
            static TestWindow b("B");
            app.m_onIdle = [](int pass) {
                if (pass != 3) {
                    return;
                }
                auto& fake = static_cast<platform::FakePlatform&>(platform::Platform::Get());
                const platform::WindowHandle window = fake.Windows().front();
                fake.LoseConnection();
                // Every operation now fails and changes nothing.
                if (fake.ShowWindow(window, platform::SW_HIDE) || fake.DestroyWindow(window) ||
                    fake.PostMessage(window, platform::WM_CLOSE, 0, 0) ||
                    fake.InvalidateRect(window, nullptr, false) || fake.IsWindowVisible(window) ||
                    fake.WaitMessage(5) || fake.CurrentContext() != b.Context()) {
                    std::fputs("an operation still worked\n", stderr);
                }
                fake.PostQuitMessage(0);
                platform::Msg msg;
                if (fake.PeekMessage(msg) ||
                    fake.LastError() != "the connection to the display was lost") {
                    std::fputs("the queue still worked\n", stderr);
                }
                std::exit(1);
            };
            std::exit(Core().Run(0, nullptr));
        },
        testing::ExitedWithCode(1), "^scene freed\nwindow system untouched\n$");
}

// The class icon: the program's own when its module has one (a Windows
// program's icon resource, or what the program gave AddModuleIcon), the
// system's stock icon otherwise. Every window of the class shows it.
TEST_F(FrameworkTest, WindowsCarryTheProgramsIconWhenItsModuleHasOne) {
    const platform::IconImage icon{1, 2, {10, 20, 30, 255, 40, 50, 60, 0}};
    ASSERT_TRUE(Fake().AddModuleIcon(GLApp::kIconResource, icon));
    TestApp app;
    TestWindow a("A");
    TestWindow b("B");
    app.m_onIdle = [&](int) { Fake().PostQuitMessage(0); };
    ASSERT_EQ(Core().Run(0, nullptr), 0);
    for (const TestWindow* window : {&a, &b}) {
        const platform::IconImage* shown = Fake().WindowIcon(window->Handle());
        ASSERT_NE(shown, nullptr) << window->m_name;
        EXPECT_EQ(shown->width, 1);
        EXPECT_EQ(shown->height, 2);
        EXPECT_EQ(shown->rgba, icon.rgba);
    }
}

TEST_F(FrameworkTest, WithoutAnIconOfItsOwnAWindowCarriesTheStockIcon) {
    TestApp app;
    TestWindow a("A");
    app.m_onIdle = [&](int) { Fake().PostQuitMessage(0); };
    ASSERT_EQ(Core().Run(0, nullptr), 0);
    EXPECT_EQ(Fake().WindowIcon(a.Handle()), nullptr);
    EXPECT_TRUE(Fake().ClassRegistered("GLAppWnd"));
}

TEST_F(FrameworkTest, ShowMessageShowsAtMost1023Characters) {
    Core().m_bConsole = true;
    const std::string text1023(1023, 'a');
    const std::string text1024 = text1023 + "b";
    const std::string text1025 = text1024 + "c";
    testing::internal::CaptureStdout();
    ShowMessage("%s", text1023.c_str());
    EXPECT_EQ(testing::internal::GetCapturedStdout(), text1023);
    testing::internal::CaptureStdout();
    ShowMessage("%s", text1024.c_str());
    EXPECT_EQ(testing::internal::GetCapturedStdout(), text1023);  // last character dropped
    testing::internal::CaptureStdout();
    ShowMessage("%s", text1025.c_str());
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");  // does not fit: nothing

    // Without the console flag the text goes to a message box.
    Core().m_bConsole = false;
    ShowMessage("%d windows", 2);
    ASSERT_EQ(Fake().MessageBoxes().size(), 1u);
    EXPECT_EQ(Fake().MessageBoxes()[0].first, "2 windows");
    EXPECT_EQ(Fake().MessageBoxes()[0].second, "Message");
}

}  // namespace
}  // namespace moon::test
