// SPDX-License-Identifier: MIT
// The normals of a joined grid mesh, made in one walk over the leaves with
// their heights: at each grid position and at each leaf's centre, the
// normalised sum of the face normals around it, added in the order of their
// triangles, as JoinedMesh makes them from the tree. The walk reads every
// position, so it finds the mesh's bounds on the way.
#pragma once

#include <cstddef>
#include <functional>
#include <string_view>
#include <vector>

#include "mesh/GridLeafWalk.h"
#include "mesh/MeshBounds.h"
#include "scene/Vec3.h"

namespace moon {

class HeightGrid;

class GridJoinedNormals {
public:
    // A joined leaf's four triangles: the drawing walk's, each turned to
    // start at the centre (point 4), as JoinedMesh makes them.
    static constexpr int kTriangleCorners[4][3] = {{4, 3, 0}, {4, 2, 3}, {4, 1, 2}, {4, 0, 1}};

    using Progress = std::function<void(std::string_view stage, double fraction)>;

    // grid: generated with its first heights kept.
    void Make(const HeightGrid& grid, const Progress& progress);

    // location: row * side + column of the grid; leaf: its place in the walk.
    const Vec3& AtPosition(std::size_t location) const { return m_atPositions[location]; }
    const Vec3& AtCentre(std::size_t leaf) const { return m_atCentres[leaf]; }
    // The normal at point (4: the centre) of the leaf the walk is at.
    const Vec3& At(const GridLeafWalk& at, int point) const {
        return point < 4 ? AtPosition(at.Location(point)) : AtCentre(at.Index());
    }
    const MeshBounds& GetBounds() const { return m_bounds; }

private:
    std::vector<Vec3> m_atPositions;
    std::vector<Vec3> m_atCentres;
    MeshBounds m_bounds;
};

}  // namespace moon
