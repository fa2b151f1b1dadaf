// SPDX-License-Identifier: MIT
// One heightmap file as its writer sees it: the samples (the whole grid or one
// tile of a set), what the file says about itself, and where its progress is
// told.
#pragma once

#include <functional>
#include <string>

namespace moon {

class Heightmap;

struct HeightmapPiece {
    const Heightmap* pHeightmap = nullptr;
    // Tile (x, y) of n x n, x west to east and y north to south from 0; the
    // whole grid is tile (0, 0) of 1 x 1.
    int x = 0;
    int y = 0;
    int n = 1;
    // The landscape, in words (the writer adds the tile), and the program
    // that wrote the file, with its version.
    std::string title;
    std::string software;
    // Refined (and cratered) landscapes compress for speed, see WritePngHeightmap.
    bool refined = false;
    // Told as each row of samples is made; may be null.
    std::function<void(int row)> progress;
    // Called when the grid is no longer needed, if that comes before the
    // file is done (OpenEXR); may be null.
    std::function<void()> release;

    bool IsTile() const { return n > 1; }
};

}  // namespace moon
