// SPDX-License-Identifier: MIT
#include "mesh/GridJoinedNormals.h"

#include <array>

#include "mesh/JoinedMesh.h"
#include "terrain/GridLeaves.h"
#include "terrain/HeightGrid.h"
#include "terrain/TerrainNode.h"

namespace moon {

void GridJoinedNormals::Make(const HeightGrid& grid, const Progress& progress) {
    const auto side = static_cast<std::size_t>(grid.GetSide());
    const std::size_t leaves = (side - 1) * (side - 1);
    m_atPositions.assign(side * side, Vec3());
    m_atCentres.assign(leaves, Vec3());
    m_bounds = MeshBounds();
    std::size_t leaf = 0;
    auto sum = [&](const TerrainNode& node, int column, int row) {
        for (const Vec3& point : node.points) {
            m_bounds.Extend(point);
        }
        Vec3 centre;
        for (const auto& corners : kTriangleCorners) {
            const Vec3 face = JoinedMesh::FaceNormal(
                node.points[corners[0]], node.points[corners[1]], node.points[corners[2]]);
            for (const int point : corners) {
                if (point < 4) {
                    const auto& offset = GridLeaves::kCornerOffsets[point];
                    Vec3& at = m_atPositions[static_cast<std::size_t>(row + offset[1]) * side +
                                             static_cast<std::size_t>(column + offset[0])];
                    at.Add(at, face);
                }
            }
            // The centre's triangles are its leaf's four, in order.
            centre.Add(centre, face);
        }
        m_atCentres[leaf].Normalise(centre);
        if (++leaf % 65536 == 0 && progress) {
            progress("counting", static_cast<double>(leaf) / static_cast<double>(leaves));
        }
    };
    GridLeaves::ForEach(grid, sum, GridLeaves::Normals::Skipped);
    for (Vec3& at : m_atPositions) {
        at.Normalise(at);
    }
}

}  // namespace moon
