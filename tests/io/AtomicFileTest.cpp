// SPDX-License-Identifier: MIT
// Export targets: what moon-terrain export does to the thing named by -o, run
// in-process for plain targets and as the real program for signals. Device
// nodes are made in a scratch folder (never the system's own /dev); where the
// test may not make them it skips.
#include "io/AtomicFile.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "system/ProcessSignals.h"
#include "tests/support/TempFolder.h"
#include "tests/tools/ToolRun.h"
#include "tools/TerrainTool.h"

namespace moon {
namespace {

namespace fs = std::filesystem;

using Result = test::ToolResult;

using test::TempFolder;

// A small export to target; a fixed terrain, so runs compare byte for byte.
Result exportTo(const std::string& target) {
    return test::RunTool({"export", "--seed", "4", "--depth", "2", "-o", target});
}

class AtomicFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(m_folder.Get().empty());
        // What a plain export writes: the reference for every other target.
        ASSERT_EQ(exportTo(Path("reference.ply")).status, 0);
        m_expected = TempFolder::ReadFile(Path("reference.ply"));
        fs::remove(Path("reference.ply"));
    }
    std::string Path(const std::string& name) const { return m_folder.Path(name); }
    std::vector<std::string> Names() const { return m_folder.Names(); }

    TempFolder m_folder{"moon-atomic-test"};
    std::string m_expected;
};

TEST_F(AtomicFileTest, DashWritesToStandardOutput) {
    const Result result = exportTo("-");
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(result.out, m_expected);
    EXPECT_TRUE(fs::is_empty(m_folder.Get()));
    EXPECT_FALSE(fs::exists("-"));
}

TEST_F(AtomicFileTest, DevicesAreWrittenInPlaceNeverReplaced) {
    if (::mknod(Path("full").c_str(), S_IFCHR | 0666, makedev(1, 7)) != 0 ||
        ::mknod(Path("null").c_str(), S_IFCHR | 0666, makedev(1, 3)) != 0) {
        GTEST_SKIP() << "cannot make device nodes here (needs root)";
    }
    Result result = exportTo(Path("full"));
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err, "moon-terrain export: cannot write \"" + Path("full") +
                              "\": No space left on device\n");
    result = exportTo(Path("null"));
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.err, "");
    for (const char* name : {"full", "null"}) {
        EXPECT_TRUE(fs::is_character_file(Path(name))) << name << " was replaced";
    }
    EXPECT_EQ(Names(), (std::vector<std::string>{"full", "null"}));
}

TEST_F(AtomicFileTest, FifosAndSocketsAreWrittenInPlace) {
    ASSERT_EQ(::mkfifo(Path("fifo").c_str(), 0600), 0);
    std::string received;
    std::thread reader([&] { received = TempFolder::ReadFile(Path("fifo")); });
    EXPECT_EQ(exportTo(Path("fifo")).status, 0);
    reader.join();
    EXPECT_EQ(received, m_expected);
    EXPECT_TRUE(fs::is_fifo(Path("fifo")));

    // A socket cannot be opened by name; its /proc/self/fd link still works.
    int ends[2];
    ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM, 0, ends), 0);
    int size = 1 << 20;
    ::setsockopt(ends[1], SOL_SOCKET, SO_SNDBUF, &size, sizeof size);
    const Result result = exportTo("/proc/self/fd/" + std::to_string(ends[1]));
    EXPECT_EQ(result.status, 0) << result.err;
    ::close(ends[1]);
    std::string fromSocket;
    char buffer[65536];
    for (ssize_t n; (n = ::read(ends[0], buffer, sizeof buffer)) > 0;) {
        fromSocket.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(ends[0]);
    EXPECT_EQ(fromSocket, m_expected);
    EXPECT_EQ(Names(), (std::vector<std::string>{"fifo"}));
}

TEST_F(AtomicFileTest, SymlinksAreFollowedAndModeAndOwnerKept) {
    std::ofstream(Path("real.ply")) << "old";
    ASSERT_EQ(::chmod(Path("real.ply").c_str(), 0640), 0);
    const bool owned = ::chown(Path("real.ply").c_str(), 1234, 5678) == 0;
    fs::create_symlink("real.ply", Path("link.ply"));
    fs::create_directories(Path("sub"));
    fs::create_symlink("../link.ply", Path("sub/chain.ply"));

    for (const std::string& named : {Path("link.ply"), Path("sub/chain.ply")}) {
        std::ofstream(Path("real.ply")) << "old";
        const Result result = exportTo(named);
        EXPECT_EQ(result.status, 0) << result.err;
        EXPECT_TRUE(fs::is_symlink(Path("link.ply")));
        EXPECT_TRUE(fs::is_symlink(Path("sub/chain.ply")));
        EXPECT_EQ(TempFolder::ReadFile(Path("real.ply")), m_expected);
        struct stat status {};
        ASSERT_EQ(::stat(Path("real.ply").c_str(), &status), 0);
        EXPECT_EQ(status.st_mode & 07777, 0640u);
        if (owned) {
            EXPECT_EQ(status.st_uid, 1234u);
            EXPECT_EQ(status.st_gid, 5678u);
        }
    }
    // A link to nothing yet: its target is made.
    fs::create_symlink("made.ply", Path("dangling.ply"));
    EXPECT_EQ(exportTo(Path("dangling.ply")).status, 0);
    EXPECT_EQ(TempFolder::ReadFile(Path("made.ply")), m_expected);
    EXPECT_EQ(Names(), (std::vector<std::string>{"dangling.ply", "link.ply", "made.ply", "real.ply",
                                                 "sub"}));
}

