// SPDX-License-Identifier: MIT
// Level of detail: one pass over the whole tree refines leaves near the
// viewpoint (plain-average subdivision, cells not fixed) and deletes refined
// cells away from it. Generated (fixed) cells are never deleted.
#include "terrain/Terrain.h"

namespace moon {
namespace {

// Distances from the viewpoint to a cell's centre, world units, by cell depth.
constexpr double kNearDistance = 120.0;  // depth 0 to 6
constexpr double kMidDistance = 70.0;    // depth 7
constexpr double kCloseDistance = 30.0;  // depth 8 and deeper

bool prunes(double d, int depth, bool enabled) {
    return !enabled || d > kNearDistance || (d > kMidDistance && depth >= 7) ||
           (d > kCloseDistance && depth >= 8);
}

bool refines(double d, int depth) {
    return depth < Terrain::kDeepestRefinedDepth &&
           ((d < kNearDistance && depth < 7) || (d < kMidDistance && depth < 8) ||
            d < kCloseDistance);
}

}  // namespace

void Terrain::UpdateDetail(const Vec3& viewpoint, bool enabled) {
    UpdateNodeDetail(m_pRoot.get(), viewpoint, enabled);
}

void Terrain::UpdateNodeDetail(TerrainNode* node, const Vec3& viewpoint, bool enabled) {
    // Pre-order; the loop stands in for the call on child 3.
    while (node != nullptr) {
        const double d = viewpoint.Distance(node->points[4]);
        if (prunes(d, node->depth, enabled)) {
            for (std::unique_ptr<TerrainNode>& child : node->children) {
                if (child && !child->fixed) {
                    child.reset();
                    ++m_changeCount;
                }
            }
        } else if (!node->children[0] && refines(d, node->depth)) {
            Subdivide(0, 1, node, false);
        }
        UpdateNodeDetail(node->children[0].get(), viewpoint, enabled);
        UpdateNodeDetail(node->children[1].get(), viewpoint, enabled);
        UpdateNodeDetail(node->children[2].get(), viewpoint, enabled);
        node = node->children[3].get();
    }
}

}  // namespace moon
