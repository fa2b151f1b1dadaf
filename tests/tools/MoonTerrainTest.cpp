// SPDX-License-Identifier: MIT
// moon-terrain: the commands run in-process for output and exit status (the
// real program, for what only a process shows, is in MoonTerrainProgramTest).
#include <gtest/gtest.h>
#include <unistd.h>

#include <array>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>
#include <set>
#include <sstream>
#include <tuple>

#include "terrain/TerrainModel.h"
#include "tests/support/RecordingGL.h"
#include "tests/support/TempFolder.h"
#include "tests/terrain/TerrainTestSupport.h"
#include "tests/tools/ToolRun.h"
#include "tools/TerrainTool.h"
#include "viewer/StarField.h"

namespace moon {
namespace {

namespace fs = std::filesystem;
using test::GLCall;
using test::RecordingGL;

using Result = test::ToolResult;
using test::RunTool;

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream stream(text);
    for (std::string line; std::getline(stream, line);) {
        lines.push_back(line);
    }
    return lines;
}

std::vector<double> Numbers(const std::string& line) {
    std::vector<double> numbers;
    const char* p = line.data();
    const char* end = p + line.size();
    while (p < end) {
        double value = 0.0;
        const auto result = std::from_chars(p, end, value);
        EXPECT_EQ(result.ec, std::errc()) << line;
        numbers.push_back(value);
        p = result.ptr + (result.ptr < end ? 1 : 0);
    }
    return numbers;
}

class MoonTerrainTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_FALSE(m_folder.Get().empty()); }
    std::string Path(const std::string& name) const { return m_folder.Path(name); }

    test::TempFolder m_folder{"moon-terrain-test"};
};

TEST_F(MoonTerrainTest, DumpPrintsEveryNodeInPreOrderExactly) {
    const Result result = RunTool({"dump", "--seed", "1", "--depth", "2"});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.err, "");
    const std::vector<std::string> lines = Lines(result.out);
    ASSERT_EQ(lines.size(), 22u);
    EXPECT_EQ(lines.back(), "21 16 54");
    EXPECT_EQ(lines[0].rfind("0 1 0 20 -500 0 30 0 500 20 0 500 10 -500 250 0 -250 ", 0), 0u);

    // Every number reads back to the generated value, bit for bit.
    auto terrain = test::GeneratedTerrain(1, 2);
    std::size_t row = 0;
    test::ForEachNode(terrain->GetRoot(), [&](const TerrainNode& node) {
        const std::vector<double> fields = Numbers(lines[row++]);
        ASSERT_EQ(fields.size(), 32u);
        std::vector<double> expected = {static_cast<double>(node.depth), node.fixed ? 1.0 : 0.0};
        auto add = [&expected](const Vec3& v) { expected.insert(expected.end(), {v.x, v.y, v.z}); };
        std::for_each(node.points.begin(), node.points.end(), add);
        std::for_each(node.faceNormals.begin(), node.faceNormals.end(), add);
        add(node.vertexNormals[4]);
        for (std::size_t i = 0; i < 32; ++i) {
            EXPECT_EQ(std::memcmp(&fields[i], &expected[i], sizeof(double)), 0)
                << "row " << row << " field " << i << ": " << fields[i] << " vs " << expected[i];
        }
    });
}

TEST_F(MoonTerrainTest, DetailPassesRunInCommandLineOrder) {
    const std::string plain = RunTool({"dump", "--seed", "9", "--depth", "3"}).out;
    const std::string joined =
        RunTool({"dump", "--seed", "9", "--depth", "3", "--lod=-10,5,-250"}).out;
    const std::string split =
        RunTool({"dump", "--seed", "9", "--depth", "3", "--lod", "-10,5,-250"}).out;
    EXPECT_EQ(joined, split);
    EXPECT_NE(joined, plain);
    EXPECT_EQ(RunTool({"dump", "--seed=9", "--depth=3", "--lod", "250,20,-250", "--lod-off"}).out,
              plain);
    const std::string refined =
        RunTool({"dump", "--depth", "3", "--lod", "250,20,-250", "--seed", "9"}).out;
    EXPECT_EQ(
        RunTool({"dump", "--seed", "9", "--depth", "3", "--lod-off", "--lod", "250,20,-250"}).out,
        refined);
    EXPECT_GT(Numbers(Lines(refined).back())[0], 85.0);
}

