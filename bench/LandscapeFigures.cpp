// SPDX-License-Identifier: MIT
// What a deeper landscape keeps of the viewer's: for one seed, the written
// generation and the refined landscape at each depth, against the depth-6
// landscape at its points (correlation, RMS and largest difference), and the
// median slope between neighbouring samples.
//
// With --crater-hillshade FILE.png, the refined landscape at depth 12 alone
// and with its craters, side by side (x 60 to 185, z -420 to -295).
//
// With --hillshade FILE.png, it draws instead, side by side, hillshades of one
// quarter of the square (x 187.5 to 312.5, z -312.5 to -187.5): the depth-6
// landscape, the written generation at depth 12 and the refined landscape at
// depth 12, lit from the north-west, 60 degrees up.
//
//   moon_landscape_figures [SEED] [DEPTH...]
//   moon_landscape_figures --hillshade FILE.png [SEED]
//   moon_landscape_figures --crater-hillshade FILE.png [SEED]
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "io/PngFile.h"
#include "scene/Random.h"
#include "terrain/HeightGrid.h"
#include "terrain/RefinedGrid.h"

namespace {

using moon::HeightGrid;

struct Figures {
    double correlation = 0.0;
    double rms = 0.0;
    double largest = 0.0;
    double medianSlope = 0.0;  // degrees
};

Figures measure(const HeightGrid& grid, const HeightGrid& base) {
    Figures figures;
    const int stride = (grid.GetSide() - 1) / (base.GetSide() - 1);
    double sa = 0, sb = 0, saa = 0, sbb = 0, sab = 0, sdd = 0;
    const int n = base.GetSide();
    for (int row = 0; row < n; ++row) {
        for (int column = 0; column < n; ++column) {
            const double a = base.GetHeight(column, row);
            const double b = grid.GetHeight(column * stride, row * stride);
            sa += a;
            sb += b;
            saa += a * a;
            sbb += b * b;
            sab += a * b;
            sdd += (a - b) * (a - b);
            figures.largest = std::max(figures.largest, std::fabs(a - b));
        }
    }
    const double count = static_cast<double>(n) * n;
    const double cov = sab / count - sa / count * sb / count;
    const double va = saa / count - sa / count * sa / count;
    const double vb = sbb / count - sb / count * sb / count;
    figures.correlation = cov / std::sqrt(va * vb);
    figures.rms = std::sqrt(sdd / count);
    std::vector<float> slopes;
    const int side = grid.GetSide();
    slopes.reserve(2 * static_cast<std::size_t>(side) * side);
    for (int row = 0; row < side; ++row) {
        const double* here = grid.GetRow(row);
        const double* south = row + 1 < side ? grid.GetRow(row + 1) : nullptr;
        for (int column = 0; column < side; ++column) {
            if (column + 1 < side) {
                slopes.push_back(static_cast<float>(std::fabs(here[column + 1] - here[column])));
            }
            if (south != nullptr) {
                slopes.push_back(static_cast<float>(std::fabs(south[column] - here[column])));
            }
        }
    }
    std::nth_element(slopes.begin(), slopes.begin() + slopes.size() / 2, slopes.end());
    figures.medianSlope =
        std::atan(slopes[slopes.size() / 2] / grid.GetSpacing()) * 180.0 / 3.141592653589793;
    return figures;
}

void print(const char* name, int depth, const Figures& f) {
    std::printf("%-8s %5d %12.3f %8.2f %8.2f %10.1f\n", name, depth, f.correlation, f.rms,
                f.largest, f.medianSlope);
}

// The height at (x, z), world units, interpolated between the grid's samples.
double heightAt(const HeightGrid& grid, double x, double z) {
    const double u = x / grid.GetSpacing();
    const double v = (z + 500.0) / grid.GetSpacing();
    const int last = grid.GetSide() - 2;
    const int column = std::clamp(static_cast<int>(u), 0, last);
    const int row = std::clamp(static_cast<int>(v), 0, last);
    const double fu = u - column;
    const double fv = v - row;
    const double north =
        grid.GetHeight(column, row) * (1 - fu) + grid.GetHeight(column + 1, row) * fu;
    const double south =
        grid.GetHeight(column, row + 1) * (1 - fu) + grid.GetHeight(column + 1, row + 1) * fu;
    return north * (1 - fv) + south * fv;
}

constexpr int kPanel = 480;
constexpr int kGap = 8;

// A square of the terrain, world units: its west and north edges and its size.
struct Window {
    double west = 187.5;
    double north = -312.5;
    double size = 125.0;
};

// Lit from the north-west at the given elevation: (horizontal, vertical)
// parts of the direction towards the light.
struct Light {
    double horizontal = 0.7071067811865476;
    double vertical = 0.7071067811865476;
};

void shade(const HeightGrid& grid, int panel, std::vector<std::uint8_t>& pixels, int width,
           const Window& window = Window(), const Light& sun = Light()) {
    const double west = window.west;
    const double north = window.north;
    const double step = window.size / kPanel;
    const double lx = -sun.horizontal * std::sqrt(0.5), ly = sun.vertical,
                 lz = -sun.horizontal * std::sqrt(0.5);
    for (int py = 0; py < kPanel; ++py) {
        for (int px = 0; px < kPanel; ++px) {
            const double x = west + px * step;
            const double z = north + py * step;
            const double dx =
                (heightAt(grid, x + step, z) - heightAt(grid, x - step, z)) / (2 * step);
            const double dz =
                (heightAt(grid, x, z + step) - heightAt(grid, x, z - step)) / (2 * step);
            const double length = std::sqrt(dx * dx + 1 + dz * dz);
            const double light = std::max(0.0, (-dx * lx + ly - dz * lz) / length);
            const auto grey = static_cast<std::uint8_t>(std::lround(light * 255.0));
            const std::size_t at =
                (static_cast<std::size_t>(py) * width + panel * (kPanel + kGap) + px) * 3;
            pixels[at] = pixels[at + 1] = pixels[at + 2] = grey;
        }
    }
}

int hillshade(const char* path, std::uint32_t seed) {
    const int width = 3 * kPanel + 2 * kGap;
    const Light sun{0.5, 0.8660254037844386};
    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(width) * kPanel * 3, 255);
    HeightGrid grid;
    moon::Random::Seed(seed);
    grid.Generate(6);
    shade(grid, 0, pixels, width, Window(), sun);
    moon::Random::Seed(seed);
    grid.Generate(12);
    shade(grid, 1, pixels, width, Window(), sun);
    moon::Random::Seed(seed);
    moon::RefinedGrid::Generate(12, moon::LandscapeKey{seed, 0}, grid);
    shade(grid, 2, pixels, width, Window(), sun);
    std::string problem;
    if (!moon::PngFile::Write(path, width, kPanel, pixels, problem)) {
        std::fprintf(stderr, "%s\n", problem.c_str());
        return 1;
    }
    return 0;
}

