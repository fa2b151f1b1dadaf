// SPDX-License-Identifier: MIT
// Writing a picture: encoded in memory (EncodeRgb), then put in place whole.
#include <string_view>

#include "io/AtomicFile.h"
#include "io/PngFile.h"

namespace moon {

bool PngFile::Write(const std::string& path, int width, int height,
                    const std::vector<std::uint8_t>& pixels, std::string& problem,
                    std::FILE* pStandardOutput) {
    // Replaced whole or not at all: a picture that cannot be encoded, or a
    // failed or interrupted write, leaves the old picture.
    AtomicFile file(path, pStandardOutput);
    return file.Open(problem) && Write(file, path, width, height, pixels, problem) &&
           file.Commit(problem);
}

bool PngFile::Write(AtomicFile& file, const std::string& name, int width, int height,
                    const std::vector<std::uint8_t>& pixels, std::string& problem) {
    if (width <= 0 || height <= 0 ||
        pixels.size() != static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 3) {
        problem = "cannot write \"" + name + "\": the picture is empty";
        return false;
    }
    // Encoded in memory first: nothing reaches the file unless all of it can.
    std::vector<std::uint8_t> bytes;
    std::string reason;
    if (!EncodeRgb(width, height, pixels, bytes, reason)) {
        problem = "cannot write \"" + name + "\": " + reason;
        return false;
    }
    file.Write(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    return true;
}

}  // namespace moon
