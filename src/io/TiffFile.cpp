// SPDX-License-Identifier: MIT
#include "io/TiffFile.h"

#include <tiffio.h>

#include <algorithm>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string_view>
#include <vector>

#include "io/AtomicFile.h"

namespace moon {
namespace {

// GeoTIFF's tags and keys (GeoTIFF 1.1).
constexpr ttag_t kModelPixelScaleTag = 33550;
constexpr ttag_t kModelTiepointTag = 33922;
constexpr ttag_t kGeoKeyDirectoryTag = 34735;
constexpr ttag_t kGeoAsciiParamsTag = 34737;
constexpr std::uint16_t kGTModelTypeGeoKey = 1024;
constexpr std::uint16_t kGTRasterTypeGeoKey = 1025;
constexpr std::uint16_t kGTCitationGeoKey = 1026;
constexpr std::uint16_t kUserDefined = 32767;
constexpr std::uint16_t kRasterPixelIsPoint = 2;

const TIFFFieldInfo kGeoFields[] = {
    {kModelPixelScaleTag, -1, -1, TIFF_DOUBLE, FIELD_CUSTOM, 1, 1,
     const_cast<char*>("ModelPixelScaleTag")},
    {kModelTiepointTag, -1, -1, TIFF_DOUBLE, FIELD_CUSTOM, 1, 1,
     const_cast<char*>("ModelTiepointTag")},
    {kGeoKeyDirectoryTag, -1, -1, TIFF_SHORT, FIELD_CUSTOM, 1, 1,
     const_cast<char*>("GeoKeyDirectoryTag")},
    {kGeoAsciiParamsTag, -1, -1, TIFF_ASCII, FIELD_CUSTOM, 1, 0,
     const_cast<char*>("GeoAsciiParamsTag")},
};

// About a quarter of a megabyte of samples a strip.
constexpr std::size_t kStripBytes = 1 << 18;

// The file is put together in memory: libtiff goes back to write the
// directory's place into the header, which a pipe or device cannot take. The
// bytes are kept in blocks, so the file never needs twice its size to grow.
class MemoryStream {
public:
    static constexpr std::size_t kBlockBytes = 1 << 20;

    std::size_t GetSize() const { return m_size; }
    toff_t position = 0;

