// SPDX-License-Identifier: MIT
// What the plan view and the perspective view share: the scene they draw
// (non-owning pointers into the application's camera, terrain model and
// lights), the ready flag, the continuous repaint, and the small frame steps
// both take (the light colours, the four fixed lights, the circling light).
// Each view keeps its own OnCreate and OnDisplay, step by step, since the two
// frames differ in small ways.
#pragma once

#include <cstdint>
#include <vector>

#include "framework/GLWindow.h"
#include "viewer/FrameCounter.h"

namespace moon {

class Camera;
class Light;
class TerrainModel;

class SceneView : public GLWindow {
public:
    // Non-owning pointers; lights is the first of the scene's five.
    void SetScene(Camera* camera, TerrainModel* terrainModel, Light* lights);
    // From now on a paint draws the scene rather than only clearing.
    void SetReady() { m_bReady = true; }
    bool IsReady() const { return m_bReady; }

    // Repaints continuously: every idle pass asks for the next frame.
    void OnIdle() override;

    // Draws the frame on screen once more (the circling light where it
    // stands) and reads it back: rows from the bottom, 3 bytes a pixel,
    // GetWidth() by GetHeight(). False when the view has no window or
    // context, or drew nothing.
    bool DrawPicture(std::vector<std::uint8_t>& rows);
    // The frames shown since the last call, and a new period begun.
    FrameCounter::Period TakeFrames(FrameCounter::Clock::time_point now) {
        return m_frames.Take(now);
    }

protected:
    // Asks for a 24-bit depth buffer; not ready. circlingAngle: this view's
    // process-wide angle of the circling light, in degrees.
    explicit SceneView(double& circlingAngle);

    // A black frame at once, before the first paint (OnCreate).
    void ShowBlackFrame();
    // Ends a drawn frame: reads it back if a picture asked for it, swaps it to
    // the screen and counts it.
    void PresentFrame();
    // The five lights' colours, scaled by their intensities, which may have
    // changed since the last frame.
    void ApplyLightColours() const;
    // One degree further round: 1, 2, ..., 360, 1, ... (the first frame uses 1).
    double AdvanceCirclingAngle();
    // Lights 0 to 3 at their positions in the current (world) frame.
    void PlaceFixedLights() const;
    // In a frame already turned about z: the circling light on its circle of
    // radius 500 around the terrain's centre, at this view's angle. Leaves the
    // matrix at the light's frame, where the light sits at (0, 0, -500).
    void PlaceCirclingLight() const;

    Camera* m_pCamera = nullptr;
    TerrainModel* m_pTerrainModel = nullptr;
    Light* m_pLights = nullptr;

private:
    double& m_circlingAngle;
    bool m_bReady = false;
    FrameCounter m_frames;
    std::vector<std::uint8_t>* m_pPicture = nullptr;  // the frame being drawn is read here
};

}  // namespace moon
