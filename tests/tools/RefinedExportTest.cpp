// SPDX-License-Identifier: MIT
// moon-terrain with --refine: one landscape at every size. A deeper export
// sampled at the shallower one's points is the shallower export, in every
// heightmap format, in tiles and in a joined mesh's corners; a tree with
// passes and the streamed grid write the same mesh; depth 6 is the viewer's.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "scene/Random.h"
#include "terrain/RefinedGrid.h"
#include "terrain/TerrainModel.h"
#include "tests/support/TempFolder.h"
#include "tests/tools/ExportedMesh.h"
#include "tests/tools/HeightmapFiles.h"
#include "tests/tools/ToolRun.h"
#include "viewer/StarField.h"

namespace moon {
namespace {

using test::FloatImage;
using test::RunTool;

class RefinedExportTest : public ::testing::Test {
protected:
    std::string Path(const std::string& name) const { return m_folder.Path(name); }
    void Export(std::uint32_t seed, int depth, const std::vector<std::string>& extra) {
        std::vector<std::string> args = {
            "export", "--seed", std::to_string(seed), "--depth", std::to_string(depth), "--refine"};
        args.insert(args.end(), extra.begin(), extra.end());
        const test::ToolResult result = RunTool(args);
        ASSERT_EQ(result.status, 0) << result.err;
    }
    // The samples of a heightmap file of any format, as floats.
    std::vector<float> Samples(const std::string& name) const {
        std::vector<float> samples;
        if (name.ends_with(".r16")) {
            for (const std::uint16_t sample : test::ReadR16(Path(name))) {
                samples.push_back(sample);
            }
        } else if (name.ends_with(".png")) {
            test::Png png;
            EXPECT_TRUE(test::ReadPng(Path(name), png)) << name;
            samples.assign(png.samples.begin(), png.samples.end());
        } else {
            FloatImage image;
            EXPECT_TRUE(name.ends_with(".tif") ? test::ReadTiff(Path(name), image)
                                               : test::ReadExr(Path(name), image))
                << name;
            samples = image.samples;
        }
        return samples;
    }
    test::TempFolder m_folder{"moon-refined-export-test"};
};

// fine (side fineSide) sampled every stride-th sample from (column0, row0),
// against coarse; by default the stride that spans the whole of fine.
int countMismatches(const std::vector<float>& fine, int fineSide, const std::vector<float>& coarse,
                    int coarseSide, int column0 = 0, int row0 = 0, int stride = 0) {
    stride = stride != 0 ? stride : (fineSide - 1) / (coarseSide - 1);
    int mismatches = 0;
    for (int row = 0; row < coarseSide; ++row) {
        for (int column = 0; column < coarseSide; ++column) {
            mismatches += fine[static_cast<std::size_t>((row0 + row * stride) * fineSide + column0 +
                                                        column * stride)] !=
                          coarse[static_cast<std::size_t>(row * coarseSide + column)];
        }
    }
    return mismatches;
}

TEST_F(RefinedExportTest, EveryFormatSampledIsEveryShallowerDepth) {
    for (const std::string extension : {".r16", ".png", ".tif", ".exr"}) {
        SCOPED_TRACE(extension);
        for (const int depth : {4, 6, 7, 9}) {
            Export(42, depth, {"-o", Path("d" + std::to_string(depth) + extension)});
        }
        const std::vector<float> nine = Samples("d9" + extension);
        ASSERT_EQ(nine.size(), 513u * 513u);
        EXPECT_EQ(countMismatches(nine, 513, Samples("d7" + extension), 129), 0);
        EXPECT_EQ(countMismatches(nine, 513, Samples("d6" + extension), 65), 0);
        EXPECT_EQ(countMismatches(nine, 513, Samples("d4" + extension), 17), 0);
    }
    // In world units, depth 6 is the viewer's landscape: the plain export.
    const test::ToolResult plain =
        RunTool({"export", "--seed", "42", "--depth", "6", "-o", Path("plain.exr")});
    ASSERT_EQ(plain.status, 0) << plain.err;
    EXPECT_EQ(Samples("plain.exr"), Samples("d6.exr"));
    FloatImage exr;
    ASSERT_TRUE(test::ReadExr(Path("d9.exr"), exr));
    EXPECT_NE(exr.description.find("seed 42, depth 9, refined"), std::string::npos);
}

TEST_F(RefinedExportTest, TilesAreTheWholeMapsWindows) {
    Export(3, 8, {"-o", Path("whole.r16")});
    Export(3, 8, {"-o", Path("whole.exr")});
    Export(3, 8, {"--tiles", "4", "-o", Path("t.r16")});
    Export(3, 8, {"--tiles", "4", "-o", Path("t.exr")});
    for (const std::string extension : {".r16", ".exr"}) {
        const std::vector<float> whole = Samples("whole" + extension);
        for (int y = 0; y < 4; ++y) {
            for (int x = 0; x < 4; ++x) {
                const std::string name =
                    "t_" + std::to_string(x) + "_" + std::to_string(y) + extension;
                EXPECT_EQ(countMismatches(whole, 257, Samples(name), 65, 64 * x, 64 * y, 1), 0)
                    << name;
            }
        }
    }
}

// The cells' corners of a joined mesh of the given depth (its other
// vertices are the cells' centres).
std::set<std::tuple<float, float, float>> corners(const test::ExportedMesh& mesh, int depth) {
    const float spacing = 500.0f / static_cast<float>(1 << depth);
    std::set<std::tuple<float, float, float>> set;
    for (const auto& p : mesh.positions) {
        const float column = p[0] / spacing;
        const float row = (p[2] + 500.0f) / spacing;
        if (column == static_cast<float>(static_cast<int>(column)) &&
            row == static_cast<float>(static_cast<int>(row))) {
            set.emplace(p[0], p[1], p[2]);
        }
    }
    return set;
}

TEST_F(RefinedExportTest, JoinedMeshCornersAreTheGridsAtEveryDepth) {
    Export(11, 6, {"--join", "-o", Path("six.ply")});
    Export(11, 8, {"--join", "-o", Path("eight.ply")});
    test::ExportedMesh six;
    test::ExportedMesh eight;
    ASSERT_TRUE(test::ReadExportedPly(Path("six.ply"), six));
    ASSERT_TRUE(test::ReadExportedPly(Path("eight.ply"), eight));
    const auto shallow = corners(six, 6);
    const auto deep = corners(eight, 8);
    EXPECT_EQ(shallow.size(), 65u * 65u);
    EXPECT_EQ(deep.size(), 257u * 257u);
    int missing = 0;
    for (const auto& corner : shallow) {
        missing += !deep.contains(corner);
    }
    EXPECT_EQ(missing, 0);
    Random::Seed(11);
    HeightGrid grid;
    RefinedGrid::Generate(8, LandscapeKey{11, 0}, grid);
    int off = 0;
    for (const auto& [x, y, z] : deep) {
        const auto column = static_cast<int>(x / grid.GetSpacing());
        const auto row = static_cast<int>((z + 500.0f) / grid.GetSpacing());
        off += y != static_cast<float>(grid.GetHeight(column, row));
    }
    EXPECT_EQ(off, 0);
    EXPECT_NE(eight.header.find("refined"), std::string::npos);
}

TEST_F(RefinedExportTest, TheTreeWithPassesWritesWhatTheStreamedGridWrites) {
    // A pass from far away changes nothing, but builds the tree.
    for (const std::string landscape : {"--refine", "--craters"}) {
        for (const std::string mode : {"flat", "smooth", "wireframe"}) {
            for (const int depth : {6, 7}) {
                SCOPED_TRACE(landscape + " " + mode + " depth " + std::to_string(depth));
                const std::vector<std::string> common = {
                    "export",  "--seed", "5", "--depth", std::to_string(depth),
                    landscape, "--mode", mode};
                std::vector<std::string> grid = common;
                grid.insert(grid.end(), {"-o", Path("grid.ply")});
                std::vector<std::string> tree = common;
                tree.insert(tree.end(), {"--lod", "250,5000,-250", "-o", Path("tree.ply")});
                ASSERT_EQ(RunTool(grid).status, 0);
                ASSERT_EQ(RunTool(tree).status, 0);
                test::ExportedMesh fromGrid;
                test::ExportedMesh fromTree;
                ASSERT_TRUE(test::ReadExportedPly(Path("grid.ply"), fromGrid));
                ASSERT_TRUE(test::ReadExportedPly(Path("tree.ply"), fromTree));
                EXPECT_EQ(fromGrid.positions, fromTree.positions);
                EXPECT_EQ(fromGrid.normals, fromTree.normals);
                EXPECT_EQ(fromGrid.triangles, fromTree.triangles);
                EXPECT_EQ(fromGrid.edges, fromTree.edges);
            }
        }
    }
}

// What the viewer shows after K new landscapes (Space) is exported with
// --regenerations K: the random sequence where the viewer's is, and the
// refinement keyed on K.
TEST_F(RefinedExportTest, TheViewersLaterLandscapesCanBeKept) {
    const std::uint32_t seed = 12;
    TerrainModel viewer;
    Random::Seed(seed);
    viewer.EnableRefinement(seed, true);
    viewer.Regenerate(TerrainModel::kGeneratedDepth);
    StarField stars;
    stars.Fill(StarField::kStarRange, StarField::kStarRange, StarField::kStarCount);
    viewer.Regenerate(TerrainModel::kGeneratedDepth);
    viewer.Regenerate(TerrainModel::kGeneratedDepth);
    ASSERT_EQ(viewer.GetLandscapeCount(), 2u);

    Export(seed, 8, {"--craters", "--regenerations", "2", "-o", Path("kept.exr")});
    const std::vector<float> kept = Samples("kept.exr");
    const HeightGrid& grid = *viewer.GetRefinedGrid();
    int off = 0;
    for (int row = 0; row < 257; ++row) {
        for (int column = 0; column < 257; ++column) {
            off += kept[static_cast<std::size_t>(row * 257 + column)] !=
                   static_cast<float>(grid.GetHeight(4 * column, 4 * row));
        }
    }
    EXPECT_EQ(off, 0);
    FloatImage exr;
    ASSERT_TRUE(test::ReadExr(Path("kept.exr"), exr));
    EXPECT_NE(exr.description.find("seed 12, regeneration 2, depth 8"), std::string::npos);
    EXPECT_NE(exr.description.find("craters --seed 12 --regenerations 2"), std::string::npos);

    // The written landscape too: the tree after one Space, node for node.
    TerrainModel plain;
    Random::Seed(seed);
    plain.Regenerate(TerrainModel::kGeneratedDepth);
    stars.Fill(StarField::kStarRange, StarField::kStarRange, StarField::kStarCount);
    plain.Regenerate(TerrainModel::kGeneratedDepth);
    const test::ToolResult dump =
        RunTool({"dump", "--seed", "12", "--depth", "6", "--regeneration", "1"});
    ASSERT_EQ(dump.status, 0) << dump.err;
    const test::ToolResult first = RunTool({"dump", "--seed", "12", "--depth", "6"});
    EXPECT_NE(dump.out, first.out);
    const Vec3& corner = plain.GetTerrain()->GetRoot()->points[0];
    char line[64];
    std::snprintf(line, sizeof line, "0 1 %g %g %g ", corner.x, corner.y, corner.z);
    EXPECT_EQ(dump.out.rfind(line, 0), 0u) << dump.out.substr(0, 80);
}

TEST_F(RefinedExportTest, DumpAtDepthSixIsTheViewersTree) {
    const test::ToolResult plain = RunTool({"dump", "--seed", "8", "--depth", "6"});
    const test::ToolResult refined = RunTool({"dump", "--seed", "8", "--depth", "6", "--refine"});
    ASSERT_EQ(plain.status, 0);
    ASSERT_EQ(refined.status, 0) << refined.err;
    EXPECT_EQ(plain.out, refined.out);
    const test::ToolResult deeper = RunTool({"dump", "--seed", "8", "--depth", "7", "--refine"});
    ASSERT_EQ(deeper.status, 0) << deeper.err;
    // Every node, and the viewer's 13,654 draws for the base.
    EXPECT_NE(deeper.out.find("\n21845 16384 13654\n"), std::string::npos);
}

}  // namespace
}  // namespace moon
