// SPDX-License-Identifier: MIT
// The OBJ writer: positions with their colours, normals, then faces or lines.
#include "base/Check.h"
#include "base/ShortestText.h"
#include "mesh/Mesh.h"
#include "mesh/MeshDescription.h"
#include "mesh/MeshOutput.h"
#include "mesh/MeshWriters.h"

namespace moon {

bool WriteObj(const Mesh& mesh, const MeshDescription& description, MeshOutput& out,
              std::string& /*problem*/) {
    MOON_CHECK(mesh.GetSharing() == MeshSharing::Attributes, "OBJ indexes normals apart");
    const bool lines = mesh.IsLines();
    // Work for progress: every position and normal, then every face or line.
    out.SetWork(mesh.GetVertexCount() + mesh.GetNormalCount() + mesh.GetPrimitiveCount());
    std::string& text = out.Text();
    for (const std::string& comment : description.comments) {
        text += "# " + comment + "\n";
    }
    text += lines ? "# v x y z r g b (colour 0 to 1), l v v (counted from 1)\n"
                  : "# v x y z r g b (colour 0 to 1), vn nx ny nz, f v//vn (counted from 1)\n";
    auto appendVector = [&text](const Vec3& v) {
        for (const double value : {v.x, v.y, v.z}) {
            text += ' ';
            AppendShortest(text, value);
        }
    };
    mesh.ForEachVertex(
        [&](std::span<const MeshVertex> vertices) {
            for (const MeshVertex& vertex : vertices) {
                text += 'v';
                appendVector(vertex.position);
                for (const float value : {vertex.colour.r, vertex.colour.g, vertex.colour.b}) {
                    text += ' ';
                    AppendShortest(text, value);
                }
                text += '\n';
                out.Advance();
            }
        },
        Mesh::kPositions | Mesh::kColours);
    mesh.ForEachNormal([&](std::span<const Vec3> normals) {
        for (const Vec3& normal : normals) {
            text += "vn";
            appendVector(normal);
            text += '\n';
            out.Advance();
        }
    });
    mesh.ForEachCorner([&](std::span<const MeshCorner> corners) {
        const std::size_t size = lines ? 2 : 3;
        for (std::size_t first = 0; first < corners.size(); first += size) {
            text += lines ? 'l' : 'f';
            for (std::size_t i = first; i < first + size; ++i) {
                text += ' ';
                AppendShortest(text, corners[i].vertex + 1);
                if (!lines) {
                    text += "//";
                    AppendShortest(text, corners[i].normal + 1);
                }
            }
            text += '\n';
            out.Advance();
        }
    });
    out.Finish();
    return true;
}

}  // namespace moon
