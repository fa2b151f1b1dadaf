// SPDX-License-Identifier: MIT
// 32-bit floating-point greyscale images as GeoTIFF files (libtiff): deflate
// with the floating-point predictor, and the three GeoTIFF tags that place
// the image on a plane (pixel scale, tie point, key directory) for GIS tools.
#pragma once

#include <functional>
#include <string>

namespace moon {

class AtomicFile;

class TiffFile {
public:
    // Fills one row of width samples, west to east; rows are asked for from
    // the top (north), each once.
    using FloatRow = std::function<void(int row, float* samples)>;

    // Where the samples lie: each is a point (GeoTIFF's PixelIsPoint), the
    // first at (east, north) in model units, the others spacing apart, east
    // along a row and south down a column. The model's coordinate system is
    // a local one, named by citation.
    struct Placement {
        double east = 0.0;
        double north = 0.0;
        double spacing = 1.0;
        std::string citation;
    };

    // The image into file (opened, not committed). description and software
    // go into the TIFF tags of those names. False with a one-line problem
    // when the image cannot be encoded; a failed write is the file's to report.
    static bool WriteFloat32(AtomicFile& file, int width, int height, const FloatRow& row,
                             const Placement& placement, const std::string& description,
                             const std::string& software, std::string& problem);
};

}  // namespace moon
