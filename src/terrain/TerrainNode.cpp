// SPDX-License-Identifier: MIT
#include "terrain/TerrainNode.h"

#include "terrain/GLTriangleSink.h"
#include "terrain/HeightPalette.h"
#include "terrain/TriangleSink.h"

namespace moon {
namespace {

// Normal of the triangle (p, q, r): (r - q) x (p - q), normalised. The target
// starts zeroed, so a degenerate triangle leaves it (0, 0, 0).
void faceNormal(const Vec3& p, const Vec3& q, const Vec3& r, Vec3& out) {
    Vec3 cross;
    cross.Cross(r.Subtract(q), p.Subtract(q));
    out.Normalise(cross);
}

}  // namespace

TerrainNode::~TerrainNode() {
    for (std::unique_ptr<TerrainNode>& child : children) {
        child.reset();
    }
}

void TerrainNode::Init(TerrainNode* parentNode, const std::array<Vec3, 5>& cellPoints,
                       bool isFixed) {
    xExtent = cellPoints[3].x - cellPoints[0].x;
    zExtent = cellPoints[1].z - cellPoints[0].z;
    points = cellPoints;
    fixed = isFixed;
    parent = parentNode;
    if (parentNode != nullptr) {
        depth = parentNode->depth + 1;
    }

    const Vec3& p0 = points[0];
    const Vec3& p1 = points[1];
    const Vec3& p2 = points[2];
    const Vec3& p3 = points[3];
    const Vec3& p4 = points[4];
    faceNormal(p0, p4, p3, faceNormals[0]);
    faceNormal(p3, p4, p2, faceNormals[1]);
    faceNormal(p4, p1, p2, faceNormals[2]);
    faceNormal(p0, p1, p4, faceNormals[3]);

    Vec3 sum;
    sum.Add(faceNormals[0], faceNormals[1]);
    sum.Add(sum, faceNormals[2]);
    sum.Add(sum, faceNormals[3]);
    sum.Set(sum.x * 0.25, sum.y * 0.25, sum.z * 0.25);
    vertexNormals[4].Normalise(sum);
}

void TerrainNode::DrawCell(const RenderMode& mode, const HeightPalette& palette) const {
    GLTriangleSink sink;
    DrawCell(mode, palette, sink);
}

void TerrainNode::DrawCell(const RenderMode& mode, const HeightPalette& palette,
                           TriangleSink& sink) const {
    if (children[0]) {
        return;
    }
    TerrainTriangle triangle;
    triangle.outline = mode == Wireframe;
    triangle.vertexNormal = mode == Smooth ? &vertexNormals[4] : nullptr;
    for (int t = 0; t < 4; ++t) {
        triangle.faceNormal = mode == Flat ? &faceNormals[static_cast<unsigned>(t)] : nullptr;
        for (int v = 0; v < 3; ++v) {
            const Vec3& vertex = points[static_cast<unsigned>(kTriangleCorners[t][v])];
            triangle.vertices[static_cast<unsigned>(v)] = &vertex;
            ColourForHeight(vertex.y, palette, triangle.colours[static_cast<unsigned>(v)]);
        }
        sink.AddTriangle(triangle);
    }
}

void TerrainNode::ColourForHeight(double height, const HeightPalette& palette, Colour4f& out) {
    if (palette.GetThreshold(2) < height) {
        out = palette.GetColour(2);
    } else if (palette.GetThreshold(1) < height) {
        out = palette.GetColour(1);
    } else {
        out = palette.GetColour(0);
    }
}

std::size_t CountLeaves(const TerrainNode* node) {
    std::size_t leaves = 0;
    ForEachNode(node,
                [&leaves](const TerrainNode& visited) { leaves += visited.IsLeaf() ? 1 : 0; });
    return leaves;
}

}  // namespace moon
