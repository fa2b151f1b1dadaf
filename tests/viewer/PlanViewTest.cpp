// SPDX-License-Identifier: MIT
#include "viewer/PlanView.h"

#include <gtest/gtest.h>

#include "tests/viewer/ViewerFixture.h"

namespace moon {
namespace {

using test::Call;
using test::DrawnTriangles;
using test::DrawnVertex;
using test::GLCall;
using test::ImmediateTriangles;
using test::RecordingGL;
using test::ViewerTest;

using PlanViewTest = ViewerTest;

// The calls both views make after loading their projection.
std::vector<GLCall> SceneContextCalls(int width, int height) {
    std::vector<GLCall> calls = {
        Call("glMatrixMode", {GL_MODELVIEW}),
        Call("glLoadIdentity", {}),
        Call("glViewport", {0, 0, static_cast<double>(width), static_cast<double>(height)}),
        Call("glEnable", {GL_DEPTH_TEST}),
        Call("glClearColor", {0, 0, 0, 0}),
        Call("glEnable", {GL_CULL_FACE}),
        Call("glLightModelfv", {GL_LIGHT_MODEL_AMBIENT, 0, 0, 0, 1}),
    };
    for (int light = 1; light <= 5; ++light) {
        calls.push_back(Call("glEnable", {GL_LIGHTING}));
        calls.push_back(Call("glEnable", {static_cast<double>(GL_LIGHT0 + light)}));
    }
    calls.push_back(Call("glEnable", {GL_COLOR_MATERIAL}));
    calls.push_back(Call("glColorMaterial", {GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE}));
    return calls;
}

TEST_F(PlanViewTest, OnCreateShowsBlackThenSetsTheOrthographicSquareAndTheLights) {
    OpenWindows();
    const int swapsAfterCreate = Swaps(Plan());
    EXPECT_GE(swapsAfterCreate, 1);  // the black frame

    RecordingGL::Reset();
    Plan().OnCreate();
    std::vector<GLCall> expected = {
        Call("glClear", {GL_COLOR_BUFFER_BIT}),
        Call("glMatrixMode", {GL_PROJECTION}),
        Call("glLoadIdentity", {}),
        Call("glOrtho", {-250, 250, -250, 250, -500, 500}),
    };
    for (const GLCall& call : SceneContextCalls(580, 435)) {
        expected.push_back(call);
    }
    EXPECT_EQ(RecordingGL::Calls(), expected) << RecordingGL::Dump();
    EXPECT_EQ(Swaps(Plan()), swapsAfterCreate + 1);
}

TEST_F(PlanViewTest, APaintBeforeReadyOnlyClearsAndDoesNotSwap) {
    PlanView view;
    view.SetScene(&TheCamera(), &Model(), App().GetLights());
    ASSERT_TRUE(view.GetExtra()->Create());
    const int swaps = Swaps(view);
    RecordingGL::Reset();
    view.OnDisplay();
    EXPECT_EQ(RecordingGL::Calls(),
              std::vector<GLCall>{Call("glClear", {GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT})});
    EXPECT_EQ(Swaps(view), swaps);
    EXPECT_EQ(PlanView::GetCirclingAngle(), 0.0);

    view.SetReady();
    view.OnDisplay();
    EXPECT_EQ(Swaps(view), swaps + 1);
    EXPECT_EQ(PlanView::GetCirclingAngle(), 1.0);
}

TEST_F(PlanViewTest, AFrameMapsTheCameraAndPlacesTheCirclingLightBeforeTheTerrain) {
    Plan().OnDisplay();
    std::vector<GLCall> expected = {Call("glClear", {GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT})};
    for (const GLCall& call : LightColourCalls()) {
        expected.push_back(call);
    }
    const std::vector<GLCall> transform = {
        Call("glPolygonMode", {GL_FRONT_AND_BACK, GL_FILL}),
        Call("glShadeModel", {GL_FLAT}),
        Call("glPushMatrix", {}),
        // 500 / (2 x 120): the map shows 240 x 240 world units.
        Call("glScaled", {2.0833333333333335, 2.0833333333333335, 0}),
        Call("glRotated", {90, 1, 0, 0}),
        Call("glRotated", {45, 0, 1, 0}),
        Call("glTranslated", {-50, -120, 30}),
        LightPositionCall(0),
        LightPositionCall(1),
        LightPositionCall(2),
        LightPositionCall(3),
        Call("glPushMatrix", {}),
        Call("glRotatef", {45, 0, 0, 1}),
        Call("glTranslated", {250, 0, -250}),
        Call("glRotated", {-1, 1, 0, 0}),
        Call("glLightfv", {GL_LIGHT5, GL_POSITION, 0, 0, -500, 1}),
        Call("glPopMatrix", {}),
    };
    expected.insert(expected.end(), transform.begin(), transform.end());
    EXPECT_EQ(Slice(0, expected.size()), expected) << RecordingGL::Dump().substr(0, 4000);

    // Then every leaf, and the matrix is restored; no sun and no stars here.
    EXPECT_TRUE(RecordingGL::CallsNamed("glBegin").empty());
    const std::vector<DrawnVertex> terrain = DrawnTriangles();
    EXPECT_EQ(terrain.size(), 4096u * 4u * 3u);
    EXPECT_EQ(RecordingGL::Calls().back(), Call("glPopMatrix", {}));
    EXPECT_TRUE(RecordingGL::CallsNamed("gluSphere").empty());
    EXPECT_TRUE(RecordingGL::CallsNamed("glColor3d").empty());
    EXPECT_TRUE(terrain == ImmediateTriangles(Model()));
}

TEST_F(PlanViewTest, RenderModeAndCameraHeightShapeTheFrame) {
    OpenWindows();
    const auto frameHead = [&](std::size_t count) {
        RecordingGL::Reset();
        Plan().OnDisplay();
        return Slice(11, count);  // after the clear and the ten light colours
    };

    Model().SetRenderMode(Wireframe);
    EXPECT_EQ(frameHead(2),
              (std::vector<GLCall>{Call("glPolygonMode", {GL_FRONT_AND_BACK, GL_LINE}),
                                   Call("glShadeModel", {GL_FLAT})}));
    Model().SetRenderMode(Smooth);
    EXPECT_EQ(frameHead(2),
              (std::vector<GLCall>{Call("glPolygonMode", {GL_FRONT_AND_BACK, GL_FILL}),
                                   Call("glShadeModel", {GL_SMOOTH})}));
    // Outside 0 to 2: neither call, the frame goes on with the matrix.
    Model().SetRenderMode(static_cast<RenderMode>(7));
    EXPECT_EQ(frameHead(1), std::vector<GLCall>{Call("glPushMatrix", {})});
    Model().SetRenderMode(Flat);

    // Height 250: scale 1, the map shows the whole 500 x 500 square.
    TheCamera().SetPosition(50, 250, -30);
    EXPECT_EQ(frameHead(4)[3], Call("glScaled", {1, 1, 0}));
    // Below the terrain: a negative scale turns the map through 180 degrees.
    TheCamera().SetPosition(50, -120, -30);
    EXPECT_EQ(frameHead(4)[3], Call("glScaled", {-2.0833333333333335, -2.0833333333333335, 0}));

    // Height exactly 0: the frame is cleared, lit and swapped, nothing mapped.
    TheCamera().SetPosition(50, 0, -30);
    const double angle = PlanView::GetCirclingAngle();
    const int swaps = Swaps(Plan());
    RecordingGL::Reset();
    Plan().OnDisplay();
    EXPECT_EQ(RecordingGL::Calls().size(), 1u + 10u + 2u) << RecordingGL::Dump();
    EXPECT_EQ(Swaps(Plan()), swaps + 1);
    EXPECT_EQ(PlanView::GetCirclingAngle(), angle + 1);
}

}  // namespace
}  // namespace moon
