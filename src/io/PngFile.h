// SPDX-License-Identifier: MIT
// 8-bit RGB pictures as PNG files, through libpng's simplified interface, and
// 16-bit greyscale images (heightmaps) with text chunks, encoded a row at a
// time into a file being written.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace moon {

class AtomicFile;

class PngFile {
public:
    // pixels: rows from the top, 3 bytes a pixel, width * height * 3 bytes.
    // An existing file is replaced whole or not at all (AtomicFile); path "-"
    // writes to pStandardOutput when one is given. False with a one-line
    // problem (naming the file) when it cannot be written.
    static bool Write(const std::string& path, int width, int height,
                      const std::vector<std::uint8_t>& pixels, std::string& problem,
                      std::FILE* pStandardOutput = nullptr);
    // The same picture into file (opened, not committed): the caller commits
    // it. False with a one-line problem when the picture cannot be encoded.
    static bool Write(AtomicFile& file, const std::string& name, int width, int height,
                      const std::vector<std::uint8_t>& pixels, std::string& problem);
    // Fills one row of a 16-bit image, width samples from the left; rows are
    // asked for from the top, each once.
    using Grey16Row = std::function<void(int row, std::uint16_t* samples)>;
    // A 16-bit greyscale PNG into file (opened, not committed): text is
    // keyword (1 to 79 Latin-1 characters) and text pairs, stored
    // uncompressed (tEXt). False with a one-line problem when the image
    // cannot be encoded; a write that fails stops the encoding, and the file
    // reports it when committed.
    // compressionLevel: zlib's 0 to 9, or libpng's own choice.
    static constexpr int kDefaultCompression = -1;
    static bool WriteGrey16(AtomicFile& file, int width, int height, const Grey16Row& row,
                            const std::vector<std::pair<std::string, std::string>>& text,
                            std::string& problem, int compressionLevel = kDefaultCompression);
    // Reads any PNG as 8-bit RGB (alpha composed on black). False with a
    // one-line problem.
    static bool Read(const std::string& path, int& width, int& height,
                     std::vector<std::uint8_t>& pixels, std::string& problem);
    // Decodes a PNG held in memory as 8-bit RGBA (4 bytes a pixel, straight
    // alpha; opaque where the picture has none). False with a one-line problem.
    static bool DecodeRgba(const std::uint8_t* bytes, std::size_t size, int& width, int& height,
                           std::vector<std::uint8_t>& pixels, std::string& problem);

private:
    // libpng's encoder (on every system): pixels as for Write, already
    // checked to fill width * height; the file's bytes go to png. False with
    // the encoder's reason.
    static bool EncodeRgb(int width, int height, const std::vector<std::uint8_t>& pixels,
                          std::vector<std::uint8_t>& png, std::string& reason);
};

}  // namespace moon
