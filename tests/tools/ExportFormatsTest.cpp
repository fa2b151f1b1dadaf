// SPDX-License-Identifier: MIT
// moon-terrain export's formats and --join: the format a name asks for, the
// joined surface's shape (one piece, only the outer square as boundary, no
// T-junctions), glTF files the Khronos validator accepts, and the heightmap.
#include <gtest/gtest.h>
#include <png.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>

#include "mesh/JoinedMesh.h"
#include "scene/Random.h"
#include "terrain/TerrainModel.h"
#include "terrain/TerrainNode.h"
#include "tests/support/TempFolder.h"
#include "tests/terrain/TerrainTestSupport.h"
#include "tests/tools/ExportedMesh.h"
#include "tests/tools/HeightmapFiles.h"
#include "tests/tools/ToolRun.h"

namespace moon {
namespace {

namespace fs = std::filesystem;
using test::ExportedMesh;
using test::Png;
using test::ReadPng;
using test::RunTool;

class ExportFormatsTest : public ::testing::Test {
protected:
    std::string Path(const std::string& name) const { return m_folder.Path(name); }

    // Runs export with args and -o path; fails the test on a non-zero status.
    void Export(std::vector<std::string> args, const std::string& path) {
        args.insert(args.begin(), "export");
        args.insert(args.end(), {"-o", path});
        const test::ToolResult result = RunTool(args);
        ASSERT_EQ(result.status, 0) << result.err;
    }

    test::TempFolder m_folder{"moon-export-test"};
};

TEST_F(ExportFormatsTest, TheFormatFollowsTheNameUnlessGiven) {
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"-o", "a.obj"}, "# moon terrain"},
        {{"-o", "a.OBJ"}, "# moon terrain"},
        {{"-o", "a.glb"}, "glTF"},
        {{"-o", "a.png"}, "\x89PNG"},
        {{"-o", "a.ply"}, "ply\n"},
        {{"-o", "a.stl"}, "ply\n"},
        {{"-o", "a"}, "ply\n"},
        {{"-o", "dir.obj/a"}, "ply\n"},
        {{"--format", "ply", "-o", "a.obj"}, "ply\n"},
        {{"-o", "a.ply", "--format", "glb"}, "glTF"},
        {{"--format", "heightmap", "-o", "a.ply"}, "\x89PNG"},
        {{"--format", "obj", "-o", "a.png"}, "# moon terrain"},
    };
    fs::create_directories(Path("dir.obj"));
    for (const auto& [args, start] : cases) {
        std::vector<std::string> command = {"export", "--seed", "4", "--depth", "2"};
        std::string file;
        for (std::size_t i = 0; i < args.size(); ++i) {
            const bool name = i > 0 && args[i - 1] == "-o";
            command.push_back(name ? Path(args[i]) : args[i]);
            file = name ? command.back() : file;
        }
        const test::ToolResult result = RunTool(command);
        ASSERT_EQ(result.status, 0) << result.err;
        EXPECT_EQ(test::TempFolder::ReadFile(file).rfind(start, 0), 0u)
            << ::testing::PrintToString(args);
        fs::remove(file);
    }
    // Standard output has no name: PLY, as before.
    EXPECT_EQ(RunTool({"export", "--seed", "4", "--depth", "1", "-o", "-"}).out.rfind("ply\n", 0),
              0u);
}

TEST_F(ExportFormatsTest, AHeightmapTakesNoDetailPasses) {
    for (const std::vector<std::string>& extra :
         {std::vector<std::string>{"-o", Path("h.png"), "--lod", "250,10,-250"},
          {"--lod-off", "-o", Path("h.png")},
          {"--format", "heightmap", "--lod", "1,2,3", "-o", Path("h.ply")}}) {
        std::vector<std::string> args = {"export", "--seed", "1", "--depth", "3"};
        args.insert(args.end(), extra.begin(), extra.end());
        const test::ToolResult result = RunTool(args);
        EXPECT_EQ(result.status, 2);
        EXPECT_EQ(result.err,
                  "moon-terrain export: a heightmap is the generated regular grid: it takes no "
                  "--lod or --lod-off (see moon-terrain export --help)\n");
    }
    EXPECT_TRUE(fs::is_empty(m_folder.Get()));
    // A mesh in the same name takes them.
    Export({"--seed", "1", "--depth", "3", "--format", "ply", "--lod", "1,2,3"}, Path("h.png"));
}

