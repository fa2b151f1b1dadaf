// SPDX-License-Identifier: MIT
// PNG pictures: what is written reads back exactly, and a file that cannot be
// written is reported and leaves nothing behind.
#include "io/PngFile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tests/support/TempFolder.h"

namespace moon {
namespace {

namespace fs = std::filesystem;

class PngFileTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_FALSE(m_folder.Get().empty()); }
    std::string Path(const std::string& name) const { return m_folder.Path(name); }

    test::TempFolder m_folder{"moon-png-test"};
    std::string m_problem;
};

TEST_F(PngFileTest, WhatIsWrittenReadsBackExactly) {
    // Odd width: rows are not padded to a multiple of four.
    const int width = 5;
    const int height = 3;
    std::vector<std::uint8_t> pixels;
    for (int i = 0; i < width * height * 3; ++i) {
        pixels.push_back(static_cast<std::uint8_t>(i * 17));
    }
    std::string problem;
    ASSERT_TRUE(PngFile::Write(Path("a.png"), width, height, pixels, problem)) << problem;

    int readWidth = 0;
    int readHeight = 0;
    std::vector<std::uint8_t> read;
    ASSERT_TRUE(PngFile::Read(Path("a.png"), readWidth, readHeight, read, problem)) << problem;
    EXPECT_EQ(readWidth, width);
    EXPECT_EQ(readHeight, height);
    EXPECT_EQ(read, pixels);
}

TEST_F(PngFileTest, APictureInMemoryDecodesAsOpaqueRgbaAndGarbageIsRefused) {
    const std::vector<std::uint8_t> pixels{0, 10, 20, 30, 40, 50, 60, 70, 80, 255, 254, 253};
    std::string problem;
    ASSERT_TRUE(PngFile::Write(Path("m.png"), 2, 2, pixels, problem)) << problem;
    std::ifstream file(Path("m.png"), std::ios::binary);
    const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(file)),
                                          std::istreambuf_iterator<char>());
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgba;
    ASSERT_TRUE(PngFile::DecodeRgba(bytes.data(), bytes.size(), width, height, rgba, problem))
        << problem;
    EXPECT_EQ(width, 2);
    EXPECT_EQ(height, 2);
    EXPECT_EQ(rgba, (std::vector<std::uint8_t>{0, 10, 20, 255, 30, 40, 50, 255, 60, 70, 80, 255,
                                               255, 254, 253, 255}));

    // Cut short, and not a PNG at all.
    EXPECT_FALSE(PngFile::DecodeRgba(bytes.data(), bytes.size() / 2, width, height, rgba, problem));
    EXPECT_EQ(problem.rfind("cannot decode the PNG: ", 0), 0u) << problem;
    const std::uint8_t text[] = "not a picture";
    EXPECT_FALSE(PngFile::DecodeRgba(text, sizeof text, width, height, rgba, problem));
    EXPECT_EQ(problem.rfind("cannot decode the PNG: ", 0), 0u) << problem;
}

TEST_F(PngFileTest, AnExistingFileIsReplaced) {
    std::ofstream(Path("old.png")) << "not a picture, and longer than the new one will be";
    std::string problem;
    ASSERT_TRUE(PngFile::Write(Path("old.png"), 1, 1, {1, 2, 3}, problem)) << problem;
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> read;
    ASSERT_TRUE(PngFile::Read(Path("old.png"), width, height, read, problem)) << problem;
    EXPECT_EQ(read, (std::vector<std::uint8_t>{1, 2, 3}));
}

TEST_F(PngFileTest, FailuresNameTheFileAndLeaveNothing) {
    std::string problem;
    const std::string missing = Path("no/such/folder/a.png");
    EXPECT_FALSE(PngFile::Write(missing, 1, 1, {0, 0, 0}, problem));
    EXPECT_EQ(problem, "cannot write \"" + missing + "\": No such file or directory");

    // The wrong number of bytes for the size is refused before any file is made.
    EXPECT_FALSE(PngFile::Write(Path("short.png"), 2, 2, {0, 0, 0}, problem));
    EXPECT_FALSE(fs::exists(Path("short.png")));
    EXPECT_FALSE(PngFile::Write(Path("empty.png"), 0, 0, {}, problem));
    EXPECT_FALSE(fs::exists(Path("empty.png")));

    // A full device: reported, and the device itself is not removed.
    if (fs::exists("/dev/full")) {
        EXPECT_FALSE(PngFile::Write("/dev/full", 1, 1, {0, 0, 0}, problem));
        EXPECT_NE(problem.find("No space left on device"), std::string::npos) << problem;
        EXPECT_TRUE(fs::exists("/dev/full"));
    }

    std::ofstream(Path("text.png")) << "plain text";
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> read;
    EXPECT_FALSE(PngFile::Read(Path("text.png"), width, height, read, problem));
    EXPECT_EQ(problem.rfind("cannot read \"" + Path("text.png") + "\": ", 0), 0u) << problem;
}

}  // namespace
}  // namespace moon
