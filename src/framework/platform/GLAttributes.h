// SPDX-License-Identifier: MIT
// The buffer sizes of a GL window's pixel format, and the one place where a
// pixel-format descriptor is filled from them (the framework's request, the
// fake's offered formats and the SDL backend's descriptions all come from
// here).
#pragma once

#include "framework/platform/PlatformTypes.h"

namespace moon::platform {

// Buffer sizes in bits (colour without alpha; accumulation over all four
// channels, as in a pixel-format descriptor).
struct GLAttributes {
    int colourBits = 24;
    int alphaBits = 0;
    int depthBits = 24;
    int stencilBits = 0;
    int accumBits = 0;
    bool doubleBuffer = true;
    bool stereo = false;

    friend bool operator==(const GLAttributes&, const GLAttributes&) = default;
};

GLAttributes AttributesFromDescriptor(const PixelFormatDescriptor& descriptor);
// An RGBA format drawn to a window with OpenGL. The descriptor's counts are
// 8-bit: only the low byte of each size goes in.
PixelFormatDescriptor DescriptorFromAttributes(const GLAttributes& attributes);

}  // namespace moon::platform
