// SPDX-License-Identifier: MIT
// MeshWriter's glTF 2.0 binary (.glb): one JSON chunk, one binary chunk.
// The binary chunk holds, each a buffer view of its own and each a multiple
// of 4 bytes: positions (float x y z), normals (float, filled modes only),
// colours (unsigned bytes r g b a, normalised; a is 255) and the indices
// (32-bit unsigned: triangles, or line pairs in wireframe). glTF's axes are
// the world's (y up, right-handed) and the triangles are counter-clockwise
// seen from above, glTF's front face.
#include <algorithm>
#include <array>
#include <bit>
#include <limits>

#include "base/Check.h"
#include "cli/CommandValues.h"
#include "cli/MoonVersion.h"
#include "io/AtomicFile.h"
#include "tools/MeshWriter.h"

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

void appendWord(std::string& out, std::uint32_t word) {
    for (int i = 0; i < 4; ++i) {
        out += static_cast<char>((word >> (8 * i)) & 0xFFu);
    }
}

struct View {
    std::size_t offset;
    std::size_t length;
    int target;
};

}  // namespace

void MeshWriter::WriteGlb(AtomicFile& file, const Description& description) {
    const std::size_t vertexCount = m_vertices.Size();
    const bool normals = !m_bLines;
    const std::size_t indexCount = m_bLines ? 2 * m_lines.Size() : 3 * m_triangles;

    // The bounds of the positions, as the file holds them (floats).
    std::array<float, 3> low{};
    std::array<float, 3> high{};
    low.fill(std::numeric_limits<float>::max());
    high.fill(std::numeric_limits<float>::lowest());
    for (const auto& key : m_vertices.Keys()) {
        for (std::size_t k = 0; k < 3; ++k) {
            const float value = std::bit_cast<float>(key[k]);
            low[k] = std::min(low[k], value);
            high[k] = std::max(high[k], value);
        }
    }

    std::vector<View> views;
    std::size_t offset = 0;
    auto addView = [&views, &offset](std::size_t length, int target) {
        views.push_back(View{offset, length, target});
        offset += length;
        return views.size() - 1;
    };
    const std::size_t positionView = addView(12 * vertexCount, kArrayBuffer);
    const std::size_t normalView = normals ? addView(12 * vertexCount, kArrayBuffer) : 0;
    const std::size_t colourView = addView(4 * vertexCount, kArrayBuffer);
    const std::size_t indexView = addView(4 * indexCount, kElementArrayBuffer);
    const std::size_t binaryLength = offset;

    std::string json = "{\"asset\":{\"version\":\"2.0\",\"generator\":\"moon-terrain " +
                       std::string(kMoonVersion) + "\"";
    if (!description.extrasJson.empty()) {
        json += ",\"extras\":" + description.extrasJson;
    }
    json +=
        "},\"scene\":0,\"scenes\":[{\"nodes\":[0]}],\"nodes\":[{\"mesh\":0,\"name\":"
        "\"terrain\"}],";
    // Dust, not metal: the vertex colours multiply a white base colour.
    json +=
        "\"materials\":[{\"name\":\"lunar surface\",\"pbrMetallicRoughness\":"
        "{\"metallicFactor\":0,\"roughnessFactor\":1}}],";
    json += "\"meshes\":[{\"name\":\"terrain\",\"primitives\":[{\"attributes\":{\"POSITION\":0";
    std::size_t accessor = 1;
    if (normals) {
        json += ",\"NORMAL\":" + std::to_string(accessor++);
    }
    const std::size_t colourAccessor = accessor++;
    const std::size_t indexAccessor = accessor++;
    json += ",\"COLOR_0\":" + std::to_string(colourAccessor) +
            "},\"indices\":" + std::to_string(indexAccessor) +
            ",\"material\":0,\"mode\":" + std::to_string(m_bLines ? kLines : kTriangles) + "}]}],";

    auto accessorJson = [](std::size_t view, int component, std::size_t count, const char* type) {
        return "{\"bufferView\":" + std::to_string(view) +
               ",\"componentType\":" + std::to_string(component) +
               ",\"count\":" + std::to_string(count) + ",\"type\":\"" + type + "\"";
    };
    json += "\"accessors\":[" + accessorJson(positionView, kFloat, vertexCount, "VEC3") +
            ",\"min\":[" + ShortestText(low[0]) + "," + ShortestText(low[1]) + "," +
            ShortestText(low[2]) + "],\"max\":[" + ShortestText(high[0]) + "," +
            ShortestText(high[1]) + "," + ShortestText(high[2]) + "]}";
    if (normals) {
        json += ',';
        json += accessorJson(normalView, kFloat, vertexCount, "VEC3") + "}";
    }
    // The comma apart: "," + a temporary string trips GCC 12's false
    // -Wrestrict warning (GCC bug 105329) where the string code is inlined.
    json += ',';
    json += accessorJson(colourView, kUnsignedByte, vertexCount, "VEC4") + ",\"normalized\":true}";
    json += ',';
    json += accessorJson(indexView, kUnsignedInt, indexCount, "SCALAR") + "}],";
    json += "\"bufferViews\":[";
    for (std::size_t v = 0; v < views.size(); ++v) {
        json += (v == 0 ? "{" : ",{") + std::string("\"buffer\":0,\"byteOffset\":") +
                std::to_string(views[v].offset) +
                ",\"byteLength\":" + std::to_string(views[v].length) +
                ",\"target\":" + std::to_string(views[v].target) + "}";
    }
    json += "],\"buffers\":[{\"byteLength\":" + std::to_string(binaryLength) + "}]}";
    // Chunks are 4-byte aligned: JSON is padded with spaces.
    json.append((4 - json.size() % 4) % 4, ' ');

    const std::size_t total = 12 + 8 + json.size() + 8 + binaryLength;
    MOON_CHECK(total <= std::numeric_limits<std::uint32_t>::max(), "a .glb is below 4 GiB");
    std::string text;
    appendWord(text, kGlbMagic);
    appendWord(text, 2);
    appendWord(text, static_cast<std::uint32_t>(total));
    appendWord(text, static_cast<std::uint32_t>(json.size()));
    appendWord(text, kJsonChunk);
    text += json;
    appendWord(text, static_cast<std::uint32_t>(binaryLength));
    appendWord(text, kBinChunk);

    // Work for progress: the vertices once per attribute, then the indices.
    const std::size_t work = vertexCount * (normals ? 3 : 2) + indexCount;
    std::size_t done = 0;
    for (std::size_t first = 0; first < (normals ? 6u : 3u); first += 3) {
        for (const auto& key : m_vertices.Keys()) {
            for (std::size_t k = first; k < first + 3; ++k) {
                appendWord(text, key[k]);
            }
            Emit(file, text);
            Advance(done, work);
        }
    }
    for (const auto& key : m_vertices.Keys()) {
        appendWord(text, key[6] | 0xFF000000u);
        Emit(file, text);
        Advance(done, work);
    }
    if (m_bLines) {
        for (const auto& line : m_lines.Keys()) {
            appendWord(text, line[0]);
            appendWord(text, line[1]);
            Emit(file, text);
            Advance(done, work);
            Advance(done, work);
        }
    } else {
        for (const std::uint32_t index : m_faces) {
            appendWord(text, index);
            Emit(file, text);
            Advance(done, work);
        }
    }
    Emit(file, text, true);
    Report("writing", work, work);
}

}  // namespace moon
