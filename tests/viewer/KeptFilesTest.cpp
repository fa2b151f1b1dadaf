// SPDX-License-Identifier: MIT
#include "viewer/KeptFiles.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "io/AtomicFile.h"
#include "tests/support/TempFolder.h"
#include "viewer/FrameCounter.h"

namespace moon {
namespace {

KeptFiles::Fill text(const std::string& content) {
    return [content](AtomicFile& file, const std::string&, std::string&) {
        return file.Write(content);
    };
}

TEST(KeptFilesTest, EachFileTakesTheFirstFreeNumberAndReplacesNothing) {
    test::TempFolder folder("moon-kept-test");
    std::ofstream(folder.Path("moon-9-2-1.png")) << "someone's picture";
    const KeptFiles files(folder.Get().string(), 9);
    std::string path;
    std::string problem;
    ASSERT_TRUE(files.Write(2, "png", text("first"), path, problem)) << problem;
    EXPECT_EQ(path, folder.Path("moon-9-2-2.png"));
    ASSERT_TRUE(files.Write(2, "png", text("second"), path, problem)) << problem;
    EXPECT_EQ(path, folder.Path("moon-9-2-3.png"));
    ASSERT_TRUE(files.Write(3, "glb", text("mesh"), path, problem)) << problem;
    EXPECT_EQ(path, folder.Path("moon-9-3-1.glb"));
    EXPECT_EQ(test::TempFolder::ReadFile(folder.Path("moon-9-2-1.png")), "someone's picture");
    EXPECT_EQ(test::TempFolder::ReadFile(folder.Path("moon-9-2-3.png")), "second");

    // A file that takes the name while the save writes: the save moves on to
    // the next number and the newcomer stays as it is.
    bool intruded = false;
    const KeptFiles::Fill race = [&](AtomicFile& file, const std::string& name, std::string&) {
        if (!intruded) {
            intruded = true;
            std::ofstream(name) << "another program's";
        }
        return file.Write("mine");
    };
    ASSERT_TRUE(files.Write(2, "png", race, path, problem)) << problem;
    EXPECT_EQ(path, folder.Path("moon-9-2-5.png"));
    EXPECT_EQ(test::TempFolder::ReadFile(folder.Path("moon-9-2-4.png")), "another program's");
    EXPECT_EQ(test::TempFolder::ReadFile(path), "mine");
    // No temporary file is left behind.
    EXPECT_EQ(folder.Names().size(), 6u);
}

TEST(KeptFilesTest, AMissingFolderIsMadeAndOneThatCannotBeIsAProblem) {
    test::TempFolder folder("moon-kept-test");
    std::string path;
    std::string problem;
    ASSERT_TRUE(KeptFiles(folder.Path("a/b"), 1).Write(0, "png", text("x"), path, problem))
        << problem;
    EXPECT_EQ(std::filesystem::path(path).lexically_normal(),
              std::filesystem::path(folder.Path("a/b/moon-1-0-1.png")).lexically_normal());

    std::ofstream(folder.Path("file")) << "x";
    EXPECT_FALSE(KeptFiles(folder.Path("file/sub"), 1).Write(0, "png", text("x"), path, problem));
    EXPECT_NE(problem.find("cannot make the folder"), std::string::npos) << problem;
    // A fill that fails is the save's failure, and leaves nothing.
    const KeptFiles::Fill failing = [](AtomicFile&, const std::string&, std::string& why) {
        why = "cannot encode";
        return false;
    };
    EXPECT_FALSE(KeptFiles(folder.Path("c"), 1).Write(0, "png", failing, path, problem));
    EXPECT_EQ(problem, "cannot encode");
    EXPECT_TRUE(std::filesystem::is_empty(folder.Path("c")));
}

TEST(FrameCounterTest, CountsFramesAndTheLongestWaitAcrossPeriods) {
    using std::chrono::milliseconds;
    const FrameCounter::Clock::time_point start{};
    FrameCounter counter(start);
    counter.Count(start + milliseconds(100));  // the wait from the start counts
    counter.Count(start + milliseconds(120));
    counter.Count(start + milliseconds(900));
    FrameCounter::Period period = counter.Take(start + milliseconds(1000));
    EXPECT_EQ(period.frames, 3);
    EXPECT_EQ(period.longestGap, milliseconds(780));
    EXPECT_EQ(period.length, milliseconds(1000));

    // A wait that spans the report counts whole in the period it ends in.
    counter.Count(start + milliseconds(2500));
    period = counter.Take(start + milliseconds(3000));
    EXPECT_EQ(period.frames, 1);
    EXPECT_EQ(period.longestGap, milliseconds(1600));

    // A view that stopped drawing shows the wait so far.
    period = counter.Take(start + milliseconds(7000));
    EXPECT_EQ(period.frames, 0);
    EXPECT_EQ(period.longestGap, milliseconds(4000));
}

}  // namespace
}  // namespace moon
