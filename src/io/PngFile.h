// SPDX-License-Identifier: MIT
// 8-bit RGB pictures as PNG files, through libpng's simplified interface.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace moon {

class PngFile {
public:
    // pixels: rows from the top, 3 bytes a pixel, width * height * 3 bytes.
    // An existing file is replaced whole or not at all (AtomicFile). False
    // with a one-line problem (naming the file) when it cannot be written.
    static bool Write(const std::string& path, int width, int height,
                      const std::vector<std::uint8_t>& pixels, std::string& problem);
    // Reads any PNG as 8-bit RGB (alpha composed on black). False with a
    // one-line problem.
    static bool Read(const std::string& path, int& width, int& height,
                     std::vector<std::uint8_t>& pixels, std::string& problem);
};

}  // namespace moon
