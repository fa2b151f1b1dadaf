// SPDX-License-Identifier: MIT
// PngFile on systems without libpng (Windows): stb_image_write encodes and
// stb_image decodes (Debian's libstb-dev, headers only). The pixels are the
// same as libpng's; the compressed bytes may differ.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "io/PngFile.h"

// stb's implementations live in this file only, with only the PNG parts.
#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STB_IMAGE_WRITE_STATIC
#define STBI_WRITE_NO_STDIO
#include <stb_image_write.h>
#define STB_IMAGE_IMPLEMENTATION
#define STB_IMAGE_STATIC
#define STBI_ONLY_PNG
#include <stb_image.h>

namespace moon {
namespace {

void appendBytes(void* context, void* data, int size) {
    auto* bytes = static_cast<std::vector<std::uint8_t>*>(context);
    const auto* from = static_cast<const std::uint8_t*>(data);
    bytes->insert(bytes->end(), from, from + size);
}

}  // namespace

bool PngFile::Write(const std::string& path, int width, int height,
                    const std::vector<std::uint8_t>& pixels, std::string& problem) {
    if (width <= 0 || height <= 0 ||
        pixels.size() != static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 3) {
        problem = "cannot write \"" + path + "\": the picture is empty";
        return false;
    }
    // Encoded in memory first: a picture that cannot be encoded leaves an
    // existing file as it was.
    std::vector<std::uint8_t> bytes;
    if (stbi_write_png_to_func(appendBytes, &bytes, width, height, 3, pixels.data(), width * 3) ==
        0) {
        problem = "cannot write \"" + path + "\": the picture cannot be encoded";
        return false;
    }
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        problem = "cannot write \"" + path + "\": " + std::strerror(errno);
        return false;
    }
    errno = 0;
    int error = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size()
                    ? 0
                    : (errno != 0 ? errno : EIO);
    if (std::fclose(file) != 0 && error == 0) {
        error = errno != 0 ? errno : EIO;
    }
    if (error != 0) {
        problem = "cannot write \"" + path + "\": " + std::strerror(error);
        // A cut-off picture is no use to anyone; a device is not ours to remove.
        std::error_code ignored;
        if (std::filesystem::is_regular_file(path, ignored)) {
            std::remove(path.c_str());
        }
        return false;
    }
    return true;
}

bool PngFile::Read(const std::string& path, int& width, int& height,
                   std::vector<std::uint8_t>& pixels, std::string& problem) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        problem = "cannot read \"" + path + "\": " + std::strerror(errno);
        return false;
    }
    int channels = 0;
    stbi_uc* rgba = stbi_load_from_file(file, &width, &height, &channels, 4);
    std::fclose(file);
    if (rgba == nullptr) {
        problem = "cannot read \"" + path + "\": " + stbi_failure_reason();
        return false;
    }
    // Alpha composed on black, as libpng's simplified reader does it.
    const std::size_t count = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    pixels.resize(count * 3);
    for (std::size_t i = 0; i < count; ++i) {
        const unsigned alpha = rgba[i * 4 + 3];
        for (int c = 0; c < 3; ++c) {
            pixels[i * 3 + c] = static_cast<std::uint8_t>((rgba[i * 4 + c] * alpha + 127) / 255);
        }
    }
    stbi_image_free(rgba);
    return true;
}

}  // namespace moon
