// SPDX-License-Identifier: MIT
// Window messages to handlers: pointer coordinates, capture, close, the
// creation message, keys, cursor, paint, and failed acquires.
#include <algorithm>

#include "tests/framework/FrameworkFixture.h"

namespace moon::test {
namespace {

using namespace platform;

class DispatchTest : public FrameworkTest {
protected:
    void SetUp() override {
        FrameworkTest::SetUp();
        if (HasFatalFailure()) {
            return;
        }
        app = std::make_unique<TestApp>();
        window = std::make_unique<TestWindow>("W");  // 320 x 240 client
        ASSERT_TRUE(window->GetExtra()->Create());
        Pump();  // OnCreate
        TakeEvents();
        Fake().ClearCalls();
    }
    void TearDown() override {
        window.reset();
        app.reset();
    }

    LResult Send(std::uint32_t message, int low = 0, int high = 0) {
        return Fake().Send(window->Handle(), message, 0, MakeLParam(low, high));
    }

    std::unique_ptr<TestApp> app;
    std::unique_ptr<TestWindow> window;
};

TEST_F(DispatchTest, PointerYCountsFromTheBottomRowWithContextCurrent) {
    Fake().MakeCurrent({}, {});  // handlers must find their own context current
    Fake().ClearCalls();
    Send(WM_MOUSEMOVE, 10, 0);  // top row
    EXPECT_EQ(window->m_lastContext, window->Context());
    Send(WM_MOUSEMOVE, 10, 239);  // bottom row
    Send(WM_MOUSEMOVE, -5, 300);  // captured, left of and below the client area
    EXPECT_EQ(TakeEvents(),
              (std::vector<std::string>{"W.OnMouseMove(10,239)", "W.OnMouseMove(10,0)",
                                        "W.OnMouseMove(-5,-61)"}));
    EXPECT_EQ(Fake().CountCalls("MakeCurrent"), 6);  // acquire and release each
    EXPECT_FALSE(Fake().CurrentContext());           // restored afterwards

    // Minimising reports 0 x 0, which is stored and passed on.
    Send(WM_SIZE, 0, 0);
    EXPECT_EQ(window->GetWidth(), 0);
    EXPECT_EQ(window->GetHeight(), 0);
    EXPECT_EQ(TakeEvents(), (std::vector<std::string>{"W.OnResize(0,0)"}));
}

TEST_F(DispatchTest, CaptureFollowsEachButtonAndPrecedesTheHandler) {
    Send(WM_LBUTTONDOWN);
    Send(WM_RBUTTONDOWN);
    Send(WM_RBUTTONUP);
    EXPECT_FALSE(Fake().Capture());  // released although the left button is still down
    Send(WM_LBUTTONUP);
    Send(WM_MBUTTONDOWN);
    EXPECT_EQ(Fake().Capture(), window->Handle());
    Send(WM_MBUTTONUP);

    std::vector<std::string> order;
    for (const std::string& call : Fake().Calls()) {
        if (call == "SetCapture" || call == "ReleaseCapture" || call.rfind("W.", 0) == 0) {
            order.push_back(call);
        }
    }
    EXPECT_EQ(order, (std::vector<std::string>{
                         "SetCapture", "W.OnMouseButton(0,1)", "SetCapture", "W.OnMouseButton(2,1)",
                         "ReleaseCapture", "W.OnMouseButton(2,0)", "ReleaseCapture",
                         "W.OnMouseButton(0,0)", "SetCapture", "W.OnMouseButton(1,1)",
                         "ReleaseCapture", "W.OnMouseButton(1,0)"}));

    // Double clicks get default processing only.
    TakeEvents();
    for (std::uint32_t message : {WM_LBUTTONDBLCLK, WM_RBUTTONDBLCLK, WM_MBUTTONDBLCLK}) {
        Send(message);
        EXPECT_EQ(Fake().Defaulted().back().message, message);
    }
    EXPECT_TRUE(TakeEvents().empty());
}

TEST_F(DispatchTest, CreationMessageDuringOnCreateIsIgnoredButNotAfter) {
    int nested = -1;
    window->m_onCreate = [&] {
        Send(WM_USER + 1);
        nested = static_cast<int>(TakeEvents().size());  // only this OnCreate itself
        EXPECT_TRUE(window->GetExtra()->m_bInOnCreate);
    };
    Send(WM_USER + 1);
    EXPECT_EQ(nested, 1);
    EXPECT_FALSE(window->GetExtra()->m_bInOnCreate);
    window->m_onCreate = nullptr;
    Send(WM_USER + 1);
    EXPECT_EQ(TakeEvents(), (std::vector<std::string>{"W.OnCreate"}));
    EXPECT_EQ(window->m_lastContext, window->Context());
}

TEST_F(DispatchTest, KeysReachTheHandlerWithoutAcquiringAContext) {
    Fake().Send(window->Handle(), WM_KEYDOWN, 'A');
    Fake().Send(window->Handle(), WM_KEYDOWN, 'A');  // auto-repeat
    Fake().Send(window->Handle(), WM_KEYUP, 'A');
    EXPECT_EQ(TakeEvents(), (std::vector<std::string>{"W.OnKeyboard(65,1)", "W.OnKeyboard(65,1)",
                                                      "W.OnKeyboard(65,0)"}));
    EXPECT_EQ(Fake().CountCalls("MakeCurrent"), 0);
}

TEST_F(DispatchTest, CursorIsOursOverTheClientAreaOnly) {
    const CursorHandle arrow = window->GetExtra()->m_hCursor;
    ASSERT_TRUE(arrow);
    Fake().SetCursor({});
    Send(WM_SETCURSOR, HTCLIENT, WM_MOUSEMOVE);
    EXPECT_EQ(Fake().Cursor(), arrow);

    const std::size_t defaulted = Fake().Defaulted().size();
    Send(WM_NCMOUSEMOVE);
    EXPECT_TRUE(window->GetExtra()->m_bNonClient);
    Send(WM_SETCURSOR, 2, WM_NCMOUSEMOVE);  // over the caption: the system's choice
    ASSERT_EQ(Fake().Defaulted().size(), defaulted + 2);
    EXPECT_EQ(Fake().Defaulted().back().message, WM_SETCURSOR);

    Send(WM_MOUSEMOVE, 1, 1);
    EXPECT_FALSE(window->GetExtra()->m_bNonClient);
}

TEST_F(DispatchTest, PaintOnlyWhatNeedsPaintingAndValidate) {
    Fake().ClearCalls();
    Send(WM_PAINT);  // the update region is empty after the first paint
    EXPECT_EQ(Fake().CountCalls("BeginPaint"), 0);
    EXPECT_TRUE(TakeEvents().empty());

    window->Invalidate();
    RecordingGL::Reset();
    Send(WM_PAINT);
    EXPECT_EQ(TakeEvents(), (std::vector<std::string>{"W.OnDisplay"}));
    EXPECT_EQ(RecordingGL::Names(), (std::vector<std::string>{"glClear"}));
    EXPECT_FALSE(Fake().State(window->Handle()).hasUpdate);
    EXPECT_EQ(Fake().CountCalls("EndPaint"), 1);
}

TEST_F(DispatchTest, FailedAcquireSkipsHandlersButKeepsBookkeeping) {
    Fake().DeleteContext(window->Context());  // every acquire now fails
    window->Invalidate();
    Send(WM_PAINT);
    EXPECT_FALSE(Fake().State(window->Handle()).hasUpdate);  // still validated
    Send(WM_SIZE, 100, 50);
    EXPECT_EQ(window->GetWidth(), 100);  // still recorded
    Send(WM_LBUTTONDOWN);
    EXPECT_FALSE(Fake().Capture());  // no capture change
    Send(WM_USER + 1);
    EXPECT_FALSE(window->GetExtra()->m_bInOnCreate);
    EXPECT_TRUE(TakeEvents().empty());
}

TEST_F(FrameworkTest, WindowWithoutRecordGetsDefaultProcessing) {
    TestApp app;
    TestWindow attached("W");  // registers the class
    // A window of the class created without a record to attach.
    const WindowHandle bare =
        Fake().CreateWindowEx(0, "GLAppWnd", "", 0, 0, 0, 100, 100, {}, {}, nullptr);
    ASSERT_TRUE(bare);
    Fake().Send(bare, WM_CLOSE);
    EXPECT_FALSE(Fake().State(bare).alive);  // the default processing destroyed it
    EXPECT_TRUE(TakeEvents().empty());
}

TEST_F(FrameworkTest, ClosingAnotherWindowHidesItClosingTheMainOneEnds) {
    TestApp app;
    TestWindow main("Main");
    TestWindow other("Other");
    TestWindow never("Never");
    // Closed before it exists: it will not be shown when created.
    never.GetExtra()->HandleMessage({}, WM_CLOSE, 0, 0);
    EXPECT_FALSE(never.GetExtra()->m_bVisible);

    app.m_onIdle = [&](int pass) {
        if (pass == 1) {
            Fake().Inject(other.Handle(), WM_CLOSE);
        } else if (pass == 2) {
            EXPECT_TRUE(Fake().State(other.Handle()).alive);
            EXPECT_FALSE(Fake().State(other.Handle()).visible);
            Fake().Inject(main.Handle(), WM_CLOSE);
        }
    };
    EXPECT_EQ(Core().Run(0, nullptr), 0);
    EXPECT_EQ(app.m_idlePasses, 2);
    EXPECT_FALSE(Fake().State(never.Handle()).visible);

    // The main window is gone but its record keeps the old handles: calls made
    // on them have no effect, until exit tears everything down.
    const WindowHandle gone = main.Handle();
    EXPECT_FALSE(Fake().State(gone).alive);
    main.Invalidate();
    main.SetSize(10, 10);
    EXPECT_EQ(main.GetWidth(), 10);
    const ContextHandle context = main.Context();
    main.GetExtra()->Destroy();
    EXPECT_FALSE(main.Handle());
    EXPECT_FALSE(Fake().ContextAlive(context));
}

}  // namespace
}  // namespace moon::test
