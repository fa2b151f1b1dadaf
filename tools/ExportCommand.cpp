// SPDX-License-Identifier: MIT
// moon-terrain export: the leaf triangles exactly as the viewer draws them,
// or joined into one surface (--join), written as a mesh file (PLY, OBJ,
// glTF binary); or the generated grid of heights as a 16-bit PNG.
#include <algorithm>
#include <cctype>
#include <charconv>
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

#include "cli/CommandValues.h"
#include "cli/MoonVersion.h"
#include "cli/OptionParser.h"
#include "io/AtomicFile.h"
#include "io/PngFile.h"
#include "terrain/TerrainModel.h"
#include "tools/ExportProgress.h"
#include "tools/Heightmap.h"
#include "tools/JoinedMesh.h"
#include "tools/MeshWriter.h"
#include "tools/TerrainRequest.h"
#include "tools/TerrainTool.h"

namespace moon {
namespace {

constexpr std::string_view kExportUsage =
    "Usage: moon-terrain export --seed N --depth D [--lod X,Y,Z | --lod-off]...\n"
    "                           [--palette 0..5] [--mode wireframe|flat|smooth]\n"
    "                           [--join] [--format ply|obj|glb|heightmap]\n"
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
    "flat or smooth shading is the importing program's choice.\n"
    "heightmap writes the generated grid instead: (2^D + 1) samples a side as a\n"
    "16-bit greyscale PNG, north (z -500) at the top, x to the right, the lowest\n"
    "height 0 and the highest 65535 (the range is in its text); it takes no\n"
    "level-of-detail passes.\n"
    "Without --format, the format follows FILE's extension (.ply, .obj, .glb,\n"
    ".png); any other name is PLY. Units are world units, y up, x 0 to 500, z -500\n"
    "to 0; the header says so and names the seed, depth and passes. N is the\n"
    "viewer's seed: \"moon --seed N\" shows this landscape (at depth 6, without\n"
    "passes).\n"
    "An existing FILE is replaced only once the new one is complete, keeping its\n"
    "mode (a symbolic link's target is replaced); a device or FIFO is written in\n"
    "place, and - is standard output.\n"
    "\n"
    "Options:\n";

enum class ExportFormat { Ply, Obj, Glb, Heightmap };

struct ExportSettings {
    int palette = 0;
    RenderMode mode = Flat;
    std::optional<ExportFormat> format;  // as given; else from the file's name
    bool join = false;
    std::optional<std::string> output;
    bool verbose = false;
};

// The format a file name asks for: its extension, in any case; PLY otherwise.
ExportFormat formatForName(std::string_view path) {
    const std::size_t slash = path.find_last_of('/');
    const std::size_t dot = path.find_last_of('.');
    if (dot == std::string_view::npos || (slash != std::string_view::npos && dot < slash)) {
        return ExportFormat::Ply;
    }
    std::string extension(path.substr(dot + 1));
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (extension == "obj") {
        return ExportFormat::Obj;
    }
    if (extension == "glb") {
        return ExportFormat::Glb;
    }
    if (extension == "png") {
        return ExportFormat::Heightmap;
    }
    return ExportFormat::Ply;
}

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
    parser.AddValue("--format", "ply|obj|glb|heightmap",
                    "file format (default: from FILE's extension, else ply)",
                    [&settings](std::string_view name, std::string_view value) -> std::string {
                        if (value == "ply") {
                            settings.format = ExportFormat::Ply;
                        } else if (value == "obj") {
                            settings.format = ExportFormat::Obj;
                        } else if (value == "glb") {
                            settings.format = ExportFormat::Glb;
                        } else if (value == "heightmap") {
                            settings.format = ExportFormat::Heightmap;
                        } else {
                            return std::string(name) +
                                   " must be ply or obj (meshes), glb (glTF binary) or heightmap "
                                   "(16-bit PNG), not " +
                                   Quoted(value);
                        }
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

std::string number(double value) {
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

const char* modeName(RenderMode mode) {
    return mode == Wireframe ? "wireframe" : mode == Smooth ? "smooth" : "flat";
}

// The level-of-detail passes as they were given on the command line.
std::vector<std::string> passNames(const TerrainRequest& request) {
    std::vector<std::string> names;
    for (const TerrainRequest::DetailPass& pass : request.passes) {
        names.push_back(pass.enabled ? "--lod " + number(pass.viewpoint.x) + "," +
                                           number(pass.viewpoint.y) + "," + number(pass.viewpoint.z)
                                     : std::string("--lod-off"));
    }
    return names;
}

// What the file says about itself: comment lines (PLY, OBJ) and the glTF
// asset's extras. Pass names hold only digits, signs, dots, commas and
// letters, so they need no escaping in JSON.
MeshWriter::Description describe(const TerrainRequest& request, const ExportSettings& settings) {
    const std::vector<std::string> passes = passNames(request);
    std::string passLine;
    std::string passJson;
    for (const std::string& pass : passes) {
        passLine += (passLine.empty() ? "" : " ") + pass;
        passJson += (passJson.empty() ? "\"" : ",\"") + pass + "\"";
    }
    MeshWriter::Description description;
    description.comments = {
        "moon terrain, seed " + std::to_string(*request.seed) + ", depth " +
            std::to_string(*request.depth) + ", palette " + std::to_string(settings.palette) +
            ", " + modeName(settings.mode),
        "level-of-detail passes: " + (passLine.empty() ? std::string("none") : passLine),
        "units: world units; axes: y up, x from 0 to 500, z from -500 to 0",
        "triangles counter-clockwise seen from above (+y)",
    };
    if (settings.join) {
        description.comments.push_back(
            "joined: one vertex per position, normals the mean of the face normals around it");
    }
    description.extrasJson =
        "{\"units\":\"world units\",\"axes\":\"y up, x from 0 to 500, z from -500 to 0\","
        "\"seed\":" +
        std::to_string(*request.seed) + ",\"depth\":" + std::to_string(*request.depth) +
        ",\"palette\":" + std::to_string(settings.palette) + ",\"mode\":\"" +
        modeName(settings.mode) + "\",\"passes\":[" + passJson +
        "],\"joined\":" + (settings.join ? "true" : "false") + "}";
    return description;
}

// Opened before the terrain is built, so that an output that cannot be
// written is reported at once, not after a deep tree's seconds of building.
bool openOutput(AtomicFile& file, std::FILE* err) {
    std::string problem;
    if (!file.Open(problem)) {
        std::fprintf(err, "moon-terrain export: %s\n", problem.c_str());
        return false;
    }
    return true;
}

int exportHeightmap(const TerrainRequest& request, const ExportSettings& settings, std::FILE* out,
                    std::FILE* err) {
    const auto started = std::chrono::steady_clock::now();
    AtomicFile file(*settings.output, out);
    if (!openOutput(file, err)) {
        return kExitFailed;
    }
    TerrainModel model;
    request.Build(model);
    Heightmap heightmap;
    heightmap.Sample(model.GetTerrain()->GetRoot(), *request.depth);
    const int side = heightmap.GetSide();
    const std::string low = number(heightmap.GetLowest());
    const std::string high = number(heightmap.GetHighest());
    const std::vector<std::pair<std::string, std::string>> text = {
        {"Title", "moon terrain heightmap, seed " + std::to_string(*request.seed) + ", depth " +
                      std::to_string(*request.depth)},
        {"Software", std::string("moon-terrain ") + kMoonVersion},
        // Parsable: two numbers each, world units.
        {"Height range", low + " " + high},
        {"World size", "500 500"},
        {"Description",
         "Heights in world units: sample 0 is " + low + ", 65535 is " + high +
             ", linear between. The image covers 500 x 500 world units: x from 0 (left) to 500, "
             "z from -500 (top, north) to 0; samples are " +
             number(500.0 / static_cast<double>(side - 1)) + " world units apart."},
    };
    std::vector<std::uint8_t> png;
    std::string problem;
    if (!PngFile::EncodeGrey16(side, side, heightmap.ToSamples16(), text, png, problem)) {
        std::fprintf(err, "moon-terrain export: %s\n", problem.c_str());
        return kExitFailed;
    }
    file.Write(std::string_view(reinterpret_cast<const char*>(png.data()), png.size()));
    if (!file.Commit(problem)) {
        std::fprintf(err, "moon-terrain export: %s\n", problem.c_str());
        return kExitFailed;
    }
    if (settings.verbose) {
        const std::chrono::duration<double> seconds = std::chrono::steady_clock::now() - started;
        std::fprintf(err,
                     "moon-terrain export: heightmap %d x %d samples, heights %s to %s world "
                     "units over 500 x 500 world units, %zu bytes, %.2f s\n",
                     side, side, low.c_str(), high.c_str(), png.size(), seconds.count());
    }
    return kExitOk;
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
        return PrintText(out, err, help);
    }
    problem = request.CheckComplete();
    if (problem.empty() && !settings.output) {
        problem = "-o FILE is required";
    }
    // An explicit --format wins over the name.
    const ExportFormat format = settings.format.value_or(
        settings.output ? formatForName(*settings.output) : ExportFormat::Ply);
    if (problem.empty() && format == ExportFormat::Heightmap && !request.passes.empty()) {
        problem = "a heightmap is the generated regular grid: it takes no --lod or --lod-off";
    }
    if (!problem.empty()) {
        return ReportUsageError(err, "export", problem);
    }
    if (format == ExportFormat::Heightmap) {
        return exportHeightmap(request, settings, out, err);
    }

    // Timed from here: building a deep tree is part of what the user waits for.
    const auto started = std::chrono::steady_clock::now();
    AtomicFile file(*settings.output, out);
    if (!openOutput(file, err)) {
        return kExitFailed;
    }
    ExportProgress progress(err, ExportProgress::IsTerminal(err));
    TerrainModel model;
    request.Build(model);
    model.SetPalette(settings.palette);
    model.SetRenderMode(settings.mode);
    const MeshFormat meshFormat = format == ExportFormat::Obj   ? MeshFormat::Obj
                                  : format == ExportFormat::Glb ? MeshFormat::Glb
                                                                : MeshFormat::Ply;
    const bool lines = settings.mode == Wireframe;
    auto report = [&progress](std::string_view stage, double fraction) {
        progress.Update(stage, fraction);
    };
    std::optional<MeshWriter> writer;
    if (settings.join) {
        JoinedMesh joined;
        progress.Update("joining", 0.0);
        joined.Build(model.GetTerrain()->GetRoot(), model.GetPalette(settings.palette));
        writer.emplace(meshFormat, lines, joined.GetTriangleCount(), report);
        joined.Send(*writer);
    } else {
        // Four triangles per leaf, for progress and reservations.
        writer.emplace(meshFormat, lines, 4 * CountLeaves(model.GetTerrain()->GetRoot()), report);
        model.Draw(*writer);
    }
    writer->Write(file, describe(request, settings));
    const bool committed = file.Commit(problem);
    progress.Finish();
    if (!committed) {
        std::fprintf(err, "moon-terrain export: %s\n", problem.c_str());
        return kExitFailed;
    }
    if (settings.verbose) {
        const std::chrono::duration<double> seconds = std::chrono::steady_clock::now() - started;
        const std::string shapes = lines
                                       ? std::to_string(writer->GetLineCount()) + " lines"
                                       : std::to_string(writer->GetTriangleCount()) + " triangles";
        const std::string normals =
            meshFormat == MeshFormat::Obj && !lines
                ? ", " + std::to_string(writer->GetNormalCount()) + " normals"
                : "";
        std::fprintf(err, "moon-terrain export: %s, %zu vertices%s, %zu bytes, %.2f s\n",
                     shapes.c_str(), writer->GetVertexCount(), normals.c_str(),
                     writer->GetBytesWritten(), seconds.count());
    }
    return kExitOk;
}

}  // namespace moon
