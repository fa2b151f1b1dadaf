#include "viewer/PlanView.h"

#include <GL/gl.h>

#include "scene/Camera.h"
#include "scene/Light.h"
#include "scene/SceneLights.h"
#include "terrain/TerrainModel.h"
#include "viewer/SceneContext.h"

namespace moon {

namespace {

// The circling light's angle for this view, in degrees.
double planAngle = 0.0;

// Half the side of the orthographic square (world units at scale 1) and the
// depth range it keeps: the 500 x 500 terrain seen from its centre.
constexpr double kHalfSide = 250.0;
constexpr double kDepthRange = 500.0;

}  // namespace

PlanView::PlanView() {
    SetDepthBits(24);
}

void PlanView::SetScene(Camera* camera, TerrainModel* terrainModel, Light* lights) {
    m_pCamera = camera;
    m_pTerrainModel = terrainModel;
    m_pLights = lights;
}

void PlanView::SetReady() {
    m_bReady = true;
}

double PlanView::GetCirclingAngle() {
    return planAngle;
}

void PlanView::SetCirclingAngle(double degrees) {
    planAngle = degrees;
}

void PlanView::OnCreate() {
    // A black frame at once, before the first paint.
    glClear(GL_COLOR_BUFFER_BIT);
    SwapBuffers();
    // The projection is set only here: a resize changes the viewport alone, so
    // the square stretches with the window.
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-kHalfSide, kHalfSide, -kHalfSide, kHalfSide, -kDepthRange, kDepthRange);
    SetUpSceneContext(GetWidth(), GetHeight(), m_pLights);
}

void PlanView::OnDisplay() {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    if (!m_bReady) {
        return;
    }
    // Intensities may have changed since the last frame.
    for (int slot = 0; slot < kSceneLightCount; ++slot) {
        m_pLights[slot].ApplyColours();
    }
    switch (m_pTerrainModel->GetRenderMode()) {
        case Wireframe:
            glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);
            glShadeModel(GL_FLAT);
            break;
        case Flat:
            glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
            glShadeModel(GL_FLAT);
            break;
        case Smooth:
            glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
            glShadeModel(GL_SMOOTH);
            break;
        default:
            break;
    }
    // 1, 2, ..., 360, 1, ...: the first drawn frame uses 1.
    planAngle = planAngle + 1;
    if (planAngle > 360) {
        planAngle = planAngle - 360;
    }

    const Vec3& position = m_pCamera->GetPosition();
    if (position.y == 0.0) {
        // The zoom would be infinite: show the cleared frame rather than
        // scaling by infinity.
        SwapBuffers();
        return;
    }
    glPushMatrix();
    // The visible square spans the camera's height on each side of it. The z
    // scale of 0 puts every vertex at depth 0, so with GL_LESS the first
    // fragment drawn at a pixel stays.
    const double scale = 500 / (2 * position.y);
    glScaled(scale, scale, 0);
    // Straight down, world -z up the screen, then the camera's heading.
    glRotated(90, 1, 0, 0);
    glRotated(m_pCamera->GetAngle(Camera::kYaw), 0, 1, 0);
    glTranslated(-position.x, -position.y, -position.z);
    for (int slot = 0; slot < kCirclingLightSlot; ++slot) {
        m_pLights[slot].ApplyPosition();
    }
    // The circling light runs on a circle of radius 500 around the terrain's
    // centre turned 45 degrees about z. This view places it but draws no sun.
    glPushMatrix();
    glRotatef(45, 0, 0, 1);
    glTranslated(250, 0, -250);
    glRotated(-planAngle, 1, 0, 0);
    m_pLights[kCirclingLightSlot].ApplyPosition();
    glPopMatrix();
    m_pTerrainModel->DrawCached();
    glPopMatrix();
    SwapBuffers();
}

void PlanView::OnIdle() {
    Invalidate();
}

}  // namespace moon
