// SPDX-License-Identifier: MIT
#include "tools/HeightmapExport.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <functional>
#include <string_view>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

#include "base/ShortestText.h"
#include "cli/ExitCodes.h"
#include "cli/MoonVersion.h"
#include "craters/CraterCatalogue.h"
#include "io/AtomicFile.h"
#include "io/ExrFile.h"
#include "io/FileSet.h"
#include "io/PngFile.h"
#include "io/TiffFile.h"
#include "scene/Random.h"
#include "system/ProcessSignals.h"
#include "terrain/HeightGrid.h"
#include "terrain/ParallelRows.h"
#include "terrain/RefinedGrid.h"
#include "tools/ExportProgress.h"
#include "tools/Heightmap.h"
#include "tools/TerrainRequest.h"
#include "tools/TerrainTool.h"

namespace moon {
namespace {

using Text = std::vector<std::pair<std::string, std::string>>;

// zlib's level for refined (and cratered) PNGs. Their finer relief leaves
// deflate's default level searching long for matches: level 3 writes a
// depth-12 map four times as fast, 3% larger. Other PNGs keep libpng's
// default, and their bytes.
constexpr int kRefinedPngCompression = 3;

// One file of the export: the whole grid, or tile (x, y) of n a side.
struct Piece {
    const Heightmap* pHeightmap;
    int x = 0;
    int y = 0;
    int n = 1;
    // The share of the whole export done before this piece, and this piece's.
    double done = 0.0;
    double share = 1.0;
    bool IsTile() const { return n > 1; }
    void Report(ExportProgress& progress, int row) const {
        progress.Update("writing", done + share * row / pHeightmap->GetSide());
    }
};

std::string tileName(const Piece& piece) {
    return std::to_string(piece.x) + "," + std::to_string(piece.y) + " of " +
           std::to_string(piece.n) + " x " + std::to_string(piece.n);
}

// What every format says about the samples, in words.
std::string describe(const Piece& piece, bool scaled) {
    const Heightmap& map = *piece.pHeightmap;
    const double size = map.GetSpacing() * (map.GetSide() - 1);
    const std::string low = ShortestText(map.GetLowest());
    const std::string high = ShortestText(map.GetHighest());
    std::string text = scaled ? "Heights in world units: sample 0 is " + low + ", 65535 is " +
                                    high + ", linear between. "
                              : "Heights in world units, from " + low + " to " + high + ". ";
    if (piece.IsTile()) {
        text += "Tile " + tileName(piece) +
                " (x west to east, y north to south, from 0); tiles share their edge samples" +
                (scaled ? " and one height scale, the whole landscape's. " : ". ");
    }
    text += "The image covers " + ShortestText(size) + " x " + ShortestText(size) +
            " world units: x from " + ShortestText(map.GetWestX()) + " (left) to " +
            ShortestText(map.GetWestX() + size) + ", z from " + ShortestText(map.GetNorthZ()) +
            " (top, north) to " + ShortestText(map.GetNorthZ() + size) + "; samples are " +
            ShortestText(map.GetSpacing()) + " world units apart.";
    return text;
}

// The Software of PNG text and TIFF tags.
std::string software() {
    return std::string("moon-terrain ") + kMoonVersion;
}

std::string title(const HeightmapExport& request, const Piece& piece) {
    std::string text =
        "moon terrain heightmap, seed " + std::to_string(request.seed) +
        (request.regeneration > 0 ? ", regeneration " + std::to_string(request.regeneration) : "") +
        ", depth " + std::to_string(request.depth) + (request.refine ? ", refined" : "") +
        (request.craters ? ", craters (their catalogue: " +
                               CraterCatalogue::Command(request.seed, request.regeneration) + ")"
                         : "");
    return piece.IsTile() ? text + ", tile " + tileName(piece) : text;
}

bool writePng(const HeightmapExport& request, const Piece& piece, AtomicFile& file,
              ExportProgress& progress, std::string& problem) {
    const Heightmap& map = *piece.pHeightmap;
    const int side = map.GetSide();
    Text text = {
        {"Title", title(request, piece)},
        {"Software", software()},
        // Parsable: two numbers each, world units.
        {"Height range", ShortestText(map.GetLowest()) + " " + ShortestText(map.GetHighest())},
        {"World size", ShortestText(map.GetSpacing() * (side - 1)) + " " +
                           ShortestText(map.GetSpacing() * (side - 1))},
    };
    if (piece.IsTile()) {
        // Parsable too: x and z of the top-left sample, world units.
        text.emplace_back("World origin",
                          ShortestText(map.GetWestX()) + " " + ShortestText(map.GetNorthZ()));
    }
    text.emplace_back("Description", describe(piece, true));
    return PngFile::WriteGrey16(
        file, side, side,
        [&](int row, std::uint16_t* samples) {
            map.GetRow16(row, samples);
            piece.Report(progress, row);
        },
        text, problem, request.refine ? kRefinedPngCompression : PngFile::kDefaultCompression);
}

// Little-endian 16-bit samples, rows from the north, nothing else. Rows are
// converted a block at a time on every core; a block is written on a thread
// of its own while the next is converted.
bool writeR16(const Piece& piece, AtomicFile& file, ExportProgress& progress) {
    const Heightmap& map = *piece.pHeightmap;
    const auto side = static_cast<std::size_t>(map.GetSide());
    constexpr int kBlockRows = 64;
    std::array<std::vector<char>, 2> blocks;
    std::thread writer;
    bool written = true;
    for (int first = 0, block = 0; first < map.GetSide(); first += kBlockRows, block ^= 1) {
        const int rows = std::min(kBlockRows, map.GetSide() - first);
        std::vector<char>& bytes = blocks[static_cast<std::size_t>(block)];
        bytes.resize(2 * side * static_cast<std::size_t>(rows));
        ParallelRows::Run(rows, 0, [&](int begin, int end) {
            std::vector<std::uint16_t> samples(side);
            for (int row = begin; row < end; ++row) {
                map.GetRow16(first + row, samples.data());
                char* out = bytes.data() + 2 * side * static_cast<std::size_t>(row);
                for (std::size_t i = 0; i < side; ++i) {
                    out[2 * i] = static_cast<char>(samples[i] & 0xFFu);
                    out[2 * i + 1] = static_cast<char>(samples[i] >> 8);
                }
            }
        });
        if (writer.joinable()) {
            writer.join();
        }
        if (!written) {
            break;  // the file reports the failure when committed
        }
        auto write = [&file, &bytes, &written] {
            written = file.Write(std::string_view(bytes.data(), bytes.size()));
        };
        try {
            writer = std::thread(write);
        } catch (const std::system_error&) {
            write();
        }
        piece.Report(progress, first + rows - 1);
    }
    if (writer.joinable()) {
        writer.join();
    }
    return true;
}

bool writeTiff(const HeightmapExport& request, const Piece& piece, AtomicFile& file,
               ExportProgress& progress, std::string& problem) {
    const Heightmap& map = *piece.pHeightmap;
    const int side = map.GetSide();
    // GIS axes: easting is x, northing is -z (north is the smallest z).
    TiffFile::Placement placement;
    placement.east = map.GetWestX();
    placement.north = -map.GetNorthZ();
    placement.spacing = map.GetSpacing();
    placement.citation = "moon terrain: world units, easting x, northing -z";
    return TiffFile::WriteFloat32(
        file, side, side,
        [&](int row, float* samples) {
            map.GetRowFloat(row, samples);
            piece.Report(progress, row);
        },
        placement, title(request, piece) + ". " + describe(piece, false), software(), problem);
}

// OpenEXR is encoded from the whole image at once: the grid, once copied,
// may be given up (release) before the encoder needs its own memory.
bool writeExr(const HeightmapExport& request, const Piece& piece, AtomicFile& file,
              ExportProgress& progress, const std::function<void()>& release,
              std::string& problem) {
    const Heightmap& map = *piece.pHeightmap;
    const int side = map.GetSide();
    const std::string comments = title(request, piece) + ". " + describe(piece, false);
    std::vector<float> samples(static_cast<std::size_t>(side) * static_cast<std::size_t>(side));
    for (int row = 0; row < side; ++row) {
        map.GetRowFloat(row, samples.data() + static_cast<std::size_t>(row) * side);
        piece.Report(progress, row);
    }
    if (release) {
        release();
    }
    return ExrFile::WriteFloat32(file, side, side, std::move(samples), comments, problem);
}

// release: called when the grid is no longer needed, if that comes early.
bool writePiece(const HeightmapExport& request, const Piece& piece, AtomicFile& file,
                ExportProgress& progress, const std::function<void()>& release,
                std::string& problem) {
    switch (request.format) {
        case ExportFormatId::R16:
            return writeR16(piece, file, progress);
        case ExportFormatId::Tiff:
            return writeTiff(request, piece, file, progress, problem);
        case ExportFormatId::Exr:
            return writeExr(request, piece, file, progress, release, problem);
        default:
            return writePng(request, piece, file, progress, problem);
    }
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
    HeightGrid grid;
    double lowest = 0.0;
    double highest = 0.0;
    // After the output is known to be writable: a deep grid takes seconds.
    auto generate = [&] {
        progress.Update("generating", 0.0);
        TerrainRequest::SeedSequence(seed, regeneration);
        const LandscapeKey key{seed, regeneration};
        if (refine) {
            RefinedGrid::Generate(depth, key, grid, 0, craters);
        } else {
            grid.Generate(depth);
        }
        lowest = grid.GetLowest();
        highest = grid.GetHighest();
    };
    std::size_t bytes = 0;

    if (tiles == 1) {
        AtomicFile file(output, out);
        if (!file.Open(problem)) {
            return ReportFailure(err, "export", problem);
        }
        generate();
        const Heightmap map(grid);
        const bool encoded = writePiece(
            *this, Piece{&map}, file, progress, [&grid] { grid = HeightGrid(); }, problem);
        bytes = file.GetBytesWritten();
        const bool committed = encoded && file.Commit(problem);
        progress.Finish();
        if (!committed) {
            return ReportFailure(err, "export", problem);
        }
    } else {
        // The set is replaced whole or not at all (FileSet); a close request
        // (Ctrl+C) gives it up the same way, through the file being written.
        std::vector<std::string> paths;
        for (int y = 0; y < tiles; ++y) {
            for (int x = 0; x < tiles; ++x) {
                paths.push_back(tilePath(output, x, y));
            }
        }
        FileSet set(paths);
        if (!set.Check(problem)) {
            return ReportFailure(err, "export", problem);
        }
        ProcessSignals::CatchCloseRequests();
        generate();
        const int side = (grid.GetSide() - 1) / tiles;
        const double share = 1.0 / (tiles * tiles);
        bool written = true;
        for (int i = 0; written && i < tiles * tiles; ++i) {
            const int x = i % tiles;
            const int y = i / tiles;
            const Heightmap map(grid, x * side, y * side, side + 1);
            const std::string& staged = set.GetStagedPath(static_cast<std::size_t>(i));
            AtomicFile file(staged, nullptr);
            written =
                file.Open(problem) && writePiece(*this, Piece{&map, x, y, tiles, i * share, share},
                                                 file, progress, nullptr, problem);
            bytes += file.GetBytesWritten();
            written = written && file.Commit(problem);
            const std::size_t named = problem.find(staged);
            if (!written && named != std::string::npos) {
                // Name the tile, not its staged file.
                problem.replace(named, staged.size(), paths[static_cast<std::size_t>(i)]);
            }
        }
        written = written && set.Publish(problem);
        progress.Finish();
        ProcessSignals::ReleaseCloseRequests();
        if (!written) {
            return ReportFailure(err, "export", problem);
        }
    }

    if (verbose) {
        const std::chrono::duration<double> seconds = std::chrono::steady_clock::now() - started;
        // The grid may be gone: its sizes follow from the depth.
        const int side = (1 << depth) / tiles + 1;
        const double size = 500.0 / tiles;
        const std::string pieces =
            tiles == 1 ? "heightmap" : std::to_string(tiles * tiles) + " heightmap tiles";
        std::fprintf(err,
                     "moon-terrain export: %s %d x %d samples, heights %s to %s world "
                     "units over %s x %s world units, %zu bytes, %.2f s\n",
                     pieces.c_str(), side, side, ShortestText(lowest).c_str(),
                     ShortestText(highest).c_str(), ShortestText(size).c_str(),
                     ShortestText(size).c_str(), bytes, seconds.count());
    }
    return kExitOk;
}

}  // namespace moon
