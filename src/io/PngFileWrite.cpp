// SPDX-License-Identifier: MIT
// Writing a picture: encoded in memory (EncodeRgb), then put in place whole.
#include <string_view>

#include "io/AtomicFile.h"
#include "io/PngFile.h"

namespace moon {

bool PngFile::Write(const std::string& path, int width, int height,
                    const std::vector<std::uint8_t>& pixels, std::string& problem,
                    std::FILE* pStandardOutput) {
    if (width <= 0 || height <= 0 ||
        pixels.size() != static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 3) {
        problem = "cannot write \"" + path + "\": the picture is empty";
        return false;
    }
    // Encoded in memory first: a picture that cannot be encoded leaves an
    // existing file as it was.
    std::vector<std::uint8_t> bytes;
    std::string reason;
    if (!EncodeRgb(width, height, pixels, bytes, reason)) {
        problem = "cannot write \"" + path + "\": " + reason;
        return false;
    }
    // Replaced whole or not at all: a failed or interrupted write leaves
    // the old picture.
    AtomicFile file(path, pStandardOutput);
    if (!file.Open(problem)) {
        return false;
    }
    file.Write(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    return file.Commit(problem);
}

}  // namespace moon
