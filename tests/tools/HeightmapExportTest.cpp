// SPDX-License-Identifier: MIT
// moon-terrain export's heightmaps: PNG bytes as they always were, every
// format holding the same generated grid, tiles that join, and a tile set
// replaced whole or not at all.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "scene/Random.h"
#include "terrain/HeightGrid.h"
#include "tests/support/TempFolder.h"
#include "tests/tools/HeightmapFiles.h"
#include "tests/tools/ToolRun.h"

namespace moon {
namespace {

namespace fs = std::filesystem;
using test::FloatImage;
using test::RunTool;

std::uint64_t fnv1a(const std::string& bytes) {
    std::uint64_t hash = 0xcbf29ce484222325u;
    for (const char byte : bytes) {
        hash = (hash ^ static_cast<unsigned char>(byte)) * 0x100000001b3u;
    }
    return hash;
}

class HeightmapExportTest : public ::testing::Test {
protected:
    std::string Path(const std::string& name) const { return m_folder.Path(name); }
    test::ToolResult Export(std::uint32_t seed, int depth, const std::vector<std::string>& extra) {
        std::vector<std::string> args = {"export", "--seed", std::to_string(seed), "--depth",
                                         std::to_string(depth)};
        args.insert(args.end(), extra.begin(), extra.end());
        return RunTool(args);
    }
    test::TempFolder m_folder{"moon-heightmap-test"};
};

TEST_F(HeightmapExportTest, PngBytesAreTheTreeExportsOfBefore) {
    // Size and FNV-1a of the PNGs that the exporter wrote from the tree,
    // before heightmaps came from the grid.
    struct Reference {
        std::uint32_t seed;
        int depth;
        std::size_t size;
        std::uint64_t hash;
    };
    const Reference references[] = {
        {0u, 0, 453u, 0x5b7e75c38ea60748u},
        {0u, 1, 464u, 0xd9639e1c97891748u},
        {0u, 5, 2632u, 0x4171c056dfa2a5d1u},
        {0u, 8, 121304u, 0x534b758a55f296c1u},
        {0u, 10, 1870141u, 0x6406b3096ebb4f1bu},
        {42u, 0, 454u, 0x59bb3e001e7d567cu},
        {42u, 1, 465u, 0x7dae85662c2f7edbu},
        {42u, 5, 2602u, 0x876130a40fc6df2fu},
        {42u, 8, 120207u, 0x840a94157c2ec792u},
        {42u, 10, 1862647u, 0x534b9357e18a0b5au},
        {4294967295u, 0, 462u, 0xabfe416b4656b490u},
        {4294967295u, 1, 474u, 0xf82131b013d40179u},
        {4294967295u, 5, 2626u, 0x507e41d8b4bec40au},
        {4294967295u, 8, 119810u, 0xb154a108a1872e3bu},
        {4294967295u, 10, 1848684u, 0x56944ce1acfb8531u},
    };
    for (const Reference& reference : references) {
        const std::string file = Path("h.png");
        const test::ToolResult result = Export(reference.seed, reference.depth, {"-o", file});
        ASSERT_EQ(result.status, 0) << result.err;
        const std::string bytes = test::TempFolder::ReadFile(file);
        EXPECT_EQ(bytes.size(), reference.size) << reference.seed << " " << reference.depth;
        EXPECT_EQ(fnv1a(bytes), reference.hash) << reference.seed << " " << reference.depth;
    }
}

TEST_F(HeightmapExportTest, EveryFormatHoldsTheGeneratedGrid) {
    constexpr int kDepth = 7;
    constexpr int kSide = 129;
    Random::Seed(77);
    HeightGrid grid;
    grid.Generate(kDepth);

    // By extension and by --format, in any case.
    ASSERT_EQ(Export(77, kDepth, {"-o", Path("h.PNG")}).status, 0);
    ASSERT_EQ(Export(77, kDepth, {"-o", Path("h.r16")}).status, 0);
    ASSERT_EQ(Export(77, kDepth, {"--format", "raw", "-o", Path("h.data")}).status, 0);
    ASSERT_EQ(Export(77, kDepth, {"-o", Path("h.tiff")}).status, 0);
    ASSERT_EQ(Export(77, kDepth, {"--format", "exr", "-o", Path("h.bin")}).status, 0);

    test::Png png;
    ASSERT_TRUE(test::ReadPng(Path("h.PNG"), png));
    ASSERT_EQ(png.samples.size(), static_cast<std::size_t>(kSide * kSide));
    // R16 is the PNG's samples, little-endian, without a header.
    EXPECT_EQ(test::ReadR16(Path("h.r16")), png.samples);
    EXPECT_EQ(test::TempFolder::ReadFile(Path("h.data")),
              test::TempFolder::ReadFile(Path("h.r16")));
    // The lowest sample is 0 and the highest 65535.
    EXPECT_EQ(*std::min_element(png.samples.begin(), png.samples.end()), 0);
    EXPECT_EQ(*std::max_element(png.samples.begin(), png.samples.end()), 65535);

    // The float formats hold each height in world units, rounded to float.
    FloatImage tiff;
    ASSERT_TRUE(test::ReadTiff(Path("h.tiff"), tiff));
    FloatImage exr;
    ASSERT_TRUE(test::ReadExr(Path("h.bin"), exr));
    for (const FloatImage* image : {&tiff, &exr}) {
        ASSERT_EQ(image->width, kSide);
        ASSERT_EQ(image->height, kSide);
        int wrong = 0;
        for (int row = 0; row < kSide; ++row) {
            for (int column = 0; column < kSide; ++column) {
                wrong += image->samples[static_cast<std::size_t>(row * kSide + column)] !=
                         static_cast<float>(grid.GetHeight(column, row));
            }
        }
        EXPECT_EQ(wrong, 0);
        EXPECT_NE(image->description.find("seed 77, depth 7"), std::string::npos);
    }
    EXPECT_EQ(exr.channel, "Y");
    EXPECT_EQ(exr.compression, TINYEXR_COMPRESSIONTYPE_ZIP);
    EXPECT_EQ(tiff.compression, COMPRESSION_ADOBE_DEFLATE);
    EXPECT_EQ(tiff.predictor, PREDICTOR_FLOATINGPOINT);
    // Placed for GIS tools: samples 500/128 apart, the first at easting 0,
    // northing 500 (z -500), each a point.
    EXPECT_EQ(tiff.scale, (std::vector<double>{500.0 / 128, 500.0 / 128, 0.0}));
    EXPECT_EQ(tiff.tiepoint, (std::vector<double>{0, 0, 0, 0, 500, 0}));
    ASSERT_GE(tiff.geoKeys.size(), 12u);
    EXPECT_EQ(tiff.geoKeys[8], 1025);  // GTRasterTypeGeoKey
    EXPECT_EQ(tiff.geoKeys[11], 2);    // RasterPixelIsPoint
}

TEST_F(HeightmapExportTest, TilesShareTheirEdgesAndOneScale) {
    // Depth 5 in 4 x 4 tiles of 9 x 9 samples: tile (x, y)'s sample (c, r) is
    // the whole map's sample (8x + c, 8y + r), so neighbours repeat their
    // common edge and every tile keeps the whole landscape's scale.
    ASSERT_EQ(Export(5, 5, {"-o", Path("whole.r16")}).status, 0);
    const test::ToolResult result =
        Export(5, 5, {"--tiles", "4", "--verbose", "-o", Path("t.r16")});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.err.rfind("moon-terrain export: 16 heightmap tiles 9 x 9 samples", 0), 0u)
        << result.err;
    ASSERT_EQ(Export(5, 5, {"--tiles", "4", "-o", Path("t.tif")}).status, 0);
    ASSERT_EQ(Export(5, 5, {"--tiles", "2", "-o", Path("t.png")}).status, 0);
    EXPECT_EQ(m_folder.Names().size(), 1u + 16u + 16u + 4u);

