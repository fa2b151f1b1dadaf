// SPDX-License-Identifier: MIT
// The pictures folder on the free desktops: the environment first, then the
// user's user-dirs.dirs, then ~/Pictures, and only folders that exist.
#include "system/UserFolders.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>

#include "tests/support/TempFolder.h"

namespace moon {
namespace {

TEST(UserFoldersTest, PicturesFromTheEnvironmentTheUserDirsOrHome) {
    test::TempFolder home("moon-home-test");
    ::setenv("HOME", home.Get().c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", home.Path("config").c_str(), 1);
    ::unsetenv("XDG_PICTURES_DIR");
    EXPECT_EQ(UserFolders::Pictures(), "");  // nothing exists yet

    std::filesystem::create_directories(home.Path("Pictures"));
    EXPECT_EQ(UserFolders::Pictures(), home.Path("Pictures"));

    std::filesystem::create_directories(home.Path("config"));
    std::filesystem::create_directories(home.Path("Bilder"));
    std::ofstream(home.Path("config/user-dirs.dirs")) << "# written by xdg-user-dirs-update\n"
                                                      << "XDG_DESKTOP_DIR=\"$HOME/Desktop\"\n"
                                                      << "XDG_PICTURES_DIR=\"$HOME/Bilder\"\n";
    EXPECT_EQ(UserFolders::Pictures(), home.Path("Bilder"));

    ::setenv("XDG_PICTURES_DIR", home.Path("Photos").c_str(), 1);
    EXPECT_EQ(UserFolders::Pictures(), home.Path("Bilder"));  // named, but missing
    std::filesystem::create_directories(home.Path("Photos"));
    EXPECT_EQ(UserFolders::Pictures(), home.Path("Photos"));
}

}  // namespace
}  // namespace moon
