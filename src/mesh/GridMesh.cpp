// SPDX-License-Identifier: MIT
#include "mesh/GridMesh.h"

#include <utility>

#include "base/Check.h"
#include "mesh/GridLeafWalk.h"
#include "terrain/RefinedGrid.h"

namespace moon {

GridMesh::GridMesh(const Settings& settings, Progress progress)
    : m_settings(settings), m_progress(std::move(progress)) {
    MOON_CHECK(settings.palette != nullptr);
    const LandscapeKey key{settings.seed, settings.regeneration};
    // At depth 6 the refined landscape is the generated one, craters apart.
    if (settings.craters || (settings.refine && settings.depth != RefinedGrid::kBaseDepth)) {
        RefinedGrid::Generate(settings.depth, key, m_grid, 0, settings.craters);
    } else {
        m_grid.Generate(settings.depth, true);
    }
    Count();
}

void GridMesh::Count() {
    const bool flat = m_settings.mode == Flat;
    if (m_settings.joined && !IsLines()) {
        m_joinedNormals.Make(m_grid, m_progress);
        m_bounds = m_joinedNormals.GetBounds();
        m_bInBounds = true;
    }
    const auto side = static_cast<std::size_t>(m_grid.GetSide());
    const std::size_t leaves = (side - 1) * (side - 1);
    if (IsKeyedByNormal()) {
        m_keyedVertices.Count(m_grid, flat, m_progress);
        m_vertices = m_keyedVertices.GetVertexCount();
        m_bounds = m_keyedVertices.GetBounds();
        m_bInBounds = true;
    } else {
        m_vertices = side * side + leaves;
    }
    // Four triangles a leaf; lines: a leaf's four spokes, and the outer
    // edges, each once, along every row and every column.
    m_primitives = 4 * leaves + (IsLines() ? 2 * side * (side - 1) : 0);
    if (HasSeparateNormals() && m_settings.joined) {
        m_separateNormals.NumberJoined(m_grid, m_joinedNormals, m_progress);
        m_normals = m_separateNormals.GetCount();
    } else if (HasSeparateNormals()) {
        m_separateNormals.NumberOwn(m_grid, flat, m_progress);
        m_normals = m_separateNormals.GetCount();
        m_bounds = m_separateNormals.GetBounds();
        m_bInBounds = true;
    }
}

void GridMesh::GetBounds(std::array<float, 3>& low, std::array<float, 3>& high) const {
    if (!m_bInBounds) {
        // Only glTF asks: a walk of its own when no pass read every position.
        GridLeafWalk walk(m_grid);
        auto leaf = [this](const GridLeafWalk& at) {
            for (const Vec3& point : at.Node().points) {
                m_bounds.Extend(point);
            }
        };
        walk.Run(GridLeafWalk::Reads::Points, leaf);
        m_bInBounds = true;
    }
    low = m_bounds.low;
    high = m_bounds.high;
}

}  // namespace moon