// The checks of a joined surface over the whole square.
void ExpectOneSurface(const ExportedMesh& mesh) {
    EXPECT_EQ(test::CountPieces(mesh), 1u);
    // One vertex per position.
    std::set<std::array<float, 3>> distinct(mesh.positions.begin(), mesh.positions.end());
    EXPECT_EQ(distinct.size(), mesh.positions.size());

    // Every edge is used by two triangles, once each way, except on the outer
    // square, where it is used once: nothing else is open and no vertex sits
    // on another triangle's edge (that would leave the long edge used once).
    auto onSide = [](const std::array<float, 3>& a, const std::array<float, 3>& b) {
        return (a[0] == b[0] && (a[0] == 0.0f || a[0] == 500.0f)) ||
               (a[2] == b[2] && (a[2] == 0.0f || a[2] == -500.0f));
    };
    const auto use = test::EdgeUse(mesh);
    double border = 0.0;
    std::size_t wrong = 0;
    for (const auto& [edge, count] : use) {
        const auto& a = mesh.positions[edge.first];
        const auto& b = mesh.positions[edge.second];
        if (onSide(a, b)) {
            wrong += count.first + count.second == 1 ? 0 : 1;
            border += std::hypot(a[0] - b[0], a[2] - b[2]);
        } else {
            wrong += count.first == 1 && count.second == 1 ? 0 : 1;
        }
    }
    EXPECT_EQ(wrong, 0u);
    EXPECT_DOUBLE_EQ(border, 2000.0);
    // A disc: vertices - edges + faces = 1.
    EXPECT_EQ(static_cast<long>(mesh.positions.size()) - static_cast<long>(use.size()) +
                  static_cast<long>(mesh.triangles.size()),
              1);

    // Counter-clockwise from above and covering the square once.
    double area = 0.0;
    for (const auto& t : mesh.triangles) {
        const auto& p = mesh.positions[t[0]];
        const auto& q = mesh.positions[t[1]];
        const auto& r = mesh.positions[t[2]];
        // Seen from +y with x right and z down the page, counter-clockwise is negative here.
        const double twice =
            (static_cast<double>(q[0]) - p[0]) * (static_cast<double>(r[2]) - p[2]) -
            (static_cast<double>(r[0]) - p[0]) * (static_cast<double>(q[2]) - p[2]);
        EXPECT_LT(twice, 0.0);
        area -= twice / 2.0;
    }
    EXPECT_NEAR(area, 250000.0, 1e-6);
}

// The normalised mean of the unit face normals around each vertex.
void ExpectMeanNormals(const ExportedMesh& mesh) {
    std::vector<std::array<double, 3>> sums(mesh.positions.size(), {0.0, 0.0, 0.0});
    for (const auto& t : mesh.triangles) {
        const auto& p = mesh.positions[t[0]];
        const auto& q = mesh.positions[t[1]];
        const auto& r = mesh.positions[t[2]];
        const double u[3] = {double(q[0]) - p[0], double(q[1]) - p[1], double(q[2]) - p[2]};
        const double v[3] = {double(r[0]) - p[0], double(r[1]) - p[1], double(r[2]) - p[2]};
        double n[3] = {u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2],
                       u[0] * v[1] - u[1] * v[0]};
        const double length = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
        for (std::uint32_t corner : t) {
            for (int c = 0; c < 3; ++c) {
                sums[corner][static_cast<std::size_t>(c)] += n[c] / length;
            }
        }
    }
    for (std::size_t v = 0; v < sums.size(); ++v) {
        const auto& s = sums[v];
        const double length = std::sqrt(s[0] * s[0] + s[1] * s[1] + s[2] * s[2]);
        for (std::size_t c = 0; c < 3; ++c) {
            ASSERT_NEAR(mesh.normals[v][c], s[c] / length, 1e-4) << "vertex " << v;
        }
        ASSERT_GT(mesh.normals[v][1], 0.0f);
    }
}

