// SPDX-License-Identifier: MIT
// The views' frames on real OpenGL (Mesa, SDL's offscreen video driver, no
// display): drawn from the cached terrain mesh they must be byte for byte the
// frames the immediate stream draws, for both trees, every render mode and
// palette, and after every change the mesh has to follow.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "framework/GLAppCore.h"
#include "framework/GLWindowExtra.h"
#include "framework/platform/Platform.h"
#include "scene/Camera.h"
#include "scene/Random.h"
#include "terrain/TerrainModel.h"
#include "tests/support/MessagePump.h"
#include "viewer/MoonApp.h"

namespace moon {
namespace {

// Virtual-key codes as the views receive them.
constexpr int kKeySpace = 32;
constexpr int kKeyThree = 51;
constexpr int kKeyL = 76;
constexpr int kKeyW = 87;
constexpr int kKeyS = 83;

enum class View { Plan, Perspective };

class ViewPixelsTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_app = std::make_unique<MoonApp>();
        for (GLWindowExtra* record : GLAppCore::Instance()->m_windows) {
            ASSERT_TRUE(record->Recreate()) << "no window: is SDL_VIDEODRIVER=offscreen usable?";
        }
        test::PumpMessages(platform::Platform::Get());
        Random::Seed(20261207);
        Model().Regenerate(6);
    }

    void TearDown() override { m_app.reset(); }

    TerrainModel& Model() { return *m_app->GetTerrainModel(); }
    PerspectiveView& Perspective() { return m_app->GetPerspectiveView(); }

    // One frame of the view at a fixed angle of the circling light, read back.
    std::vector<std::uint8_t> Frame(View view, bool mesh) {
        GLWindow& window = view == View::Plan ? static_cast<GLWindow&>(m_app->GetPlanView())
                                              : static_cast<GLWindow&>(Perspective());
        PlanView::SetCirclingAngle(30);
        PerspectiveView::SetCirclingAngle(30);
        Model().SetMeshEnabled(mesh);
        GLWindowExtra& record = *window.GetExtra();
        record.MakeCurrent(true);
        window.OnDisplay();
        const int width = window.GetWidth();
        const int height = window.GetHeight();
        std::vector<std::uint8_t> pixels(static_cast<std::size_t>(width * height * 4));
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
        record.MakeCurrent(false);
        Model().SetMeshEnabled(true);
        return pixels;
    }

    static void ExpectSame(const std::vector<std::uint8_t>& cached,
                           const std::vector<std::uint8_t>& immediate, const std::string& where) {
        ASSERT_EQ(cached.size(), immediate.size());
        std::size_t differing = 0;
        for (std::size_t i = 0; i < cached.size(); ++i) {
            differing += cached[i] != immediate[i] ? 1 : 0;
        }
        EXPECT_EQ(differing, 0u) << where;
        // Not a blank picture: the terrain covers much of either view.
        std::size_t lit = 0;
        for (std::size_t i = 0; i < immediate.size(); i += 4) {
            lit += immediate[i] + immediate[i + 1] + immediate[i + 2] > 0 ? 1 : 0;
        }
        EXPECT_GT(lit, immediate.size() / 4 / 10) << where;
    }

    // Both paths from the same state; the mesh's frame first, so a mesh left
    // over from an earlier state is what gets compared.
    void ExpectSameFrames(const std::string& where) {
        for (View view : {View::Plan, View::Perspective}) {
            const auto cached = Frame(view, true);
            const auto immediate = Frame(view, false);
            ExpectSame(cached, immediate,
                       where + (view == View::Plan ? ", plan view" : ", perspective view"));
        }
    }

    void Key(int key) {
        Perspective().OnKeyboard(key, true);
        Perspective().OnKeyboard(key, false);
    }

    // A drag with both buttons, moving the camera dy / 2 units down (negative: up).
    void LowerBy(int pixels) {
        PerspectiveView& view = Perspective();
        view.OnMouseButton(0, true);
        view.OnMouseButton(2, true);
        view.OnMouseMove(300, 300);  // skipped: the drag starts here
        view.OnMouseMove(300, 300 - pixels);
        view.OnMouseButton(2, false);
        view.OnMouseButton(0, false);
    }

    std::unique_ptr<MoonApp> m_app;
};

// Each path draws the same run of modes in turn: a wireframe frame's lit
// lines take the normal that the frame before left behind.
TEST_F(ViewPixelsTest, EveryModeAndPaletteLooksTheSameOnBothTrees) {
    const RenderMode modes[] = {Smooth, Flat, Wireframe, Smooth, Wireframe};
    Camera& camera = m_app->GetCamera();
    for (bool refined : {false, true}) {
        if (refined) {
            // Low over the middle of the terrain: about 18,000 leaves.
            camera.SetPosition(250, 10, -250);
            Model().UpdateDetail(camera.GetPosition(), true);
        }
        for (int palette = 0; palette < TerrainModel::kPaletteCount; ++palette) {
            Model().SetPalette(palette);
            for (View view : {View::Plan, View::Perspective}) {
                std::vector<std::vector<std::uint8_t>> frames[2];
                for (bool mesh : {true, false}) {
                    for (RenderMode mode : modes) {
                        Model().SetRenderMode(mode);
                        frames[mesh ? 0 : 1].push_back(Frame(view, mesh));
                    }
                }
                for (std::size_t i = 0; i < std::size(modes); ++i) {
                    ExpectSame(frames[0][i], frames[1][i],
                               std::string(refined ? "refined" : "start-up") + " tree, palette " +
                                   std::to_string(palette) + ", mode " + std::to_string(modes[i]) +
                                   (view == View::Plan ? ", plan view" : ", perspective view"));
                }
            }
        }
    }
}

TEST_F(ViewPixelsTest, TheMeshFollowsEveryChangeOfWhatIsShown) {
    ExpectSameFrames("start-up");
    LowerBy(200);  // a hundred units down: level of detail adds cells
    ExpectSameFrames("after lowering the camera");
    const std::uint64_t builds = Model().GetMeshBuildCount();
    LowerBy(0);  // a move by nothing still runs a pass, which changes nothing
    ExpectSameFrames("after a pass that changes nothing");
    EXPECT_EQ(Model().GetMeshBuildCount(), builds);
    LowerBy(-400);  // two hundred units up: the refined cells go
    ExpectSameFrames("after raising the camera");
    Key(kKeyThree);
    ExpectSameFrames("palette 3");
    Key(kKeyW);
    ExpectSameFrames("wireframe");
    Key(kKeyS);
    ExpectSameFrames("smooth");
    Key(kKeyL);
    ExpectSameFrames("level of detail off");
    Key(kKeyL);
    ExpectSameFrames("level of detail on again");
    Key(kKeySpace);
    ExpectSameFrames("a new landscape");
}

}  // namespace
}  // namespace moon
