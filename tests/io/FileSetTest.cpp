// SPDX-License-Identifier: MIT
#include "io/FileSet.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "tests/support/TempFolder.h"

namespace moon {
namespace {

namespace fs = std::filesystem;

void writeText(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

class FileSetTest : public ::testing::Test {
protected:
    std::string Path(const std::string& name) const { return m_folder.Path(name); }
    std::vector<std::string> Targets() const { return {Path("a"), Path("b"), Path("c")}; }
    // The old set: a and c exist, b is new.
    void WriteOldSet() {
        writeText(Path("a"), "old a");
        writeText(Path("c"), "old c");
    }
    void Stage(const FileSet& set) {
        for (std::size_t i = 0; i < 3; ++i) {
            writeText(set.GetStagedPath(i), "new " + std::string(1, static_cast<char>('a' + i)));
        }
    }
    test::TempFolder m_folder{"moon-file-set-test"};
};

TEST_F(FileSetTest, PublishingPutsEveryFileInPlaceAndLeavesNothingElse) {
    WriteOldSet();
    FileSet set(Targets());
    std::string problem;
    ASSERT_TRUE(set.Check(problem)) << problem;
    Stage(set);
    // Staged beside their targets, hidden, not yet in place.
    EXPECT_EQ(fs::path(set.GetStagedPath(1)).parent_path(), m_folder.Get());
    EXPECT_EQ(test::TempFolder::ReadFile(Path("a")), "old a");
    ASSERT_TRUE(set.Publish(problem)) << problem;
    EXPECT_EQ(m_folder.Names(), (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_EQ(test::TempFolder::ReadFile(Path("a")), "new a");
    EXPECT_EQ(test::TempFolder::ReadFile(Path("b")), "new b");
    EXPECT_EQ(test::TempFolder::ReadFile(Path("c")), "new c");
}

TEST_F(FileSetTest, AFailureToPublishPutsTheOldSetBack) {
    WriteOldSet();
    {
        FileSet set(Targets());
        Stage(set);
        // The last file cannot be put in place: a and b already were.
        fs::remove(set.GetStagedPath(2));
        std::string problem;
        EXPECT_FALSE(set.Publish(problem));
        EXPECT_EQ(problem.rfind("cannot write \"" + Path("c") + "\": ", 0), 0u) << problem;
    }
    EXPECT_EQ(m_folder.Names(), (std::vector<std::string>{"a", "c"}));
    EXPECT_EQ(test::TempFolder::ReadFile(Path("a")), "old a");
    EXPECT_EQ(test::TempFolder::ReadFile(Path("c")), "old c");
}

TEST_F(FileSetTest, ASetGivenUpRemovesWhatWasStaged) {
    WriteOldSet();
    {
        FileSet set(Targets());
        Stage(set);
    }
    EXPECT_EQ(m_folder.Names(), (std::vector<std::string>{"a", "c"}));
    EXPECT_EQ(test::TempFolder::ReadFile(Path("c")), "old c");
}

TEST_F(FileSetTest, OnlyRegularFilesAndNewNamesAreReplaced) {
    WriteOldSet();
    fs::create_directory(Path("b"));
    std::string problem;
    EXPECT_FALSE(FileSet(Targets()).Check(problem));
    EXPECT_EQ(problem, "cannot write \"" + Path("b") + "\": it is a folder");
    EXPECT_TRUE(FileSet({Path("a"), Path("new")}).Check(problem));
}

}  // namespace
}  // namespace moon
