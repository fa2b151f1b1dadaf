// SPDX-License-Identifier: MIT
// The viewer's two views in one picture, as a person sets the windows side
// by side: the perspective view on the left, the plan view on the right,
// top-aligned on black.
#pragma once

#include <cstdint>
#include <cstring>
#include <vector>

namespace moon {

class SideBySide {
public:
    // Copies a view read back from OpenGL (rows from the bottom, 3 bytes a
    // pixel, width by height) into picture (rows from the top, pictureWidth
    // wide, at least height rows) with its left edge at column left.
    static void Place(const std::vector<std::uint8_t>& rows, int width, int height, int left,
                      int pictureWidth, std::vector<std::uint8_t>& picture) {
        const std::size_t rowBytes = static_cast<std::size_t>(width) * 3;
        for (int y = 0; y < height; ++y) {
            const std::uint8_t* from =
                rows.data() + static_cast<std::size_t>(height - 1 - y) * rowBytes;
            std::uint8_t* to =
                picture.data() + (static_cast<std::size_t>(y) * pictureWidth + left) * 3;
            std::memcpy(to, from, rowBytes);
        }
    }
};

}  // namespace moon
