// SPDX-License-Identifier: MIT
// The viewer's main window: the terrain in perspective from the camera, with a
// star backdrop fixed to the eye, the four fixed lights, and the circling light
// carrying the sun. It is the only window with controls: mouse drags move and
// turn the shared camera (refining the terrain around it while level of detail
// is on), and keys regenerate the terrain, pick palettes and render modes,
// switch level of detail and brighten or dim the lights.
#pragma once

#include <functional>

#include "viewer/SceneView.h"

namespace moon {

class Camera;
class Light;
class StarField;
class Sun;
class TerrainModel;

class PerspectiveView : public SceneView {
public:
    // Asks for a 24-bit depth buffer; level of detail on, not ready.
    PerspectiveView();
    ~PerspectiveView() override = default;

    // Non-owning pointers; lights is the first of the scene's five.
    void SetScene(Camera* camera, TerrainModel* terrainModel, StarField* starField, Sun* sun,
                  Light* lights);
    bool IsDetailOn() const { return m_bDetail; }
    // What P (a picture of both views) and E (the landscape as a mesh) do:
    // nothing until set.
    void SetKeepActions(std::function<void()> picture, std::function<void()> landscape) {
        m_keepPicture = std::move(picture);
        m_keepLandscape = std::move(landscape);
    }

    void OnCreate() override;
    void OnDisplay() override;
    // button: 0 left, 1 middle (ignored), 2 right.
    void OnMouseButton(int button, bool down) override;
    // x, y: client pixels, y counted upward from the bottom row.
    void OnMouseMove(int x, int y) override;
    // key: virtual-key code; letters arrive as their upper-case codes.
    void OnKeyboard(int key, bool down) override;

    // Degrees; process-wide, advanced by one per drawn frame of this view,
    // 1 to 360. The plan view keeps its own.
    static double GetCirclingAngle();
    // The next drawn frame uses degrees + 1: for drawing one frame twice.
    static void SetCirclingAngle(double degrees);

private:
    StarField* m_pStarField = nullptr;
    Sun* m_pSun = nullptr;
    bool m_bDetail = true;
    bool m_bLeftDrag = false;
    bool m_bRightDrag = false;
    bool m_bSkipMove = false;  // the next pointer move only records the position
    bool m_bShift = false;
    std::function<void()> m_keepPicture;
    std::function<void()> m_keepLandscape;
};

}  // namespace moon
