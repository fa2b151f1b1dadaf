// SPDX-License-Identifier: MIT
// 32-bit floating-point greyscale images as OpenEXR files (tinyexr): one
// channel "Y", ZIP compression (16 rows a block), and a "comments" string.
#pragma once

#include <functional>
#include <string>

namespace moon {

class AtomicFile;

class ExrFile {
public:
    // Fills one row of width samples, from the left; rows are asked for from
    // the top, each once.
    using FloatRow = std::function<void(int row, float* samples)>;

    // The image into file (opened, not committed). False with a one-line
    // problem when the image cannot be encoded; a failed write is the file's
    // to report.
    static bool WriteFloat32(AtomicFile& file, int width, int height, const FloatRow& row,
                             const std::string& comments, std::string& problem);
};

}  // namespace moon
