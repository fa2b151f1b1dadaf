// SPDX-License-Identifier: MIT
// Drives the real MoonApp through the framework's own Run loop on the fake
// window system, with a long random sequence of window messages injected at
// every idle pass: pointer moves inside and outside the windows, button
// presses and releases in any order, keys with auto-repeat, sizes down to
// 0 x 0, repaints, cursor and non-client messages, and closing the plan view.
// The recording GL only counts. Used by the soak test and its benchmark.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "scene/Vec3.h"

namespace moon {

class MoonApp;
class TerrainModel;

struct SoakOptions {
    std::uint64_t messages = 100000;  // stop after this many injected messages
    double seconds = 60.0;            // or after this long, whichever comes first
    std::uint32_t seed = 1;           // of the message sequence, not the terrain
};

struct SoakResult {
    std::uint64_t messages = 0;  // injected
    std::uint64_t idlePasses = 0;
    std::uint64_t glCalls = 0;  // counted by the recording GL
    std::uint64_t regenerations = 0;
    double seconds = 0.0;
    int exitCode = -1;  // what Run returned
    bool planClosed = false;
    // Points of the generated (fixed) cells, pre-order, as they were right
    // after the latest generation.
    std::vector<Vec3> generatedPoints;
};

// Options from the environment (MOON_SOAK_MESSAGES, MOON_SOAK_SECONDS) over the defaults.
SoakOptions SoakOptionsFromEnvironment(SoakOptions defaults);

// Selects the fake platform (once per process), builds a MoonApp, runs it
// until the budget is spent, then closes the perspective view. inspect is
// called with the application after Run returned, before it is destroyed.
SoakResult RunSoak(const SoakOptions& options, const std::function<void(MoonApp&)>& inspect);

// The points of the fixed cells, pre-order (children 0 to 3 after the node).
std::vector<Vec3> GeneratedPoints(const TerrainModel& model);

}  // namespace moon
