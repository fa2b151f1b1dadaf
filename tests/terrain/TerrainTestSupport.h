// SPDX-License-Identifier: MIT
// Helpers shared by the terrain tests: generating, walking and comparing trees.
#pragma once

#include <cstdint>
#include <cstring>
#include <memory>

#include "scene/Random.h"
#include "terrain/Terrain.h"

namespace moon::test {

inline std::unique_ptr<Terrain> GeneratedTerrain(std::uint32_t seed, int depth) {
    Random::Seed(seed);
    auto terrain = std::make_unique<Terrain>();
    terrain->Generate(depth);
    return terrain;
}

using moon::ForEachNode;

inline int CountNodes(const TerrainNode* root) {
    int count = 0;
    ForEachNode(root, [&count](const TerrainNode&) { ++count; });
    return count;
}

// Same shape and every field bit for bit (so 0 and -0 differ).
inline bool SameTree(const TerrainNode* a, const TerrainNode* b) {
    if (a == nullptr || b == nullptr) {
        return a == b;
    }
    if (std::memcmp(a->points.data(), b->points.data(), sizeof a->points) != 0 ||
        std::memcmp(a->faceNormals.data(), b->faceNormals.data(), sizeof a->faceNormals) != 0 ||
        std::memcmp(a->vertexNormals.data(), b->vertexNormals.data(), sizeof a->vertexNormals) !=
            0 ||
        a->depth != b->depth || a->fixed != b->fixed || a->xExtent != b->xExtent ||
        a->zExtent != b->zExtent) {
        return false;
    }
    for (int k = 0; k < 4; ++k) {
        if (!SameTree(a->children[k].get(), b->children[k].get())) {
            return false;
        }
    }
    return true;
}

}  // namespace moon::test
