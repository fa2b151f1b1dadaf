// SPDX-License-Identifier: MIT
// moon-terrain as a process, for what only a process shows: file limits, the
// shell's redirections, main's wiring, and other programs reading the exports.
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/TempFolder.h"

extern char** environ;

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

    // Every heightmap format, and a tile set, the same way: the old files
    // stay and nothing half-written is left.
    for (const std::string name : {"map.png", "map.r16", "map.tif", "map.exr", "tiles.r16"}) {
        const std::string file = Path(name);
        const std::string tiles = name == "tiles.r16" ? " --tiles 2" : "";
        EXPECT_EQ(RunProgram("export --seed 1 --depth 2" + tiles + " -o " + file), 0) << name;
        const std::vector<std::string> before = m_folder.Names();
        const std::string first = tiles.empty() ? file : Path("tiles_0_0.r16");
        const std::string kept = test::TempFolder::ReadFile(first);
        EXPECT_EQ(std::system(("sh -c 'trap \"\" XFSZ; ulimit -f 64; exec " MOON_TERRAIN_PROGRAM
                               " export --seed 1 --depth 8" +
                               tiles + " -o " + file + " 2>" + err + "'")
                                  .c_str()),
                  1 << 8)
            << name;
        EXPECT_EQ(test::TempFolder::ReadFile(err),
                  "moon-terrain export: cannot write \"" + first + "\": File too large\n");
        EXPECT_EQ(test::TempFolder::ReadFile(first), kept) << name;
        EXPECT_EQ(m_folder.Names(), before) << name;
    }
}

TEST_F(MoonTerrainProgramTest, CtrlCDuringATileSetKeepsTheOldSet) {
    const std::string name = Path("t.tif");
    ASSERT_EQ(RunProgram("export --seed 1 --depth 2 --tiles 4 -o " + name), 0);
    const std::vector<std::string> before = m_folder.Names();
    const std::string kept = test::TempFolder::ReadFile(Path("t_3_3.tif"));

    // Seconds of work: 16 tiles of 1025 x 1025 floats.
    const std::string err = Path("err.txt");
    const std::string command = std::string("exec " MOON_TERRAIN_PROGRAM) +
                                " export --seed 1 --depth 12 --tiles 4 -o " + name + " 2>" + err;
    const char* argv[] = {"sh", "-c", command.c_str(), nullptr};
    pid_t child = 0;
    ASSERT_EQ(posix_spawn(&child, "/bin/sh", nullptr, nullptr, const_cast<char**>(argv), environ),
              0);
    // Once the first tile's file appears, the program has taken Ctrl+C as its own.
    for (int wait = 0; wait < 1000 && m_folder.Names().size() <= before.size() + 1; ++wait) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ::kill(child, SIGINT);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status)) << "ended by a signal";
    EXPECT_EQ(WEXITSTATUS(status), 1);
    const std::string line = test::TempFolder::ReadFile(err);
    EXPECT_NE(line.find(": interrupted\n"), std::string::npos) << line;
    fs::remove(err);
    EXPECT_EQ(m_folder.Names(), before);
    EXPECT_EQ(test::TempFolder::ReadFile(Path("t_3_3.tif")), kept);
}

TEST_F(MoonTerrainProgramTest, GisToolsReadTheHeightmaps) {
    if (!fs::exists("/usr/bin/gdalinfo")) {
        GTEST_SKIP() << "gdalinfo (Debian package gdal-bin) is not installed";
    }
    // Depth 7: 129 samples a side, 500/128 apart; the GeoTIFF's samples are
    // points, so GDAL's pixels are centred on them, half a spacing out.
    const std::string report = Path("gdalinfo.txt");
    for (const std::string name : {"map.tif", "map.png"}) {
        ASSERT_EQ(RunProgram("export --seed 3 --depth 7 -o " + Path(name)), 0);
        ASSERT_EQ(std::system(("gdalinfo " + Path(name) + " >" + report + " 2>&1").c_str()), 0);
        const std::string info = test::TempFolder::ReadFile(report);
        EXPECT_NE(info.find("Size is 129, 129"), std::string::npos) << info;
        if (name == "map.tif") {
            EXPECT_NE(info.find("Type=Float32"), std::string::npos) << info;
            EXPECT_NE(info.find("Origin = (-1.953125000000000,501.953125000000000)"),
                      std::string::npos)
                << info;
            EXPECT_NE(info.find("Pixel Size = (3.906250000000000,-3.906250000000000)"),
                      std::string::npos)
                << info;
            EXPECT_NE(info.find("COMPRESSION=DEFLATE"), std::string::npos) << info;
            EXPECT_NE(info.find("PREDICTOR=3"), std::string::npos) << info;
        } else {
            EXPECT_NE(info.find("Type=UInt16"), std::string::npos) << info;
        }
    }
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
