// SPDX-License-Identifier: MIT
#include "framework/platform/GLAttributes.h"

namespace moon::platform {

GLAttributes AttributesFromDescriptor(const PixelFormatDescriptor& descriptor) {
    GLAttributes attributes;
    attributes.colourBits = descriptor.cColorBits;
    attributes.alphaBits = descriptor.cAlphaBits;
    attributes.depthBits = descriptor.cDepthBits;
    attributes.stencilBits = descriptor.cStencilBits;
    attributes.accumBits = descriptor.cAccumBits;
    attributes.doubleBuffer = (descriptor.dwFlags & PFD_DOUBLEBUFFER) != 0;
    attributes.stereo = (descriptor.dwFlags & PFD_STEREO) != 0;
    return attributes;
}

PixelFormatDescriptor DescriptorFromAttributes(const GLAttributes& attributes) {
    PixelFormatDescriptor descriptor;
    descriptor.nSize = 40;
    descriptor.nVersion = 1;
    descriptor.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL;
    if (attributes.doubleBuffer) {
        descriptor.dwFlags |= PFD_DOUBLEBUFFER;
    }
    if (attributes.stereo) {
        descriptor.dwFlags |= PFD_STEREO;
    }
    descriptor.iPixelType = PFD_TYPE_RGBA;
    descriptor.cColorBits = static_cast<std::uint8_t>(attributes.colourBits);
    descriptor.cAlphaBits = static_cast<std::uint8_t>(attributes.alphaBits);
    descriptor.cAccumBits = static_cast<std::uint8_t>(attributes.accumBits);
    descriptor.cDepthBits = static_cast<std::uint8_t>(attributes.depthBits);
    descriptor.cStencilBits = static_cast<std::uint8_t>(attributes.stencilBits);
    descriptor.iLayerType = PFD_MAIN_PLANE;
    return descriptor;
}

}  // namespace moon::platform
