// SPDX-License-Identifier: MIT
#include "viewer/SceneView.h"

#include <GL/gl.h>

#include "scene/Light.h"
#include "scene/SceneLights.h"

namespace moon {

SceneView::SceneView(double& circlingAngle) : m_circlingAngle(circlingAngle) {
    SetDepthBits(24);
}

void SceneView::SetScene(Camera* camera, TerrainModel* terrainModel, Light* lights) {
    m_pCamera = camera;
    m_pTerrainModel = terrainModel;
    m_pLights = lights;
}

void SceneView::OnIdle() {
    Invalidate();
}

void SceneView::ShowBlackFrame() {
    glClear(GL_COLOR_BUFFER_BIT);
    SwapBuffers();
}

void SceneView::ApplyLightColours() const {
    for (int slot = 0; slot < kSceneLightCount; ++slot) {
        m_pLights[slot].ApplyColours();
    }
}

double SceneView::AdvanceCirclingAngle() {
    m_circlingAngle = m_circlingAngle + 1;
    if (m_circlingAngle > 360) {
        m_circlingAngle = m_circlingAngle - 360;
    }
    return m_circlingAngle;
}

void SceneView::PlaceFixedLights() const {
    for (int slot = 0; slot < kCirclingLightSlot; ++slot) {
        m_pLights[slot].ApplyPosition();
    }
}

void SceneView::PlaceCirclingLight() const {
    glTranslated(250, 0, -250);
    glRotated(-m_circlingAngle, 1, 0, 0);
    m_pLights[kCirclingLightSlot].ApplyPosition();
}

}  // namespace moon
