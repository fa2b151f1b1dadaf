// SPDX-License-Identifier: MIT
// The PLY writer: binary, little-endian, every count in the header.
#include "base/Check.h"
#include "mesh/Mesh.h"
#include "mesh/MeshDescription.h"
#include "mesh/MeshOutput.h"
#include "mesh/MeshWriters.h"

namespace moon {
bool WritePly(const Mesh& mesh, const MeshDescription& description, MeshOutput& out,
              std::string& /*problem*/) {
    MOON_CHECK(mesh.GetSharing() == MeshSharing::Vertices, "PLY vertices carry their normals");
    const bool lines = mesh.IsLines();
    const std::size_t vertexCount = mesh.GetVertexCount();
    const std::size_t primitives = mesh.GetPrimitiveCount();
    // Work for progress: every vertex, then every face or edge.
    out.SetWork(vertexCount + primitives);
    std::string& text = out.Text();
    text += "ply\nformat binary_little_endian 1.0\n";
    for (const std::string& comment : description.comments) {
        text += "comment " + comment + "\n";
    }
    text += "element vertex " + std::to_string(vertexCount) +
            "\nproperty float x\nproperty float y\nproperty float z";
    if (!lines) {
        text += "\nproperty float nx\nproperty float ny\nproperty float nz";
    }
    text += "\nproperty uchar red\nproperty uchar green\nproperty uchar blue";
    if (lines) {
        text += "\nelement edge " + std::to_string(primitives) +
                "\nproperty int vertex1\nproperty int vertex2\nend_header\n";
    } else {
        text += "\nelement face " + std::to_string(primitives) +
                "\nproperty list uchar int vertex_indices\nend_header\n";
    }
    mesh.ForEachVertex([&](std::span<const MeshVertex> vertices) {
        for (const MeshVertex& vertex : vertices) {
            out.AppendFloat(vertex.position.x);
            out.AppendFloat(vertex.position.y);
            out.AppendFloat(vertex.position.z);
            if (!lines) {
                out.AppendFloat(vertex.normal.x);
                out.AppendFloat(vertex.normal.y);
                out.AppendFloat(vertex.normal.z);
            }
            out.AppendLittleEndian(PackedColour(vertex.colour), 3);
            out.Advance();
        }
    });
    mesh.ForEachCorner([&](std::span<const MeshCorner> corners) {
        const std::size_t size = lines ? 2 : 3;
        for (std::size_t first = 0; first < corners.size(); first += size) {
            if (!lines) {
                text += static_cast<char>(3);
            }
            for (std::size_t i = first; i < first + size; ++i) {
                out.AppendWord(corners[i].vertex);
            }
            out.Advance();
        }
    });
    out.Finish();
    return true;
}

}  // namespace moon
