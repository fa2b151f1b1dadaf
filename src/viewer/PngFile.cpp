// SPDX-License-Identifier: MIT
#include "viewer/PngFile.h"

#include <png.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

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
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        problem = "cannot write \"" + path + "\": " + std::strerror(errno);
        return false;
    }
    errno = 0;
    int error = std::fwrite(bytes.data(), 1, size, file) == size ? 0 : (errno != 0 ? errno : EIO);
    if (std::fclose(file) != 0 && error == 0) {
        error = errno != 0 ? errno : EIO;
    }
    if (error != 0) {
        problem = "cannot write \"" + path + "\": " + std::strerror(error);
        // A cut-off picture is no use to anyone; a device or pipe is not ours
        // to remove.
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

bool PngFile::DecodeRgba(const std::uint8_t* bytes, std::size_t size, int& width, int& height,
                         std::vector<std::uint8_t>& pixels, std::string& problem) {
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    if (png_image_begin_read_from_memory(&image, bytes, size) == 0) {
        problem = std::string("cannot decode the PNG: ") + image.message;
        png_image_free(&image);
        return false;
    }
    image.format = PNG_FORMAT_RGBA;
    pixels.assign(PNG_IMAGE_SIZE(image), 0);
    if (png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr) == 0) {
        problem = std::string("cannot decode the PNG: ") + image.message;
        png_image_free(&image);
        return false;
    }
    width = static_cast<int>(image.width);
    height = static_cast<int>(image.height);
    return true;
}

}  // namespace moon
