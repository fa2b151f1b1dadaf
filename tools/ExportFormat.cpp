// SPDX-License-Identifier: MIT
#include "tools/ExportFormat.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <string>

#include "mesh/Mesh.h"
#include "mesh/MeshWriters.h"

namespace moon {
namespace {

using Kind = ExportFormat::Kind;
constexpr MeshSharing kVertices = MeshSharing::Vertices;

constexpr std::array kFormats = {
    ExportFormat{ExportFormatId::Ply, "ply", "", ".ply", Kind::Mesh, "PLY mesh, binary", WritePly,
                 kVertices},
    ExportFormat{ExportFormatId::Obj, "obj", "", ".obj", Kind::Mesh, "OBJ mesh", WriteObj,
                 MeshSharing::Attributes},
    ExportFormat{ExportFormatId::Glb, "glb", "", ".glb", Kind::Mesh, "glTF 2.0 binary mesh",
                 WriteGlb, kVertices},
    ExportFormat{ExportFormatId::Png, "png", "heightmap", ".png", Kind::Heightmap,
                 "16-bit greyscale PNG heightmap", nullptr, kVertices},
    ExportFormat{ExportFormatId::R16, "r16", "raw", ".r16 .raw", Kind::Heightmap,
                 "headerless 16-bit little-endian heightmap", nullptr, kVertices},
    ExportFormat{ExportFormatId::Tiff, "tif", "tiff", ".tif .tiff", Kind::Heightmap,
                 "32-bit float GeoTIFF of the heights", nullptr, kVertices},
    ExportFormat{ExportFormatId::Exr, "exr", "", ".exr", Kind::Heightmap,
                 "32-bit float OpenEXR of the heights", nullptr, kVertices},
};

bool hasExtension(std::string_view extensions, std::string_view extension) {
    while (!extensions.empty()) {
        const std::size_t space = extensions.find(' ');
        if (extensions.substr(0, space) == extension) {
            return true;
        }
        extensions = space == std::string_view::npos ? "" : extensions.substr(space + 1);
    }
    return false;
}

}  // namespace

std::span<const ExportFormat> ExportFormats() {
    return kFormats;
}

const ExportFormat* FindExportFormat(std::string_view name) {
    for (const ExportFormat& format : kFormats) {
        if (name == format.name || (!format.alias.empty() && name == format.alias)) {
            return &format;
        }
    }
    return nullptr;
}

const ExportFormat& ExportFormatForPath(std::string_view path) {
    const std::size_t slash = path.find_last_of('/');
    const std::size_t dot = path.find_last_of('.');
    if (dot != std::string_view::npos && (slash == std::string_view::npos || dot > slash)) {
        std::string extension(path.substr(dot));
        std::transform(extension.begin(), extension.end(), extension.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        for (const ExportFormat& format : kFormats) {
            if (hasExtension(format.extensions, extension)) {
                return format;
            }
        }
    }
    return kFormats[0];
}

std::string_view ExportFormatNames() {
    static const std::string names = [] {
        std::string text;
        for (std::size_t i = 0; i < kFormats.size(); ++i) {
            text += std::string(i == 0                     ? ""
                                : i + 1 == kFormats.size() ? " or "
                                                           : ", ") +
                    std::string(kFormats[i].name);
        }
        return text;
    }();
    return names;
}

}  // namespace moon
