// SPDX-License-Identifier: MIT
#include "tools/HeightmapExport.h"

#include <chrono>
#include <string_view>
#include <vector>

#include "base/ShortestText.h"
#include "cli/ExitCodes.h"
#include "cli/MoonVersion.h"
#include "craters/CraterCatalogue.h"
#include "io/AtomicFile.h"
#include "io/FileSet.h"
#include "mesh/Heightmap.h"
#include "mesh/HeightmapPiece.h"
#include "system/ProcessSignals.h"
#include "terrain/HeightGrid.h"
#include "terrain/RefinedGrid.h"
#include "terrain/TerrainLimits.h"
#include "tools/ExportFormat.h"
#include "tools/ExportProgress.h"
#include "tools/TerrainRequest.h"
#include "tools/TerrainTool.h"

namespace moon {
namespace {

// The landscape in words, as every file's title gives it.
std::string title(const HeightmapExport& request) {
    return "moon terrain heightmap, seed " + std::to_string(request.seed) +
           (request.regeneration > 0 ? ", regeneration " + std::to_string(request.regeneration)
                                     : "") +
           ", depth " + std::to_string(request.depth) + (request.refine ? ", refined" : "") +
           (request.craters ? ", craters (their catalogue: " +
                                  CraterCatalogue::Command(request.seed, request.regeneration) + ")"
                            : "");
}

// Tile (x, y) of n of map, told as the share [done, done + share) of the
// whole export's progress.
HeightmapPiece makePiece(const HeightmapExport& request, const Heightmap& map, int x, int y,
                         ExportProgress& progress, double done, double share) {
    HeightmapPiece piece;
    piece.pHeightmap = &map;
    piece.x = x;
    piece.y = y;
    piece.n = request.tiles;
    piece.title = title(request);
    piece.software = std::string("moon-terrain ") + kMoonVersion;
    piece.refined = request.refine;
    piece.progress = [&progress, &map, done, share](int row) {
        progress.Update("writing", done + share * row / map.GetSide());
    };
    return piece;
}

// What was written, for the summary: the grid may be gone by then.
struct Written {
    std::size_t bytes = 0;
    double lowest = 0.0;
    double highest = 0.0;
};

// After the output is known to be writable: a deep grid takes seconds.
void generate(const HeightmapExport& request, HeightGrid& grid, ExportProgress& progress,
              Written& written) {
    progress.Update("generating", 0.0);
    TerrainRequest::SeedSequence(request.seed, request.regeneration);
    const LandscapeKey key{request.seed, request.regeneration};
    if (request.refine) {
        RefinedGrid::Generate(request.depth, key, grid, 0, request.craters);
    } else {
        grid.Generate(request.depth);
    }
    written.lowest = grid.GetLowest();
    written.highest = grid.GetHighest();
}

// NAME_X_Y.EXT for output NAME.EXT (the extension is kept as given, and may
// be missing).
std::string tilePath(const std::string& output, int x, int y) {
    const std::size_t slash = output.find_last_of("/\\");
    std::size_t dot = output.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash) ||
        dot == (slash == std::string::npos ? 0 : slash + 1)) {
        dot = output.size();
    }
    return output.substr(0, dot) + "_" + std::to_string(x) + "_" + std::to_string(y) +
           output.substr(dot);
}

// The whole grid in one file. False with the problem when it could not be
// written.
bool writeWhole(const HeightmapExport& request, std::FILE* out, ExportProgress& progress,
                Written& written, std::string& problem) {
    AtomicFile file(request.output, out);
    if (!file.Open(problem)) {
        return false;
    }
    HeightGrid grid;
    generate(request, grid, progress, written);
    const Heightmap map(grid);
    HeightmapPiece piece = makePiece(request, map, 0, 0, progress, 0.0, 1.0);
    piece.release = [&grid] { grid = HeightGrid(); };
    const bool encoded = request.pFormat->Heightmap().write(piece, file, problem);
    written.bytes = file.GetBytesWritten();
    return encoded && file.Commit(problem);
}

// The tiles, a file each, replaced together or not at all (FileSet); a close
// request (Ctrl+C) gives the set up the same way, through the file being
// written.
bool writeTiles(const HeightmapExport& request, ExportProgress& progress, Written& written,
                std::string& problem) {
    const int tiles = request.tiles;
    std::vector<std::string> paths;
    for (int y = 0; y < tiles; ++y) {
        for (int x = 0; x < tiles; ++x) {
            paths.push_back(tilePath(request.output, x, y));
        }
    }
    FileSet set(paths);
    if (!set.Check(problem)) {
        return false;
    }
    ProcessSignals::CatchCloseRequests();
    HeightGrid grid;
    generate(request, grid, progress, written);
    const int side = (grid.GetSide() - 1) / tiles;
    const double share = 1.0 / (tiles * tiles);
    bool ok = true;
    for (int i = 0; ok && i < tiles * tiles; ++i) {
        const int x = i % tiles;
        const int y = i / tiles;
        const Heightmap map(grid, x * side, y * side, side + 1);
        // Its failures name the tile, not the file it is staged in.
        AtomicFile file(set.GetStagedPath(static_cast<std::size_t>(i)), nullptr,
                        paths[static_cast<std::size_t>(i)]);
        const HeightmapPiece piece = makePiece(request, map, x, y, progress, i * share, share);
        ok = file.Open(problem) && request.pFormat->Heightmap().write(piece, file, problem);
        written.bytes += file.GetBytesWritten();
        ok = ok && file.Commit(problem);
    }
    ok = ok && set.Publish(problem);
    ProcessSignals::ReleaseCloseRequests();
    return ok;
}

}  // namespace

std::string HeightmapExport::Check() const {
    if (tiles < 1 || (tiles & (tiles - 1)) != 0 || tiles > (1 << depth)) {
        return "--tiles must be a power of two from 1 to 2^depth (" + std::to_string(1 << depth) +
               " at depth " + std::to_string(depth) + "), not " + std::to_string(tiles);
    }
    if (tiles > 1 && output == "-") {
        return "--tiles writes a file a tile: it cannot write to standard output";
    }
    return "";
}

int HeightmapExport::Run(std::FILE* out, std::FILE* err) const {
    const auto started = std::chrono::steady_clock::now();
    ExportProgress progress(err, ExportProgress::IsTerminal(err));
    std::string problem;
    Written written;
    const bool ok = tiles == 1 ? writeWhole(*this, out, progress, written, problem)
                               : writeTiles(*this, progress, written, problem);
    progress.Finish();
    if (!ok) {
        return ReportFailure(err, "export", problem);
    }
    if (verbose) {
        const std::chrono::duration<double> seconds = std::chrono::steady_clock::now() - started;
        // The grid may be gone: its sizes follow from the depth.
        const int side = (1 << depth) / tiles + 1;
        const double size = TerrainLimits::kWorldSize / tiles;
        const std::string pieces =
            tiles == 1 ? "heightmap" : std::to_string(tiles * tiles) + " heightmap tiles";
        std::fprintf(err,
                     "moon-terrain export: %s %d x %d samples, heights %s to %s world "
                     "units over %s x %s world units, %zu bytes, %.2f s\n",
                     pieces.c_str(), side, side, ShortestText(written.lowest).c_str(),
                     ShortestText(written.highest).c_str(), ShortestText(size).c_str(),
                     ShortestText(size).c_str(), written.bytes, seconds.count());
    }
    return kExitOk;
}

}  // namespace moon
