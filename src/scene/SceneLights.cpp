// SPDX-License-Identifier: MIT
#include "scene/SceneLights.h"

namespace moon {
namespace {

Colour4f grey(float level) {
    return Colour4f(level, level, level, 1.0f);
}

}  // namespace

const std::array<LightSetup, kSceneLightCount>& SceneLightTable() {
    // Slots 0 to 3 sit above three corners of the terrain (x 0 to 500,
    // z 0 to -500) and the middle of its z = 0 edge.
    static const std::array<LightSetup, kSceneLightCount> table = {{
        {1, Colour4f::Black(), grey(0.2f), Vec3(0.0, 50.0, -500.0)},
        {2, Colour4f::Black(), grey(0.4f), Vec3(0.0, 50.0, 0.0)},
        {3, Colour4f::Black(), grey(0.2f), Vec3(250.0, 100.0, 0.0)},
        {4, Colour4f::Black(), grey(0.1f), Vec3(500.0, 50.0, -500.0)},
        {5, Colour4f::Black(), grey(1.0f), Vec3(0.0, 0.0, -500.0)},
    }};
    return table;
}

void InitSceneLights(std::span<Light, kSceneLightCount> lights) {
    const auto& table = SceneLightTable();
    for (int slot = 0; slot < kSceneLightCount; ++slot) {
        const LightSetup& setup = table[static_cast<std::size_t>(slot)];
        lights[static_cast<std::size_t>(slot)].Init(setup.index, setup.ambient, setup.diffuse,
                                                    setup.position);
    }
}

}  // namespace moon
