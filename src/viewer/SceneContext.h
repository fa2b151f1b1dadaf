// SPDX-License-Identifier: MIT
// The part of a view's OnCreate that both views share: once the window's GL
// context exists and its projection is loaded, set the model-view identity,
// the viewport, depth test and culling, and light the scene with the five
// lights and colour-material tracking.
#pragma once

namespace moon {

class Light;

// width, height: client pixels. lights: the first of the scene's five lights.
void SetUpSceneContext(int width, int height, const Light* lights);

}  // namespace moon
