// SPDX-License-Identifier: MIT
// moon-terrain export: the leaf triangles exactly as the viewer draws them,
// or joined into one surface (--join), written as a mesh file (PLY, OBJ,
// glTF binary); or the generated grid of heights as a heightmap (PNG, R16,
// GeoTIFF, OpenEXR), whole or in tiles.
#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "base/ShortestText.h"
#include "cli/CommandValues.h"
#include "cli/MoonVersion.h"
#include "cli/OptionParser.h"
#include "io/AtomicFile.h"
#include "mesh/GatheredMesh.h"
#include "mesh/GridMesh.h"
#include "mesh/JoinedMesh.h"
#include "mesh/Mesh.h"
#include "mesh/MeshDescription.h"
#include "mesh/MeshOutput.h"
#include "mesh/TerrainMeshFacts.h"
#include "terrain/Terrain.h"
#include "terrain/TerrainModel.h"
#include "tools/ExportFormat.h"
#include "tools/ExportProgress.h"
#include "tools/HeightmapExport.h"
#include "tools/TerrainRequest.h"
#include "tools/TerrainTool.h"

namespace moon {
namespace {

constexpr std::string_view kExportUsage =
    "Usage: moon-terrain export --seed N --depth D [--lod X,Y,Z | --lod-off]...\n"
    "                           [--refine | --craters]\n"
    "                           [--palette 0..5] [--mode wireframe|flat|smooth]\n"
    "                           [--join] [--format FORMAT] [--tiles T]\n"
    "                           [--verbose] -o FILE\n"
    "\n"
    "Builds the terrain as dump does and writes its leaf triangles as the viewer\n"
    "draws them (same triangles, order and winding), each vertex coloured by its\n"
    "height band: PLY (binary, little-endian), OBJ with vertex colours, or glTF 2.0\n"
    "binary (.glb). flat gives every triangle its face normal, smooth every vertex\n"
    "its cell's normal, wireframe writes the triangles' edges (lines, no normals).\n"
    "A vertex that triangles share (same position, normal and colour) is written\n"
    "once. --join makes one surface: one vertex per position over the whole\n"
    "terrain, triangles split where finer cells meet a coarser one (no cracks, no\n"
    "T-junctions), and every vertex the mean of the face normals around it, so\n"
    "flat or smooth shading is the importing program's choice. Meshes go to\n"
    "depth 12 (67 million triangles), streamed as they are written; a .glb holds\n"
    "at most 4 GiB, so a flat one stops at depth 11.\n"
    "A heightmap format writes the generated grid instead, without building the\n"
    "tree: (2^D + 1) samples a side, north (z -500) at the top, x to the right,\n"
    "to depth 14 (16385 samples a side). png is 16-bit greyscale (the lowest\n"
    "height 0, the highest 65535; the range is in its text), r16 the same samples\n"
    "headerless, little-endian, tif a 32-bit float GeoTIFF and exr a 32-bit float\n"
    "OpenEXR of the heights in world units. --tiles T writes T x T files\n"
    "FILE_X_Y (X west to east, Y north to south, from 0) of (2^D / T + 1) samples\n"
    "a side that share their edge samples and one height scale; the set is\n"
    "replaced whole or not at all. Heightmaps take no level-of-detail passes.\n"
    "--refine gives the viewer's landscape at any depth: the depth-6 landscape,\n"
    "refined below depth 6 with lunar roughness (Hurst exponent 0.9), every depth\n"
    "with the same heights at the points they share (see moon-terrain(1)).\n"
    "--craters lays the seed's craters on that landscape; \"moon-terrain craters\"\n"
    "writes their catalogue.\n"
    "Without --format, the format follows FILE's extension (see Formats below);\n"
    "any other name is PLY. Units are world units, y up, x 0 to 500, z -500 to 0;\n"
    "the header says so and names the seed, depth and passes. N is the viewer's\n"
    "seed: \"moon --seed N\" shows this landscape (at depth 6, without passes).\n"
    "An existing FILE is replaced only once the new one is complete, keeping its\n"
    "mode (a symbolic link's target is replaced); a device or FIFO is written in\n"
    "place, and - is standard output.\n"
    "\n"
    "Options:\n";

// Deeper meshes would pass 4 GiB in a .glb; their grid alone is 2 GiB.
constexpr int kMaxMeshDepth = 12;

struct ExportSettings {
    int palette = 0;
    RenderMode mode = Flat;
    const ExportFormat* pFormat = nullptr;  // as given; else from the file's name
    bool join = false;
    std::optional<int> tiles;
    std::optional<std::string> output;
    bool verbose = false;
};

void addExportOptions(OptionParser& parser, ExportSettings& settings) {
    parser.AddValue("--palette", "P", "height palette, 0 to 5 (default 0)",
                    [&settings](std::string_view name, std::string_view value) -> std::string {
                        std::int64_t number = 0;
                        if (ParseWholeNumber(value, 0, TerrainModel::kPaletteCount - 1, number) !=
                            WholeNumber::Ok) {
                            return std::string(name) + " must be 0 to 5, not " + Quoted(value);
                        }
                        settings.palette = static_cast<int>(number);
                        return "";
                    });
    parser.AddValue("--mode", "wireframe|flat|smooth",
                    "edges, or normals per triangle or per cell (default flat)",
                    [&settings](std::string_view name, std::string_view value) -> std::string {
                        if (value == "flat") {
                            settings.mode = Flat;
                        } else if (value == "smooth") {
                            settings.mode = Smooth;
                        } else if (value == "wireframe") {
                            settings.mode = Wireframe;
                        } else {
                            return std::string(name) + " must be wireframe, flat or smooth, not " +
                                   Quoted(value);
                        }
                        return "";
                    });
    parser.AddValue("--format", "FORMAT",
                    "ply, obj or glb (meshes), png, r16, tif or exr (heightmaps; heightmap is "
                    "png); default: from FILE's extension, else ply",
                    [&settings](std::string_view name, std::string_view value) -> std::string {
                        settings.pFormat = FindExportFormat(value);
                        if (settings.pFormat == nullptr) {
                            return std::string(name) + " must be " +
                                   std::string(ExportFormatNames()) + ", not " + Quoted(value);
                        }
                        return "";
                    });
    parser.AddValue(
        "--tiles", "T", "heightmaps: T x T tiles that share their edges, T a power of two",
        [&settings](std::string_view name, std::string_view value) -> std::string {
            std::int64_t number = 0;
            if (ParseWholeNumber(value, 1, 1 << HeightmapExport::kMaxDepth, number) !=
                    WholeNumber::Ok ||
                (number & (number - 1)) != 0) {
                return std::string(name) + " must be a power of two from 1 to " +
                       std::to_string(1 << HeightmapExport::kMaxDepth) + ", not " + Quoted(value);
            }
            settings.tiles = static_cast<int>(number);
            return "";
        });
    parser.AddFlag("--join", "one surface: a vertex per position, no cracks or T-junctions",
                   [&settings] { settings.join = true; });
    auto output = [&settings](std::string_view name, std::string_view value) -> std::string {
        if (value.empty()) {
            return std::string(name) + " needs a file name";
        }
        if (settings.output) {
            return "the output file is given more than once";
        }
        settings.output = std::string(value);
        return "";
    };
    parser.AddFlag("--verbose", "a summary on standard error: triangles, vertices, bytes, time",
                   [&settings] { settings.verbose = true; });
    parser.AddValue("-o", "FILE", "the file to write, - for standard output (required)", output);
    parser.AddValue("--output", "FILE", "the same as -o", output);
}

// The level-of-detail passes as they were given on the command line.
std::vector<std::string> passTexts(const TerrainRequest& request) {
    std::vector<std::string> texts;
    for (const TerrainRequest::DetailPass& pass : request.passes) {
        texts.push_back(pass.enabled ? "--lod " + ShortestText(pass.viewpoint.x) + "," +
                                           ShortestText(pass.viewpoint.y) + "," +
                                           ShortestText(pass.viewpoint.z)
                                     : std::string("--lod-off"));
    }
    return texts;
}

// What the file says about itself.
MeshDescription describe(const TerrainRequest& request, const ExportSettings& settings) {
    TerrainMeshFacts facts;
    facts.seed = *request.seed;
    facts.regeneration = request.regeneration;
    facts.depth = *request.depth;
    facts.palette = settings.palette;
    facts.mode = settings.mode;
    facts.passes = passTexts(request);
    facts.joined = settings.join;
    facts.refined = request.refine;
    facts.craters = request.craters;
    MeshDescription description = DescribeTerrainMesh(facts);
    description.generator = std::string("moon-terrain ") + kMoonVersion;
    return description;
}

// Opened before the terrain is built, so that an output that cannot be
// written is reported at once, not after a deep tree's seconds of building.
// The help's list of formats, from the table: name, extensions, what it is.
std::string describeFormats() {
    std::string text = "Formats:\n";
    for (const ExportFormat& format : ExportFormats()) {
        std::string line = "  " + std::string(format.name);
        line.resize(8, ' ');
        line += format.extensions;
        line.resize(22, ' ');
        text += line + std::string(format.summary) + "\n";
    }
    return text;
}

bool openOutput(AtomicFile& file, std::FILE* err) {
    std::string problem;
    if (file.Open(problem)) {
        return true;
    }
    ReportFailure(err, "export", problem);
    return false;
}

}  // namespace

int RunExportCommand(const std::vector<std::string_view>& args, std::FILE* out, std::FILE* err) {
    TerrainRequest request;
    ExportSettings settings;
    OptionParser parser;
    TerrainRequest::DepthLimit depthLimit;
    depthLimit.max = HeightmapExport::kMaxDepth;
    depthLimit.help =
        "levels generated below the root: 0 to 12 for meshes, 0 to 14 for heightmaps (required)";
    depthLimit.deeper = "a deeper grid needs more than 8 GiB of memory";
    request.AddOptions(parser, depthLimit);
    addExportOptions(parser, settings);

    std::string problem;
    if (!parser.Parse(args, problem)) {
        return ReportUsageError(err, "export", problem);
    }
    if (parser.HelpRequested()) {
        const std::string help =
            std::string(kExportUsage) + parser.Describe() + "\n" + describeFormats();
        return PrintText(out, err, help);
    }
    problem = request.CheckComplete();
    if (problem.empty() && !settings.output) {
        problem = "-o FILE is required";
    }
    // An explicit --format wins over the name; standard output has no name.
    const ExportFormat& format = settings.pFormat != nullptr
                                     ? *settings.pFormat
                                     : ExportFormatForPath(settings.output.value_or(""));
    if (problem.empty() && format.IsHeightmap() && !request.passes.empty()) {
        problem = "a heightmap is the generated regular grid: it takes no --lod or --lod-off";
    }
    if (problem.empty() && !format.IsHeightmap() && *request.depth > kMaxMeshDepth) {
        problem = "--depth " + std::to_string(*request.depth) + " is outside 0 to " +
                  std::to_string(kMaxMeshDepth) +
                  " for meshes: deeper meshes pass 4 GiB (heightmaps go to " +
                  std::to_string(HeightmapExport::kMaxDepth) + ")";
    }
    if (problem.empty() && !format.IsHeightmap() && settings.tiles) {
        problem = "--tiles is for heightmaps (png, r16, tif, exr), not " +
                  std::string(format.name) + " meshes";
    }
    HeightmapExport heightmap;
    if (problem.empty() && format.IsHeightmap()) {
        heightmap.seed = *request.seed;
        heightmap.depth = *request.depth;
        heightmap.format = format.id;
        heightmap.output = *settings.output;
        heightmap.tiles = settings.tiles.value_or(1);
        heightmap.verbose = settings.verbose;
        heightmap.refine = request.refine;
        heightmap.craters = request.craters;
        heightmap.regeneration = request.regeneration;
        problem = heightmap.Check();
    }
    if (!problem.empty()) {
        return ReportUsageError(err, "export", problem);
    }
    if (format.IsHeightmap()) {
        return heightmap.Run(out, err);
    }

    // Timed from here: building a deep tree is part of what the user waits for.
    const auto started = std::chrono::steady_clock::now();
    AtomicFile file(*settings.output, out);
    if (!openOutput(file, err)) {
        return kExitFailed;
    }
    ExportProgress progress(err, ExportProgress::IsTerminal(err));
    auto report = [&progress](std::string_view stage, double fraction) {
        progress.Update(stage, fraction);
    };
    const TerrainModel palettes;
    const HeightPalette& palette = palettes.GetPalette(settings.palette);
    const bool lines = settings.mode == Wireframe;
    std::unique_ptr<Mesh> mesh;
    if (request.passes.empty() || *request.depth >= Terrain::kDeepestRefinedDepth) {
        // The leaves are the generated grid's cells: streamed, without the tree.
        GridMesh::Settings grid;
        grid.seed = *request.seed;
        grid.depth = *request.depth;
        grid.mode = settings.mode;
        grid.palette = &palette;
        grid.joined = settings.join;
        grid.sharing = format.sharing;
        grid.refine = request.refine;
        grid.craters = request.craters;
        grid.regeneration = request.regeneration;
        TerrainRequest::SeedSequence(grid.seed, grid.regeneration);
        mesh = std::make_unique<GridMesh>(grid, report);
    } else {
        TerrainModel model;
        request.Build(model);
        const TerrainNode* root = model.GetTerrain()->GetRoot();
        std::unique_ptr<GatheredMesh> gathered;
        if (settings.join) {
            JoinedMesh joined;
            progress.Update("joining", 0.0);
            joined.Build(root, palette);
            gathered = std::make_unique<GatheredMesh>(format.sharing, lines,
                                                      joined.GetTriangleCount(), report);
            joined.Send(*gathered);
        } else {
            // Four triangles per leaf, for progress and reservations.
            gathered = std::make_unique<GatheredMesh>(format.sharing, lines, 4 * CountLeaves(root),
                                                      report);
            model.GetTerrain()->Draw(settings.mode, palette, *gathered);
        }
        mesh = std::move(gathered);
    }
    MeshOutput output(file, report);
    // A writer that cannot hold the mesh writes nothing, and the file is left as it was.
    const bool written = format.write(*mesh, describe(request, settings), output, problem);
    const bool committed = written && file.Commit(problem);
    progress.Finish();
    if (!committed) {
        return ReportFailure(err, "export", problem);
    }
    if (settings.verbose) {
        const std::chrono::duration<double> seconds = std::chrono::steady_clock::now() - started;
        const std::string shapes =
            std::to_string(mesh->GetPrimitiveCount()) + (lines ? " lines" : " triangles");
        const std::string normals = mesh->GetSharing() == MeshSharing::Attributes && !lines
                                        ? ", " + std::to_string(mesh->GetNormalCount()) + " normals"
                                        : "";
        std::fprintf(err, "moon-terrain export: %s, %zu vertices%s, %zu bytes, %.2f s\n",
                     shapes.c_str(), mesh->GetVertexCount(), normals.c_str(),
                     file.GetBytesWritten(), seconds.count());
    }
    return kExitOk;
}

}  // namespace moon