TEST_F(MoonTerrainTest, StarsFollowTheNodesAsTheViewerFillsThem) {
    const std::vector<std::string> plain =
        Lines(RunTool({"dump", "--seed", "7", "--depth", "2"}).out);
    const Result result = RunTool({"dump", "--stars", "--seed", "7", "--depth", "2"});
    ASSERT_EQ(result.status, 0) << result.err;
    const std::vector<std::string> lines = Lines(result.out);
    ASSERT_EQ(lines.size(), plain.size() + 350);
    // Nodes unchanged and first; the count of values drawn includes the stars'.
    EXPECT_TRUE(std::equal(plain.begin(), plain.end() - 1, lines.begin()));
    EXPECT_EQ(lines.back(), "21 16 1104");  // 4 + 10 x 5 for the tree, 3 x 350 for the stars

    // The same sequence the viewer draws on: terrain first, then the stars.
    auto terrain = test::GeneratedTerrain(7, 2);
    StarField stars;
    stars.Fill(2000, 2000, 350);
    for (std::size_t i = 0; i < 350; ++i) {
        const Vec3& star = stars.GetStars()[i];
        const std::vector<double> fields = Numbers(lines[plain.size() - 1 + i]);
        ASSERT_EQ(fields.size(), 3u);
        EXPECT_EQ(fields[0], star.x);
        EXPECT_EQ(fields[1], star.y);
        EXPECT_EQ(fields[2], star.z);
    }
}

