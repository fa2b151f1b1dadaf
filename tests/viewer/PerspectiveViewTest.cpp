// SPDX-License-Identifier: MIT
#include "viewer/PerspectiveView.h"

#include <gtest/gtest.h>

#include "scene/Random.h"
#include "tests/viewer/ViewerFixture.h"
#include "viewer/PlanView.h"
#include "viewer/StarField.h"

namespace moon {
namespace {

using test::Call;
using test::DrawnTriangles;
using test::DrawnVertex;
using test::GLCall;
using test::ImmediateTriangles;
using test::RecordingGL;
using test::ViewerTest;

using PerspectiveViewTest = ViewerTest;

// Index of the first recorded call equal to call, or the number of calls.
std::size_t Find(const GLCall& call, std::size_t from = 0) {
    const auto& calls = RecordingGL::Calls();
    for (std::size_t i = from; i < calls.size(); ++i) {
        if (calls[i] == call) {
            return i;
        }
    }
    return calls.size();
}

TEST_F(PerspectiveViewTest, OnCreateSetsASquareFrustumWithTheFloatWidenedNearPlane) {
    OpenWindows();
    const int swapsAfterCreate = Swaps(Perspective());
    RecordingGL::Reset();
    Perspective().OnCreate();
    EXPECT_EQ(Swaps(Perspective()), swapsAfterCreate + 1);  // the black frame
    const double n = 0.10000000149011612;                   // 0.1f, not 0.1
    ASSERT_GE(RecordingGL::Calls().size(), 4u);
    EXPECT_EQ(Slice(0, 4), (std::vector<GLCall>{
                               Call("glClear", {GL_COLOR_BUFFER_BIT}),
                               Call("glMatrixMode", {GL_PROJECTION}),
                               Call("glLoadIdentity", {}),
                               Call("glFrustum", {-n, n, -n, n, n, 1000}),
                           }));
    EXPECT_EQ(RecordingGL::Calls()[6], Call("glViewport", {0, 0, 640, 480}));
    EXPECT_EQ(RecordingGL::Calls().back(),
              Call("glColorMaterial", {GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE}));
    EXPECT_EQ(RecordingGL::CallsNamed("glEnable").size(), 2u + 10u + 1u);
}

TEST_F(PerspectiveViewTest, AFrameDrawsStarsInTheEyeFrameThenTheSunOnTheCirclingLight) {
    Perspective().OnDisplay();
    std::vector<GLCall> head = {Call("glClear", {GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT})};
    for (const GLCall& call : LightColourCalls()) {
        head.push_back(call);
    }
    const std::vector<GLCall> stars = {
        Call("glShadeModel", {GL_FLAT}),  // no polygon mode in this view
        Call("glPushMatrix", {}),         Call("glDisable", {GL_LIGHTING}),
        Call("glPushMatrix", {}),         Call("glTranslated", {-1000, -1000, -1000}),
        Call("glRotated", {90, 1, 0, 0}), Call("glBegin", {GL_POINTS}),
    };
    head.insert(head.end(), stars.begin(), stars.end());
    EXPECT_EQ(Slice(0, head.size()), head) << RecordingGL::Dump().substr(0, 4000);

    // After the 350 stars (two calls each) and glEnd: the camera, the lights,
    // the circling frame with the sun at light 5's position.
    const std::size_t afterStars = head.size() + 2 * StarField::kStarCount + 1;
    std::vector<GLCall> camera = {
        Call("glPopMatrix", {}),
        Call("glEnable", {GL_LIGHTING}),
        Call("glRotated", {10, 1, 0, 0}),
        Call("glRotated", {45, 0, 1, 0}),
        Call("glTranslated", {-50, -120, 30}),
        LightPositionCall(0),
        LightPositionCall(1),
        LightPositionCall(2),
        LightPositionCall(3),
        Call("glPushMatrix", {}),
        Call("glRotated", {45, 0, 0, 1}),
        Call("glTranslated", {250, 0, -250}),
        Call("glRotated", {-1, 1, 0, 0}),
        Call("glLightfv", {GL_LIGHT5, GL_POSITION, 0, 0, -500, 1}),
        Call("glTranslated", {0, 0, -500}),
        Call("glPushMatrix", {}),  // the sun's own push
    };
    EXPECT_EQ(Slice(afterStars, camera.size()), camera) << RecordingGL::Dump().substr(0, 20000);
    const auto spheres = RecordingGL::CallsNamed("gluSphere");
    ASSERT_EQ(spheres.size(), 1u);
    EXPECT_EQ(spheres[0][1], 20.0);

    // The terrain follows the sun, then the outer matrix is popped.
    const std::size_t sphere = Find(spheres[0]);
    EXPECT_EQ(Slice(sphere + 1, 4),
              (std::vector<GLCall>{Call("glEnable", {GL_COLOR_MATERIAL}), Call("glPopMatrix", {}),
                                   Call("glPopMatrix", {}),
                                   Call("glPushClientAttrib", {GL_CLIENT_VERTEX_ARRAY_BIT})}));
    // The terrain comes from the mesh: the same triangles as the immediate stream.
    EXPECT_EQ(RecordingGL::CallsNamed("glBegin").size(), 1u);
    const std::vector<DrawnVertex> terrain = DrawnTriangles();
    EXPECT_EQ(terrain.size(), 4096u * 4u * 3u);
    EXPECT_EQ(RecordingGL::Calls().back(), Call("glPopMatrix", {}));
    EXPECT_TRUE(RecordingGL::CallsNamed("glPolygonMode").empty());
    EXPECT_TRUE(terrain == ImmediateTriangles(Model()));
}

TEST_F(PerspectiveViewTest, ShadeModelFollowsTheRenderModeAndBadModesSetNone) {
    const auto shadeCalls = [&](int mode) {
        Model().SetRenderMode(static_cast<RenderMode>(mode));
        RecordingGL::Reset();
        Perspective().OnDisplay();
        return RecordingGL::CallsNamed("glShadeModel");
    };
    EXPECT_EQ(shadeCalls(0), std::vector<GLCall>{Call("glShadeModel", {GL_FLAT})});
    EXPECT_EQ(shadeCalls(2), std::vector<GLCall>{Call("glShadeModel", {GL_SMOOTH})});
    EXPECT_TRUE(shadeCalls(-1).empty());
    EXPECT_TRUE(shadeCalls(3).empty());
    EXPECT_TRUE(RecordingGL::CallsNamed("glPolygonMode").empty());
}

TEST_F(PerspectiveViewTest, CirclingAnglesAdvancePerViewAndWrapAfter360) {
    // Counting only: 360 frames of the full terrain would be a lot to store.
    RecordingGL::SetMode(RecordingGL::Mode::Count);
    for (int frame = 1; frame < 360; ++frame) {
        Perspective().OnDisplay();
    }
    Plan().OnDisplay();
    EXPECT_EQ(PerspectiveView::GetCirclingAngle(), 359.0);
    EXPECT_EQ(PlanView::GetCirclingAngle(), 1.0);

    RecordingGL::SetMode(RecordingGL::Mode::Record);
    RecordingGL::Reset();
    Perspective().OnDisplay();  // frame 360 uses 360 itself
    EXPECT_LT(Find(Call("glRotated", {-360, 1, 0, 0})), RecordingGL::Calls().size());
    RecordingGL::Reset();
    Perspective().OnDisplay();  // frame 361 starts again at 1
    EXPECT_LT(Find(Call("glRotated", {-1, 1, 0, 0})), RecordingGL::Calls().size());
    EXPECT_EQ(PerspectiveView::GetCirclingAngle(), 1.0);
    EXPECT_EQ(PlanView::GetCirclingAngle(), 1.0);

    // The plan view wraps on its own count, the same way.
    RecordingGL::SetMode(RecordingGL::Mode::Count);
    for (int frame = 2; frame < 360; ++frame) {
        Plan().OnDisplay();
    }
    RecordingGL::SetMode(RecordingGL::Mode::Record);
    RecordingGL::Reset();
    Plan().OnDisplay();
    EXPECT_LT(Find(Call("glRotated", {-360, 1, 0, 0})), RecordingGL::Calls().size());
    RecordingGL::Reset();
    Plan().OnDisplay();
    EXPECT_LT(Find(Call("glRotated", {-1, 1, 0, 0})), RecordingGL::Calls().size());
    EXPECT_EQ(PerspectiveView::GetCirclingAngle(), 1.0);
}

TEST_F(PerspectiveViewTest, IdleRepaintsOnlyTheIdleViewAndAdvancesOnlyItsAngle) {
    OpenWindows();
    RecordingGL::SetMode(RecordingGL::Mode::Count);
    const int planSwaps = Swaps(Plan());
    const int perspectiveSwaps = Swaps(Perspective());
    const double planAngle = PlanView::GetCirclingAngle();
    const double perspectiveAngle = PerspectiveView::GetCirclingAngle();

    Perspective().OnIdle();
    Pump();
    EXPECT_EQ(Swaps(Perspective()), perspectiveSwaps + 1);
    EXPECT_EQ(PerspectiveView::GetCirclingAngle(), perspectiveAngle + 1);
    EXPECT_EQ(Swaps(Plan()), planSwaps);
    EXPECT_EQ(PlanView::GetCirclingAngle(), planAngle);

    Plan().OnIdle();
    Pump();
    EXPECT_EQ(Swaps(Plan()), planSwaps + 1);
    EXPECT_EQ(PlanView::GetCirclingAngle(), planAngle + 1);
    EXPECT_EQ(PerspectiveView::GetCirclingAngle(), perspectiveAngle + 1);
}

TEST_F(PerspectiveViewTest, APaintBeforeReadyOnlyClearsAndSpaceMakesTheViewReady) {
    PerspectiveView view;
    view.SetScene(&TheCamera(), &Model(), App().GetStarField(), App().GetSun(), App().GetLights());
    ASSERT_TRUE(view.GetExtra()->Create());
    const int swaps = Swaps(view);
    RecordingGL::Reset();
    view.OnDisplay();
    EXPECT_EQ(RecordingGL::Calls(),
              std::vector<GLCall>{Call("glClear", {GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT})});
    EXPECT_EQ(Swaps(view), swaps);
    EXPECT_EQ(PerspectiveView::GetCirclingAngle(), 0.0);

    view.OnKeyboard(' ', true);
    EXPECT_TRUE(view.IsReady());
    RecordingGL::SetMode(RecordingGL::Mode::Count);
    view.OnDisplay();
    EXPECT_EQ(Swaps(view), swaps + 1);
    EXPECT_EQ(PerspectiveView::GetCirclingAngle(), 1.0);
}

TEST_F(PerspectiveViewTest, APressSkipsTheNextMoveAndALeftDragMovesAlongTheView) {
    PerspectiveView& view = Perspective();
    Camera expected = TheCamera();
    view.OnMouseMove(100, 100);  // no button: only the position is kept
    view.OnMouseButton(0, true);
    view.OnMouseMove(104, 106);  // skipped
    EXPECT_EQ(TheCamera().GetPosition(), expected.GetPosition());
    view.OnMouseMove(104, 112);  // (0, +6): three units backwards
    expected.MoveAlongView(3);
    EXPECT_EQ(TheCamera().GetPosition(), expected.GetPosition());

    // Truncation toward zero: -3 gives -1, so one unit forwards.
    view.OnMouseMove(104, 109);
    expected.MoveAlongView(-1);
    EXPECT_EQ(TheCamera().GetPosition(), expected.GetPosition());

    // The middle button neither drags nor skips; a release ends the drag.
    view.OnMouseButton(1, true);
    view.OnMouseMove(104, 113);
    expected.MoveAlongView(2);
    EXPECT_EQ(TheCamera().GetPosition(), expected.GetPosition());
    view.OnMouseButton(0, false);
    view.OnMouseMove(104, 200);
    EXPECT_EQ(TheCamera().GetPosition(), expected.GetPosition());
}

TEST_F(PerspectiveViewTest, BothButtonsChangeTheHeightAndTheRightButtonTurns) {
    PerspectiveView& view = Perspective();
    view.OnMouseMove(50, 50);
    view.OnMouseButton(0, true);
    view.OnMouseButton(2, true);
    view.OnMouseMove(50, 50);  // skipped
    view.OnMouseMove(90, 70);  // up 20: down 10, sideways ignored
    EXPECT_EQ(TheCamera().GetPosition(), Vec3(50, 110, -30));
    EXPECT_EQ(TheCamera().GetAngle(Camera::kYaw), 45.0);

    // Releasing the left button leaves a right drag: pitch -dy, yaw -dx.
    view.OnMouseButton(0, false);
    view.OnMouseMove(87, 75);  // (-3, +5): dx -1, dy 2
    EXPECT_EQ(TheCamera().GetAngle(Camera::kPitch), 8.0);
    EXPECT_EQ(TheCamera().GetAngle(Camera::kYaw), 46.0);
    EXPECT_EQ(TheCamera().GetPosition(), Vec3(50, 110, -30));

    // A release clears the skip that a press set: the next move turns.
    view.OnMouseButton(0, true);
    view.OnMouseButton(0, false);
    view.OnMouseMove(87, 79);  // dy 2
    EXPECT_EQ(TheCamera().GetAngle(Camera::kPitch), 6.0);
}

TEST_F(PerspectiveViewTest, DragsRefineTheTerrainOnlyWhileDetailIsOn) {
    PerspectiveView& view = Perspective();
    // Close above the middle, where a pass refines many cells.
    TheCamera().SetPosition(250, 20, -250);
    view.OnMouseMove(7, 9);  // no button held: no change, so no pass
    EXPECT_EQ(test::CountTree(Model()).leaves, 4096);
    view.OnMouseButton(2, true);
    view.OnMouseMove(0, 0);  // skipped: no pass
    EXPECT_EQ(test::CountTree(Model()).leaves, 4096);
    view.OnMouseMove(1, 1);  // a zero turn still counts as a change
    const test::TreeCounts refined = test::CountTree(Model());
    EXPECT_GT(refined.leaves, 4096);
    EXPECT_LE(refined.maxDepth, 10);

    // L off: back to the generated tree, and moves leave the tree alone.
    view.OnKeyboard('L', true);
    EXPECT_FALSE(view.IsDetailOn());
    EXPECT_EQ(test::CountTree(Model()).nodes, 5461);
    view.OnMouseMove(1, 40);
    EXPECT_EQ(test::CountTree(Model()).nodes, 5461);
    // L on: refined at once around the camera.
    view.OnKeyboard('L', true);
    EXPECT_GT(test::CountTree(Model()).leaves, 4096);
    // The keypad's separator (108) is 'l' after lowering: it toggles too.
    view.OnKeyboard(108, true);
    EXPECT_FALSE(view.IsDetailOn());
}

TEST_F(PerspectiveViewTest, KeysPickPalettesAndModesThroughTolower) {
    PerspectiveView& view = Perspective();
    for (int key = '1'; key <= '6'; ++key) {
        view.OnKeyboard(key, true);
        EXPECT_EQ(Model().GetPaletteIndex(), key - '1');
    }
    view.OnKeyboard('7', true);
    view.OnKeyboard(96, true);  // keypad 0 to 9 select no palette
    view.OnKeyboard(101, true);
    view.OnKeyboard('2', false);  // key-ups do nothing
    EXPECT_EQ(Model().GetPaletteIndex(), 5);

    view.OnKeyboard('W', true);
    EXPECT_EQ(Model().GetRenderMode(), Wireframe);
    view.OnKeyboard('S', true);
    EXPECT_EQ(Model().GetRenderMode(), Smooth);
    view.OnKeyboard('F', true);
    EXPECT_EQ(Model().GetRenderMode(), Flat);
    // Codes that equal lower-case letters act too.
    view.OnKeyboard(115, true);  // F4
    EXPECT_EQ(Model().GetRenderMode(), Smooth);
    view.OnKeyboard(119, true);  // F8
    EXPECT_EQ(Model().GetRenderMode(), Wireframe);
    view.OnKeyboard(102, true);  // keypad 6
    EXPECT_EQ(Model().GetRenderMode(), Flat);
    // Codes beyond a byte are not letters.
    view.OnKeyboard(87 + 256, true);
    view.OnKeyboard(-1, true);
    EXPECT_EQ(Model().GetRenderMode(), Flat);
}

TEST_F(PerspectiveViewTest, SpaceRegeneratesWithoutRefiningAndKeepsPaletteAndMode) {
    PerspectiveView& view = Perspective();
    view.OnKeyboard('3', true);
    view.OnKeyboard('S', true);
    TheCamera().SetPosition(250, 20, -250);
    // The new terrain continues the sequence: exactly one depth-6 generation's
    // draws, giving the tree that generation gives from that point.
    Random::Seed(2024);
    view.OnKeyboard(' ', true);
    EXPECT_EQ(Random::Drawn(), 13654u);
    Random::Seed(2024);
    Terrain expected;
    expected.Generate(6);
    const TerrainNode* root = Model().GetTerrain()->GetRoot();
    EXPECT_EQ(root->points, expected.GetRoot()->points);
    EXPECT_EQ(root->children[2]->children[1]->points,
              expected.GetRoot()->children[2]->children[1]->points);
    // Detail is on and the camera is close, yet the new tree is as generated.
    const test::TreeCounts tree = test::CountTree(Model());
    EXPECT_EQ(tree.nodes, 5461);
    EXPECT_EQ(tree.fixedNodes, 5461);
    EXPECT_EQ(Model().GetPaletteIndex(), 2);
    EXPECT_EQ(Model().GetRenderMode(), Smooth);
    EXPECT_TRUE(view.IsReady());
}

TEST_F(PerspectiveViewTest, BracketsStepTheFixedLightsAndShiftTheCirclingOne) {
    PerspectiveView& view = Perspective();
    const Light* lights = App().GetLights();
    view.OnKeyboard(219, true);  // [
    for (int slot = 0; slot < 4; ++slot) {
        EXPECT_EQ(lights[slot].GetIntensity(), 0.75);
    }
    EXPECT_EQ(lights[4].GetIntensity(), 1.0);

    view.OnKeyboard(16, true);  // Shift held
    view.OnKeyboard(219, true);
    view.OnKeyboard(219, true);  // auto-repeat repeats
    view.OnKeyboard(219, false);
    EXPECT_EQ(lights[4].GetIntensity(), 0.5);
    EXPECT_EQ(lights[0].GetIntensity(), 0.75);
    view.OnKeyboard(221, true);  // ]
    EXPECT_EQ(lights[4].GetIntensity(), 0.75);
    view.OnKeyboard(16, false);  // Shift up
    view.OnKeyboard(221, true);
    view.OnKeyboard(221, true);
    for (int slot = 0; slot < 4; ++slot) {
        EXPECT_EQ(lights[slot].GetIntensity(), 1.25);
    }
    EXPECT_EQ(lights[4].GetIntensity(), 0.75);

    // Five presses of [ from 1.25 make the fixed lights black; the views send
    // the new colours at their next frame.
    for (int press = 0; press < 5; ++press) {
        view.OnKeyboard(219, true);
    }
    EXPECT_EQ(lights[0].GetIntensity(), 0.0);
    Plan().OnDisplay();
    EXPECT_EQ(RecordingGL::Calls()[1], Call("glLightfv", {GL_LIGHT1, GL_DIFFUSE, 0, 0, 0, 1}));
}

}  // namespace
}  // namespace moon
