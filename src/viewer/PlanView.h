// SPDX-License-Identifier: MIT
// The viewer's secondary window: a map of the terrain seen straight down with
// an orthographic projection, centred on the camera, turned with its heading
// and zoomed by its height. It has no controls; it follows what the
// perspective view does to the shared camera, terrain model and lights.
#pragma once

#include "viewer/SceneView.h"

namespace moon {

class PlanView : public SceneView {
public:
    // Asks for a 24-bit depth buffer; not ready until SetReady.
    PlanView();
    ~PlanView() override = default;

    void OnCreate() override;
    void OnDisplay() override;

    // Degrees; process-wide, advanced by one per drawn frame of this view,
    // 1 to 360. The perspective view keeps its own.
    static double GetCirclingAngle();
    // The next drawn frame uses degrees + 1: for drawing one frame twice.
    static void SetCirclingAngle(double degrees);
};

}  // namespace moon