TEST_F(MoonTerrainTest, BadInputGetsOneLineAndStatusTwo) {
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{}, "missing command"},
        {{"draw"}, "unknown command \"draw\""},
        {{"--verbose"}, "unknown option \"--verbose\""},
        {{"dump", "--seed", "1", "--depth", "2", "--fast"}, "unknown option \"--fast\""},
        {{"dump", "--depth", "2"}, "--seed is required"},
        {{"dump", "--seed", "1"}, "--depth is required"},
        {{"dump", "--depth", "2", "--seed"}, "--seed needs a value"},
        {{"dump", "--seed", "-1", "--depth", "2"}, "0 to 4294967295, not \"-1\""},
        {{"dump", "--seed", "4294967296", "--depth", "2"}, "not \"4294967296\""},
        {{"dump", "--seed", "12ab", "--depth", "2"}, "not \"12ab\""},
        {{"dump", "--seed", "1", "--seed", "2", "--depth", "2"}, "--seed given more than once"},
        {{"dump", "--seed", "1", "--depth", "11"}, "deeper trees need gigabytes"},
        {{"dump", "--seed", "1", "--depth", "-1"}, "--depth -1 is outside 0 to 10"},
        {{"dump", "--seed", "1", "--depth", "2.5"}, "not \"2.5\""},
        {{"dump", "--seed", "1", "--depth", "2", "--lod", "1,2"}, "three numbers X,Y,Z"},
        {{"dump", "--seed", "1", "--depth", "2", "--lod=1,2,x"}, "not \"1,2,x\""},
        {{"dump", "--seed", "1", "--depth", "2", "--lod", "nan,0,0"}, "three numbers"},
        {{"dump", "--seed", "1", "--depth", "2", "--lod-off=1"}, "--lod-off takes no value"},
        {{"dump", "--seed", "1", "--depth", "2", "extra"}, "unexpected argument \"extra\""},
        {{"export", "--seed", "1", "--depth", "2"}, "-o FILE is required"},
        {{"export", "--seed", "1", "--depth", "2", "-o", "x", "--palette", "6"}, "0 to 5"},
        {{"export", "--seed", "1", "--depth", "2", "-o", "x", "--mode", "wire"}, "flat or smooth"},
        {{"export", "--seed", "1", "--depth", "2", "-o", "x", "--format", "stl"},
         "must be ply, obj, glb, png, r16, tif or exr, not \"stl\""},
        // Each command and kind has its own depth limit, named in the line.
        {{"dump", "--seed", "1", "--depth", "12"}, "--depth 12 is outside 0 to 10"},
        {{"export", "--seed", "1", "--depth", "13", "-o", "x.glb"},
         "--depth 13 is outside 0 to 12 for meshes"},
        {{"export", "--seed", "1", "--depth", "15", "-o", "x.png"},
         "--depth 15 is outside 0 to 14"},
        {{"export", "--seed", "1", "--depth", "2", "-o", "x.png", "--tiles", "3"},
         "--tiles must be a power of two"},
        {{"export", "--seed", "1", "--depth", "2", "-o", "x.png", "--tiles", "0"},
         "--tiles must be a power of two"},
        {{"export", "--seed", "1", "--depth", "2", "-o", "x.r16", "--tiles", "8"},
         "from 1 to 2^depth (4 at depth 2), not 8"},
        {{"export", "--seed", "1", "--depth", "2", "-o", "x.obj", "--tiles", "2"},
         "--tiles is for heightmaps"},
        {{"export", "--seed", "1", "--depth", "2", "--format", "tif", "--tiles", "2", "-o", "-"},
         "cannot write to standard output"},
        {{"export", "--seed", "1", "--depth", "2", "-o", "x", "--output", "y"}, "more than once"},
    };
    for (const auto& [args, problem] : cases) {
        const Result result = RunTool(args);
        const std::string shown = ::testing::PrintToString(args);
        EXPECT_EQ(result.status, 2) << shown;
        EXPECT_EQ(result.out, "") << shown;
        EXPECT_NE(result.err.find(problem), std::string::npos) << shown << ": " << result.err;
        EXPECT_EQ(result.err.rfind("moon-terrain", 0), 0u) << shown;
        EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << shown;
        EXPECT_EQ(result.err.back(), '\n') << shown;
    }
    // Memory is the reason only for a depth above the limit.
    EXPECT_EQ(RunTool({"dump", "--seed", "1", "--depth", "-1"}).err.find("gigabytes"),
              std::string::npos);
    EXPECT_FALSE(fs::exists("x"));

    for (const std::vector<std::string>& args : {std::vector<std::string>{"--help"},
                                                 {"dump", "--help"},
                                                 {"export", "--seed", "1", "-h"}}) {
        const Result result = RunTool(args);
        EXPECT_EQ(result.status, 0);
        EXPECT_EQ(result.out.rfind("Usage: moon-terrain", 0), 0u) << result.out;
        EXPECT_EQ(result.err, "");
    }
}

TEST_F(MoonTerrainTest, VersionAndHelpForOneCommand) {
    Result result = RunTool({"--version"});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out.rfind("moon-terrain ", 0), 0u);
    EXPECT_EQ(std::count(result.out.begin(), result.out.end(), '\n'), 1);

    for (const char* command : {"dump", "export"}) {
        result = RunTool({"help", command});
        EXPECT_EQ(result.status, 0);
        EXPECT_EQ(result.err, "");
        EXPECT_EQ(result.out, RunTool({command, "--help"}).out) << command;
        EXPECT_NE(result.out.find("--seed N"), std::string::npos) << command;
    }
    result = RunTool({"help", "draw"});
    EXPECT_EQ(result.status, 2);
    EXPECT_EQ(
        result.err,
        "moon-terrain: no help for \"draw\" (commands: dump, export, craters) (see moon-terrain "
        "--help)\n");
    EXPECT_EQ(RunTool({"help", "dump", "export"}).status, 2);
}

// What the viewer would send: one record per vertex, with OpenGL's current normal.
struct DrawnVertex {
    GLCall vertex;
    GLCall normal;
    GLCall colour;
};

