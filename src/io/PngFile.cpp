// SPDX-License-Identifier: MIT
#include "io/PngFile.h"

#include <png.h>

#include <cstring>
#include <string_view>

#include "io/AtomicFile.h"

namespace moon {

bool PngFile::Write(const std::string& path, int width, int height,
                    const std::vector<std::uint8_t>& pixels, std::string& problem) {
    if (width <= 0 || height <= 0 ||
        pixels.size() != static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 3) {
        problem = "cannot write \"" + path + "\": the picture is empty";
        return false;
    }
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(width);
    image.height = static_cast<png_uint_32>(height);
    image.format = PNG_FORMAT_RGB;
    // Encoded in memory first: a picture that cannot be encoded leaves an
    // existing file as it was.
    png_alloc_size_t size = 0;
    if (png_image_write_to_memory(&image, nullptr, &size, 0, pixels.data(), 0, nullptr) == 0) {
        problem = "cannot write \"" + path + "\": " + image.message;
        png_image_free(&image);
        return false;
    }
    std::vector<std::uint8_t> bytes(size);
    if (png_image_write_to_memory(&image, bytes.data(), &size, 0, pixels.data(), 0, nullptr) == 0) {
        problem = "cannot write \"" + path + "\": " + image.message;
        png_image_free(&image);
        return false;
    }
    // Replaced whole or not at all: a failed or interrupted write leaves
    // the old picture.
    AtomicFile file(path);
    if (!file.Open(problem)) {
        return false;
    }
    file.Write(std::string_view(reinterpret_cast<const char*>(bytes.data()), size));
    return file.Commit(problem);
}

bool PngFile::Read(const std::string& path, int& width, int& height,
                   std::vector<std::uint8_t>& pixels, std::string& problem) {
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    if (png_image_begin_read_from_file(&image, path.c_str()) == 0) {
        problem = "cannot read \"" + path + "\": " + image.message;
        png_image_free(&image);
        return false;
    }
    image.format = PNG_FORMAT_RGB;
    pixels.assign(PNG_IMAGE_SIZE(image), 0);
    const png_color black{0, 0, 0};
    if (png_image_finish_read(&image, &black, pixels.data(), 0, nullptr) == 0) {
        problem = "cannot read \"" + path + "\": " + image.message;
        png_image_free(&image);
        return false;
    }
    width = static_cast<int>(image.width);
    height = static_cast<int>(image.height);
    return true;
}

}  // namespace moon
