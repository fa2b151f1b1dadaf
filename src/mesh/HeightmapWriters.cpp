// SPDX-License-Identifier: MIT
#include "mesh/HeightmapWriters.h"

#include <algorithm>
#include <array>
#include <string_view>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

#include "base/ShortestText.h"
#include "io/AtomicFile.h"
#include "io/ExrFile.h"
#include "io/PngFile.h"
#include "io/TiffFile.h"
#include "mesh/Heightmap.h"
#include "mesh/HeightmapPiece.h"
#include "terrain/ParallelRows.h"

namespace moon {
namespace {

using Text = std::vector<std::pair<std::string, std::string>>;

// zlib's level for refined (and cratered) PNGs. Their finer relief leaves
// deflate's default level searching long for matches: level 3 writes a
// depth-12 map four times as fast, 3% larger. Other PNGs keep libpng's
// default, and their bytes.
constexpr int kRefinedPngCompression = 3;

void report(const HeightmapPiece& piece, int row) {
    if (piece.progress) {
        piece.progress(row);
    }
}

std::string tileName(const HeightmapPiece& piece) {
    return std::to_string(piece.x) + "," + std::to_string(piece.y) + " of " +
           std::to_string(piece.n) + " x " + std::to_string(piece.n);
}

std::string title(const HeightmapPiece& piece) {
    return piece.IsTile() ? piece.title + ", tile " + tileName(piece) : piece.title;
}

// What every format says about the samples, in words.
std::string describe(const HeightmapPiece& piece, bool scaled) {
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

// Rows [first, first + rows) as little-endian 16-bit samples, converted on
// every core.
void convertR16Rows(const Heightmap& map, int first, int rows, std::vector<char>& bytes) {
    const auto side = static_cast<std::size_t>(map.GetSide());
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
}

}  // namespace

bool WritePngHeightmap(const HeightmapPiece& piece, AtomicFile& file, std::string& problem) {
    const Heightmap& map = *piece.pHeightmap;
    const int side = map.GetSide();
    Text text = {
        {"Title", title(piece)},
        {"Software", piece.software},
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
            report(piece, row);
        },
        text, problem, piece.refined ? kRefinedPngCompression : PngFile::kDefaultCompression);
}

// Rows from the north, nothing else. Rows are converted a block at a time on
// every core; a block is written on a thread of its own while the next is
// converted.
bool WriteR16Heightmap(const HeightmapPiece& piece, AtomicFile& file, std::string& /*problem*/) {
    const Heightmap& map = *piece.pHeightmap;
    constexpr int kBlockRows = 64;
    std::array<std::vector<char>, 2> blocks;
    std::thread writer;
    bool written = true;
    for (int first = 0, block = 0; first < map.GetSide(); first += kBlockRows, block ^= 1) {
        const int rows = std::min(kBlockRows, map.GetSide() - first);
        std::vector<char>& bytes = blocks[static_cast<std::size_t>(block)];
        convertR16Rows(map, first, rows, bytes);
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
        report(piece, first + rows - 1);
    }
    if (writer.joinable()) {
        writer.join();
    }
    return true;
}

bool WriteTiffHeightmap(const HeightmapPiece& piece, AtomicFile& file, std::string& problem) {
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
            report(piece, row);
        },
        placement, title(piece) + ". " + describe(piece, false), piece.software, problem);
}

// OpenEXR is encoded from the whole image at once: the grid, once copied,
// may be given up before the encoder needs its own memory.
bool WriteExrHeightmap(const HeightmapPiece& piece, AtomicFile& file, std::string& problem) {
    const Heightmap& map = *piece.pHeightmap;
    const int side = map.GetSide();
    const std::string comments = title(piece) + ". " + describe(piece, false);
    std::vector<float> samples(static_cast<std::size_t>(side) * static_cast<std::size_t>(side));
    for (int row = 0; row < side; ++row) {
        map.GetRowFloat(row, samples.data() + static_cast<std::size_t>(row) * side);
        report(piece, row);
    }
    if (piece.release) {
        piece.release();
    }
    return ExrFile::WriteFloat32(file, side, side, std::move(samples), comments, problem);
}

}  // namespace moon
