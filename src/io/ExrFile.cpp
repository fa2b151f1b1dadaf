// SPDX-License-Identifier: MIT
#include "io/ExrFile.h"

#include <zlib.h>

#include <cstdlib>
#include <cstring>
#include <string_view>
#include <vector>

#include "io/AtomicFile.h"

// tinyexr's implementation lives in this file, compressing with zlib, on one
// thread: the same bytes on every system.
#define TINYEXR_IMPLEMENTATION
#define TINYEXR_USE_MINIZ 0
#define TINYEXR_USE_THREAD 0
#define TINYEXR_USE_OPENMP 0
#include <tinyexr.h>

namespace moon {

bool ExrFile::WriteFloat32(AtomicFile& file, int width, int height, std::vector<float>&& samples,
                           const std::string& comments, std::string& problem) {
    if (width <= 0 || height <= 0 ||
        samples.size() != static_cast<std::size_t>(width) * static_cast<std::size_t>(height)) {
        problem = "the image is empty";
        return false;
    }

    EXRImage image;
    InitEXRImage(&image);
    float* channels[1] = {samples.data()};
    image.images = reinterpret_cast<unsigned char**>(channels);
    image.num_channels = 1;
    image.width = width;
    image.height = height;

    EXRHeader header;
    InitEXRHeader(&header);
    EXRChannelInfo channel;
    std::memset(&channel, 0, sizeof channel);
    std::strcpy(channel.name, "Y");
    int pixelType = TINYEXR_PIXELTYPE_FLOAT;
    int requestedType = TINYEXR_PIXELTYPE_FLOAT;
    header.num_channels = 1;
    header.channels = &channel;
    header.pixel_types = &pixelType;
    header.requested_pixel_types = &requestedType;
    header.compression_type = TINYEXR_COMPRESSIONTYPE_ZIP;
    std::vector<unsigned char> comment(comments.begin(), comments.end());
    EXRAttribute attribute;
    std::memset(&attribute, 0, sizeof attribute);
    std::strcpy(attribute.name, "comments");
    std::strcpy(attribute.type, "string");
    attribute.value = comment.data();
    attribute.size = static_cast<int>(comment.size());
    if (!comment.empty()) {
        header.custom_attributes = &attribute;
        header.num_custom_attributes = 1;
    }

    unsigned char* encoded = nullptr;
    const char* error = nullptr;
    const std::size_t size = SaveEXRImageToMemory(&image, &header, &encoded, &error);
    if (size == 0) {
        problem = std::string("cannot encode the EXR: ") + (error != nullptr ? error : "failed");
        FreeEXRErrorMessage(error);
        return false;
    }
    samples = {};
    file.Write(std::string_view(reinterpret_cast<const char*>(encoded), size));
    std::free(encoded);
    return true;
}

}  // namespace moon
