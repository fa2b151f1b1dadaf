// SPDX-License-Identifier: MIT
// GL windows: creation from the recorded wishes, geometry, depth bits and
// re-creation, the make-current stack, palettes, destruction.
#include "framework/GLWindow.h"

#include <GL/gl.h>

#include <algorithm>

#include "tests/framework/FrameworkFixture.h"

namespace moon::test {
namespace {

using namespace platform;

// True when `wanted` occurs in `calls` in this order (other calls in between).
bool InOrder(const std::vector<std::string>& calls, const std::vector<std::string>& wanted) {
    auto at = calls.begin();
    for (const std::string& name : wanted) {
        at = std::find(at, calls.end(), name);
        if (at == calls.end()) {
            return false;
        }
        ++at;
    }
    return true;
}

TEST_F(FrameworkTest, ConfiguredWindowIsCreatedAsRecorded) {
    TestApp app;
    TestWindow window("W");
    window.SetSize(640, 480);
    window.SetPosition(10, 10);
    EXPECT_TRUE(window.SetTitle("Moon"));
    EXPECT_FALSE(window.SetTitle(nullptr));
    EXPECT_TRUE(window.SetDepthBits(24));
    EXPECT_EQ(window.GetDepthBits(), 24);               // the wish, before creation
    EXPECT_EQ(Fake().CountCalls("CreateWindowEx"), 0);  // only recorded so far

    ASSERT_TRUE(window.GetExtra()->Create());
    const FakePlatform::WindowState& state = Fake().State(window.Handle());
    EXPECT_EQ(state.title, "Moon");
    EXPECT_EQ(state.style, 0x06CF0000u);
    EXPECT_EQ(state.exStyle, 0x40100u);
    EXPECT_EQ(state.outer.left, 10);  // outer corner at the position asked for
    EXPECT_EQ(state.outer.top, 10);
    Rect client;
    ASSERT_TRUE(Fake().ClientRect(window.Handle(), client));
    EXPECT_EQ(client.right, 640);
    EXPECT_EQ(client.bottom, 480);
    EXPECT_TRUE(state.visible);
    EXPECT_EQ(state.createParam, window.GetExtra());

    const PixelFormatDescriptor& asked = Fake().LastRequested();
    EXPECT_EQ(asked.nSize, 40);
    EXPECT_EQ(asked.nVersion, 1);
    EXPECT_EQ(asked.dwFlags, 0x25u);  // window, OpenGL, double buffer
    EXPECT_EQ(asked.cColorBits, 24);
    EXPECT_EQ(asked.cDepthBits, 24);
    EXPECT_EQ(asked.cStencilBits, 0);
    EXPECT_EQ(window.GetDepthBits(), 24);  // now the format's own

    EXPECT_TRUE(InOrder(Fake().Calls(), {"CreateWindowEx", "GetDC", "ChoosePixelFormat",
                                         "SetPixelFormat", "CreateContext", "MakeCurrent",
                                         "ShowWindow", "GetClientRect", "PostMessage"}));
    ASSERT_EQ(Fake().Posted().size(), 1u);
    EXPECT_EQ(Fake().Posted()[0].message, WM_USER + 1);
    EXPECT_EQ(Fake().CurrentContext(), window.Context());  // left current
    EXPECT_EQ(GLWindowExtra::CurrentDepth(), 1);
    // The size sent while creating (no context yet) and the first show's.
    EXPECT_EQ(TakeEvents(),
              (std::vector<std::string>{"W.OnResize(640,480)", "W.OnResize(640,480)"}));
    EXPECT_EQ(RecordingGL::CallsNamed("glViewport").size(), 2u);

    // Once the window exists the operations apply at once.
    window.SetSize(-5, 100);
    EXPECT_EQ(window.GetWidth(), 0);
    EXPECT_EQ(window.GetHeight(), 100);
    ASSERT_TRUE(Fake().ClientRect(window.Handle(), client));
    EXPECT_EQ(client.right, 0);
    EXPECT_EQ(client.bottom, 100);
    window.SetPosition(50, 60);
    EXPECT_EQ(Fake().State(window.Handle()).outer.left, 50);
    EXPECT_TRUE(window.SetTitle("Other"));
    EXPECT_EQ(Fake().State(window.Handle()).title, "Other");
}

TEST_F(FrameworkTest, SetDepthBitsRecreatesAndRecoversFromAFailedRecreation) {
    TestApp app;
    TestWindow window("W");
    EXPECT_FALSE(window.SetDepthBits(256));
    EXPECT_FALSE(window.SetDepthBits(-1));
    EXPECT_EQ(window.GetDepthBits(), 32);  // unchanged initial wish
    window.SetPosition(100, 100);
    ASSERT_TRUE(window.GetExtra()->Create());
    const WindowHandle first = window.Handle();
    // The user moves the window; a re-created window comes back there.
    Fake().SetWindowPos(first, 300, 200, 0, 0, SWP_NOSIZE);
    TakeEvents();

    EXPECT_TRUE(window.SetDepthBits(32));  // same as current: nothing happens
    EXPECT_EQ(window.Handle(), first);

    EXPECT_TRUE(window.SetDepthBits(16));
    EXPECT_NE(window.Handle(), first);
    EXPECT_FALSE(Fake().State(first).alive);
    EXPECT_EQ(window.GetDepthBits(), 16);
    EXPECT_EQ(Fake().State(window.Handle()).outer.left, 300);
    EXPECT_EQ(Fake().State(window.Handle()).outer.top, 200);
    EXPECT_EQ(TakeEvents().front(), "W.OnDestroy");

    // Deeper than any format offered: re-created, but reports the shortfall.
    EXPECT_FALSE(window.SetDepthBits(48));
    EXPECT_EQ(window.GetDepthBits(), 32);

    // The new format cannot be set: back to the old depth, re-created again.
    const WindowHandle before = window.Handle();
    Fake().InjectFailure("SetPixelFormat", 1);
    testing::internal::CaptureStdout();
    EXPECT_FALSE(window.SetDepthBits(24));
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "Failed to set pixel format\ninjected failure of SetPixelFormat\n");
    EXPECT_EQ(window.GetExtra()->m_depthBits, 32);
    EXPECT_EQ(window.GetDepthBits(), 32);
    EXPECT_TRUE(Fake().State(window.Handle()).alive);
    int alive = 0;
    for (WindowHandle handle : Fake().Windows()) {
        alive += Fake().State(handle).alive ? 1 : 0;
    }
    EXPECT_EQ(alive, 1);  // the half-made window of the failed attempt is gone
    EXPECT_FALSE(Fake().State(before).alive);
}

TEST_F(FrameworkTest, PixelFormatChangeDuringOnCreateIsRefusedWithOneMessagePerProcess) {
    TestApp app;
    TestWindow a("A");
    TestWindow b("B");
    std::vector<bool> results;
    for (TestWindow* window : {&a, &b}) {
        window->m_onCreate = [&results, window] { results.push_back(window->SetDepthBits(16)); };
    }
    ASSERT_TRUE(a.GetExtra()->Create());
    ASSERT_TRUE(b.GetExtra()->Create());
    Pump();
    EXPECT_EQ(results, (std::vector<bool>{false, false}));
    ASSERT_EQ(Fake().MessageBoxes().size(), 1u);
    EXPECT_EQ(Fake().MessageBoxes()[0].first,
              "Error: You cannot change pixel format in GLWindow::OnCreate\n"
              "(cannot change depth/alpha/stencil/accum bits, or any setting\n"
              "that would recreate the window)");
    EXPECT_EQ(Fake().MessageBoxes()[0].second, "Message");
    EXPECT_EQ(a.GetDepthBits(), 32);
    EXPECT_TRUE(a.SetDepthBits(24));  // allowed once OnCreate has returned
}

TEST_F(FrameworkTest, SeventeenNestedAcquiresReleaseInReverseOrder) {
    TestApp app;
    TestWindow a("A");
    TestWindow b("B");
    ASSERT_TRUE(a.GetExtra()->Create());
    ASSERT_TRUE(b.GetExtra()->Create());
    GLWindowExtra* records[2] = {a.GetExtra(), b.GetExtra()};
    // Back to depth 0 with nothing current.
    records[1]->MakeCurrent(false);
    records[0]->MakeCurrent(false);
    ASSERT_EQ(GLWindowExtra::CurrentDepth(), 0);
    ASSERT_FALSE(Fake().CurrentContext());

    for (int level = 1; level <= 17; ++level) {  // A, B, A, B, ...
        EXPECT_TRUE(records[(level - 1) % 2]->MakeCurrent(true));
    }
    EXPECT_EQ(GLWindowExtra::CurrentDepth(), 17);
    EXPECT_EQ(Fake().CurrentContext(), a.Context());

    // The first release leaves none current (level 17 was never saved) ...
    records[0]->MakeCurrent(false);
    EXPECT_FALSE(Fake().CurrentContext());
    // ... then each release restores what was current before its acquire.
    for (int level = 16; level >= 2; --level) {
        records[(level - 1) % 2]->MakeCurrent(false);
        EXPECT_EQ(Fake().CurrentContext(), level % 2 == 0 ? a.Context() : b.Context())
            << "level " << level;
    }
    records[0]->MakeCurrent(false);
    EXPECT_FALSE(Fake().CurrentContext());  // as before the first acquire
    EXPECT_EQ(GLWindowExtra::CurrentDepth(), 0);
    const int calls = Fake().CountCalls("MakeCurrent");
    records[0]->MakeCurrent(false);  // at depth 0: no context call
    EXPECT_EQ(Fake().CountCalls("MakeCurrent"), calls);
    EXPECT_EQ(Fake().CountCalls("SelectPalette"), 0);  // no palette format
}

TEST_F(FrameworkTest, PaletteFormatGetsThePaletteTableAroundEachAcquire) {
    PixelFormatDescriptor indexed;
    indexed.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_NEED_PALETTE;
    indexed.cColorBits = 8;
    indexed.cDepthBits = 32;
    Fake().SetPixelFormats({indexed});
    TestApp app;
    TestWindow window("W");
    ASSERT_TRUE(window.GetExtra()->Create());
    const PaletteHandle palette = window.GetExtra()->m_hPalette;
    ASSERT_TRUE(palette);
    const LogPalette& table = Fake().PaletteContents(palette);
    EXPECT_EQ(table.palVersion, 0x300);
    EXPECT_EQ(table.palNumEntries, 256);
    auto rgb = [&](int i) {
        const PaletteEntry& e = table.palPalEntry[i];
        return std::vector<int>{e.peRed, e.peGreen, e.peBlue, e.peFlags};
    };
    EXPECT_EQ(rgb(0), (std::vector<int>{0, 0, 0, 0}));
    EXPECT_EQ(rgb(5 | (2 << 3) | (1 << 6)), (std::vector<int>{200, 104, 116, 0}));
    EXPECT_EQ(rgb(255), (std::vector<int>{255, 255, 255, 0}));
    EXPECT_EQ(rgb(3), (std::vector<int>{128, 0, 0, 0}));  // system colours
    EXPECT_EQ(rgb(164), (std::vector<int>{160, 160, 164, 0}));
    EXPECT_EQ(rgb(247), (std::vector<int>{255, 251, 240, 0}));

    // Acquire selects and realizes the palette, release selects back what was
    // there before (here the window's own palette: the first show's nested
    // acquire found it selected already).
    Fake().ClearCalls();
    window.GetExtra()->MakeCurrent(true);
    EXPECT_EQ(Fake().State(window.Handle()).selectedPalette, palette);
    window.GetExtra()->MakeCurrent(false);
    EXPECT_FALSE(window.GetExtra()->m_hOldPalette);
    EXPECT_TRUE(InOrder(Fake().Calls(), {"SelectPalette", "RealizePalette", "GetCurrentContext",
                                         "MakeCurrent", "MakeCurrent", "SelectPalette"}));
    window.GetExtra()->Destroy();
    EXPECT_FALSE(Fake().PaletteAlive(palette));
}

TEST_F(FrameworkTest, DestroyCallsOnDestroyWithContextThenFreesEverything) {
    TestApp app;
    TestWindow window("W");
    ASSERT_TRUE(window.GetExtra()->Create());
    Pump();
    const WindowHandle handle = window.Handle();
    const ContextHandle context = window.Context();
    window.GetExtra()->m_listBase = 40;
    RecordingGL::Reset();
    Fake().ClearCalls();
    window.GetExtra()->Destroy();
    EXPECT_TRUE(InOrder(Fake().Calls(), {"MakeCurrent", "W.OnDestroy", "MakeCurrent",
                                         "DeleteContext", "GetWindowRect", "DestroyWindow"}));
    ASSERT_EQ(RecordingGL::Calls().size(), 1u);
    EXPECT_EQ(RecordingGL::Calls()[0].ToString(), "glDeleteLists(40, 255)");
    EXPECT_EQ(window.GetExtra()->m_listBase, 0u);
    EXPECT_FALSE(Fake().State(handle).alive);
    EXPECT_FALSE(Fake().ContextAlive(context));
    EXPECT_FALSE(window.Handle());
    EXPECT_FALSE(window.GetExtra()->m_hDC);
    EXPECT_FALSE(window.GetExtra()->m_hRC);
}

TEST_F(FrameworkTest, EachCreationStepReportsItsOwnFailure) {
    const std::pair<const char*, const char*> steps[] = {
        {"CreateWindowEx", "Failed to create window\n"},
        {"ChoosePixelFormat", "Failed to set pixel format\n"},
        {"CreateContext", "Failed to create GL context\n"},
        {"MakeCurrent", "Failed to make GL context current\n"},
    };
    TestApp app;
    for (const auto& [operation, line] : steps) {
        TestWindow window(operation);
        Fake().InjectFailure(operation);
        testing::internal::CaptureStdout();
        EXPECT_FALSE(window.GetExtra()->Create());
        Fake().InjectFailure(operation, 0);
        EXPECT_EQ(testing::internal::GetCapturedStdout(),
                  std::string(line) + "injected failure of " + operation + "\n");
        // Steps already done stay done: the window exists, but is not shown.
        if (window.Handle()) {
            EXPECT_FALSE(Fake().State(window.Handle()).visible) << operation;
        }
    }
}

TEST_F(FrameworkTest, FullScreenTopMostAndHostWindowBranches) {
    TestApp app;
    TestWindow main("Main");
    TestWindow child("Child");
    TestWindow full("Full");
    // A host window of the application's own making, for the child branch.
    WndClass hostClass;
    hostClass.lpfnWndProc = [](WindowHandle w, std::uint32_t m, WParam wp, LParam lp) {
        return Platform::Get().DefWindowProc(w, m, wp, lp);
    };
    hostClass.lpszClassName = "Host";
    Fake().RegisterClass(hostClass);
    const WindowHandle host =
        Fake().CreateWindowEx(0, "Host", "", 0, 0, 0, 800, 600, {}, {}, nullptr);
    Core().m_hParent = host;
    main.GetExtra()->m_bTopMost = true;
    full.GetExtra()->m_bFullScreen = true;
    ASSERT_TRUE(main.GetExtra()->Create());
    ASSERT_TRUE(child.GetExtra()->Create());
    ASSERT_TRUE(full.GetExtra()->Create());

    EXPECT_EQ(Fake().State(main.Handle()).exStyle, 0x40108u);
    EXPECT_FALSE(Fake().State(main.Handle()).parent);  // the main window stays top-level
    EXPECT_EQ(Fake().State(child.Handle()).style, 0x46CF0000u);
    EXPECT_EQ(Fake().State(child.Handle()).parent, host);
    const Rect screen = Fake().State(full.Handle()).outer;
    EXPECT_EQ(Fake().State(full.Handle()).style & 0xFF000000u, 0x86000000u);
    EXPECT_EQ(std::vector<int>({screen.left, screen.top, screen.right, screen.bottom}),
              std::vector<int>({0, 0, 1920, 1080}));

    // Promoting an existing window demotes the old main window into the host.
    EXPECT_TRUE(child.MakeMain());
    EXPECT_EQ(Fake().State(main.Handle()).parent, host);
    EXPECT_EQ(Fake().State(main.Handle()).style & 0xC0000000u,
              static_cast<std::uint32_t>(WS_CHILD));
    EXPECT_FALSE(Fake().State(child.Handle()).parent);
    EXPECT_EQ(Fake().State(child.Handle()).style & 0xC0000000u, WS_POPUP);

    // Without a display mode the full-screen window is 640 x 480.
    Fake().InjectFailure("EnumDisplaySettings", 1);
    ASSERT_TRUE(full.GetExtra()->Recreate());
    EXPECT_EQ(Fake().State(full.Handle()).outer.right, 640);
    EXPECT_EQ(Fake().State(full.Handle()).outer.bottom, 480);
}

TEST_F(FrameworkTest, DefaultHandlersClearSwapAndSetTheViewport) {
    TestApp app;
    GLWindow window;
    ASSERT_TRUE(window.GetExtra()->Create());
    RecordingGL::Reset();
    window.OnDisplay();
    window.OnResize(30, 20);
    ASSERT_EQ(RecordingGL::Calls().size(), 2u);
    EXPECT_EQ(RecordingGL::Calls()[0].ToString(),
              "glClear(" + std::to_string(GL_COLOR_BUFFER_BIT) + ")");
    EXPECT_EQ(RecordingGL::Calls()[1].ToString(), "glViewport(0, 0, 30, 20)");
    EXPECT_EQ(Fake().State(window.GetExtra()->m_hWnd).swapCount, 1);
}

}  // namespace
}  // namespace moon::test
