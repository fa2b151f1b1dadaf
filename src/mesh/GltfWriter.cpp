// SPDX-License-Identifier: MIT
// The glTF 2.0 binary (.glb) writer: one JSON chunk, one binary chunk. The
// binary chunk holds, each a buffer view of its own and each a multiple of 4
// bytes: positions (float x y z), normals (float, triangle meshes only),
// colours (unsigned bytes r g b a, normalised; a is 255) and the indices
// (32-bit unsigned: triangles, or line pairs). glTF's axes are the world's
// (y up, right-handed) and the triangles are counter-clockwise seen from
// above, glTF's front face. Every size is in the JSON, so the mesh is counted
// before the first byte and each array streamed after it.
#include <limits>
#include <string_view>
#include <type_traits>

#include "base/Check.h"
#include "base/ShortestText.h"
#include "mesh/Mesh.h"
#include "mesh/MeshDescription.h"
#include "mesh/MeshOutput.h"
#include "mesh/MeshWriters.h"

namespace moon {
namespace {

constexpr std::uint32_t kGlbMagic = 0x46546C67;   // "glTF"
constexpr std::uint32_t kJsonChunk = 0x4E4F534A;  // "JSON"
constexpr std::uint32_t kBinChunk = 0x004E4942;   // "BIN\0"
// glTF's component types, primitive modes and buffer view targets.
constexpr int kFloat = 5126;
constexpr int kUnsignedByte = 5121;
constexpr int kUnsignedInt = 5125;
constexpr int kLines = 1;
constexpr int kTriangles = 4;
constexpr int kArrayBuffer = 34962;
constexpr int kElementArrayBuffer = 34963;

// Small JSON builders: text as it stands, and numbers in their shortest form.
void append(std::string& json, std::string_view text) {
    json += text;
}

template <typename Number>
requires std::is_arithmetic_v<Number>
void append(std::string& json, Number value) {
    AppendShortest(json, value);
}

// A comma before a member or element unless it is the first in its object or array.
void comma(std::string& json) {
    if (!json.empty() && json.back() != '{' && json.back() != '[') {
        json += ',';
    }
}

// "name":value
template <typename Value>
void member(std::string& json, std::string_view name, Value value) {
    comma(json);
    append(json, "\"");
    append(json, name);
    append(json, "\":");
    append(json, value);
}

// "name":"text" (text needs no escaping).
void memberText(std::string& json, std::string_view name, std::string_view text) {
    comma(json);
    append(json, "\"");
    append(json, name);
    append(json, "\":\"");
    append(json, text);
    append(json, "\"");
}

struct BufferView {
    std::size_t offset;
    std::size_t length;
    int target;
};

void writeBufferView(std::string& json, const BufferView& view) {
    comma(json);
    append(json, "{");
    member(json, "buffer", 0);
    member(json, "byteOffset", view.offset);
    member(json, "byteLength", view.length);
    member(json, "target", view.target);
    append(json, "}");
}

// An accessor's common members; the caller adds its own and closes it.
void writeAccessor(std::string& json, std::size_t view, int componentType, std::size_t count,
                   std::string_view type) {
    comma(json);
    append(json, "{");
    member(json, "bufferView", view);
    member(json, "componentType", componentType);
    member(json, "count", count);
    memberText(json, "type", type);
}

void writeVector(std::string& json, std::string_view name, const std::array<float, 3>& v) {
    member(json, name, "[");
    for (const float value : v) {
        comma(json);
        append(json, value);
    }
    append(json, "]");
}

}  // namespace

bool WriteGlb(const Mesh& mesh, const MeshDescription& description, MeshOutput& out,
              std::string& problem) {
    MOON_CHECK(mesh.GetSharing() == MeshSharing::Vertices, "glTF vertices carry their normals");
    const std::size_t vertexCount = mesh.GetVertexCount();
    const bool normals = !mesh.IsLines();
    const std::size_t indexCount = mesh.GetCornerCount();
    std::array<float, 3> low{};
    std::array<float, 3> high{};
    mesh.GetBounds(low, high);

    std::vector<BufferView> views;
    std::size_t offset = 0;
    auto addView = [&views, &offset](std::size_t length, int target) {
        views.push_back(BufferView{offset, length, target});
        offset += length;
        return views.size() - 1;
    };
    const std::size_t positionView = addView(12 * vertexCount, kArrayBuffer);
    const std::size_t normalView = normals ? addView(12 * vertexCount, kArrayBuffer) : 0;
    const std::size_t colourView = addView(4 * vertexCount, kArrayBuffer);
    const std::size_t indexView = addView(4 * indexCount, kElementArrayBuffer);
    const std::size_t binaryLength = offset;
    std::size_t accessors = 0;
    const std::size_t positionAccessor = accessors++;
    const std::size_t normalAccessor = normals ? accessors++ : 0;
    const std::size_t colourAccessor = accessors++;
    const std::size_t indexAccessor = accessors++;

    std::string json = "{";
    member(json, "asset", "{");
    memberText(json, "version", "2.0");
    memberText(json, "generator", description.generator);
    if (!description.extrasJson.empty()) {
        member(json, "extras", description.extrasJson);
    }
    append(json, "}");
    member(json, "scene", 0);
    member(json, "scenes", "[{\"nodes\":[0]}]");
    member(json, "nodes", "[{\"mesh\":0,\"name\":\"terrain\"}]");
    // Dust, not metal: the vertex colours multiply a white base colour.
    member(json, "materials",
           "[{\"name\":\"lunar surface\",\"pbrMetallicRoughness\":"
           "{\"metallicFactor\":0,\"roughnessFactor\":1}}]");
    member(json, "meshes", "[{");
    memberText(json, "name", "terrain");
    member(json, "primitives", "[{");
    member(json, "attributes", "{");
    member(json, "POSITION", positionAccessor);
    if (normals) {
        member(json, "NORMAL", normalAccessor);
    }
    member(json, "COLOR_0", colourAccessor);
    append(json, "}");
    member(json, "indices", indexAccessor);
    member(json, "material", 0);
    member(json, "mode", normals ? kTriangles : kLines);
    append(json, "}]}]");

    member(json, "accessors", "[");
    writeAccessor(json, positionView, kFloat, vertexCount, "VEC3");
    writeVector(json, "min", low);
    writeVector(json, "max", high);
    append(json, "}");
    if (normals) {
        writeAccessor(json, normalView, kFloat, vertexCount, "VEC3");
        append(json, "}");
    }
    writeAccessor(json, colourView, kUnsignedByte, vertexCount, "VEC4");
    member(json, "normalized", "true");
    append(json, "}");
    writeAccessor(json, indexView, kUnsignedInt, indexCount, "SCALAR");
    append(json, "}]");
    member(json, "bufferViews", "[");
    for (const BufferView& view : views) {
        writeBufferView(json, view);
    }
    append(json, "]");
    member(json, "buffers", "[{");
    member(json, "byteLength", binaryLength);
    append(json, "}]}");
    // Chunks are 4-byte aligned: JSON is padded with spaces.
    json.append((4 - json.size() % 4) % 4, ' ');

    const std::size_t total = 12 + 8 + json.size() + 8 + binaryLength;
    if (total > std::numeric_limits<std::uint32_t>::max()) {
        problem = "the mesh needs " + std::to_string(total) +
                  " bytes, more than a .glb holds (4 GiB); --join or --mode smooth makes "
                  "fewer vertices, and ply and obj have no limit";
        return false;
    }
    out.AppendWord(kGlbMagic);
    out.AppendWord(2);
    out.AppendWord(static_cast<std::uint32_t>(total));
    out.AppendWord(static_cast<std::uint32_t>(json.size()));
    out.AppendWord(kJsonChunk);
    out.Text() += json;
    out.AppendWord(static_cast<std::uint32_t>(binaryLength));
    out.AppendWord(kBinChunk);

    // Work for progress: the vertices once per attribute, then the indices.
    out.SetWork(vertexCount * (normals ? 3 : 2) + indexCount);
    mesh.ForEachVertex(
        [&](std::span<const MeshVertex> vertices) {
            for (const MeshVertex& vertex : vertices) {
                out.AppendFloat(vertex.position.x);
                out.AppendFloat(vertex.position.y);
                out.AppendFloat(vertex.position.z);
                out.Advance();
            }
        },
        Mesh::kPositions);
    if (normals) {
        mesh.ForEachVertex(
            [&](std::span<const MeshVertex> vertices) {
                for (const MeshVertex& vertex : vertices) {
                    out.AppendFloat(vertex.normal.x);
                    out.AppendFloat(vertex.normal.y);
                    out.AppendFloat(vertex.normal.z);
                    out.Advance();
                }
            },
            Mesh::kNormals);
    }
    mesh.ForEachVertex(
        [&](std::span<const MeshVertex> vertices) {
            for (const MeshVertex& vertex : vertices) {
                out.AppendWord(PackedColour(vertex.colour) | 0xFF000000u);
                out.Advance();
            }
        },
        Mesh::kColours);
    mesh.ForEachCorner([&](std::span<const MeshCorner> corners) {
        for (const MeshCorner& corner : corners) {
            out.AppendWord(corner.vertex);
            out.Advance();
        }
    });
    out.Finish();
    return true;
}

}  // namespace moon
