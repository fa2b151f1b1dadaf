// SPDX-License-Identifier: MIT
// moon-terrain as a process, for what only a process shows: file limits, the
// shell's redirections, main's wiring, and other programs reading the exports.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/TempFolder.h"

namespace moon {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream stream(text);
    for (std::string line; std::getline(stream, line);) {
        lines.push_back(line);
    }
    return lines;
}

class MoonTerrainProgramTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_FALSE(m_folder.Get().empty()); }
    std::string Path(const std::string& name) const { return m_folder.Path(name); }

    test::TempFolder m_folder{"moon-terrain-test"};
};

int RunProgram(const std::string& arguments) {
    const int status = std::system((MOON_TERRAIN_PROGRAM " " + arguments).c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST_F(MoonTerrainProgramTest, TheProgramKeepsAnOldFileWhenTheNewOneCannotBeFinished) {
    const std::string out = Path("out.txt");
    const std::string err = Path("err.txt");
    EXPECT_EQ(RunProgram("dump --seed 1 --depth 0 >" + out + " 2>" + err), 0);
    EXPECT_EQ(Lines(test::TempFolder::ReadFile(out)).size(), 2u);
    EXPECT_EQ(RunProgram("dump --seed 1 --depth 12 >" + out + " 2>" + err), 2);
    EXPECT_EQ(test::TempFolder::ReadFile(out), "");
    EXPECT_NE(test::TempFolder::ReadFile(err).find("gigabytes"), std::string::npos);

    // The file-size limit (512-byte blocks) stands in for a full disk.
    const std::string mesh = Path("mesh.ply");
    EXPECT_EQ(RunProgram("export --seed 1 --depth 1 -o " + mesh), 0);
    const std::string old = test::TempFolder::ReadFile(mesh);
    EXPECT_EQ(std::system(("sh -c 'trap \"\" XFSZ; ulimit -f 64; exec " MOON_TERRAIN_PROGRAM
                           " export --seed 1 --depth 5 -o " +
                           mesh + " 2>" + err + "'")
                              .c_str()),
              1 << 8);
    EXPECT_EQ(test::TempFolder::ReadFile(err),
              "moon-terrain export: cannot write \"" + mesh + "\": File too large\n");
    EXPECT_EQ(test::TempFolder::ReadFile(mesh), old);
    EXPECT_EQ(std::distance(fs::directory_iterator(m_folder.Get()), fs::directory_iterator()), 3);
}

TEST_F(MoonTerrainProgramTest, MeshToolsOpenTheExports) {
    if (!fs::exists("/usr/bin/assimp")) {
        GTEST_SKIP() << "assimp (Debian package assimp-utils) is not installed";
    }
    for (const std::string format : {"ply", "obj", "glb", "ply --join", "glb --join"}) {
        const std::string file = Path("terrain." + format.substr(0, 3));
        ASSERT_EQ(RunProgram("export --seed 2 --depth 4 --format " + format + " -o " + file), 0);
        const std::string report = Path("assimp.txt");
        EXPECT_EQ(std::system(("assimp info " + file + " >" + report + " 2>&1").c_str()), 0);
        EXPECT_NE(test::TempFolder::ReadFile(report).find("Faces:              1024"),
                  std::string::npos)
            << test::TempFolder::ReadFile(report);
        // MeshLab reads it and writes it back out, where it is installed (its
        // server reads no glTF).
        if (format.rfind("glb", 0) != 0 && fs::exists("/usr/bin/meshlabserver")) {
            const std::string copy = Path("copy." + format.substr(0, 3));
            EXPECT_EQ(std::system(("QT_QPA_PLATFORM=offscreen meshlabserver -i " + file + " -o " +
                                   copy + " >" + report + " 2>&1")
                                      .c_str()),
                      0)
                << test::TempFolder::ReadFile(report);
            EXPECT_TRUE(fs::exists(copy)) << test::TempFolder::ReadFile(report);
        }
    }
}

}  // namespace
}  // namespace moon
