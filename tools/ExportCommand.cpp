// SPDX-License-Identifier: MIT
// moon-terrain export: the leaf triangles exactly as the viewer draws them,
// written as a mesh file through the same drawing walk.
#include <charconv>
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

#include "cli/CommandValues.h"
#include "cli/OptionParser.h"
#include "io/AtomicFile.h"
#include "terrain/TerrainModel.h"
#include "tools/ExportProgress.h"
#include "tools/MeshWriter.h"
#include "tools/TerrainRequest.h"
#include "tools/TerrainTool.h"

namespace moon {
namespace {

constexpr std::string_view kExportUsage =
    "Usage: moon-terrain export --seed N --depth D [--lod X,Y,Z | --lod-off]...\n"
    "                           [--palette 0..5] [--mode flat|smooth] [--format ply|obj]\n"
    "                           [--verbose] -o FILE\n"
    "\n"
    "Builds the terrain as dump does and writes its leaf triangles as the viewer\n"
    "draws them (same triangles, order and winding), each vertex coloured by its\n"
    "height band: PLY (binary, little-endian) or OBJ with vertex colours. flat\n"
    "gives every triangle its face normal, smooth every vertex its cell's normal.\n"
    "A vertex that triangles share (same position, normal and colour) is written\n"
    "once. Units are world units, y up, x 0 to 500, z -500 to 0; the header says\n"
    "so and names the seed, depth and passes. N is the viewer's seed: \"moon --seed\n"
    "N\" shows this landscape (at depth 6, without passes).\n"
    "An existing FILE is replaced only once the new one is complete, keeping its\n"
    "mode (a symbolic link's target is replaced); a device or FIFO is written in\n"
    "place, and - is standard output.\n"
    "\n"
    "Options:\n";

struct ExportSettings {
    int palette = 0;
    RenderMode mode = Flat;
    MeshFormat format = MeshFormat::Ply;
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
    parser.AddValue("--mode", "flat|smooth", "normals per triangle or per cell (default flat)",
                    [&settings](std::string_view name, std::string_view value) -> std::string {
                        if (value == "flat") {
                            settings.mode = Flat;
                        } else if (value == "smooth") {
                            settings.mode = Smooth;
                        } else {
                            return std::string(name) + " must be flat or smooth, not " +
                                   Quoted(value);
                        }
                        return "";
                    });
    parser.AddValue("--format", "ply|obj", "file format (default ply)",
                    [&settings](std::string_view name, std::string_view value) -> std::string {
                        if (value == "ply") {
                            settings.format = MeshFormat::Ply;
                        } else if (value == "obj") {
                            settings.format = MeshFormat::Obj;
                        } else {
                            return std::string(name) + " must be ply or obj, not " + Quoted(value);
                        }
                        return "";
                    });
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

std::string number(double value) {
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

// The header's comment lines: what was built, and how to read the numbers.
std::vector<std::string> describe(const TerrainRequest& request, const ExportSettings& settings) {
    std::string passes;
    for (const TerrainRequest::DetailPass& pass : request.passes) {
        passes += passes.empty() ? "" : " ";
        passes += pass.enabled ? "--lod " + number(pass.viewpoint.x) + "," +
                                     number(pass.viewpoint.y) + "," + number(pass.viewpoint.z)
                               : std::string("--lod-off");
    }
    return {
        "moon terrain, seed " + std::to_string(*request.seed) + ", depth " +
            std::to_string(*request.depth) + ", palette " + std::to_string(settings.palette) +
            (settings.mode == Smooth ? ", smooth" : ", flat"),
        "level-of-detail passes: " + (passes.empty() ? std::string("none") : passes),
        "units: world units; axes: y up, x from 0 to 500, z from -500 to 0",
        "triangles counter-clockwise seen from above (+y)",
    };
}

}  // namespace

int RunExportCommand(const std::vector<std::string_view>& args, std::FILE* out, std::FILE* err) {
    TerrainRequest request;
    ExportSettings settings;
    OptionParser parser;
    request.AddOptions(parser);
    addExportOptions(parser, settings);

    std::string problem;
    if (!parser.Parse(args, problem)) {
        return ReportUsageError(err, "export", problem);
    }
    if (parser.HelpRequested()) {
        const std::string help = std::string(kExportUsage) + parser.Describe();
        std::fwrite(help.data(), 1, help.size(), out);
        return kExitOk;
    }
    problem = request.CheckComplete();
    if (problem.empty() && !settings.output) {
        problem = "-o FILE is required";
    }
    if (!problem.empty()) {
        return ReportUsageError(err, "export", problem);
    }

    // Timed from here: building a deep tree is part of what the user waits for.
    const auto started = std::chrono::steady_clock::now();
    ExportProgress progress(err, ExportProgress::IsTerminal(err));
    TerrainModel model;
    request.Build(model);
    model.SetPalette(settings.palette);
    model.SetRenderMode(settings.mode);

    AtomicFile file(*settings.output, out);
    if (!file.Open(problem)) {
        std::fprintf(err, "moon-terrain export: %s\n", problem.c_str());
        return kExitFailed;
    }
    // PLY declares its counts before the data: four triangles per leaf.
    MeshWriter writer(
        settings.format, 4 * CountLeaves(model.GetTerrain()->GetRoot()),
        [&progress](std::string_view stage, double fraction) { progress.Update(stage, fraction); });
    model.Draw(writer);
    writer.Write(file, describe(request, settings));
    const bool committed = file.Commit(problem);
    progress.Finish();
    if (!committed) {
        std::fprintf(err, "moon-terrain export: %s\n", problem.c_str());
        return kExitFailed;
    }
    if (settings.verbose) {
        const std::chrono::duration<double> seconds = std::chrono::steady_clock::now() - started;
        const std::string normals =
            settings.format == MeshFormat::Obj
                ? ", " + std::to_string(writer.GetNormalCount()) + " normals"
                : "";
        std::fprintf(err, "moon-terrain export: %zu triangles, %zu vertices%s, %zu bytes, %.2f s\n",
                     writer.GetTriangleCount(), writer.GetVertexCount(), normals.c_str(),
                     writer.GetBytesWritten(), seconds.count());
    }
    return kExitOk;
}

}  // namespace moon
