// SPDX-License-Identifier: MIT
#include "viewer/MoonApp.h"

#include <gtest/gtest.h>

#include "io/PngFile.h"
#include "scene/Random.h"
#include "terrain/RefinedGrid.h"
#include "tests/support/TempFolder.h"
#include "tests/viewer/ViewerFixture.h"
#include "viewer/StarField.h"
#include "viewer/Sun.h"

namespace moon {
namespace {

using test::RecordingGL;
using test::ViewerTest;

using MoonAppTest = ViewerTest;

TEST_F(MoonAppTest, ConstructionBuildsTheSceneAndRecordsBothWindows) {
    const Camera& camera = TheCamera();
    EXPECT_EQ(camera.GetPosition(), Vec3(50, 120, -30));
    EXPECT_EQ(camera.GetAngle(Camera::kPitch), 10.0);
    EXPECT_EQ(camera.GetAngle(Camera::kYaw), 45.0);

    const test::TreeCounts tree = test::CountTree(Model());
    EXPECT_EQ(tree.nodes, 5461);
    EXPECT_EQ(tree.leaves, 4096);
    EXPECT_EQ(tree.fixedNodes, 5461);
    EXPECT_EQ(Model().GetPaletteIndex(), 0);
    EXPECT_EQ(Model().GetRenderMode(), Flat);

    // Filled stars: some are away from the origin.
    int placed = 0;
    for (const Vec3& star : App().GetStarField()->GetStars()) {
        placed += (star.x != 0 || star.z != 0) ? 1 : 0;
    }
    EXPECT_GT(placed, 300);
    EXPECT_TRUE(App().GetSun()->HasQuadric());
    for (int slot = 0; slot < 5; ++slot) {
        EXPECT_EQ(App().GetLights()[slot].GetIndex(), slot + 1);
        EXPECT_EQ(App().GetLights()[slot].GetIntensity(), 1.0);
    }

    // Only wishes are recorded: no OS window exists yet.
    const GLWindowExtra* plan = Plan().GetExtra();
    const GLWindowExtra* perspective = Perspective().GetExtra();
    EXPECT_EQ(plan->m_width, 580);
    EXPECT_EQ(plan->m_height, 435);
    EXPECT_EQ(plan->m_x, 600);
    EXPECT_EQ(plan->m_y, 25);
    EXPECT_EQ(plan->m_title, "Moon : Plan view - Corvath");
    EXPECT_EQ(plan->m_depthBits, 24);
    EXPECT_FALSE(plan->m_hWnd);
    EXPECT_EQ(perspective->m_width, 640);
    EXPECT_EQ(perspective->m_height, 480);
    EXPECT_EQ(perspective->m_x, 10);
    EXPECT_EQ(perspective->m_y, 10);
    EXPECT_EQ(perspective->m_title, "Moon : Perspective view - Corvath");
    EXPECT_EQ(perspective->m_depthBits, 24);
    EXPECT_FALSE(perspective->m_hWnd);
    EXPECT_TRUE(m_fake->Windows().empty());

    // The plan view is listed first, the perspective view is the main window.
    const GLAppCore& core = *GLAppCore::Instance();
    ASSERT_EQ(core.m_windows.size(), 2u);
    EXPECT_EQ(core.m_windows[0], plan);
    EXPECT_EQ(core.m_windows[1], perspective);
    EXPECT_EQ(core.GetMainWindow(), perspective);
    EXPECT_EQ(core.m_pApp, m_app.get());
    EXPECT_TRUE(Plan().IsReady());
    EXPECT_TRUE(Perspective().IsReady());
    EXPECT_TRUE(Perspective().IsDetailOn());
}

TEST_F(MoonAppTest, TheClockSeedsTheTerrainFirstAndThenTheStars) {
    // One of the seconds the constructor ran in reproduces its terrain and its
    // stars, drawn in that order from the sequence.
    bool reproduced = false;
    for (std::time_t second = m_clockBefore; second <= m_clockAfter && !reproduced; ++second) {
        Random::Seed(static_cast<std::uint32_t>(second));
        TerrainModel model;
        model.Regenerate(6);
        StarField stars;
        stars.Fill(2000, 2000, 350);
        reproduced =
            stars.GetStars() == App().GetStarField()->GetStars() &&
            model.GetTerrain()->GetRoot()->points == Model().GetTerrain()->GetRoot()->points;
    }
    EXPECT_TRUE(reproduced);
}

TEST_F(MoonAppTest, AGivenSeedBuildsTheSceneOfTheClockSecondThatGivesIt) {
    // The clock-seeded application reports the second it used.
    EXPECT_GE(App().GetSeed(), static_cast<std::uint32_t>(m_clockBefore));
    EXPECT_LE(App().GetSeed(), static_cast<std::uint32_t>(m_clockAfter));

    const std::uint32_t seed = 1709294400u;
    m_app.reset();
    m_app = std::make_unique<MoonApp>(seed);
    EXPECT_EQ(App().GetSeed(), seed);
    Random::Seed(seed);
    TerrainModel model;
    model.Regenerate(6);
    StarField stars;
    stars.Fill(2000, 2000, 350);
    EXPECT_EQ(stars.GetStars(), App().GetStarField()->GetStars());
    EXPECT_EQ(model.GetTerrain()->GetRoot()->points, Model().GetTerrain()->GetRoot()->points);
    EXPECT_EQ(test::CountTree(model).nodes, test::CountTree(Model()).nodes);
}

TEST_F(MoonAppTest, RefineKeepsTheSceneAndRefinesItsLandscapeWithTheSeed) {
    const std::uint32_t seed = 1709294400u;
    m_app.reset();
    m_app = std::make_unique<MoonApp>(seed);
    const auto stars = App().GetStarField()->GetStars();
    const std::array<Vec3, 5> corners = Model().GetTerrain()->GetRoot()->points;
    EXPECT_FALSE(Model().IsRefined());

    m_app.reset();
    m_app = std::make_unique<MoonApp>(seed, true);
    ASSERT_TRUE(Model().IsRefined());
    // The same draws: the same generated landscape and stars.
    EXPECT_EQ(App().GetStarField()->GetStars(), stars);
    EXPECT_EQ(Model().GetTerrain()->GetRoot()->points, corners);
    Random::Seed(seed);
    HeightGrid exported;
    RefinedGrid::Generate(10, LandscapeKey{seed, 0}, exported);
    const HeightGrid& grid = *Model().GetRefinedGrid();
    ASSERT_EQ(grid.GetSide(), exported.GetSide());
    for (int row = 0; row < grid.GetSide(); row += 37) {
        for (int column = 0; column < grid.GetSide(); column += 3) {
            ASSERT_EQ(grid.GetHeight(column, row), exported.GetHeight(column, row));
        }
    }
}

TEST_F(MoonAppTest, RegenerationsStartWhereThatManySpacesLead) {
    const std::uint32_t seed = 1709294400u;
    m_app.reset();
    m_app = std::make_unique<MoonApp>(seed, true);
    for (int press = 0; press < 3; ++press) {
        Perspective().OnKeyboard(' ', true);
    }
    const auto stars = App().GetStarField()->GetStars();
    const std::array<Vec3, 5> corners = Model().GetTerrain()->GetRoot()->points;
    const auto refined = Model().GetRefinedGrid()->GetHeight(517, 33);

    m_app.reset();
    m_app = std::make_unique<MoonApp>(seed, true, false, 3);
    EXPECT_EQ(Model().GetLandscapeCount(), 3u);
    EXPECT_EQ(App().GetStarField()->GetStars(), stars);
    EXPECT_EQ(Model().GetTerrain()->GetRoot()->points, corners);
    EXPECT_EQ(Model().GetRefinedGrid()->GetHeight(517, 33), refined);
    // And Space goes on from there as it would have.
    Perspective().OnKeyboard(' ', true);
    EXPECT_EQ(Model().GetLandscapeCount(), 4u);
}

TEST_F(MoonAppTest, PKeepsBothViewsSideBySideAsShown) {
    test::TempFolder folder("moon-picture-test");
    App().SetSaveFolder(folder.Path("pictures"));  // made on the first save
    OpenWindows();
    Perspective().OnDisplay();
    Plan().OnDisplay();
    const double perspectiveAngle = PerspectiveView::GetCirclingAngle();
    const double planAngle = PlanView::GetCirclingAngle();

    testing::internal::CaptureStderr();
    Perspective().OnKeyboard('P', true);
    App().FinishSaves();
    Perspective().OnKeyboard('P', true);
    App().FinishSaves();
    const std::string err = testing::internal::GetCapturedStderr();
    const std::string name = "moon-" + std::to_string(App().GetSeed()) + "-0-";
    EXPECT_NE(err.find(name + "1.png\n"), std::string::npos) << err;
    EXPECT_NE(err.find(name + "2.png\n"), std::string::npos) << err;
    // The frame on screen drawn once more: the light stands where it stood.
    EXPECT_EQ(PerspectiveView::GetCirclingAngle(), perspectiveAngle);
    EXPECT_EQ(PlanView::GetCirclingAngle(), planAngle);

    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> pixels;
    std::string problem;
    ASSERT_TRUE(
        PngFile::Read(folder.Path("pictures/" + name + "1.png"), width, height, pixels, problem))
        << problem;
    ASSERT_EQ(width, 640 + 580);
    ASSERT_EQ(height, 480);
    // The recording GL reads back (x, y, x + y) from the bottom row up: the
    // picture's top row is each view's top row, its right part the plan view
    // with black below its 435 rows.
    auto pixel = [&](int x, int y) {
        const std::size_t at = (static_cast<std::size_t>(y) * width + x) * 3;
        return std::array<int, 3>{pixels[at], pixels[at + 1], pixels[at + 2]};
    };
    EXPECT_EQ(pixel(0, 0), (std::array<int, 3>{0, 479 % 256, 479 % 256}));
    EXPECT_EQ(pixel(639, 479), (std::array<int, 3>{639 % 256, 0, 639 % 256}));
    EXPECT_EQ(pixel(640, 0), (std::array<int, 3>{0, 434 % 256, 434 % 256}));
    EXPECT_EQ(pixel(1219, 434), (std::array<int, 3>{579 % 256, 0, 579 % 256}));
    EXPECT_EQ(pixel(700, 435), (std::array<int, 3>{0, 0, 0}));
}

TEST_F(MoonAppTest, EKeepsTheTreeAsShownAndSaysWhenLevelOfDetailShapedIt) {
    test::TempFolder folder("moon-landscape-test");
    App().SetSaveFolder(folder.Get().string());
    Perspective().OnKeyboard(' ', true);
    testing::internal::CaptureStderr();
    Perspective().OnKeyboard('E', true);
    App().FinishSaves();
    // Lowered to 20 units up: level of detail refines around the camera.
    Perspective().OnMouseButton(0, true);
    Perspective().OnMouseButton(2, true);
    Perspective().OnMouseMove(320, 240);
    Perspective().OnMouseMove(320, 440);
    Perspective().OnKeyboard('E', true);
    App().FinishSaves();
    const std::string err = testing::internal::GetCapturedStderr();
    const std::string name = "moon-" + std::to_string(App().GetSeed()) + "-1-";
    const std::string command = "moon-terrain export --seed " + std::to_string(App().GetSeed()) +
                                " --regenerations 1 --depth 6 --palette 0 --mode flat -o FILE.glb";
    EXPECT_NE(err.find(name + "1.glb, as " + command + " writes it\n"), std::string::npos) << err;
    EXPECT_NE(err.find(name + "2.glb, with the level of detail around the camera; without it: " +
                       command + "\n"),
              std::string::npos)
        << err;
    const std::string plain = test::TempFolder::ReadFile(folder.Path(name + "1.glb"));
    const std::string detailed = test::TempFolder::ReadFile(folder.Path(name + "2.glb"));
    EXPECT_GT(detailed.size(), plain.size());
    EXPECT_NE(detailed.find("the viewer's level of detail, the camera at "), std::string::npos);
}

TEST_F(MoonAppTest, AFolderThatCannotBeMadeRefusesTheSaveInOneLine) {
    test::TempFolder folder("moon-picture-test");
    std::FILE* blocker = std::fopen(folder.Path("file").c_str(), "w");
    ASSERT_NE(blocker, nullptr);
    std::fclose(blocker);
    App().SetSaveFolder(folder.Path("file/pictures"));
    OpenWindows();
    testing::internal::CaptureStderr();
    Perspective().OnKeyboard('P', true);
    App().FinishSaves();
    Perspective().OnKeyboard('E', true);
    App().FinishSaves();
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(err.find("moon: picture not saved: cannot make the folder"), 0u) << err;
    EXPECT_NE(err.find("\nmoon: landscape not saved: cannot make the folder"), std::string::npos)
        << err;
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 2) << err;
}

TEST_F(MoonAppTest, VerboseNamesEachNewLandscapeWithWhatExportsIt) {
    m_app.reset();
    m_app = std::make_unique<MoonApp>(77u);
    App().SetVerbose(true);
    testing::internal::CaptureStderr();
    App().OnIdle();
    App().OnIdle();
    App().GetTerrainModel()->Regenerate(TerrainModel::kGeneratedDepth);  // Space
    App().OnIdle();
    App().OnIdle();
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(err.find("moon: landscape 0"), std::string::npos) << err;
    const std::string line =
        "moon: landscape 1 of seed 77; to keep it: moon-terrain export --seed 77 "
        "--regenerations 1 --depth 6 --palette 0 --mode flat -o FILE.glb\n";
    ASSERT_NE(err.find(line), std::string::npos) << err;
    EXPECT_EQ(err.find(line), err.rfind(line)) << "named once: " << err;
}

TEST_F(MoonAppTest, VerboseNamesTheRendererOnceOnTheFirstIdlePass) {
    OpenWindows();
    RecordingGL::Reset();
    App().OnIdle();  // quiet: nothing asked for
    EXPECT_TRUE(RecordingGL::Calls().empty());
    App().SetVerbose(true);
    ::testing::internal::CaptureStderr();
    App().OnIdle();
    App().OnIdle();
    const std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(err, "moon: OpenGL renderer: moon recording GL, OpenGL 1.1\n");
}

// A context that cannot be made current names no renderer, and leaves the
// framework's stack of saved contexts as it found it.
TEST_F(MoonAppTest, AnUnusableContextNamesNoRendererAndKeepsTheContextStack) {
    OpenWindows();
    const int depth = GLWindowExtra::CurrentDepth();
    m_fake->InjectFailure("MakeCurrent", 1);
    EXPECT_EQ(App().DescribeRenderer(), "unknown");
    EXPECT_EQ(GLWindowExtra::CurrentDepth(), depth);
    EXPECT_EQ(App().DescribeRenderer(), "moon recording GL, OpenGL 1.1");
}

TEST_F(MoonAppTest, ClosingThePlanViewHidesItAndClosingThePerspectiveViewEndsRun) {
    OpenWindows();
    const platform::WindowHandle plan = Plan().GetExtra()->m_hWnd;
    const platform::WindowHandle perspective = Perspective().GetExtra()->m_hWnd;
    ASSERT_TRUE(m_fake->State(plan).visible);

    // Count only: the loop paints both views until the close arrives.
    RecordingGL::SetMode(RecordingGL::Mode::Count);
    m_fake->Inject(plan, platform::WM_CLOSE);
    m_fake->Inject(perspective, platform::WM_CLOSE);
    EXPECT_EQ(GLAppCore::Instance()->Run(0, nullptr), 0);

    EXPECT_TRUE(m_fake->State(plan).alive);
    EXPECT_FALSE(m_fake->State(plan).visible);
    EXPECT_FALSE(m_fake->State(perspective).alive);
}

TEST_F(MoonAppTest, DestructionFreesTheSceneOnceAndClosesBothWindows) {
    OpenWindows();
    const platform::WindowHandle plan = Plan().GetExtra()->m_hWnd;
    const platform::WindowHandle perspective = Perspective().GetExtra()->m_hWnd;
    m_fake->ClearCalls();
    RecordingGL::Reset();
    m_app.reset();

    EXPECT_EQ(RecordingGL::CallsNamed("gluDeleteQuadric").size(), 1u);
    EXPECT_FALSE(m_fake->State(plan).alive);
    EXPECT_FALSE(m_fake->State(perspective).alive);
    EXPECT_EQ(m_fake->CountCalls("DestroyWindow"), 2);
    EXPECT_TRUE(GLAppCore::Instance()->m_windows.empty());
    EXPECT_EQ(GLAppCore::Instance()->m_pApp, nullptr);
}

}  // namespace
}  // namespace moon
