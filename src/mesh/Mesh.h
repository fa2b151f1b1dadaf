// SPDX-License-Identifier: MIT
// A mesh as the file writers see it, whoever made it: counts known before
// anything is written, then its vertices, normals and triangle (or line)
// corners in index order, visited in batches as often as a writer needs.
// A mesh gathered in memory hands out its arrays; one streamed from the
// generated grid walks the terrain again for each visit.
//
// Formats share vertices in one of two ways, and a mesh is made for one:
// - Vertices (PLY, glTF): a vertex is a position, a normal and a colour, as
//   the file holds them (floats, colour bytes), and a corner names one.
// - Attributes (OBJ): positions (with their colours) and normals are indexed
//   apart at full precision, and a corner names one of each.
// Triangles are counter-clockwise seen from above (+y). A line mesh
// (wireframe) has each distinct edge once and no normals.
#pragma once

#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>

#include "scene/Colour4f.h"
#include "scene/Vec3.h"

namespace moon {

enum class MeshSharing { Vertices, Attributes };

struct MeshVertex {
    Vec3 position;  // world units
    Vec3 normal;    // unit length; (0, 0, 0) in a line mesh and under Attributes sharing
    Colour4f colour;
};

// A triangle's or line's corner: the vertex (Attributes: the position) and,
// under Attributes sharing, the normal; indices from 0.
struct MeshCorner {
    std::uint32_t vertex = 0;
    std::uint32_t normal = 0;
};

// A colour's red, green and blue as bytes in the low three bytes of a word,
// red lowest. The colour was made from a byte times 1/255, so rounding
// recovers the byte.
inline std::uint32_t PackedColour(const Colour4f& colour) {
    auto byte = [](float component) {
        const long scaled = std::lround(static_cast<double>(component) * 255.0);
        return static_cast<std::uint32_t>(scaled < 0 ? 0 : scaled > 255 ? 255 : scaled);
    };
    return byte(colour.r) | byte(colour.g) << 8 | byte(colour.b) << 16;
}

class Mesh {
public:
    template <typename T>
    using Visit = std::function<void(std::span<const T>)>;

    virtual ~Mesh() = default;

    virtual MeshSharing GetSharing() const = 0;
    virtual bool IsLines() const = 0;
    // Under Attributes sharing, distinct positions.
    virtual std::size_t GetVertexCount() const = 0;
    // Distinct normals under Attributes sharing; else 0.
    virtual std::size_t GetNormalCount() const = 0;
    // Triangles, or distinct lines.
    virtual std::size_t GetPrimitiveCount() const = 0;
    std::size_t GetCornerCount() const { return GetPrimitiveCount() * (IsLines() ? 2 : 3); }
    // The smallest and largest of each position coordinate, as floats.
    virtual void GetBounds(std::array<float, 3>& low, std::array<float, 3>& high) const = 0;

    // What of a vertex a visit needs; a mesh may leave the rest unset.
    enum VertexParts : unsigned {
        kPositions = 1,
        kNormals = 2,
        kColours = 4,
        kAllParts = kPositions | kNormals | kColours
    };

    virtual void ForEachVertex(const Visit<MeshVertex>& visit,
                               unsigned parts = kAllParts) const = 0;
    virtual void ForEachNormal(const Visit<Vec3>& visit) const = 0;
    // 3 corners a triangle or 2 a line, in order; a batch holds whole ones.
    virtual void ForEachCorner(const Visit<MeshCorner>& visit) const = 0;
};

}  // namespace moon
