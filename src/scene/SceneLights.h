// SPDX-License-Identifier: MIT
// The scene's five lights: four fixed ones above the 500 x 500 terrain and a
// circling one whose position is meant for the views' rotating frame. They
// use GL_LIGHT1 to GL_LIGHT5; GL_LIGHT0 is never configured. Every ambient
// colour is opaque black, so the lights contribute only diffuse light.
#pragma once

#include <array>
#include <span>

#include "scene/Colour4f.h"
#include "scene/Light.h"
#include "scene/Vec3.h"

namespace moon {

// The arguments of one Light::Init call.
struct LightSetup {
    int index;
    Colour4f ambient;
    Colour4f diffuse;
    Vec3 position;  // world units
};

constexpr int kSceneLightCount = 5;
// Slot of the light that circles the terrain and carries the sun.
constexpr int kCirclingLightSlot = 4;

// The five Init arguments in slot order 0 to 4.
const std::array<LightSetup, kSceneLightCount>& SceneLightTable();

// Calls Init on each light with its slot's arguments, slot 0 first.
void InitSceneLights(std::span<Light, kSceneLightCount> lights);

}  // namespace moon
