// SPDX-License-Identifier: MIT
// Floating-point heightmaps: what TiffFile and ExrFile write reads back
// through libtiff and tinyexr with every sample's bits, its tags and its
// compression, over several strips and blocks; an empty image is refused.
#include <gtest/gtest.h>
#include <tiffio.h>
#include <tinyexr.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "io/AtomicFile.h"
#include "io/ExrFile.h"
#include "io/TiffFile.h"
#include "tests/support/TempFolder.h"

namespace moon {
namespace {

// Wide enough that a TIFF strip holds three rows: strips of 3, 3 and 1.
constexpr int kWidth = 16385;
constexpr int kHeight = 7;

float sampleAt(int x, int y) {
    switch ((x + y) % 1000) {
        case 0:
            return -0.0f;
        case 1:
            return std::numeric_limits<float>::denorm_min();
        case 2:
            return std::numeric_limits<float>::max();
        case 3:
            return -std::numeric_limits<float>::max();
        default:
            return std::ldexp(static_cast<float>(x * 7 - y * 3), (x + y) % 40 - 20);
    }
}

void fillRow(int row, float* samples) {
    for (int x = 0; x < kWidth; ++x) {
        samples[x] = sampleAt(x, row);
    }
}

// The whole image, rows from the top.
std::vector<float> wholeImage() {
    std::vector<float> samples(static_cast<std::size_t>(kWidth) * kHeight);
    for (int y = 0; y < kHeight; ++y) {
        fillRow(y, samples.data() + static_cast<std::size_t>(y) * kWidth);
    }
    return samples;
}

std::uint32_t bitsOf(float value) {
    std::uint32_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

class HeightmapFilesTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_FALSE(m_folder.Get().empty()); }
    std::string Path(const std::string& name) const { return m_folder.Path(name); }

    // Samples that differ from sampleAt, by the bits ("" when all agree).
    static std::string Mismatch(const float* samples, int width, int row) {
        for (int x = 0; x < width; ++x) {
            if (bitsOf(samples[x]) != bitsOf(sampleAt(x, row))) {
                return "sample " + std::to_string(x) + " of row " + std::to_string(row);
            }
        }
        return "";
    }

    test::TempFolder m_folder{"moon-heightmap-test"};
    std::string m_problem;
};

TEST_F(HeightmapFilesTest, GeoTiffReadsBackWithItsSamplesTagsAndPlacement) {
    AtomicFile file(Path("h.tif"));
    ASSERT_TRUE(file.Open(m_problem)) << m_problem;
    const TiffFile::Placement placement{12.5, -3.25, 0.5, "moon local"};
    ASSERT_TRUE(TiffFile::WriteFloat32(file, kWidth, kHeight, fillRow, placement, "heights",
                                       "moon-test", m_problem))
        << m_problem;
    ASSERT_TRUE(file.Commit(m_problem)) << m_problem;

    // The GeoTIFF tags are unknown to a plain reader: it says so and keeps them.
    const TIFFErrorHandler warnings = TIFFSetWarningHandler(nullptr);
    TIFF* tiff = TIFFOpen(Path("h.tif").c_str(), "r");
    TIFFSetWarningHandler(warnings);
    ASSERT_NE(tiff, nullptr);
    std::uint32_t width = 0, height = 0;
    std::uint16_t bits = 0, format = 0, compression = 0, predictor = 0;
    EXPECT_TRUE(TIFFGetField(tiff, TIFFTAG_IMAGEWIDTH, &width));
    EXPECT_TRUE(TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &height));
    EXPECT_TRUE(TIFFGetField(tiff, TIFFTAG_BITSPERSAMPLE, &bits));
    EXPECT_TRUE(TIFFGetField(tiff, TIFFTAG_SAMPLEFORMAT, &format));
    EXPECT_TRUE(TIFFGetField(tiff, TIFFTAG_COMPRESSION, &compression));
    EXPECT_TRUE(TIFFGetField(tiff, TIFFTAG_PREDICTOR, &predictor));
    EXPECT_EQ(width, static_cast<std::uint32_t>(kWidth));
    EXPECT_EQ(height, static_cast<std::uint32_t>(kHeight));
    EXPECT_EQ(bits, 32);
    EXPECT_EQ(format, SAMPLEFORMAT_IEEEFP);
    EXPECT_EQ(compression, COMPRESSION_ADOBE_DEFLATE);
    EXPECT_EQ(predictor, PREDICTOR_FLOATINGPOINT);
    EXPECT_EQ(TIFFNumberOfStrips(tiff), 3u);
    char* text = nullptr;
    ASSERT_TRUE(TIFFGetField(tiff, TIFFTAG_IMAGEDESCRIPTION, &text));
    EXPECT_STREQ(text, "heights");