    void Write(const char* data, std::size_t count) {
        while (count > 0) {
            const std::size_t block = position / kBlockBytes;
            const std::size_t offset = position % kBlockBytes;
            if (m_blocks.size() <= block) {
                m_blocks.resize(block + 1);
            }
            if (m_blocks[block].empty()) {
                m_blocks[block].resize(kBlockBytes);
            }
            const std::size_t part = std::min(count, kBlockBytes - offset);
            std::memcpy(m_blocks[block].data() + offset, data, part);
            data += part;
            count -= part;
            position += part;
            m_size = std::max<std::size_t>(m_size, position);
        }
    }
    std::size_t Read(char* data, std::size_t count) {
        count = position < m_size ? std::min<std::size_t>(count, m_size - position) : 0;
        for (std::size_t left = count; left > 0;) {
            const std::size_t block = position / kBlockBytes;
            const std::size_t offset = position % kBlockBytes;
            const std::size_t part = std::min(left, kBlockBytes - offset);
            if (m_blocks[block].empty()) {
                std::memset(data, 0, part);  // never written: a hole
            } else {
                std::memcpy(data, m_blocks[block].data() + offset, part);
            }
            data += part;
            left -= part;
            position += part;
        }
        return count;
    }
    // Hands the bytes over in order, releasing each block once it is out.
    void Drain(AtomicFile& file) {
        std::size_t left = m_size;
        for (std::vector<char>& block : m_blocks) {
            const std::size_t part = std::min(left, kBlockBytes);
            block.resize(kBlockBytes);
            file.Write(std::string_view(block.data(), part));
            left -= part;
            block = {};
        }
    }

private:
    std::vector<std::vector<char>> m_blocks;
    std::size_t m_size = 0;
};

MemoryStream& streamOf(thandle_t handle) {
    return *static_cast<MemoryStream*>(static_cast<void*>(handle));
}

tmsize_t readBytes(thandle_t handle, void* data, tmsize_t size) {
    return static_cast<tmsize_t>(
        streamOf(handle).Read(static_cast<char*>(data), static_cast<std::size_t>(size)));
}

tmsize_t writeBytes(thandle_t handle, void* data, tmsize_t size) {
    streamOf(handle).Write(static_cast<const char*>(data), static_cast<std::size_t>(size));
    return size;
}

toff_t seekTo(thandle_t handle, toff_t offset, int whence) {
    MemoryStream& stream = streamOf(handle);
    const toff_t base = whence == SEEK_CUR   ? stream.position
                        : whence == SEEK_END ? stream.GetSize()
                                             : 0;
    stream.position = base + offset;
    return stream.position;
}

int closeNothing(thandle_t) {
    return 0;
}

toff_t sizeOf(thandle_t handle) {
    return streamOf(handle).GetSize();
}

int mapNothing(thandle_t, void**, toff_t*) {
    return 0;
}

void unmapNothing(thandle_t, void*, toff_t) {}

// libtiff's messages: the last error is kept for the problem line, warnings
// are dropped. A plain array: nothing here waits on another file's start-up.
char g_lastError[256] = {};

void onError(const char*, const char* format, va_list arguments) {
    std::vsnprintf(g_lastError, sizeof g_lastError, format, arguments);
}

void onWarning(const char*, const char*, va_list) {}

struct Handlers {
    Handlers()
        : previousError(TIFFSetErrorHandler(onError)),
          previousWarning(TIFFSetWarningHandler(onWarning)) {}
    ~Handlers() {
        TIFFSetErrorHandler(previousError);
        TIFFSetWarningHandler(previousWarning);
    }
    Handlers(const Handlers&) = delete;
    Handlers& operator=(const Handlers&) = delete;
    TIFFErrorHandler previousError;
    TIFFErrorHandler previousWarning;
};

bool setGeoTags(TIFF* tiff, const TiffFile::Placement& placement) {
    if (TIFFMergeFieldInfo(tiff, kGeoFields, sizeof kGeoFields / sizeof kGeoFields[0]) != 0) {
        return false;
    }
    const double scale[3] = {placement.spacing, placement.spacing, 0.0};
    const double tiepoint[6] = {0.0, 0.0, 0.0, placement.east, placement.north, 0.0};
    // The citation ends with '|', as GeoTIFF's ASCII parameters do.
    const std::string ascii = placement.citation + "|";
    // Version 1.1.0, then each key: id, where its value is (0: here, or the
    // ASCII tag), count, value or offset. Sorted by id.
    const std::uint16_t keys[] = {
        1,
        1,
        0,
        3,
        kGTModelTypeGeoKey,
        0,
        1,
        kUserDefined,
        kGTRasterTypeGeoKey,
        0,
        1,
        kRasterPixelIsPoint,
        kGTCitationGeoKey,
        static_cast<std::uint16_t>(kGeoAsciiParamsTag),
        static_cast<std::uint16_t>(ascii.size()),
        0,
    };
    return TIFFSetField(tiff, kModelPixelScaleTag, 3, scale) != 0 &&
           TIFFSetField(tiff, kModelTiepointTag, 6, tiepoint) != 0 &&
           TIFFSetField(tiff, kGeoKeyDirectoryTag, static_cast<int>(std::size(keys)), keys) != 0 &&
           TIFFSetField(tiff, kGeoAsciiParamsTag, ascii.c_str()) != 0;
}

bool encode(TIFF* tiff, int width, int height, const TiffFile::FloatRow& row,
            const TiffFile::Placement& placement, const std::string& description,
            const std::string& software) {
    const std::size_t rowBytes = sizeof(float) * static_cast<std::size_t>(width);
    const auto rowsPerStrip =
        static_cast<int>(std::clamp<std::size_t>(kStripBytes / rowBytes, 1, height));
    const bool tagged =
        TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, static_cast<std::uint32_t>(width)) != 0 &&
        TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, static_cast<std::uint32_t>(height)) != 0 &&
        TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, 32) != 0 &&
        TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, 1) != 0 &&
        TIFFSetField(tiff, TIFFTAG_SAMPLEFORMAT, SAMPLEFORMAT_IEEEFP) != 0 &&
        TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISBLACK) != 0 &&
        TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG) != 0 &&
        TIFFSetField(tiff, TIFFTAG_COMPRESSION, COMPRESSION_ADOBE_DEFLATE) != 0 &&
        TIFFSetField(tiff, TIFFTAG_PREDICTOR, PREDICTOR_FLOATINGPOINT) != 0 &&
        TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, static_cast<std::uint32_t>(rowsPerStrip)) != 0 &&
        TIFFSetField(tiff, TIFFTAG_IMAGEDESCRIPTION, description.c_str()) != 0 &&
        TIFFSetField(tiff, TIFFTAG_SOFTWARE, software.c_str()) != 0 && setGeoTags(tiff, placement);
    if (!tagged) {
        return false;
    }
    std::vector<float> strip(static_cast<std::size_t>(rowsPerStrip) *
                             static_cast<std::size_t>(width));
    for (int first = 0; first < height; first += rowsPerStrip) {
        const int rows = std::min(rowsPerStrip, height - first);
        for (int r = 0; r < rows; ++r) {
            row(first + r, strip.data() + static_cast<std::size_t>(r) * width);
        }
        // The predictor works on the strip in place: it is filled afresh each time.
        if (TIFFWriteEncodedStrip(tiff, TIFFComputeStrip(tiff, first, 0), strip.data(),
                                  static_cast<tmsize_t>(rows * rowBytes)) < 0) {
            return false;
        }
    }
    return TIFFWriteDirectory(tiff) != 0;
}

}  // namespace

bool TiffFile::WriteFloat32(AtomicFile& file, int width, int height, const FloatRow& row,
                            const Placement& placement, const std::string& description,
                            const std::string& software, std::string& problem) {
    if (width <= 0 || height <= 0) {
        problem = "the image is empty";
        return false;
    }
    const Handlers handlers;
    std::snprintf(g_lastError, sizeof g_lastError, "out of memory");
    MemoryStream stream;
    TIFF* tiff = TIFFClientOpen("heightmap", "w",
                                static_cast<thandle_t>(static_cast<void*>(&stream)), readBytes,
                                writeBytes, seekTo, closeNothing, sizeOf, mapNothing, unmapNothing);
    if (tiff == nullptr) {
        problem = std::string("cannot encode the TIFF: ") + g_lastError;
        return false;
    }
    const bool encoded = encode(tiff, width, height, row, placement, description, software);
    TIFFClose(tiff);
    if (!encoded) {
        problem = std::string("cannot encode the TIFF: ") + g_lastError;
        return false;
    }
    stream.Drain(file);
    return true;
}

}  // namespace moon
