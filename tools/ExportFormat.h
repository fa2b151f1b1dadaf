// SPDX-License-Identifier: MIT
// The formats moon-terrain export writes, in one table that the option
// parser, the help text and the file-name lookup all read.
#pragma once

#include <span>
#include <string>
#include <string_view>

namespace moon {

class Mesh;
class MeshOutput;
struct MeshDescription;
enum class MeshSharing;

enum class ExportFormatId { Ply, Obj, Glb, Png, R16, Tiff, Exr };

struct ExportFormat {
    enum class Kind { Mesh, Heightmap };

    ExportFormatId id;
    std::string_view name;        // as --format takes it
    std::string_view alias;       // a second name --format takes, or ""
    std::string_view extensions;  // lower case, space-separated, each with its dot
    Kind kind;
    std::string_view summary;  // a few words for the help text
    // Meshes: the writer, and how it shares vertices. Heightmaps: null.
    bool (*write)(const Mesh& mesh, const MeshDescription& description, MeshOutput& out,
                  std::string& problem);
    MeshSharing sharing;

    bool IsHeightmap() const { return kind == Kind::Heightmap; }
};

// Every format, meshes first, in the order the help lists them.
std::span<const ExportFormat> ExportFormats();
// The format --format names (its name or alias), or null.
const ExportFormat* FindExportFormat(std::string_view name);
// The format a file name asks for by its extension, in any case; PLY for
// any other name.
const ExportFormat& ExportFormatForPath(std::string_view path);
// "ply, obj, glb, png, r16, tif or exr".
std::string_view ExportFormatNames();

}  // namespace moon
