// SPDX-License-Identifier: MIT
// The landscape's size, and how deep each way of holding it may go. The
// commands' help texts and refusals are made from these.
#pragma once

namespace moon {

struct TerrainLimits {
    // World units: x from 0 to kWorldSize, z from -kWorldSize (north) to 0.
    static constexpr double kWorldSize = 500.0;
    // The quadtree: about 450 bytes a node and 4^depth leaves, so deeper
    // trees need gigabytes.
    static constexpr int kMaxTreeDepth = 10;
    // Meshes: deeper ones would pass 4 GiB in a .glb, and their grid alone
    // is 2 GiB.
    static constexpr int kMaxMeshDepth = 12;
    // The grid of heights alone (heightmaps): 16385 samples a side; a deeper
    // one needs more than 8 GiB.
    static constexpr int kMaxGridDepth = 14;
};

}  // namespace moon
