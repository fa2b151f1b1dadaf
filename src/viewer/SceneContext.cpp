// SPDX-License-Identifier: MIT
#include "viewer/SceneContext.h"

#include <GL/gl.h>

#include "scene/Colour4f.h"
#include "scene/Light.h"
#include "scene/SceneLights.h"

namespace moon {

void SetUpSceneContext(int width, int height, const Light* lights) {
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glViewport(0, 0, width, height);
    // OpenGL's defaults stay: back faces culled, counter-clockwise is front,
    // depth function GL_LESS.
    glEnable(GL_DEPTH_TEST);
    glClearColor(0, 0, 0, 0);
    glEnable(GL_CULL_FACE);
    // No global ambient light: what is not lit by one of the five lights is black.
    glLightModelfv(GL_LIGHT_MODEL_AMBIENT, Colour4f::Black());
    for (int slot = 0; slot < kSceneLightCount; ++slot) {
        lights[slot].Enable();
    }
    // The terrain's vertex colours become the material's ambient and diffuse colour.
    glEnable(GL_COLOR_MATERIAL);
    glColorMaterial(GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE);
}

}  // namespace moon