    const std::vector<std::uint16_t> whole = test::ReadR16(Path("whole.r16"));
    Random::Seed(5);
    HeightGrid grid;
    grid.Generate(5);
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 4; ++x) {
            SCOPED_TRACE(testing::Message() << "tile " << x << "," << y);
            const std::string name = "t_" + std::to_string(x) + "_" + std::to_string(y);
            const std::vector<std::uint16_t> tile = test::ReadR16(Path(name + ".r16"));
            FloatImage tiff;
            ASSERT_TRUE(test::ReadTiff(Path(name + ".tif"), tiff));
            ASSERT_EQ(tile.size(), 81u);
            ASSERT_EQ(tiff.samples.size(), 81u);
            for (int r = 0; r < 9; ++r) {
                for (int c = 0; c < 9; ++c) {
                    const auto at = static_cast<std::size_t>(r * 9 + c);
                    ASSERT_EQ(tile[at],
                              whole[static_cast<std::size_t>((8 * y + r) * 33 + 8 * x + c)]);
                    ASSERT_EQ(tiff.samples[at],
                              static_cast<float>(grid.GetHeight(8 * x + c, 8 * y + r)));
                }
            }
            // Each tile is placed where it lies.
            EXPECT_EQ(tiff.tiepoint, (std::vector<double>{0, 0, 0, 125.0 * x, 500 - 125.0 * y, 0}));
        }
    }
    // The PNG tiles say where they lie and that they share the scale.
    test::Png png;
    ASSERT_TRUE(test::ReadPng(Path("t_1_0.png"), png));
    EXPECT_EQ(png.width, 17u);
    EXPECT_EQ(png.text["World origin"], "250 -500");
    EXPECT_EQ(png.text["World size"], "250 250");
    EXPECT_NE(png.text["Description"].find("one height scale"), std::string::npos);
    EXPECT_NE(png.text["Title"].find("tile 1,0 of 2 x 2"), std::string::npos);
}

TEST_F(HeightmapExportTest, ATileSetIsReplacedWholeOrNotAtAll) {
    ASSERT_EQ(Export(1, 3, {"--tiles", "2", "-o", Path("t.png")}).status, 0);
    const std::vector<std::string> before = m_folder.Names();
    std::vector<std::string> old;
    for (const std::string& name : before) {
        old.push_back(test::TempFolder::ReadFile(Path(name)));
    }
    // A folder where the last tile goes: nothing is written, and the old set stays.
    fs::remove(Path("t_1_1.png"));
    fs::create_directory(Path("t_1_1.png"));
    test::ToolResult result = Export(2, 3, {"--tiles", "2", "-o", Path("t.png")});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err,
              "moon-terrain export: cannot write \"" + Path("t_1_1.png") + "\": it is a folder\n");
    EXPECT_EQ(m_folder.Names(), before);
    for (std::size_t i = 0; i + 1 < before.size(); ++i) {
        EXPECT_EQ(test::TempFolder::ReadFile(Path(before[i])), old[i]) << before[i];
    }
}

}  // namespace
}  // namespace moon
