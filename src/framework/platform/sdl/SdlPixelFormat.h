// SPDX-License-Identifier: MIT
// Pixel formats on SDL: the buffer sizes asked of SDL before a GL window is
// created, and the order in which smaller requests are tried.
//
// SDL takes the requested sizes as minimums and fails when no visual meets
// them, where the pixel-format choice the framework expects picks the closest
// format. The fallback ladder bridges the two: the same request with less
// depth, then without the optional buffers.
#pragma once

#include <vector>

#include "framework/platform/GLAttributes.h"

namespace moon::platform {

// The requests to try for a wish, best first, without repeats: the wish; its
// depth lowered to 24, then 16 bits; then the same depths without stencil,
// alpha and accumulation buffers. Smaller depth wishes are never raised.
std::vector<GLAttributes> FallbackLadder(const GLAttributes& wish);

// Sets SDL's GL attributes for the next window or context created.
void ApplyAttributes(const GLAttributes& attributes);

// The sizes of the current context's framebuffer as the driver reports them;
// fields SDL cannot read keep their value in requested.
GLAttributes ReadCurrentAttributes(const GLAttributes& requested);

}  // namespace moon::platform
