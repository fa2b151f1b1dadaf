// SPDX-License-Identifier: MIT
#include "io/PngFile.h"

#include <png.h>

#include <csetjmp>
#include <cstring>
#include <string_view>

#include "io/AtomicFile.h"

namespace moon {

bool PngFile::EncodeRgb(int width, int height, const std::vector<std::uint8_t>& pixels,
                        std::vector<std::uint8_t>& png, std::string& reason) {
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(width);
    image.height = static_cast<png_uint_32>(height);
    image.format = PNG_FORMAT_RGB;
    // Asked for the size first, then written into a buffer of that size.
    png_alloc_size_t size = 0;
    if (png_image_write_to_memory(&image, nullptr, &size, 0, pixels.data(), 0, nullptr) == 0) {
        reason = image.message;
        png_image_free(&image);
        return false;
    }
    png.resize(size);
    if (png_image_write_to_memory(&image, png.data(), &size, 0, pixels.data(), 0, nullptr) == 0) {
        reason = image.message;
        png_image_free(&image);
        return false;
    }
    png.resize(size);
    return true;
}

namespace {

// libpng reports errors through these; the message is kept and the encoder
// returns to WriteGrey16 by longjmp (libpng's own error model, C frames only).
struct Encoding {
    AtomicFile* pFile;
    const PngFile::Grey16Row* pRow;
    std::uint16_t* pSamples;  // one row of samples
    png_bytep pBytes;         // the same row, most significant byte first
    std::string message;
    bool bWriteFailed;
    int compressionLevel;  // zlib's, or PngFile::kDefaultCompression
};

void writeBytes(png_structp png, png_bytep data, png_size_t length) {
    auto* encoding = static_cast<Encoding*>(png_get_io_ptr(png));
    if (!encoding->pFile->Write(std::string_view(reinterpret_cast<const char*>(data), length))) {
        // The file keeps the reason; nothing more is worth encoding.
        encoding->bWriteFailed = true;
        png_longjmp(png, 1);
    }
}

void flushNothing(png_structp) {}

void onError(png_structp png, png_const_charp message) {
    static_cast<Encoding*>(png_get_error_ptr(png))->message = message;
    png_longjmp(png, 1);
}

void onWarning(png_structp, png_const_charp) {}

// PNG stores 16-bit samples most significant byte first.
void nextRow(const Encoding& encoding, int row, png_uint_32 width) {
    (*encoding.pRow)(row, encoding.pSamples);
    for (png_uint_32 i = 0; i < width; ++i) {
        encoding.pBytes[2 * i] = static_cast<png_byte>(encoding.pSamples[i] >> 8);
        encoding.pBytes[2 * i + 1] = static_cast<png_byte>(encoding.pSamples[i] & 0xFFu);
    }
}

// Plain C objects only in this frame, since longjmp may leave it; the row
// callback's own objects live and die within each call.
bool encode(Encoding& encoding, png_uint_32 width, png_uint_32 height, png_textp chunks,
            int chunkCount) {
    png_structp writer =
        png_create_write_struct(PNG_LIBPNG_VER_STRING, &encoding, onError, onWarning);
    png_infop info = writer != nullptr ? png_create_info_struct(writer) : nullptr;
    if (info == nullptr) {
        png_destroy_write_struct(&writer, nullptr);
        return false;
    }
    if (setjmp(png_jmpbuf(writer)) != 0) {
        png_destroy_write_struct(&writer, &info);
        return false;
    }
    png_set_write_fn(writer, &encoding, writeBytes, flushNothing);
    if (encoding.compressionLevel != PngFile::kDefaultCompression) {
        png_set_compression_level(writer, encoding.compressionLevel);
    }
    png_set_IHDR(writer, info, width, height, 16, PNG_COLOR_TYPE_GRAY, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (chunkCount > 0) {
        png_set_text(writer, info, chunks, chunkCount);
    }
    // What png_write_png does for a whole image, a row at a time.
    png_write_info(writer, info);
    for (png_uint_32 row = 0; row < height; ++row) {
        nextRow(encoding, static_cast<int>(row), width);
        png_write_row(writer, encoding.pBytes);
    }
    png_write_end(writer, info);
    png_destroy_write_struct(&writer, &info);
    return true;
}

}  // namespace

bool PngFile::WriteGrey16(AtomicFile& file, int width, int height, const Grey16Row& row,
                          const std::vector<std::pair<std::string, std::string>>& text,
                          std::string& problem, int compressionLevel) {
    if (width <= 0 || height <= 0) {
        problem = "the heightmap is empty";
        return false;
    }
    std::vector<std::uint16_t> samples(static_cast<std::size_t>(width));
    std::vector<png_byte> bytes(2 * static_cast<std::size_t>(width));
    std::vector<png_text> chunks(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        std::memset(&chunks[i], 0, sizeof chunks[i]);
        chunks[i].compression = PNG_TEXT_COMPRESSION_NONE;
        chunks[i].key = const_cast<char*>(text[i].first.c_str());
        chunks[i].text = const_cast<char*>(text[i].second.c_str());
        chunks[i].text_length = text[i].second.size();
    }

    Encoding encoding{&file,           &row,  samples.data(),  bytes.data(),
                      "out of memory", false, compressionLevel};
    if (!encode(encoding, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height),
                chunks.data(), static_cast<int>(chunks.size())) &&
        !encoding.bWriteFailed) {
        problem = "cannot encode the PNG: " + encoding.message;
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
