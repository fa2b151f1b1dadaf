// SPDX-License-Identifier: MIT
// One cell of the terrain quadtree: five points over the x-z plane (y is the
// height, all in world units), the normals used for lighting, and the four
// owned quarter cells. Normals are computed once, by Init, and never again;
// later height repairs leave them as they were. A node whose first child slot
// is empty is a leaf: the four slots are always filled and emptied together.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>

#include "scene/Colour4f.h"
#include "scene/Vec3.h"
#include "terrain/RenderMode.h"

namespace moon {

class HeightPalette;
class TriangleSink;

class TerrainNode {
public:
    // A leaf's four triangles as indices into points, in drawing order, each
    // counter-clockwise seen from above; faceNormals[t] goes with triangle t.
    static constexpr int kTriangleCorners[4][3] = {{0, 4, 3}, {3, 4, 2}, {4, 1, 2}, {0, 1, 4}};

    // [0] smallest x and z, [1] smallest x, largest z, [2] largest x and z,
    // [3] largest x, smallest z (0-1-2-3 walks around the cell), [4] centre.
    std::array<Vec3, 5> points{};
    // Unit normals of the triangles (p0 p4 p3), (p3 p4 p2), (p4 p1 p2), (p0 p1 p4):
    // the sides of smallest z, largest x, largest z and smallest x.
    std::array<Vec3, 4> faceNormals{};
    // Only [4], the cell's vertex normal, is computed; [0] to [3] stay zero.
    std::array<Vec3, 5> vertexNormals{};
    // The quarters at points[0], [1], [2] and [3].
    std::array<std::unique_ptr<TerrainNode>, 4> children{};
    TerrainNode* parent = nullptr;  // not owning; null for the root
    std::int32_t depth = 0;         // 0 for the root
    double xExtent = 0.0;           // points[3].x - points[0].x
    double zExtent = 0.0;           // points[1].z - points[0].z
    bool fixed = false;             // made by full generation; level of detail keeps it

    TerrainNode() = default;
    // Destroys children 0, 1, 2 and 3 in that order, each with its subtree.
    ~TerrainNode();
    TerrainNode(const TerrainNode&) = delete;
    TerrainNode& operator=(const TerrainNode&) = delete;

    // Sets every field from the five points; called once, right after construction.
    void Init(TerrainNode* parentNode, const std::array<Vec3, 5>& cellPoints, bool isFixed);

    bool IsLeaf() const { return !children[0]; }

    // Draws the cell's four triangles to OpenGL when it is a leaf.
    void DrawCell(const RenderMode& mode, const HeightPalette& palette) const;
    // The same triangles, in the same order, to any sink.
    void DrawCell(const RenderMode& mode, const HeightPalette& palette, TriangleSink& sink) const;

    // Copies the colour of the height's band: band 2 above threshold 2, band 1
    // above threshold 1, band 0 otherwise (a height on a threshold is in the lower band).
    static void ColourForHeight(double height, const HeightPalette& palette, Colour4f& out);
};

// Calls visit(const TerrainNode&) on node and every node below it, pre-order:
// a node, then children 0 to 3 each with its subtree (the order generation
// builds them). A null node: nothing.
template <typename Visit>
void ForEachNode(const TerrainNode* node, Visit&& visit) {
    if (node == nullptr) {
        return;
    }
    visit(*node);
    for (const std::unique_ptr<TerrainNode>& child : node->children) {
        ForEachNode(child.get(), visit);
    }
}

// Nodes without children under node, node included; 0 for null.
std::size_t CountLeaves(const TerrainNode* node);

}  // namespace moon
