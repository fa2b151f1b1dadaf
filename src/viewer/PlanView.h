// SPDX-License-Identifier: MIT
// The viewer's secondary window: a map of the terrain seen straight down with
// an orthographic projection, centred on the camera, turned with its heading
// and zoomed by its height. It has no controls; it follows what the
// perspective view does to the shared camera, terrain model and lights.
#pragma once

#include "framework/GLWindow.h"

namespace moon {

class Camera;
class Light;
class TerrainModel;

class PlanView : public GLWindow {
public:
    // Asks for a 24-bit depth buffer; not ready until SetReady.
    PlanView();
    ~PlanView() override = default;

    // Non-owning pointers; lights is the first of the scene's five.
    void SetScene(Camera* camera, TerrainModel* terrainModel, Light* lights);
    // From now on a paint draws the scene rather than only clearing.
    void SetReady();
    bool IsReady() const { return m_bReady; }

    void OnCreate() override;
    void OnDisplay() override;
    void OnIdle() override;

    // Degrees; process-wide, advanced by one per drawn frame of this view,
    // 1 to 360. The perspective view keeps its own.
    static double GetCirclingAngle();

private:
    TerrainModel* m_pTerrainModel = nullptr;
    Camera* m_pCamera = nullptr;
    Light* m_pLights = nullptr;
    bool m_bReady = false;
};

}  // namespace moon
