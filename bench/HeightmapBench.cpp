// SPDX-License-Identifier: MIT
// Heightmaps: the generated grid at depths 8 to 13, the tree it replaces at
// depth 10, and moon-terrain export of each heightmap format at depth 12,
// against the floor of a depth-12 PNG: the grid followed by libpng's plain
// whole-image writer at its default settings. Files go to the temporary
// folder. Run with --benchmark_repetitions for medians.
#include <benchmark/benchmark.h>
#include <png.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "scene/Random.h"
#include "terrain/HeightGrid.h"
#include "terrain/Terrain.h"
#include "tools/TerrainTool.h"

namespace moon {
namespace {

constexpr std::uint32_t kSeed = 42;
constexpr int kFormatDepth = 12;

std::string scratchPath(const std::string& name) {
    return (std::filesystem::temp_directory_path() / ("moon-heightmap-bench-" + name)).string();
}

void BM_GridGenerate(benchmark::State& state) {
    const int depth = static_cast<int>(state.range(0));
    for (auto _ : state) {
        Random::Seed(kSeed);
        HeightGrid grid;
        grid.Generate(depth);
        benchmark::DoNotOptimize(grid.GetHeight(0, 0));
    }
    const double side = std::ldexp(1.0, depth) + 1;
    state.counters["samples"] = side * side;
}
BENCHMARK(BM_GridGenerate)->DenseRange(8, 13)->Unit(benchmark::kMillisecond);

void BM_TreeGenerate(benchmark::State& state) {
    const int depth = static_cast<int>(state.range(0));
    for (auto _ : state) {
        Random::Seed(kSeed);
        Terrain terrain;
        terrain.Generate(depth);
        benchmark::DoNotOptimize(terrain.GetRoot());
    }
}
BENCHMARK(BM_TreeGenerate)->Arg(10)->Unit(benchmark::kMillisecond);

// The floor: the same grid, scaled to 16 bits, written by png_write_png.
void BM_GridThenLibpngDefaults(benchmark::State& state) {
    const std::string path = scratchPath("floor.png");
    for (auto _ : state) {
        Random::Seed(kSeed);
        HeightGrid grid;
        grid.Generate(kFormatDepth);
        const auto side = static_cast<std::size_t>(grid.GetSide());
        const double lowest = grid.GetLowest();
        const double range = grid.GetHighest() - lowest;
        std::vector<png_byte> bytes(2 * side * side);
        std::vector<png_bytep> rows(side);
        for (std::size_t row = 0; row < side; ++row) {
            const double* heights = grid.GetRow(static_cast<int>(row));
            rows[row] = bytes.data() + 2 * side * row;
            for (std::size_t i = 0; i < side; ++i) {
                const auto sample =
                    static_cast<unsigned>(std::lround((heights[i] - lowest) / range * 65535.0));
                rows[row][2 * i] = static_cast<png_byte>(sample >> 8);
                rows[row][2 * i + 1] = static_cast<png_byte>(sample & 0xFFu);
            }
        }
        std::FILE* file = std::fopen(path.c_str(), "wb");
        png_structp writer =
            png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
        png_infop info = png_create_info_struct(writer);
        png_init_io(writer, file);
        png_set_IHDR(writer, info, static_cast<png_uint_32>(side), static_cast<png_uint_32>(side),
                     16, PNG_COLOR_TYPE_GRAY, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                     PNG_FILTER_TYPE_DEFAULT);
        png_set_rows(writer, info, rows.data());
        png_write_png(writer, info, PNG_TRANSFORM_IDENTITY, nullptr);
        png_destroy_write_struct(&writer, &info);
        std::fclose(file);
    }
    std::filesystem::remove(path);
}
BENCHMARK(BM_GridThenLibpngDefaults)->Unit(benchmark::kMillisecond)->UseRealTime();

// The whole export, as the program runs it (its file synced to disk).
void exportFormat(benchmark::State& state, const char* extension) {
    const std::string path = scratchPath(std::string("export.") + extension);
    const std::string depth = std::to_string(kFormatDepth);
    const std::vector<std::string_view> args = {"export", "--seed", "42", "--depth",
                                                depth,    "-o",     path};
    std::FILE* out = std::tmpfile();
    for (auto _ : state) {
        if (RunTerrainTool(args, out, out) != 0) {
            state.SkipWithError("the export failed");
            break;
        }
    }
    std::fclose(out);
    state.counters["bytes"] = static_cast<double>(std::filesystem::file_size(path));
    std::filesystem::remove(path);
}
BENCHMARK_CAPTURE(exportFormat, png, "png")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(exportFormat, r16, "r16")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(exportFormat, tif, "tif")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(exportFormat, exr, "exr")->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace moon
