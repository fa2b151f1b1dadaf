// SPDX-License-Identifier: MIT
// What a terrain mesh file says about the landscape it holds: the seed and
// landscape count it came from, its depth, palette and mode, the
// level-of-detail passes that shaped it and how it was made. The export
// command and the viewer describe their meshes alike, so the same landscape
// makes the same bytes from either.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "mesh/MeshDescription.h"
#include "terrain/RenderMode.h"

namespace moon {

struct TerrainMeshFacts {
    std::uint32_t seed = 0;
    std::uint32_t regeneration = 0;  // the viewer's landscape of this count
    int depth = 0;
    int palette = 0;
    RenderMode mode = Flat;
    // The level-of-detail passes as the command line gives them, in order:
    // "--lod X,Y,Z" (each number in its shortest form) or "--lod-off".
    std::vector<std::string> passes;
    bool joined = false;
    bool refined = false;
    bool craters = false;
};

// The comment lines and glTF extras of a terrain mesh; the generator is left
// for the caller to name.
MeshDescription DescribeTerrainMesh(const TerrainMeshFacts& facts);

}  // namespace moon
