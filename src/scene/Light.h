// SPDX-License-Identifier: MIT
// One fixed-function OpenGL light (GL_LIGHT0 + index): an ambient and a
// diffuse colour, a position, and an intensity that scales both colours each
// time they are sent. The light model and colour-material tracking are the
// views' business; a light only sends its own values.
#pragma once

#include "scene/Colour4f.h"
#include "scene/Vec3.h"

namespace moon {

class Light {
public:
    // Index -1, intensity 1, transparent black colours, position at the origin.
    Light() = default;

    // Copies the four values; the intensity is kept as it is.
    void Init(int index, const Colour4f& ambient, const Colour4f& diffuse, const Vec3& position);

    // Enables GL_LIGHTING (again, on every call), then this light.
    void Enable() const;
    // Sends diffuse, then ambient, each scaled by the intensity with alpha 1.
    void ApplyColours() const;
    // Sends the position as a positional light (w = 1); OpenGL transforms it by
    // the model-view matrix current at the call.
    void ApplyPosition() const;
    // No bound: at 0 the light sends black, below 0 negative colours.
    void AddIntensity(const double& delta);

    int GetIndex() const { return m_index; }
    double GetIntensity() const { return m_intensity; }
    const Colour4f& GetAmbient() const { return m_ambient; }
    const Colour4f& GetDiffuse() const { return m_diffuse; }
    // World units, in whatever frame the caller applies the light in.
    const Vec3& GetPosition() const { return m_position; }

private:
    int m_index = -1;
    double m_intensity = 1.0;
    Colour4f m_ambient;
    Colour4f m_diffuse;
    Vec3 m_position;
};

}  // namespace moon
