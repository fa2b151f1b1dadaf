// SPDX-License-Identifier: MIT
#include "mesh/GridMesh.h"

#include <utility>

#include "base/Check.h"
#include "mesh/BatchPipe.h"
#include "mesh/GridMeshWalk.h"
#include "terrain/GridLeaves.h"
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
    if (settings.joined && settings.mode != Wireframe) {
        m_joinedNormals.Make(m_grid, m_progress);
        m_bounds = m_joinedNormals.GetBounds();
        m_bInBounds = true;
    }
    Count();
}

void GridMesh::Count() {
    std::vector<std::uint32_t> normalHashes;
    Walk count(*this, Walk::Purpose::Count);
    count.RecordInto(&m_patterns, &normalHashes);
    count.Run();
    if (count.HasBounds() && !m_bInBounds) {
        m_bounds = count.GetBounds();
        m_bInBounds = true;
    }
    m_vertices = count.GetVertexCount();
    m_primitives = count.GetPrimitiveCount();
    if (m_settings.sharing == MeshSharing::Attributes && m_settings.mode != Wireframe) {
        NumberNormals(std::move(normalHashes));
    }
}

void GridMesh::NumberNormals(std::vector<std::uint32_t> normalHashes) {
    // A joined mesh holds its normals and hashes them again; a leaf's own
    // hashes are read back while numbering.
    m_repeatedNormals.Find(m_settings.joined ? std::move(normalHashes) : normalHashes);
    Walk numbers(*this, Walk::Purpose::NumberNormals);
    numbers.NumberInto(&normalHashes, &m_normalNumbers);
    numbers.Run();
    m_normals = numbers.GetNormalCount();
}

void GridMesh::GetBounds(std::array<float, 3>& low, std::array<float, 3>& high) const {
    if (!m_bInBounds) {
        // Only glTF asks: a walk of its own when counting read no heights.
        GridLeaves::ForEach(
            m_grid,
            [this](const TerrainNode& leaf, int, int) {
                for (const Vec3& point : leaf.points) {
                    m_bounds.Extend(point);
                }
            },
            GridLeaves::Normals::Skipped);
        m_bInBounds = true;
    }
    low = m_bounds.low;
    high = m_bounds.high;
}

void GridMesh::ForEachVertex(const Visit<MeshVertex>& visit, unsigned parts) const {
    BatchPipe<MeshVertex>::Run(
        [this, parts](const Deliver<MeshVertex>& deliver) {
            Walk walk(*this, &deliver, nullptr, nullptr);
            walk.SetVertexParts(parts);
            walk.Run();
        },
        visit);
}

void GridMesh::ForEachNormal(const Visit<Vec3>& visit) const {
    if (m_normals == 0) {
        return;  // lines, and meshes whose vertices carry their normals
    }
    BatchPipe<Vec3>::Run(
        [this](const Deliver<Vec3>& deliver) { Walk(*this, nullptr, &deliver, nullptr).Run(); },
        visit);
}

void GridMesh::ForEachCorner(const Visit<MeshCorner>& visit) const {
    BatchPipe<MeshCorner>::Run(
        [this](const Deliver<MeshCorner>& deliver) {
            Walk(*this, nullptr, nullptr, &deliver).Run();
        },
        visit);
}

}  // namespace moon
