// SPDX-License-Identifier: MIT
// moon-terrain export's heightmaps: the generated grid (never the tree)
// written by its format's writer, whole or as tiles that share their edges.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

namespace moon {

struct ExportFormat;

struct HeightmapExport {
    std::uint32_t seed = 0;
    int depth = 0;
    const ExportFormat* pFormat = nullptr;  // a heightmap format
    std::string output;                     // "-" for standard output (one file only)
    int tiles = 1;                          // tiles a side, a power of two, at most 2^depth
    bool verbose = false;
    bool refine = false;             // the refined landscape (RefinedGrid)
    bool craters = false;            // with its craters (CraterField); needs refine
    std::uint32_t regeneration = 0;  // the viewer's landscape of this count

    // "" when tiles and output fit the depth, else the problem (a usage error).
    std::string Check() const;
    // Generates the grid and writes the file or files; the exit status, with
    // failures reported on err.
    int Run(std::FILE* out, std::FILE* err) const;
};

}  // namespace moon
