// SPDX-License-Identifier: MIT
// Meshes deeper than the tree ever went, read back from the files: a depth-11
// joined PLY is one surface (every inner edge used twice, once each way, the
// outer square its only border, one piece), and a depth-11 .glb passes the
// Khronos glTF validator. The files are read as streams: 16 million
// triangles would not fit the test helpers' whole-mesh readers.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <numeric>
#include <string>
#include <vector>

#include "tests/support/TempFolder.h"
#include "tests/tools/ToolRun.h"

namespace moon {
namespace {

constexpr int kDepth = 11;
constexpr std::size_t kCells = std::size_t{1} << (2 * kDepth);
constexpr std::size_t kSide = (std::size_t{1} << kDepth) + 1;

class DeepExportTest : public ::testing::Test {
protected:
    std::string Export(const std::vector<std::string>& options, const std::string& name) {
        std::vector<std::string> args = {"export", "--seed", "5", "--depth",
                                         std::to_string(kDepth)};
        args.insert(args.end(), options.begin(), options.end());
        const std::string path = m_folder.Path(name);
        args.insert(args.end(), {"-o", path});
        const test::ToolResult result = test::RunTool(args);
        EXPECT_EQ(result.status, 0) << result.err;
        return path;
    }

    test::TempFolder m_folder{"moon-deep-export-test"};
};

// A vertex's set in a union-find over the vertices.
std::uint32_t findSet(std::vector<std::uint32_t>& parent, std::uint32_t v) {
    while (parent[v] != v) {
        parent[v] = parent[parent[v]];
        v = parent[v];
    }
    return v;
}

TEST_F(DeepExportTest, AJoinedMeshIsOneSurfaceBoundedByTheSquare) {
    const std::string path = Export({"--join"}, "joined.ply");
    std::ifstream in(path, std::ios::binary);
    ASSERT_TRUE(in);
    std::string header;
    for (std::string line; std::getline(in, line) && line != "end_header";) {
        header += line + "\n";
    }
    const std::size_t vertices = std::stoul(header.substr(header.find("element vertex ") + 15));
    const std::size_t faces = std::stoul(header.substr(header.find("element face ") + 13));
    // A vertex at every grid point and every cell's centre; four triangles a cell.
    ASSERT_EQ(vertices, kSide * kSide + kCells);
    ASSERT_EQ(faces, 4 * kCells);

    // x and z of each vertex: x y z nx ny nz as floats, then three colour bytes.
    std::vector<float> x(vertices);
    std::vector<float> z(vertices);
    std::vector<char> record(27);
    for (std::size_t v = 0; v < vertices; ++v) {
        ASSERT_TRUE(in.read(record.data(), 27));
        std::memcpy(&x[v], record.data(), 4);  // the test machine is little-endian
        std::memcpy(&z[v], record.data() + 8, 4);
    }

    // Every edge of every triangle, as (smaller, larger) vertex and its direction.
    std::vector<std::uint64_t> edges;
    edges.reserve(3 * faces);
    std::vector<std::uint32_t> parent(vertices);
    std::iota(parent.begin(), parent.end(), 0u);
    for (std::size_t f = 0; f < faces; ++f) {
        ASSERT_TRUE(in.read(record.data(), 13));
        ASSERT_EQ(record[0], 3);
        std::uint32_t corner[3];
        std::memcpy(corner, record.data() + 1, 12);
        for (int i = 0; i < 3; ++i) {
            const std::uint32_t a = corner[i];
            const std::uint32_t b = corner[(i + 1) % 3];
            ASSERT_LT(a, vertices);
            ASSERT_NE(a, b);
            edges.push_back((std::uint64_t{std::min(a, b)} << 25 | std::max(a, b)) << 1 |
                            (a < b ? 0u : 1u));
            parent[findSet(parent, a)] = findSet(parent, b);
        }
    }
    EXPECT_EQ(in.peek(), std::ifstream::traits_type::eof());
    std::sort(edges.begin(), edges.end());

    auto onBorder = [&x, &z](std::uint64_t v) {
        return x[v] == 0.0f || x[v] == 500.0f || z[v] == 0.0f || z[v] == -500.0f;
    };
    std::size_t inner = 0;
    std::size_t border = 0;
    int problems = 0;
    for (std::size_t i = 0; i < edges.size();) {
        std::size_t run = 1;
        while (i + run < edges.size() && edges[i + run] >> 1 == edges[i] >> 1) {
            ++run;
        }
        const std::uint64_t a = edges[i] >> 26;
        const std::uint64_t b = edges[i] >> 1 & ((1u << 25) - 1);
        if (run == 2 && (edges[i] & 1) == 0 && (edges[i + 1] & 1) == 1) {
            ++inner;
        } else if (run == 1 && onBorder(a) && onBorder(b) && (x[a] == x[b] || z[a] == z[b])) {
            ++border;
        } else if (++problems <= 5) {
            ADD_FAILURE() << "edge " << a << "-" << b << " used " << run << " times, from (" << x[a]
                          << ", " << z[a] << ") to (" << x[b] << ", " << z[b] << ")";
        }
        i += run;
    }
    EXPECT_EQ(problems, 0);
    // The square's four sides, 2^11 edges each.
    EXPECT_EQ(border, 4 * (kSide - 1));
    // A disc: vertices - edges + faces = 1.
    EXPECT_EQ(vertices + faces, inner + border + 1);
    const std::uint32_t first = findSet(parent, 0);
    for (std::uint32_t v = 1; v < vertices; ++v) {
        if (findSet(parent, v) != first) {
            FAIL() << "vertex " << v << " is in another piece or in none";
        }
    }
}

TEST_F(DeepExportTest, TheGltfValidatorAcceptsADepth11Glb) {
    if (std::system("command -v node >/dev/null 2>&1") != 0) {
        GTEST_SKIP() << "node is not installed (bash scripts/deps.sh test installs it and the "
                        "validator)";
    }
    const std::string path = Export({"--mode", "smooth"}, "deep.glb");
    const std::string report = m_folder.Path("report.txt");
    const int status = std::system(
        ("node " MOON_GLTF_CHECK_DIR "/validate.js " + path + " >" + report + " 2>&1").c_str());
    EXPECT_EQ(status, 0) << test::TempFolder::ReadFile(report);
}

}  // namespace
}  // namespace moon
