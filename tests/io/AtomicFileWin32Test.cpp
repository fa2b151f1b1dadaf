// SPDX-License-Identifier: MIT
// AtomicFile on Windows, through moon-terrain's export as a user runs it:
// standard output takes the bytes untranslated, devices are written in place,
// and a replacement that cannot finish (the target held open, a folder in the
// way, Ctrl+Break) keeps the old file and leaves no temporary one.
#include <gtest/gtest.h>
// The build sets these for the GL headers; windows.h defines them its own way.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#define WIN32_LEAN_AND_MEAN
#undef APIENTRY
#undef WINGDIAPI
#undef CALLBACK
#include <windows.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "io/AtomicFile.h"
#include "tests/tools/ToolRun.h"

namespace moon {
namespace {

namespace fs = std::filesystem;

using Result = test::ToolResult;

std::string fileText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

Result exportTo(const std::string& target) {
    return test::RunTool({"export", "--seed", "4", "--depth", "2", "-o", target});
}

class AtomicFileWin32Test : public ::testing::Test {
protected:
    void SetUp() override {
        m_dir = fs::temp_directory_path() /
                ("moon-atomic-test-" + std::to_string(GetCurrentProcessId()));
        fs::create_directories(m_dir);
        ASSERT_EQ(exportTo(Path("reference.ply")).status, 0);
        m_expected = fileText(Path("reference.ply"));
        fs::remove(Path("reference.ply"));
    }
    void TearDown() override { fs::remove_all(m_dir); }
    std::string Path(const std::string& name) const { return (m_dir / name).string(); }
    std::vector<std::string> Names() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(m_dir)) {
            names.push_back(entry.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }

    fs::path m_dir;
    std::string m_expected;
};

TEST_F(AtomicFileWin32Test, StandardOutputAndDevicesTakeTheBytesAsTheyAre) {
    // A text-mode stream would turn each "\n" of the binary PLY into "\r\n".
    std::FILE* out = std::tmpfile();
    ASSERT_NE(out, nullptr);
    AtomicFile file("-", out);
    std::string error;
    ASSERT_TRUE(file.Open(error)) << error;
    EXPECT_TRUE(file.Write(m_expected));
    ASSERT_TRUE(file.Commit(error)) << error;
    EXPECT_EQ(test::ReadAll(out), m_expected);
    EXPECT_NE(m_expected.find('\n'), std::string::npos);

    for (const char* device : {"NUL", "nul", "\\\\.\\NUL"}) {
        const Result result = exportTo(device);
        EXPECT_EQ(result.status, 0) << device;
        EXPECT_EQ(result.err, "") << device;
    }
    EXPECT_FALSE(fs::is_regular_file("NUL"));
    EXPECT_TRUE(fs::is_empty(m_dir));
}

TEST_F(AtomicFileWin32Test, AReplacementThatCannotFinishKeepsTheOldFile) {
    std::ofstream(Path("held.ply")) << "old";
    // Another program holds the target open without sharing deletion: the
    // finished file cannot take its place.
    const HANDLE held = CreateFileA(Path("held.ply").c_str(), GENERIC_READ, FILE_SHARE_READ,
                                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    Result result = exportTo(Path("held.ply"));
    CloseHandle(held);
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err, "moon-terrain export: cannot write \"" + Path("held.ply") +
                              "\": Permission denied\n");
    EXPECT_EQ(fileText(Path("held.ply")), "old");
    EXPECT_EQ(Names(), (std::vector<std::string>{"held.ply"}));

    // Once free, it is replaced whole.
    result = exportTo(Path("held.ply"));
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(fileText(Path("held.ply")), m_expected);

    fs::create_directories(Path("taken.ply/inside"));
    result = exportTo(Path("taken.ply"));
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err,
              "moon-terrain export: cannot write \"" + Path("taken.ply") + "\": Is a directory\n");
    EXPECT_EQ(Names(), (std::vector<std::string>{"held.ply", "taken.ply"}));
}

BOOL WINAPI keepRunning(DWORD) {
    return TRUE;
}

// The program stopped with Ctrl+C while it writes: the old file stays and the
// temporary one goes.
TEST_F(AtomicFileWin32Test, CtrlCLeavesTheOldFileAndNoTemporaryOne) {
    // Console events go to the processes of a console: the test gives itself
    // one when it was started without (as CTest starts it under Wine).
    if (GetConsoleWindow() == nullptr) {
        AllocConsole();
    }
    std::ofstream(Path("old.ply")) << "old";
    std::string command = std::string("\"") + MOON_TERRAIN_PROGRAM +
                          "\" export --seed 1 --depth 9 -o \"" + Path("old.ply") + "\"";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    ASSERT_TRUE(CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                               nullptr, &startup, &process));
    // Until its temporary file appears, for a minute at most.
    for (int i = 0; i < 1200 && Names().size() < 2; ++i) {
        Sleep(50);
    }
    ASSERT_EQ(Names().size(), 2u) << "the export never started writing";
    // Ctrl+C reaches every process of the console: the test itself outlives it.
    SetConsoleCtrlHandler(keepRunning, TRUE);
    if (GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0) == 0) {
        // Wine (8) refuses console events to a program that CTest started
        // outside a terminal (ERROR_INVALID_ACCESS); Windows delivers them.
        const DWORD error = GetLastError();
        TerminateProcess(process.hProcess, 1);
        WaitForSingleObject(process.hProcess, 60000);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
        GTEST_SKIP() << "no console event could be sent (error " << error << ")";
    }
    EXPECT_EQ(WaitForSingleObject(process.hProcess, 60000), WAIT_OBJECT_0);
    DWORD status = 0;
    GetExitCodeProcess(process.hProcess, &status);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    EXPECT_EQ(status, 1u);  // not the system's own (Windows: STATUS_CONTROL_C_EXIT; Wine: 0)
    EXPECT_TRUE(fileText(Path("old.ply")) == "old") << "the old file was replaced";
    EXPECT_EQ(Names(), (std::vector<std::string>{"old.ply"}));
}

}  // namespace
}  // namespace moon