std::vector<DrawnVertex> DrawnVertices(std::uint32_t seed, int depth, std::optional<Vec3> viewpoint,
                                       int palette, RenderMode mode) {
    Random::Seed(seed);
    TerrainModel model;
    model.Regenerate(depth);
    if (viewpoint) {
        model.UpdateDetail(*viewpoint, true);
    }
    model.SetPalette(palette);
    model.SetRenderMode(mode);
    RecordingGL::Reset();
    model.Draw();
    std::vector<DrawnVertex> vertices;
    DrawnVertex current;
    for (const GLCall& call : RecordingGL::Calls()) {
        const std::string name = call.name;
        if (name == "glNormal3d") {
            current.normal = call;
        } else if (name == "glColor3f") {
            current.colour = call;
        } else if (name == "glVertex3d") {
            current.vertex = call;
            vertices.push_back(current);
        }
    }
    return vertices;
}

template <typename T>
T ReadLittle(const std::string& bytes, std::size_t& at) {
    T value;
    std::memcpy(&value, bytes.data() + at, sizeof value);  // the test machine is little-endian
    at += sizeof value;
    return value;
}

// The file's faces, followed through their indices, give back exactly the
// drawn vertex stream; and no vertex is written twice.
TEST_F(MoonTerrainTest, PlyHoldsTheDrawnTrianglesWithSharedVertices) {
    const std::string file = Path("terrain.ply");
    const Result result = RunTool({"export", "--seed", "3", "--depth", "3", "--lod", "100,10,-120",
                                   "--palette", "2", "--mode", "smooth", "-o", file});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out + result.err, "");
    const auto drawn = DrawnVertices(3, 3, Vec3(100, 10, -120), 2, Smooth);

    const std::string bytes = test::TempFolder::ReadFile(file);
    const std::size_t body = bytes.find("end_header\n") + 11;
    const std::string header = bytes.substr(0, body);
    EXPECT_EQ(header.rfind("ply\nformat binary_little_endian 1.0\n", 0), 0u);
    EXPECT_NE(header.find("comment moon terrain, seed 3, depth 3, palette 2, smooth\n"),
              std::string::npos)
        << header;
    EXPECT_NE(header.find("comment level-of-detail passes: --lod 100,10,-120\n"),
              std::string::npos);
    EXPECT_NE(header.find("comment units: world units; axes: y up, x from 0 to 500, z from -500 "
                          "to 0\n"),
              std::string::npos);
    const std::size_t countAt = header.find("element vertex ") + 15;
    const std::size_t vertexCount = std::stoul(header.substr(countAt));
    EXPECT_NE(header.find("element face " + std::to_string(drawn.size() / 3) + "\n"),
              std::string::npos);
    // A smooth cell's four triangles share its normal: five vertices, not twelve.
    EXPECT_LT(vertexCount, drawn.size() / 2);

    struct Vertex {
        std::array<float, 6> values;
        std::array<std::uint8_t, 3> colour;
        bool operator<(const Vertex& other) const {
            return std::tie(values, colour) < std::tie(other.values, other.colour);
        }
    };
    std::vector<Vertex> vertices(vertexCount);
    std::size_t at = body;
    for (Vertex& vertex : vertices) {
        for (float& value : vertex.values) {
            value = ReadLittle<float>(bytes, at);
        }
        for (std::uint8_t& component : vertex.colour) {
            component = ReadLittle<std::uint8_t>(bytes, at);
        }
    }
    EXPECT_EQ(std::set<Vertex>(vertices.begin(), vertices.end()).size(), vertexCount);

    for (std::size_t k = 0; k < drawn.size() / 3; ++k) {
        ASSERT_EQ(ReadLittle<std::uint8_t>(bytes, at), 3u);
        for (std::size_t i = 0; i < 3; ++i) {
            const auto index = ReadLittle<std::int32_t>(bytes, at);
            ASSERT_GE(index, 0);
            ASSERT_LT(static_cast<std::size_t>(index), vertexCount);
            const Vertex& vertex = vertices[static_cast<std::size_t>(index)];
            const DrawnVertex& expected = drawn[3 * k + i];
            for (int c = 0; c < 3; ++c) {
                EXPECT_EQ(vertex.values[c], static_cast<float>(expected.vertex[c]));
                EXPECT_EQ(vertex.values[3 + c], static_cast<float>(expected.normal[c]));
                EXPECT_EQ(vertex.colour[c], std::lround(expected.colour[c] * 255.0));
            }
        }
    }
    EXPECT_EQ(at, bytes.size());
}

