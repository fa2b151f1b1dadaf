// SPDX-License-Identifier: MIT
// How the desktop knows the viewer: the icon built into the program is the
// installed 64-pixel icon, and both it and the application id reach the
// window system before the first window, or the failure is said.
#include "viewer/DesktopIdentity.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "cli/MoonVersion.h"
#include "framework/GLApp.h"
#include "framework/platform/fake/FakePlatform.h"
#include "io/PngFile.h"

namespace moon {
namespace {

using namespace platform;

TEST(DesktopIdentityTest, TheBuiltInIconIsTheInstalledSixtyFourPixelIcon) {
    IconImage icon;
    std::string problem;
    ASSERT_TRUE(DesktopIdentity::DecodeIcon(icon, problem)) << problem;
    ASSERT_EQ(icon.width, 64);
    ASSERT_EQ(icon.height, 64);
    ASSERT_EQ(icon.rgba.size(), 64u * 64u * 4u);

    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> installed;  // RGB
    ASSERT_TRUE(PngFile::Read(MOON_ICON_64, width, height, installed, problem)) << problem;
    ASSERT_EQ(installed.size(), 64u * 64u * 3u);
    for (std::size_t pixel = 0; pixel < 64u * 64u; ++pixel) {
        for (std::size_t channel = 0; channel < 3; ++channel) {
            ASSERT_EQ(icon.rgba[pixel * 4 + channel], installed[pixel * 3 + channel])
                << "pixel " << pixel << ", channel " << channel;
        }
        // The picture has no alpha: the icon is opaque all over.
        ASSERT_EQ(icon.rgba[pixel * 4 + 3], 255) << "pixel " << pixel;
    }
}

TEST(DesktopIdentityTest, TheIdAndTheIconReachTheWindowSystemBeforeItStarts) {
    FakePlatform platform;
    std::string problem;
    ASSERT_TRUE(DesktopIdentity::Apply(platform, problem)) << problem;
    EXPECT_EQ(platform.ApplicationId(), kMoonAppId);
    EXPECT_TRUE(platform.LoadIcon(platform.GetModuleHandle(), GLApp::kIconResource));

    // Too late once a class exists (the windows would not carry them): said so.
    FakePlatform started;
    WndClass windowClass;
    windowClass.lpfnWndProc = [](WindowHandle, std::uint32_t, WParam, LParam) -> LResult {
        return 0;
    };
    windowClass.lpszClassName = "Early";
    ASSERT_NE(started.RegisterClass(windowClass), 0);
    EXPECT_FALSE(DesktopIdentity::Apply(started, problem));
    EXPECT_EQ(problem, "cannot name the application: the window system has started");
}

}  // namespace
}  // namespace moon
