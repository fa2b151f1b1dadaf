// SPDX-License-Identifier: MIT
// One writer per heightmap format, each reading only the piece it is given:
// - PNG: 16-bit greyscale, the range and placement in its text chunks.
// - R16: the same samples, little-endian, headerless.
// - GeoTIFF and OpenEXR: 32-bit floats, the heights in world units.
// A writer that fails says why in problem and returns false; a failed write
// to the file itself is reported when the file is committed.
#pragma once

#include <string>

namespace moon {

class AtomicFile;
struct HeightmapPiece;

bool WritePngHeightmap(const HeightmapPiece& piece, AtomicFile& file, std::string& problem);
bool WriteR16Heightmap(const HeightmapPiece& piece, AtomicFile& file, std::string& problem);
bool WriteTiffHeightmap(const HeightmapPiece& piece, AtomicFile& file, std::string& problem);
bool WriteExrHeightmap(const HeightmapPiece& piece, AtomicFile& file, std::string& problem);

}  // namespace moon