TEST_F(MoonTerrainTest, ObjIndexesPositionsAndNormalsOnceEach) {
    const std::string file = Path("terrain.obj");
    ASSERT_EQ(
        RunTool({"export", "--seed", "5", "--depth", "2", "--format", "obj", "--output", file})
            .status,
        0);
    const auto drawn = DrawnVertices(5, 2, std::nullopt, 0, Flat);
    std::vector<std::vector<double>> positions, normals;
    std::vector<std::string> faces;
    std::string comments;
    for (const std::string& line : Lines(test::TempFolder::ReadFile(file))) {
        if (line.rfind("v ", 0) == 0) {
            positions.push_back(Numbers(line.substr(2)));
        } else if (line.rfind("vn ", 0) == 0) {
            normals.push_back(Numbers(line.substr(3)));
        } else if (line.rfind("f ", 0) == 0) {
            faces.push_back(line);
        } else if (line.rfind("# ", 0) == 0) {
            comments += line + "\n";
        }
    }
    EXPECT_NE(comments.find("# moon terrain, seed 5, depth 2, palette 0, flat\n"),
              std::string::npos)
        << comments;
    EXPECT_NE(comments.find("# level-of-detail passes: none\n"), std::string::npos);
    // Depth 2: a 4 x 4 grid of cells, each with a centre: 25 + 16 points.
    EXPECT_EQ(positions.size(), 41u);
    EXPECT_EQ(std::set(positions.begin(), positions.end()).size(), positions.size());
    EXPECT_EQ(std::set(normals.begin(), normals.end()).size(), normals.size());
    ASSERT_EQ(faces.size(), drawn.size() / 3);
    for (std::size_t k = 0; k < faces.size(); ++k) {
        std::istringstream face(faces[k].substr(2));
        for (std::size_t i = 0; i < 3; ++i) {
            std::size_t v = 0;
            std::size_t vn = 0;
            char slash = 0;
            face >> v >> slash >> slash >> vn;
            ASSERT_TRUE(v >= 1 && v <= positions.size()) << faces[k];
            ASSERT_TRUE(vn >= 1 && vn <= normals.size()) << faces[k];
            const DrawnVertex& expected = drawn[3 * k + i];
            ASSERT_EQ(positions[v - 1].size(), 6u);
            for (int c = 0; c < 3; ++c) {
                EXPECT_EQ(positions[v - 1][c], expected.vertex[c]);
                EXPECT_EQ(static_cast<float>(positions[v - 1][3 + c]), expected.colour[c]);
                EXPECT_EQ(normals[vn - 1][c], expected.normal[c]);
            }
        }
    }
}

TEST_F(MoonTerrainTest, VerboseSummarisesTheExport) {
    const std::string file = Path("terrain.ply");
    const Result result = RunTool(
        {"export", "--seed", "1", "--depth", "2", "--mode", "smooth", "--verbose", "-o", file});
    ASSERT_EQ(result.status, 0);
    // 16 cells of five vertices each; the byte count is the file's size.
    const std::string expected = "moon-terrain export: 64 triangles, 80 vertices, " +
                                 std::to_string(fs::file_size(file)) + " bytes, ";
    EXPECT_EQ(result.err.rfind(expected, 0), 0u) << result.err;
    EXPECT_EQ(result.err.back(), '\n');
    EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1);
}

TEST_F(MoonTerrainTest, UnwritableOutputFailsCleanly) {
    const std::string missing = Path("no-such-folder/terrain.ply");
    Result result = RunTool({"export", "--seed", "1", "--depth", "1", "-o", missing});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err,
              "moon-terrain export: cannot write \"" + missing + "\": No such file or directory\n");

    // A folder in the way: the finished file cannot replace it, and nothing is left.
    fs::create_directories(Path("taken.ply"));
    result = RunTool({"export", "--seed", "1", "--depth", "1", "-o", Path("taken.ply")});
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.err.find("cannot write \"" + Path("taken.ply") + "\": Is a directory"),
              std::string::npos);
    fs::remove(Path("taken.ply"));
    EXPECT_TRUE(fs::is_empty(m_folder.Get()));
}

}  // namespace
}  // namespace moon
