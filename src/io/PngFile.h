// SPDX-License-Identifier: MIT
// 8-bit RGB pictures as PNG files, through libpng's simplified interface, and
// 16-bit greyscale images (heightmaps) encoded in memory with text chunks.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

namespace moon {

class PngFile {
public:
    // pixels: rows from the top, 3 bytes a pixel, width * height * 3 bytes.
    // An existing file is replaced whole or not at all (AtomicFile); path "-"
    // writes to pStandardOutput when one is given. False with a one-line
    // problem (naming the file) when it cannot be written.
    static bool Write(const std::string& path, int width, int height,
                      const std::vector<std::uint8_t>& pixels, std::string& problem,
                      std::FILE* pStandardOutput = nullptr);
    // samples: rows from the top, one 16-bit value a pixel; text: keyword
    // (1 to 79 Latin-1 characters) and text pairs, stored uncompressed (tEXt).
    // The file's bytes go to png. False with a one-line problem.
    static bool EncodeGrey16(int width, int height, const std::vector<std::uint16_t>& samples,
                             const std::vector<std::pair<std::string, std::string>>& text,
                             std::vector<std::uint8_t>& png, std::string& problem);
    // Reads any PNG as 8-bit RGB (alpha composed on black). False with a
    // one-line problem.
    static bool Read(const std::string& path, int& width, int& height,
                     std::vector<std::uint8_t>& pixels, std::string& problem);
    // Decodes a PNG held in memory as 8-bit RGBA (4 bytes a pixel, straight
    // alpha; opaque where the picture has none). False with a one-line problem.
    static bool DecodeRgba(const std::uint8_t* bytes, std::size_t size, int& width, int& height,
                           std::vector<std::uint8_t>& pixels, std::string& problem);

private:
    // The system's encoder (libpng, or stb_image_write on Windows): pixels as
    // for Write, already checked to fill width * height; the file's bytes go
    // to png. False with the encoder's reason.
    static bool EncodeRgb(int width, int height, const std::vector<std::uint8_t>& pixels,
                          std::vector<std::uint8_t>& png, std::string& reason);
};

}  // namespace moon
