// SPDX-License-Identifier: MIT
#include "mesh/GridMesh.h"

#include <utility>

#include "base/Check.h"
#include "mesh/BatchPipe.h"
#include "mesh/GridMeshWalk.h"
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
    const bool lines = settings.mode == Wireframe;
    if (settings.joined && !lines) {
        Walk sums(*this, Walk::Purpose::SumNormals, &m_kept);
        sums.Run();
        KeepBounds(sums);
    }
    Walk count(*this, Walk::Purpose::Count, &m_kept);
    count.Run();
    KeepBounds(count);
    m_vertices = count.GetVertexCount();
    m_primitives = count.GetPrimitiveCount();
    if (settings.sharing == MeshSharing::Attributes && !lines) {
        // A joined mesh holds its normals and hashes them again; a leaf's own
        // hashes are read back while counting normals.
        m_repeatedNormals.Find(settings.joined ? std::move(m_kept.normalHashes)
                                               : m_kept.normalHashes);
        Walk normals(*this, Walk::Purpose::CountNormals, &m_kept);
        normals.Run();
        m_normals = normals.GetNormalCount();
        m_kept.normalHashes = {};
    }
}

void GridMesh::KeepBounds(const Walk& walk) {
    if (walk.HasBounds() && !m_bInBounds) {
        m_low = walk.GetLow();
        m_high = walk.GetHigh();
        m_bInBounds = true;
    }
}

void GridMesh::GetBounds(std::array<float, 3>& low, std::array<float, 3>& high) const {
    if (!m_bInBounds) {
        // Only glTF asks: a walk of its own when counting read no heights.
        Walk bounds(*this, Walk::Purpose::Bounds);
        bounds.Run();
        m_low = bounds.GetLow();
        m_high = bounds.GetHigh();
        m_bInBounds = true;
    }
    low = m_low;
    high = m_high;
}

void GridMesh::ForEachVertex(const Visit<MeshVertex>& visit, unsigned parts) const {
    BatchPipe<MeshVertex>::Run(
        [this, parts](const Ship<MeshVertex>& ship) {
            Walk walk(*this, &ship, nullptr, nullptr);
            walk.SetVertexParts(parts);
            walk.Run();
        },
        visit);
}

void GridMesh::ForEachNormal(const Visit<Vec3>& visit) const {
    BatchPipe<Vec3>::Run(
        [this](const Ship<Vec3>& ship) { Walk(*this, nullptr, &ship, nullptr).Run(); }, visit);
}

void GridMesh::ForEachCorner(const Visit<MeshCorner>& visit) const {
    BatchPipe<MeshCorner>::Run(
        [this](const Ship<MeshCorner>& ship) { Walk(*this, nullptr, nullptr, &ship).Run(); },
        visit);
}

}  // namespace moon
