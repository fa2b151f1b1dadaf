// SPDX-License-Identifier: MIT
// Draws the viewer's two views without a display and keeps the pictures:
// opens both windows on whatever video driver the window system runs (the
// caller chooses SDL's offscreen one), draws frames of each view until its
// circling light stands at the wanted angle, and reads the last frame back.
// The picture is the perspective view on the left and the plan view on the
// right, top-aligned on black, as a person would set the two windows side by
// side.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace moon {

class GLWindow;
class MoonApp;

class OffscreenRender {
public:
    explicit OffscreenRender(MoonApp& app) : m_app(app) {}

    // frames: 1 to 360, the circling light's angle in degrees when the
    // pictures are taken. False with a one-line problem when a window or its
    // context cannot be opened, or when the program was asked to close
    // (SIGINT, SIGTERM; Ctrl+C on Windows) before the pictures were taken:
    // then within a frame, with the problem kInterrupted.
    bool Draw(int frames, std::string& problem);
    // Writes the picture as an 8-bit RGB PNG, "-" to pStandardOutput; false
    // with a one-line problem.
    bool WritePng(const std::string& path, std::string& problem,
                  std::FILE* pStandardOutput = nullptr) const;

    static constexpr const char* kInterrupted = "interrupted: no picture written";

    int GetWidth() const { return m_width; }
    int GetHeight() const { return m_height; }
    // Rows from the top, 3 bytes a pixel.
    const std::vector<std::uint8_t>& GetPixels() const { return m_pixels; }

private:
    // Draws one view until its angle is frames, then copies its pixels into
    // the picture with the left edge at column left.
    bool DrawView(GLWindow& view, double (*angle)(), int frames, int left, std::string& problem);

    MoonApp& m_app;
    int m_width = 0;
    int m_height = 0;
    std::vector<std::uint8_t> m_pixels;
};

}  // namespace moon