struct TerrainCase {
    std::string name;
    std::vector<std::string> args;
    bool mixedSizes;
};

const TerrainCase kTerrains[] = {
    {"generated", {"--seed", "11", "--depth", "4"}, false},
    // Refined around one point, then around another, which prunes part of the
    // first refinement: leaves of depth 3 to 8 side by side.
    {"detail",
     {"--seed", "11", "--depth", "3", "--lod", "250,80,-250", "--lod", "140,60,-360"},
     true},
};

TEST_F(ExportFormatsTest, JoinedExportIsOneSurfaceWithoutTJunctions) {
    for (const TerrainCase& terrain : kTerrains) {
        SCOPED_TRACE(terrain.name);
        std::vector<std::string> args = terrain.args;
        args.insert(args.end(), {"--palette", "3"});
        Export(args, Path("apart.ply"));
        ExportedMesh apart;
        ASSERT_TRUE(test::ReadExportedPly(Path("apart.ply"), apart));
        // Without --join each cell is apart from the next (the flat mode's
        // normals split every corner); the joined one is one piece.
        EXPECT_GT(test::CountPieces(apart), 1u);

        std::vector<ExportedMesh> joined(2);
        for (std::size_t m = 0; m < 2; ++m) {
            std::vector<std::string> joinArgs = args;
            joinArgs.insert(joinArgs.end(), {"--join", "--mode", m == 0 ? "flat" : "smooth"});
            Export(joinArgs, Path("joined.ply"));
            ASSERT_TRUE(test::ReadExportedPly(Path("joined.ply"), joined[m]));
        }
        const ExportedMesh& mesh = joined[0];
        ExpectOneSurface(mesh);
        ExpectMeanNormals(mesh);
        // The mode leaves a joined surface as it is: shading is the importer's choice.
        EXPECT_EQ(joined[1].positions, mesh.positions);
        EXPECT_EQ(joined[1].normals, mesh.normals);
        EXPECT_EQ(joined[1].triangles, mesh.triangles);

        // The same points and colours as the drawn triangles; split triangles
        // only where finer cells meet coarser ones.
        std::map<std::array<float, 3>, std::array<std::uint8_t, 3>> drawn;
        for (std::size_t v = 0; v < apart.positions.size(); ++v) {
            drawn[apart.positions[v]] = apart.colours[v];
        }
        ASSERT_EQ(drawn.size(), mesh.positions.size());
        for (std::size_t v = 0; v < mesh.positions.size(); ++v) {
            ASSERT_TRUE(drawn.count(mesh.positions[v]));
            EXPECT_EQ(drawn[mesh.positions[v]], mesh.colours[v]);
        }
        if (terrain.mixedSizes) {
            EXPECT_GT(mesh.triangles.size(), apart.triangles.size());
        } else {
            EXPECT_EQ(mesh.triangles.size(), apart.triangles.size());
        }

        // Wireframe: each edge of that surface once, and nothing else.
        std::vector<std::string> wireArgs = args;
        wireArgs.insert(wireArgs.end(), {"--join", "--mode", "wireframe"});
        Export(wireArgs, Path("wire.ply"));
        ExportedMesh wire;
        ASSERT_TRUE(test::ReadExportedPly(Path("wire.ply"), wire));
        EXPECT_TRUE(wire.normals.empty());
        EXPECT_EQ(wire.positions, mesh.positions);
        std::set<std::pair<std::uint32_t, std::uint32_t>> lines;
        for (const auto& edge : wire.edges) {
            lines.insert({std::min(edge[0], edge[1]), std::max(edge[0], edge[1])});
        }
        EXPECT_EQ(lines.size(), wire.edges.size());
        std::set<std::pair<std::uint32_t, std::uint32_t>> surfaceEdges;
        for (const auto& [edge, count] : test::EdgeUse(mesh)) {
            surfaceEdges.insert(edge);
        }
        EXPECT_EQ(lines, surfaceEdges);
    }
}

