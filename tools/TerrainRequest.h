// SPDX-License-Identifier: MIT
// Which terrain a moon-terrain command builds: the options --seed, --depth,
// --lod and --lod-off that dump and export share, and the build itself.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "scene/Vec3.h"
#include "terrain/TerrainLimits.h"

namespace moon {

class OptionParser;
class TerrainModel;

struct TerrainRequest {
    // What --depth takes, how the help text says so, and why a depth above
    // the limit is refused. By default: a tree's.
    struct DepthLimit {
        int max = TerrainLimits::kMaxTreeDepth;
        std::string help = "levels generated below the root, 0 to " +
                           std::to_string(TerrainLimits::kMaxTreeDepth) + " (required)";
        std::string deeper = "deeper trees need gigabytes of memory";
    };

    struct DetailPass {
        Vec3 viewpoint;  // world units; (0, 0, 0) for a pass with detail off
        bool enabled = true;
    };

    std::optional<std::uint32_t> seed;
    std::optional<int> depth;
    std::vector<DetailPass> passes;  // in command-line order
    // The viewer's landscape refined with lunar roughness (RefinedGrid).
    bool refine = false;
    // Its craters too (CraterField); implies refine.
    bool craters = false;
    // The landscape the viewer shows after this many regenerations (Space).
    std::uint32_t regeneration = 0;

    void AddOptions(OptionParser& parser, const DepthLimit& limit);
    // With a tree's --depth.
    void AddOptions(OptionParser& parser);
    // "" when every required option was given, else the problem.
    std::string CheckComplete() const;
    // Seeds the generator, regenerates the model to the depth (refined if
    // asked) and runs the passes.
    void Build(TerrainModel& model) const;

    // Puts the random sequence where the viewer's is when it makes its
    // landscape of that count: seeded, then, past the first landscape, that
    // landscape's draws and the star field's, and the draws of each
    // regeneration before this one.
    static void SeedSequence(std::uint32_t seed, std::uint32_t regeneration);
};

}  // namespace moon
