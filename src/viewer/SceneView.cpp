// SPDX-License-Identifier: MIT
#include "viewer/SceneView.h"

#include <GL/gl.h>

#include "framework/GLWindowExtra.h"
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

void SceneView::PresentFrame() {
    if (m_pPicture != nullptr) {
        // Before the swap: the back buffer is the view's own whatever covers
        // the window, and is still the frame just drawn.
        std::vector<std::uint8_t>& rows = *m_pPicture;
        m_pPicture = nullptr;
        rows.resize(static_cast<std::size_t>(GetWidth()) * GetHeight() * 3);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadBuffer(GL_BACK);
        glReadPixels(0, 0, GetWidth(), GetHeight(), GL_RGB, GL_UNSIGNED_BYTE, rows.data());
        if (glGetError() != GL_NO_ERROR) {
            rows.clear();
        }
    }
    SwapBuffers();
    m_frames.Count(FrameCounter::Clock::now());
}

bool SceneView::DrawPicture(std::vector<std::uint8_t>& rows) {
    rows.clear();
    GLWindowExtra* record = GetExtra();
    if (record == nullptr || GetWidth() <= 0 || GetHeight() <= 0) {
        return false;
    }
    // An acquire is released whether it was made or not: it is counted.
    if (record->MakeCurrent(true)) {
        // The frame advances the light a degree: start it a degree back, so
        // the picture is the frame on screen and the light goes on as before.
        m_circlingAngle = m_circlingAngle - 1;
        m_pPicture = &rows;
        OnDisplay();
        m_pPicture = nullptr;
    }
    record->MakeCurrent(false);
    return !rows.empty();
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
