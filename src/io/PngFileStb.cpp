// SPDX-License-Identifier: MIT
// PngFile on systems without libpng (Windows): stb_image_write encodes and
// stb_image decodes (Debian's libstb-dev, headers only). The pixels are the
// same as libpng's; the compressed bytes may differ. stb writes 8-bit
// pictures only: the 16-bit heightmap takes stb's zlib stream and CRC inside
// the PNG chunks put together here.
#include <cerrno>
#include <cstdio>
#include <cstring>

#include <string_view>

#include "io/AtomicFile.h"
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

// One PNG chunk: length, type, data, and the CRC of type and data (all
// numbers big-endian).
void appendChunk(std::vector<std::uint8_t>& png, const char* type, const std::uint8_t* data,
                 std::size_t size) {
    const auto appendNumber = [&png](std::uint32_t value) {
        for (int shift = 24; shift >= 0; shift -= 8) {
            png.push_back(static_cast<std::uint8_t>(value >> shift));
        }
    };
    appendNumber(static_cast<std::uint32_t>(size));
    const std::size_t start = png.size();
    png.insert(png.end(), type, type + 4);
    png.insert(png.end(), data, data + size);
    appendNumber(stbiw__crc32(png.data() + start, static_cast<int>(size + 4)));
}

}  // namespace

bool PngFile::WriteGrey16(AtomicFile& file, int width, int height, const Grey16Row& row,
                          const std::vector<std::pair<std::string, std::string>>& text,
                          std::string& problem) {
    if (width <= 0 || height <= 0) {
        problem = "the heightmap is empty";
        return false;
    }
    for (const auto& [keyword, value] : text) {
        if (keyword.empty() || keyword.size() > 79) {
            problem = "cannot encode the PNG: a text keyword must have 1 to 79 characters";
            return false;
        }
    }
    // stb compresses a whole stream at once: the rows are gathered first.
    // Each row: filter type 0 (none), then the samples most significant byte first.
    const std::size_t rowBytes = 1 + 2 * static_cast<std::size_t>(width);
    std::vector<std::uint8_t> rows(rowBytes * static_cast<std::size_t>(height), 0);
    std::vector<std::uint16_t> samples(static_cast<std::size_t>(width));
    for (int y = 0; y < height; ++y) {
        row(y, samples.data());
        std::uint8_t* at = rows.data() + static_cast<std::size_t>(y) * rowBytes + 1;
        for (std::size_t i = 0; i < samples.size(); ++i) {
            at[2 * i] = static_cast<std::uint8_t>(samples[i] >> 8);
            at[2 * i + 1] = static_cast<std::uint8_t>(samples[i] & 0xFFu);
        }
    }
    int compressedSize = 0;
    unsigned char* compressed =
        stbi_zlib_compress(rows.data(), static_cast<int>(rows.size()), &compressedSize, 8);
    if (compressed == nullptr) {
        problem = "cannot encode the PNG: out of memory";
        return false;
    }
    rows = {};
    static constexpr std::uint8_t kSignature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<std::uint8_t> png;
    png.assign(std::begin(kSignature), std::end(kSignature));
    std::uint8_t header[13] = {};
    for (int i = 0; i < 4; ++i) {
        header[i] = static_cast<std::uint8_t>(static_cast<std::uint32_t>(width) >> (24 - 8 * i));
        header[4 + i] =
            static_cast<std::uint8_t>(static_cast<std::uint32_t>(height) >> (24 - 8 * i));
    }
    header[8] = 16;  // bits a sample; colour type 0 (grey), deflate, filter 0, no interlace
    appendChunk(png, "IHDR", header, sizeof header);
    for (const auto& [keyword, value] : text) {
        std::vector<std::uint8_t> chunk(keyword.begin(), keyword.end());
        chunk.push_back(0);
        chunk.insert(chunk.end(), value.begin(), value.end());
        appendChunk(png, "tEXt", chunk.data(), chunk.size());
    }
    appendChunk(png, "IDAT", compressed, static_cast<std::size_t>(compressedSize));
    STBIW_FREE(compressed);
    appendChunk(png, "IEND", nullptr, 0);
    file.Write(std::string_view(reinterpret_cast<const char*>(png.data()), png.size()));
    return true;
}

bool PngFile::EncodeRgb(int width, int height, const std::vector<std::uint8_t>& pixels,
                        std::vector<std::uint8_t>& png, std::string& reason) {
    png.clear();
    if (stbi_write_png_to_func(appendBytes, &png, width, height, 3, pixels.data(), width * 3) ==
        0) {
        reason = "the picture cannot be encoded";
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

bool PngFile::DecodeRgba(const std::uint8_t* bytes, std::size_t size, int& width, int& height,
                         std::vector<std::uint8_t>& pixels, std::string& problem) {
    int channels = 0;
    stbi_uc* rgba =
        stbi_load_from_memory(bytes, static_cast<int>(size), &width, &height, &channels, 4);
    if (rgba == nullptr) {
        problem = std::string("cannot decode the PNG: ") + stbi_failure_reason();
        return false;
    }
    pixels.assign(rgba,
                  rgba + static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4);
    stbi_image_free(rgba);
    return true;
}

}  // namespace moon
