// SPDX-License-Identifier: MIT
#include "viewer/PlanView.h"

#include <GL/gl.h>

#include "scene/Camera.h"
#include "terrain/TerrainModel.h"
#include "viewer/SceneContext.h"

namespace moon {

namespace {

// The circling light's angle for this view, in degrees.
double g_planAngle = 0.0;

// Half the side of the orthographic square (world units at scale 1) and the
// depth range it keeps: the 500 x 500 terrain seen from its centre.
constexpr double kHalfSide = 250.0;
constexpr double kDepthRange = 500.0;

}  // namespace

PlanView::PlanView() : SceneView(g_planAngle) {}

double PlanView::GetCirclingAngle() {
    return g_planAngle;
}

void PlanView::SetCirclingAngle(double degrees) {
    g_planAngle = degrees;
}

void PlanView::OnCreate() {
    ShowBlackFrame();
    // The projection is set only here: a resize changes the viewport alone, so
    // the square stretches with the window.
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-kHalfSide, kHalfSide, -kHalfSide, kHalfSide, -kDepthRange, kDepthRange);
    SetUpSceneContext(GetWidth(), GetHeight(), m_pLights);
}

void PlanView::OnDisplay() {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    if (!IsReady()) {
        return;
    }
    ApplyLightColours();
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
    AdvanceCirclingAngle();

    const Vec3& position = m_pCamera->GetPosition();
    if (position.y == 0.0) {
        // The zoom would be infinite: show the cleared frame rather than
        // scaling by infinity.
        PresentFrame();
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
    PlaceFixedLights();
    // The circling light's circle is turned 45 degrees about z (in single
    // precision here). This view places the light but draws no sun.
    glPushMatrix();
    glRotatef(45, 0, 0, 1);
    PlaceCirclingLight();
    glPopMatrix();
    m_pTerrainModel->DrawCached();
    glPopMatrix();
    PresentFrame();
}

}  // namespace moon