// Refined alone and with craters, side by side: x 60 to 185, z -420 to -295,
// lit from 60 degrees up.
int craterHillshade(const char* path, std::uint32_t seed) {
    const int width = 2 * kPanel + kGap;
    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(width) * kPanel * 3, 255);
    const Window window{60.0, -420.0, 125.0};
    const Light sun{0.5, 0.8660254037844386};
    HeightGrid grid;
    moon::Random::Seed(seed);
    moon::RefinedGrid::Generate(12, moon::LandscapeKey{seed, 0}, grid);
    shade(grid, 0, pixels, width, window, sun);
    moon::Random::Seed(seed);
    moon::RefinedGrid::Generate(12, moon::LandscapeKey{seed, 0}, grid, 0, true);
    shade(grid, 1, pixels, width, window, sun);
    std::string problem;
    if (!moon::PngFile::Write(path, width, kPanel, pixels, problem)) {
        std::fprintf(stderr, "%s\n", problem.c_str());
        return 1;
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 2 && std::string(argv[1]) == "--crater-hillshade") {
        return craterHillshade(
            argv[2],
            argc > 3 ? static_cast<std::uint32_t>(std::strtoul(argv[3], nullptr, 10)) : 42);
    }
    if (argc > 2 && std::string(argv[1]) == "--hillshade") {
        return hillshade(
            argv[2],
            argc > 3 ? static_cast<std::uint32_t>(std::strtoul(argv[3], nullptr, 10)) : 42);
    }
    const std::uint32_t seed =
        argc > 1 ? static_cast<std::uint32_t>(std::strtoul(argv[1], nullptr, 10)) : 42;
    std::vector<int> depths;
    for (int i = 2; i < argc; ++i) {
        depths.push_back(std::atoi(argv[i]));
    }
    if (depths.empty()) {
        depths = {6, 8, 10, 12, 14};
    }
    moon::Random::Seed(seed);
    HeightGrid base;
    base.Generate(6);
    std::printf("seed %u\n%-8s %5s %12s %8s %8s %10s\n", seed, "", "depth", "correlation", "rms",
                "largest", "slope (deg)");
    for (const int depth : depths) {
        {
            moon::Random::Seed(seed);
            HeightGrid written;
            written.Generate(depth);
            print("written", depth, measure(written, base));
        }
        moon::Random::Seed(seed);
        HeightGrid refined;
        moon::RefinedGrid::Generate(depth, moon::LandscapeKey{seed, 0}, refined);
        print("refined", depth, measure(refined, base));
    }
    return 0;
}
