// SPDX-License-Identifier: MIT
#include "viewer/PerspectiveView.h"

#include <GL/gl.h>

#include "scene/Camera.h"
#include "scene/Light.h"
#include "scene/SceneLights.h"
#include "terrain/TerrainModel.h"
#include "viewer/SceneContext.h"
#include "viewer/StarField.h"
#include "viewer/Sun.h"

namespace moon {

namespace {

// The circling light's angle for this view, in degrees.
double g_perspectiveAngle = 0.0;
// The last pointer position seen by OnMouseMove, client pixels.
int g_lastX = 0;
int g_lastY = 0;

// The frustum's near half-width: the single-precision 0.1 widened to double
// (0x1.99999ap-4), not the double 0.1. Near = half-width gives a square
// 90-degree field of view whatever the window's shape.
constexpr double kNear = static_cast<double>(0.1f);
constexpr double kFar = 1000.0;

// Virtual-key codes after lowering (letters as their lower-case codes).
constexpr int kKeyShift = 16;
constexpr int kKeySpace = 32;
constexpr int kKeyOne = 49;
constexpr int kKeySix = 54;
constexpr int kKeyE = 101;
constexpr int kKeyF = 102;
constexpr int kKeyL = 108;
constexpr int kKeyP = 112;
constexpr int kKeyS = 115;
constexpr int kKeyW = 119;
constexpr int kKeyOpenBracket = 219;
constexpr int kKeyCloseBracket = 221;

constexpr double kIntensityStep = 0.25;

// The C runtime's tolower in the "C" locale: 65-90 become 97-122, every other
// code is kept. Written out because tolower is undefined for codes that are
// neither EOF nor an unsigned char, and key codes are plain ints.
int lowerCase(int key) {
    return (key >= 'A' && key <= 'Z') ? key + ('a' - 'A') : key;
}

}  // namespace

PerspectiveView::PerspectiveView() : SceneView(g_perspectiveAngle) {}

void PerspectiveView::SetScene(Camera* camera, TerrainModel* terrainModel, StarField* starField,
                               Sun* sun, Light* lights) {
    SceneView::SetScene(camera, terrainModel, lights);
    m_pStarField = starField;
    m_pSun = sun;
}

double PerspectiveView::GetCirclingAngle() {
    return g_perspectiveAngle;
}

void PerspectiveView::SetCirclingAngle(double degrees) {
    g_perspectiveAngle = degrees;
}

void PerspectiveView::OnCreate() {
    ShowBlackFrame();
    // Square frustum whatever the window's shape; a resize changes only the viewport.
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glFrustum(-kNear, kNear, -kNear, kNear, kNear, kFar);
    SetUpSceneContext(GetWidth(), GetHeight(), m_pLights);
}

void PerspectiveView::OnDisplay() {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    if (!IsReady()) {
        return;
    }
    ApplyLightColours();
    // The polygon mode stays filled here: wireframe comes from the terrain
    // drawing line loops.
    const RenderMode& mode = m_pTerrainModel->GetRenderMode();
    if (mode == Wireframe || mode == Flat) {
        glShadeModel(GL_FLAT);
    } else if (mode == Smooth) {
        glShadeModel(GL_SMOOTH);
    }
    AdvanceCirclingAngle();
    glPushMatrix();

    // Stars, unlit, in a frame fixed to the eye (the model-view matrix is the
    // identity here): a star at (x, 0, z) lands at eye (x - 1000, -z - 1000,
    // -1000), on the far plane, and stays put whatever the camera does.
    glDisable(GL_LIGHTING);
    glPushMatrix();
    glTranslated(-1000, -1000, -1000);
    glRotated(90, 1, 0, 0);
    m_pStarField->Draw();
    glPopMatrix();
    glEnable(GL_LIGHTING);

    const Vec3& position = m_pCamera->GetPosition();
    glRotated(m_pCamera->GetAngle(Camera::kPitch), 1, 0, 0);
    glRotated(m_pCamera->GetAngle(Camera::kYaw), 0, 1, 0);
    glTranslated(-position.x, -position.y, -position.z);
    PlaceFixedLights();
    // The sun sits exactly on the circling light, whose position in the
    // light's frame is (0, 0, -500).
    glPushMatrix();
    glRotated(45, 0, 0, 1);
    PlaceCirclingLight();
    glTranslated(0, 0, -500);
    m_pSun->Draw();
    glPopMatrix();

    m_pTerrainModel->DrawCached();
    glPopMatrix();
    PresentFrame();
}

void PerspectiveView::OnMouseButton(int button, bool down) {
    // Every left or right press skips the next move, so a drag starts from
    // where the button went down; every release clears the skip.
    if (button == 0) {
        m_bLeftDrag = down;
        m_bSkipMove = down;
    } else if (button == 2) {
        m_bRightDrag = down;
        m_bSkipMove = down;
    }
}

void PerspectiveView::OnMouseMove(int x, int y) {
    // Half the pointer's travel, truncated toward zero (3 gives 1, -3 gives
    // -1, 1 gives 0). Widened first: the difference of two ints may not fit one.
    const double dy = static_cast<double>((static_cast<long long>(y) - g_lastY) / 2);
    const double dx = static_cast<double>((static_cast<long long>(x) - g_lastX) / 2);
    if (m_bSkipMove) {
        m_bSkipMove = false;
    } else {
        // A change counts as made whenever a branch runs, even by 0.
        bool changed = true;
        if (m_bLeftDrag && m_bRightDrag) {
            // Up lowers the camera, down raises it.
            m_pCamera->Translate(0, -dy, 0);
        } else if (m_bLeftDrag) {
            // Up moves the camera backwards, down forwards.
            m_pCamera->MoveAlongView(dy);
        } else if (m_bRightDrag) {
            // Up tilts the view up, right turns it left.
            m_pCamera->Turn(Camera::kPitch, -dy);
            m_pCamera->Turn(Camera::kYaw, -dx);
        } else {
            changed = false;
        }
        if (changed && m_bDetail) {
            m_pTerrainModel->UpdateDetail(m_pCamera->GetPosition(), m_bDetail);
        }
    }
    g_lastX = x;
    g_lastY = y;
}

void PerspectiveView::OnKeyboard(int key, bool down) {
    const int code = lowerCase(key);
    if (code == kKeyShift) {
        m_bShift = down;
        return;
    }
    if (!down) {
        return;
    }
    if (code >= kKeyOne && code <= kKeySix) {
        m_pTerrainModel->SetPalette(code - kKeyOne);
        return;
    }
    switch (code) {
        case kKeySpace:
            // A new terrain at its generated depth: no level-of-detail pass
            // until the camera next moves or L is pressed twice.
            m_pTerrainModel->Regenerate(TerrainModel::kGeneratedDepth);
            SetReady();
            break;
        case kKeyF:
            m_pTerrainModel->SetRenderMode(Flat);
            break;
        case kKeyS:
            m_pTerrainModel->SetRenderMode(Smooth);
            break;
        case kKeyW:
            m_pTerrainModel->SetRenderMode(Wireframe);
            break;
        case kKeyL:
            // Off strips the refinement, on refines around the camera at once.
            m_bDetail = !m_bDetail;
            m_pTerrainModel->UpdateDetail(m_pCamera->GetPosition(), m_bDetail);
            break;
        case kKeyP:
            if (m_keepPicture) {
                m_keepPicture();
            }
            break;
        case kKeyE:
            if (m_keepLandscape) {
                m_keepLandscape();
            }
            break;
        case kKeyOpenBracket:
        case kKeyCloseBracket: {
            const double delta = code == kKeyOpenBracket ? -kIntensityStep : kIntensityStep;
            if (m_bShift) {
                m_pLights[kCirclingLightSlot].AddIntensity(delta);
            } else {
                for (int slot = 0; slot < kCirclingLightSlot; ++slot) {
                    m_pLights[slot].AddIntensity(delta);
                }
            }
            break;
        }
        default:
            break;
    }
}

}  // namespace moon
