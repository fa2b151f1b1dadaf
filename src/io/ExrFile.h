// SPDX-License-Identifier: MIT
// 32-bit floating-point greyscale images as OpenEXR files (tinyexr): one
// channel "Y", ZIP compression (16 rows a block), and a "comments" string.
#pragma once

#include <string>
#include <vector>

namespace moon {

class AtomicFile;

class ExrFile {
public:
    // The image into file (opened, not committed): samples are its rows from
    // the top, width * height of them, given up as soon as they are encoded
    // (tinyexr encodes a whole image at once). False with a one-line problem
    // when the image cannot be encoded; a failed write is the file's to report.
    static bool WriteFloat32(AtomicFile& file, int width, int height, std::vector<float>&& samples,
                             const std::string& comments, std::string& problem);
};

}  // namespace moon