TEST_F(AtomicFileTest, NamesUpToTheFileSystemLimitWork) {
    const std::string longest(255, 'n');
    Result result = exportTo(Path(longest));
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(TempFolder::ReadFile(Path(longest)), m_expected);
    fs::remove(Path(longest));
    const std::string tooLong(256, 'x');
    result = exportTo(Path(tooLong));
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err,
              "moon-terrain export: cannot write \"" + Path(tooLong) + "\": File name too long\n");
    EXPECT_TRUE(fs::is_empty(m_folder.Get()));
}

TEST_F(AtomicFileTest, AFailedReplacementLeavesNothing) {
    std::ofstream(Path("taken.ply")) << "old";
    AtomicFile file(Path("taken.ply"));
    std::string error;
    ASSERT_TRUE(file.Open(error));
    EXPECT_TRUE(file.Write("new"));
    // A folder takes the name before the new file can: it cannot be replaced.
    fs::remove(Path("taken.ply"));
    fs::create_directories(Path("taken.ply/inside"));
    EXPECT_FALSE(file.Commit(error));
    EXPECT_EQ(error, "cannot write \"" + Path("taken.ply") + "\": Is a directory");
    EXPECT_EQ(Names(), (std::vector<std::string>{"taken.ply"}));
}

// A file staged under another name (a tile of a set) names the file it
// stands for, never the staged one.
TEST_F(AtomicFileTest, AFailureNamesTheShownName) {
    fs::create_directories(Path("staged.png"));
    AtomicFile file(Path("staged.png/inside/x"), nullptr, Path("tile_0_0.png"));
    std::string error;
    EXPECT_FALSE(file.Open(error));
    EXPECT_EQ(error, "cannot write \"" + Path("tile_0_0.png") + "\": No such file or directory");
}

// Where SIGINT and SIGTERM ask the program to close (the viewer rendering a
// picture), the request gives the write up and waits for the program.
TEST_F(AtomicFileTest, ACloseRequestGivesTheWriteUp) {
    ProcessSignals::CatchCloseRequests();
    std::ofstream(Path("old.png")) << "old";
    AtomicFile file(Path("old.png"));
    std::string error;
    ASSERT_TRUE(file.Open(error));
    EXPECT_TRUE(file.Write("new"));
    ASSERT_EQ(std::raise(SIGTERM), 0);
    EXPECT_FALSE(file.Commit(error));
    EXPECT_EQ(error, "cannot write \"" + Path("old.png") + "\": interrupted");
    EXPECT_EQ(TempFolder::ReadFile(Path("old.png")), "old");
    EXPECT_EQ(Names(), (std::vector<std::string>{"old.png"}));
    EXPECT_TRUE(ProcessSignals::TakeCloseRequest());
    ProcessSignals::ReleaseCloseRequests();
}

// The file-size limit as a user meets it: the program's SIGXFSZ is not
// ignored, yet it ends with the one-line failure, not killed by the signal.
TEST_F(AtomicFileTest, TheFileSizeLimitIsAFailureOfItsOwn) {
    const std::string mesh = Path("mesh.ply");
    std::ofstream(mesh) << "old";
    const std::string err = Path("err.txt");
    const int status = std::system(("sh -c 'trap - XFSZ; ulimit -f 64; exec " MOON_TERRAIN_PROGRAM
                                    " export --seed 1 --depth 6 -o " +
                                    mesh + " 2>" + err + "'")
                                       .c_str());
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1) << status;
    EXPECT_EQ(TempFolder::ReadFile(err),
              "moon-terrain export: cannot write \"" + mesh + "\": File too large\n");
    EXPECT_EQ(TempFolder::ReadFile(mesh), "old");
    EXPECT_EQ(Names(), (std::vector<std::string>{"err.txt", "mesh.ply"}));
}

// The temporary file of a child writing without end, found by the child's
// open descriptors.
bool childWrites(pid_t child, const fs::path& dir) {
    const fs::path fds = "/proc/" + std::to_string(child) + "/fd";
    std::error_code ignored;
    for (const auto& entry : fs::directory_iterator(fds, ignored)) {
        const std::string target = fs::read_symlink(entry.path(), ignored).string();
        if (target.starts_with(dir.string() + "/") && !target.ends_with("old.ply")) {
            return true;
        }
    }
    return false;
}

// Interrupted by each signal: the old file stays, nothing else is left.
// SIGXFSZ is a write failure.
TEST_F(AtomicFileTest, SignalsLeaveNothingBehind) {
    for (const int signal : {SIGINT, SIGTERM, SIGHUP, SIGXFSZ}) {
        SCOPED_TRACE(strsignal(signal));
        std::ofstream(Path("old.ply")) << "old";
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            for (const int caught : {SIGINT, SIGTERM, SIGHUP, SIGXFSZ}) {
                std::signal(caught, SIG_DFL);
            }
            AtomicFile file(Path("old.ply"));
            std::string error;
            if (!file.Open(error)) {
                ::_exit(3);
            }
            const std::string chunk(1 << 16, 'x');
            // Until the signal, for a minute at most.
            for (int i = 0; i < 20000 && file.Write(chunk); ++i) {
                ::usleep(3000);
            }
            ::_exit(file.Commit(error) ? 0 : 1);
        }
        for (int i = 0; i < 2000 && !childWrites(child, m_folder.Get()); ++i) {
            ::usleep(5000);
        }
        ::kill(child, signal);
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        if (signal == SIGXFSZ) {
            EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1);
        } else {
            EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal);
        }
        EXPECT_EQ(TempFolder::ReadFile(Path("old.ply")), "old");
        EXPECT_EQ(Names(), (std::vector<std::string>{"old.ply"}));
    }
}

}  // namespace
}  // namespace moon
