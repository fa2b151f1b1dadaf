// SPDX-License-Identifier: MIT
// Heightmap files read back for checking: 16-bit PNG (libpng), GeoTIFF
// (libtiff), OpenEXR (tinyexr, whose implementation moon_io holds) and R16.
#pragma once

#include <png.h>
#include <tiffio.h>
#include <tinyexr.h>

#include <cstdint>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "tests/support/TempFolder.h"

namespace moon::test {

// A 16-bit greyscale PNG read back whole, with its text chunks.
struct Png {
    png_uint_32 width = 0;
    png_uint_32 height = 0;
    int bitDepth = 0;
    int colourType = -1;
    std::vector<std::uint16_t> samples;
    std::map<std::string, std::string> text;
};

inline bool ReadPng(const std::string& path, Png& png) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        return false;
    }
    png_structp reader = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(reader);
    if (setjmp(png_jmpbuf(reader)) != 0) {
        png_destroy_read_struct(&reader, &info, nullptr);
        std::fclose(file);
        return false;
    }
    png_init_io(reader, file);
    png_read_png(reader, info, PNG_TRANSFORM_IDENTITY, nullptr);
    png.width = png_get_image_width(reader, info);
    png.height = png_get_image_height(reader, info);
    png.bitDepth = png_get_bit_depth(reader, info);
    png.colourType = png_get_color_type(reader, info);
    png_bytepp rows = png_get_rows(reader, info);
    for (png_uint_32 row = 0; row < png.height && png.bitDepth == 16; ++row) {
        for (png_uint_32 column = 0; column < png.width; ++column) {
            png.samples.push_back(
                static_cast<std::uint16_t>(rows[row][2 * column] << 8 | rows[row][2 * column + 1]));
        }
    }
    png_textp text = nullptr;
    const int count = png_get_text(reader, info, &text, nullptr);
    for (int i = 0; i < count; ++i) {
        png.text[text[i].key] = text[i].text;
    }
    png_destroy_read_struct(&reader, &info, nullptr);
    std::fclose(file);
    return true;
}

// A one-channel 32-bit float image, with what the file says about itself.
struct FloatImage {
    int width = 0;
    int height = 0;
    std::vector<float> samples;
    std::string description;       // TIFF's ImageDescription, EXR's comments
    std::vector<double> scale;     // GeoTIFF: ModelPixelScale
    std::vector<double> tiepoint;  // GeoTIFF: ModelTiepoint
    std::vector<std::uint16_t> geoKeys;
    std::string channel;  // EXR: the channel's name
    int compression = 0;
    int predictor = 0;
};

inline bool ReadTiff(const std::string& path, FloatImage& image) {
    // GeoTIFF's tags are unknown to libtiff: read all the same, without a warning.
    TIFFSetWarningHandler(nullptr);
    TIFF* tiff = TIFFOpen(path.c_str(), "r");
    if (tiff == nullptr) {
        return false;
    }
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::uint16_t bits = 0;
    std::uint16_t format = 0;
    std::uint16_t compression = 0;
    std::uint16_t predictor = 0;
    TIFFGetField(tiff, TIFFTAG_IMAGEWIDTH, &width);
    TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &height);
    TIFFGetField(tiff, TIFFTAG_BITSPERSAMPLE, &bits);
    TIFFGetField(tiff, TIFFTAG_SAMPLEFORMAT, &format);
    TIFFGetField(tiff, TIFFTAG_COMPRESSION, &compression);
    TIFFGetField(tiff, TIFFTAG_PREDICTOR, &predictor);
    const char* description = nullptr;
    if (TIFFGetField(tiff, TIFFTAG_IMAGEDESCRIPTION, &description) != 0) {
        image.description = description;
    }
    auto doubles = [tiff](ttag_t tag, std::vector<double>& values) {
        std::uint32_t count = 0;
        double* data = nullptr;
        if (TIFFGetField(tiff, tag, &count, &data) != 0) {
            values.assign(data, data + count);
        }
    };
    doubles(33550, image.scale);
    doubles(33922, image.tiepoint);
    std::uint32_t count = 0;
    std::uint16_t* keys = nullptr;
    if (TIFFGetField(tiff, 34735, &count, &keys) != 0) {
        image.geoKeys.assign(keys, keys + count);
    }
    bool ok = bits == 32 && format == SAMPLEFORMAT_IEEEFP;
    image.width = static_cast<int>(width);
    image.height = static_cast<int>(height);
    image.compression = compression;
    image.predictor = predictor;
    image.samples.resize(static_cast<std::size_t>(width) * height);
    for (std::uint32_t row = 0; ok && row < height; ++row) {
        ok = TIFFReadScanline(tiff, image.samples.data() + static_cast<std::size_t>(row) * width,
                              row) == 1;
    }
    TIFFClose(tiff);
    return ok;
}

inline bool ReadExr(const std::string& path, FloatImage& image) {
    const std::string bytes = TempFolder::ReadFile(path);
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
    EXRVersion version;
    EXRHeader header;
    InitEXRHeader(&header);
    const char* error = nullptr;
    if (ParseEXRVersionFromMemory(&version, data, bytes.size()) != TINYEXR_SUCCESS ||
        ParseEXRHeaderFromMemory(&header, &version, data, bytes.size(), &error) !=
            TINYEXR_SUCCESS) {
        FreeEXRErrorMessage(error);
        return false;
    }
    for (int i = 0; i < header.num_custom_attributes; ++i) {
        if (std::string(header.custom_attributes[i].name) == "comments") {
            image.description.assign(
                reinterpret_cast<const char*>(header.custom_attributes[i].value),
                static_cast<std::size_t>(header.custom_attributes[i].size));
        }
    }
    image.compression = header.compression_type;
    EXRImage exr;
    InitEXRImage(&exr);
    bool ok = header.num_channels == 1 && header.pixel_types[0] == TINYEXR_PIXELTYPE_FLOAT &&
              LoadEXRImageFromMemory(&exr, &header, data, bytes.size(), &error) == TINYEXR_SUCCESS;
    if (ok) {
        image.channel = header.channels[0].name;
        image.width = exr.width;
        image.height = exr.height;
        const auto* samples = reinterpret_cast<const float*>(exr.images[0]);
        image.samples.assign(samples, samples + static_cast<std::size_t>(exr.width) * exr.height);
        FreeEXRImage(&exr);
    }
    FreeEXRErrorMessage(error);
    FreeEXRHeader(&header);
    return ok;
}

// Little-endian 16-bit samples.
inline std::vector<std::uint16_t> ReadR16(const std::string& path) {
    const std::string bytes = TempFolder::ReadFile(path);
    std::vector<std::uint16_t> samples(bytes.size() / 2);
    for (std::size_t i = 0; i < samples.size(); ++i) {
        samples[i] = static_cast<std::uint16_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                                static_cast<unsigned char>(bytes[2 * i + 1]) << 8);
    }
    return samples;
}

}  // namespace moon::test
