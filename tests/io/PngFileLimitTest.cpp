// SPDX-License-Identifier: MIT
// PNG pictures under a file-size limit (POSIX: a child process with
// RLIMIT_FSIZE), standing in for a full disk.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <string>
#include <vector>

#include "io/PngFile.h"
#include "tests/support/TempFolder.h"

namespace moon {
namespace {

class PngFileLimitTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_FALSE(m_folder.Get().empty()); }
    std::string Path(const std::string& name) const { return m_folder.Path(name); }

    test::TempFolder m_folder{"moon-png-test"};
    std::string m_problem;
};

// A picture that cannot be finished (here the file-size limit, standing in
// for a full disk) leaves the old one as it was, and no temporary file.
TEST_F(PngFileLimitTest, AFailedWriteKeepsTheOldPicture) {
    ASSERT_TRUE(PngFile::Write(Path("old.png"), 1, 1, {1, 2, 3}, m_problem)) << m_problem;
    const std::string old = test::TempFolder::ReadFile(Path("old.png"));
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_DFL);
        const rlimit limit{4096, 4096};  // bytes
        ::setrlimit(RLIMIT_FSIZE, &limit);
        // Noise does not compress: the picture is far over the limit.
        std::vector<std::uint8_t> noise(64 * 64 * 3);
        std::uint32_t state = 1;
        for (std::uint8_t& byte : noise) {
            state = state * 1664525u + 1013904223u;
            byte = static_cast<std::uint8_t>(state >> 24);
        }
        const bool written = PngFile::Write(Path("old.png"), 64, 64, noise, m_problem);
        ::_exit(!written && m_problem == "cannot write \"" + Path("old.png") + "\": File too large"
                    ? 0
                    : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    EXPECT_EQ(test::TempFolder::ReadFile(Path("old.png")), old);
    EXPECT_EQ(m_folder.Names(), (std::vector<std::string>{"old.png"}));
}

}  // namespace
}  // namespace moon
