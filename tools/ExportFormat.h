// SPDX-License-Identifier: MIT
// The formats moon-terrain export writes, in one table that the option
// parser, the help text, the file-name lookup and the export itself read.
// Each row names its writer: a mesh writer with the way its format shares
// vertices, or a heightmap writer.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <variant>

namespace moon {

class AtomicFile;
class Mesh;
class MeshOutput;
struct HeightmapPiece;
struct MeshDescription;
enum class MeshSharing;

struct ExportFormat {
    struct MeshWriter {
        bool (*write)(const Mesh& mesh, const MeshDescription& description, MeshOutput& out,
                      std::string& problem);
        MeshSharing sharing;
    };
    struct HeightmapWriter {
        bool (*write)(const HeightmapPiece& piece, AtomicFile& file, std::string& problem);
    };

    std::string_view name;        // as --format takes it
    std::string_view alias;       // a second name --format takes, or ""
    std::string_view extensions;  // lower case, space-separated, each with its dot
    std::string_view summary;     // a few words for the help text
    std::variant<MeshWriter, HeightmapWriter> writer;

    bool IsHeightmap() const { return std::holds_alternative<HeightmapWriter>(writer); }
    // The writer of a mesh format, or of a heightmap format.
    const MeshWriter& Mesh() const { return std::get<MeshWriter>(writer); }
    const HeightmapWriter& Heightmap() const { return std::get<HeightmapWriter>(writer); }
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