// Joining matches points bit for bit: generation repairs a shared corner to
// one height, and level of detail makes an edge point from the same two
// corners on either side. A point at the same x and z with another height
// would crack the surface.
TEST(JoinedMeshTest, SharedPointsCoincideExactlyForManySeeds) {
    for (std::uint32_t seed = 1; seed <= 12; ++seed) {
        Random::Seed(seed);
        TerrainModel model;
        model.Regenerate(static_cast<int>(3 + seed % 4));
        JoinedMesh mesh;
        mesh.Build(model.GetTerrain()->GetRoot(), model.GetPalette(0));
        EXPECT_EQ(mesh.GetMismatchedPoints(), 0u) << "seed " << seed;
        const std::size_t generated = mesh.GetTriangleCount();
        model.UpdateDetail(Vec3(40.0 * seed, 5.0, -30.0 * seed), true);
        model.UpdateDetail(Vec3(500.0 - 35.0 * seed, 5.0, -250.0), true);
        mesh.Build(model.GetTerrain()->GetRoot(), model.GetPalette(0));
        EXPECT_EQ(mesh.GetMismatchedPoints(), 0u) << "seed " << seed << " with detail";
        EXPECT_GT(mesh.GetTriangleCount(), generated);
    }
}

// The joined OBJ holds the same surface: one position per point, one piece.
TEST_F(ExportFormatsTest, JoinedObjSharesEveryPosition) {
    std::vector<std::string> args = kTerrains[1].args;
    args.push_back("--join");
    Export(args, Path("joined.obj"));
    Export(args, Path("joined.ply"));
    ExportedMesh ply;
    ASSERT_TRUE(test::ReadExportedPly(Path("joined.ply"), ply));
    std::ifstream in(Path("joined.obj"));
    std::size_t positions = 0;
    std::size_t faces = 0;
    for (std::string line; std::getline(in, line);) {
        positions += line.rfind("v ", 0) == 0 ? 1 : 0;
        faces += line.rfind("f ", 0) == 0 ? 1 : 0;
    }
    EXPECT_EQ(positions, ply.positions.size());
    EXPECT_EQ(faces, ply.triangles.size());
}

std::uint32_t Word(const std::string& bytes, std::size_t at) {
    std::uint32_t word = 0;
    std::memcpy(&word, bytes.data() + at, 4);
    return word;
}

TEST_F(ExportFormatsTest, TheGltfValidatorAcceptsEveryExport) {
    // Its layout, read here; the rest is the validator's to judge.
    Export({"--seed", "7", "--depth", "3", "--mode", "smooth", "--lod", "250,10,-250"},
           Path("look.glb"));
    const std::string glb = test::TempFolder::ReadFile(Path("look.glb"));
    ASSERT_GE(glb.size(), 28u);
    EXPECT_EQ(glb.substr(0, 4), "glTF");
    EXPECT_EQ(Word(glb, 4), 2u);
    EXPECT_EQ(Word(glb, 8), glb.size());
    const std::uint32_t jsonLength = Word(glb, 12);
    EXPECT_EQ(jsonLength % 4, 0u);
    const std::string json = glb.substr(20, jsonLength);
    for (const char* part : {"\"extras\":{\"units\":\"world units\"",
                             "\"seed\":7,\"depth\":3,\"palette\":0,"
                             "\"mode\":\"smooth\",\"passes\":[\"--lod "
                             "250,10,-250\"],\"joined\":false",
                             "\"COLOR_0\"", "\"NORMAL\"", "\"componentType\":5125", "\"mode\":4"}) {
        EXPECT_NE(json.find(part), std::string::npos) << part << " in " << json;
    }
    EXPECT_EQ(Word(glb, 20 + jsonLength) + 28 + jsonLength, glb.size());

    const std::string node = "node";
    if (std::system("command -v node >/dev/null 2>&1") != 0) {
        GTEST_SKIP() << "node is not installed (bash scripts/deps.sh test installs it and the "
                        "validator)";
    }
    ASSERT_TRUE(fs::exists(MOON_GLTF_CHECK_DIR "/node_modules/gltf-validator"))
        << "the glTF validator is missing: run npm ci in " MOON_GLTF_CHECK_DIR
           " (bash scripts/deps.sh test does)";
    int files = 0;
    for (const char* mode : {"wireframe", "flat", "smooth"}) {
        for (const bool join : {false, true}) {
            for (const TerrainCase& terrain : kTerrains) {
                std::vector<std::string> args = terrain.args;
                args.insert(args.end(), {"--mode", mode});
                if (join) {
                    args.push_back("--join");
                }
                const std::string file = Path("check" + std::to_string(files++) + ".glb");
                Export(args, file);
                const std::string report = Path("report.txt");
                const int status = std::system((node + " " MOON_GLTF_CHECK_DIR "/validate.js " +
                                                file + " >" + report + " 2>&1")
                                                   .c_str());
                EXPECT_EQ(status, 0) << ::testing::PrintToString(args) << "\n"
                                     << test::TempFolder::ReadFile(report);
            }
        }
    }
}