    std::uint32_t count = 0;
    const double* doubles = nullptr;
    ASSERT_TRUE(TIFFGetField(tiff, 33550, &count, &doubles));  // pixel scale
    ASSERT_EQ(count, 3u);
    EXPECT_EQ(doubles[0], 0.5);
    EXPECT_EQ(doubles[1], 0.5);
    ASSERT_TRUE(TIFFGetField(tiff, 33922, &count, &doubles));  // tie point
    ASSERT_EQ(count, 6u);
    EXPECT_EQ(doubles[3], 12.5);
    EXPECT_EQ(doubles[4], -3.25);
    ASSERT_TRUE(TIFFGetField(tiff, 34737, &count, &text));  // ASCII parameters
    EXPECT_STREQ(text, "moon local|");

    std::vector<float> row(kWidth);
    for (int y = 0; y < kHeight; ++y) {
        ASSERT_EQ(TIFFReadScanline(tiff, row.data(), static_cast<std::uint32_t>(y)), 1);
        EXPECT_EQ(Mismatch(row.data(), kWidth, y), "");
    }
    TIFFClose(tiff);
}

TEST_F(HeightmapFilesTest, OpenExrReadsBackWithItsSamplesChannelAndComments) {
    AtomicFile file(Path("h.exr"));
    ASSERT_TRUE(file.Open(m_problem)) << m_problem;
    ASSERT_TRUE(ExrFile::WriteFloat32(file, kWidth, kHeight, wholeImage(), "seed 42", m_problem))
        << m_problem;
    ASSERT_TRUE(file.Commit(m_problem)) << m_problem;
    const std::string bytes = test::TempFolder::ReadFile(Path("h.exr"));
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());

    EXRVersion version;
    ASSERT_EQ(ParseEXRVersionFromMemory(&version, data, bytes.size()), TINYEXR_SUCCESS);
    EXRHeader header;
    InitEXRHeader(&header);
    const char* error = nullptr;
    ASSERT_EQ(ParseEXRHeaderFromMemory(&header, &version, data, bytes.size(), &error),
              TINYEXR_SUCCESS)
        << error;
    EXPECT_EQ(header.compression_type, TINYEXR_COMPRESSIONTYPE_ZIP);
    ASSERT_EQ(header.num_channels, 1);
    EXPECT_STREQ(header.channels[0].name, "Y");
    EXPECT_EQ(header.pixel_types[0], TINYEXR_PIXELTYPE_FLOAT);
    std::string comments;
    for (int i = 0; i < header.num_custom_attributes; ++i) {
        const EXRAttribute& attribute = header.custom_attributes[i];
        if (std::strcmp(attribute.name, "comments") == 0) {
            comments.assign(reinterpret_cast<const char*>(attribute.value),
                            static_cast<std::size_t>(attribute.size));
        }
    }
    EXPECT_EQ(comments, "seed 42");

    EXRImage image;
    InitEXRImage(&image);
    ASSERT_EQ(LoadEXRImageFromMemory(&image, &header, data, bytes.size(), &error), TINYEXR_SUCCESS)
        << error;
    ASSERT_EQ(image.width, kWidth);
    ASSERT_EQ(image.height, kHeight);
    const auto* samples = reinterpret_cast<const float*>(image.images[0]);
    for (int y = 0; y < kHeight; ++y) {
        EXPECT_EQ(Mismatch(samples + static_cast<std::size_t>(y) * kWidth, kWidth, y), "");
    }
    FreeEXRImage(&image);
    FreeEXRHeader(&header);
}

TEST_F(HeightmapFilesTest, AnEmptyImageIsRefusedAndNothingIsWritten) {
    for (const std::string name : {"e.tif", "e.exr"}) {
        AtomicFile file(Path(name));
        ASSERT_TRUE(file.Open(m_problem)) << m_problem;
        const bool written =
            name == "e.tif" ? TiffFile::WriteFloat32(file, 0, 4, fillRow, {}, "", "", m_problem)
                            : ExrFile::WriteFloat32(file, 4, 0, {}, "", m_problem);
        EXPECT_FALSE(written) << name;
        EXPECT_EQ(m_problem, "the image is empty") << name;
        EXPECT_EQ(file.GetBytesWritten(), 0u) << name;
    }
    // Never committed: no file is left.
    EXPECT_TRUE(m_folder.Names().empty());
}

}  // namespace
}  // namespace moon
