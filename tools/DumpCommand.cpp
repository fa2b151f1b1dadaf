// SPDX-License-Identifier: MIT
// moon-terrain dump: the whole tree as text, one node a line in pre-order,
// every double in the shortest form that reads back to the same value.
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <string>

#include "base/ShortestText.h"
#include "cli/OptionParser.h"
#include "scene/Random.h"
#include "terrain/TerrainModel.h"
#include "tools/TerrainRequest.h"
#include "tools/TerrainTool.h"
#include "viewer/StarField.h"

namespace moon {
namespace {

constexpr std::string_view kDumpUsage =
    "Usage: moon-terrain dump --seed N --depth D [--lod X,Y,Z | --lod-off]...\n"
    "                         [--refine | --craters] [--stars]\n"
    "\n"
    "Seeds the random sequence with N, generates the terrain to depth D, runs the\n"
    "level-of-detail passes in the order given, and prints the tree: one line per\n"
    "node in pre-order (the node, then the subtrees of children 0, 1, 2 and 3) with\n"
    "32 fields: depth, fixed (1 or 0), then x y z of points[0] to [4], of\n"
    "faceNormals[0] to [3] and of vertexNormals[4]. A last line gives the node\n"
    "count, the leaf count and the values drawn from the random sequence.\n"
    "With --stars, the star field that the viewer fills right after its first terrain\n"
    "follows the nodes: 350 lines \"x grey z\", drawing on from the same sequence.\n"
    "N is the viewer's seed: \"moon --seed N\" starts from this landscape at depth 6\n"
    "with no passes. With --refine, the tree is that landscape at depth D: refined\n"
    "below depth 6 with lunar roughness, or sampled above it (its cells' corners\n"
    "are the heights \"export --refine\" writes), and passes refine it likewise.\n"
    "With --craters, its cells carry the seed's craters too, at every depth.\n"
    "\n"
    "Options:\n";

constexpr std::size_t kFlushBytes = 1 << 16;

// Buffers the text (a depth-10 dump is about 700 MB, so it is never held
// whole) and remembers the first write failure, so that a full disk or a
// closed pipe is reported instead of exiting 0 with a cut-off dump.
class DumpOutput {
public:
    explicit DumpOutput(std::FILE* file) : m_pFile(file) { m_text.reserve(2 * kFlushBytes); }

    template <typename T>
    void Number(T value) {
        AppendShortest(m_text, value);
    }
    void Char(char c) { m_text += c; }
    void EndLine() {
        m_text += '\n';
        if (m_text.size() >= kFlushBytes) {
            Flush();
        }
    }
    // Returns 0, or the errno of the first failure.
    int Finish() {
        Flush();
        if (m_error == 0 && std::fflush(m_pFile) != 0) {
            m_error = errno != 0 ? errno : EIO;
        }
        return m_error;
    }

private:
    void Flush() {
        if (m_error == 0 && !m_text.empty()) {
            errno = 0;
            if (std::fwrite(m_text.data(), 1, m_text.size(), m_pFile) != m_text.size()) {
                m_error = errno != 0 ? errno : EIO;
            }
        }
        m_text.clear();
    }

    std::FILE* m_pFile;
    std::string m_text;
    int m_error = 0;
};

struct TreeCounts {
    std::uint64_t nodes = 0;
    std::uint64_t leaves = 0;
};

void printTriple(DumpOutput& output, const Vec3& v) {
    for (double value : {v.x, v.y, v.z}) {
        output.Char(' ');
        output.Number(value);
    }
}

// One line per node, pre-order.
void printTree(DumpOutput& output, const TerrainNode* root, TreeCounts& counts) {
    ForEachNode(root, [&output, &counts](const TerrainNode& node) {
        ++counts.nodes;
        counts.leaves += node.IsLeaf() ? 1 : 0;
        output.Number(node.depth);
        output.Char(' ');
        output.Char(node.fixed ? '1' : '0');
        for (const Vec3& point : node.points) {
            printTriple(output, point);
        }
        for (const Vec3& normal : node.faceNormals) {
            printTriple(output, normal);
        }
        printTriple(output, node.vertexNormals[4]);
        output.EndLine();
    });
}

void printStars(DumpOutput& output, const StarField& stars) {
    for (const Vec3& star : stars.GetStars()) {
        output.Number(star.x);
        output.Char(' ');
        output.Number(star.y);
        output.Char(' ');
        output.Number(star.z);
        output.EndLine();
    }
}

}  // namespace

int RunDumpCommand(const std::vector<std::string_view>& args, std::FILE* out, std::FILE* err) {
    TerrainRequest request;
    OptionParser parser;
    request.AddOptions(parser);
    bool withStars = false;
    parser.AddFlag("--stars", "after the nodes, the viewer's 350 stars as \"x grey z\" lines",
                   [&withStars] { withStars = true; });

    std::string problem;
    if (!parser.Parse(args, problem)) {
        return ReportUsageError(err, "dump", problem);
    }
    if (parser.HelpRequested()) {
        const std::string help = std::string(kDumpUsage) + parser.Describe();
        return PrintText(out, err, help);
    }
    problem = request.CheckComplete();
    if (!problem.empty()) {
        return ReportUsageError(err, "dump", problem);
    }

    TerrainModel model;
    request.Build(model);

    DumpOutput output(out);
    TreeCounts counts;
    printTree(output, model.GetTerrain()->GetRoot(), counts);
    if (withStars) {
        StarField stars;
        stars.Fill(StarField::kStarRange, StarField::kStarRange, StarField::kStarCount);
        printStars(output, stars);
    }
    output.Number(counts.nodes);
    output.Char(' ');
    output.Number(counts.leaves);
    output.Char(' ');
    output.Number(Random::Drawn());
    output.EndLine();
    if (const int error = output.Finish(); error != 0) {
        return ReportFailure(err, "dump",
                             std::string("cannot write standard output: ") + std::strerror(error));
    }
    return kExitOk;
}

}  // namespace moon