TEST_F(ExportFormatsTest, TheHeightmapIsTheGeneratedGridNorthUp) {
    const std::string file = Path("moon.png");
    const test::ToolResult result =
        RunTool({"export", "--seed", "21", "--depth", "4", "--verbose", "-o", file});
    ASSERT_EQ(result.status, 0) << result.err;
    Png png;
    ASSERT_TRUE(ReadPng(file, png));
    EXPECT_EQ(png.width, 17u);
    EXPECT_EQ(png.height, 17u);
    EXPECT_EQ(png.bitDepth, 16);
    EXPECT_EQ(png.colourType, PNG_COLOR_TYPE_GRAY);
    ASSERT_EQ(png.samples.size(), 17u * 17u);

    // Every leaf corner of the generated tree, at its place in the picture.
    auto terrain = test::GeneratedTerrain(21, 4);
    std::map<std::pair<int, int>, double> heights;  // (column, row) -> world y
    double lowest = 1e9;
    double highest = -1e9;
    test::ForEachNode(terrain->GetRoot(), [&](const TerrainNode& node) {
        if (node.IsLeaf()) {
            for (std::size_t k = 0; k < 4; ++k) {
                const Vec3& p = node.points[k];
                heights[{static_cast<int>(p.x / 31.25), static_cast<int>((p.z + 500.0) / 31.25)}] =
                    p.y;
                lowest = std::min(lowest, p.y);
                highest = std::max(highest, p.y);
            }
        }
    });
    ASSERT_EQ(heights.size(), 17u * 17u);
    for (const auto& [place, height] : heights) {
        const std::uint16_t sample =
            png.samples[static_cast<std::size_t>(place.second * 17 + place.first)];
        ASSERT_EQ(sample, std::lround((height - lowest) / (highest - lowest) * 65535.0))
            << "column " << place.first << ", row " << place.second;
    }
    EXPECT_EQ(*std::min_element(png.samples.begin(), png.samples.end()), 0);
    EXPECT_EQ(*std::max_element(png.samples.begin(), png.samples.end()), 65535);
    // The first sample is the corner at x 0, z -500 (north-west), the last at x 500, z 0.
    EXPECT_EQ(png.samples.front(),
              std::lround((terrain->GetRoot()->points[0].y - lowest) / (highest - lowest) * 65535));
    EXPECT_EQ(png.samples.back(),
              std::lround((terrain->GetRoot()->points[2].y - lowest) / (highest - lowest) * 65535));

    // The range and size in the text, and on the verbose line.
    double low = 0.0;
    double high = 0.0;
    ASSERT_EQ(std::sscanf(png.text["Height range"].c_str(), "%lf %lf", &low, &high), 2);
    EXPECT_EQ(low, lowest);
    EXPECT_EQ(high, highest);
    EXPECT_EQ(png.text["World size"], "500 500");
    EXPECT_NE(png.text["Title"].find("seed 21, depth 4"), std::string::npos);
    EXPECT_EQ(
        result.err.rfind(
            "moon-terrain export: heightmap 17 x 17 samples, heights " +
                png.text["Height range"].substr(0, png.text["Height range"].find(' ')) + " to ",
            0),
        0u)
        << result.err;
    EXPECT_NE(result.err.find(std::to_string(fs::file_size(file)) + " bytes"), std::string::npos);
}

}  // namespace
}  // namespace moon
