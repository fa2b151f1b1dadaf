// SPDX-License-Identifier: MIT
// The application core: window list and main window, Run and its loop, exit
// codes, ShowMessage.
#include "framework/GLAppCore.h"

#include <string>

#include "FrameworkFixture.h"
#include "framework/Main.h"
#include "framework/ShowMessage.h"

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
    Fake().Fail("RegisterClass");
    TestApp app;
    testing::internal::CaptureStdout();
    TestWindow a("A");
    TestWindow b("B");
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "Failed to register window class\ninjected failure of RegisterClass\n"
              "Failed to register window class\ninjected failure of RegisterClass\n");
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
    Fake().Fail("CreateContext");
    TestApp app;
    TestWindow a("A");
    testing::internal::CaptureStdout();
    EXPECT_EQ(Core().Run(0, nullptr), 1);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "Failed to create GL context\ninjected failure of CreateContext\n");
    EXPECT_EQ(Fake().CountCalls("PeekMessage"), 0);
}

TEST_F(FrameworkTest, FailedOtherWindowStaysListedAndIdleWhileMainRuns) {
    Fake().Fail("CreateWindowEx", 1);  // the first window created: A
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
