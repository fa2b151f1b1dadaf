// SPDX-License-Identifier: MIT
#include <cstdlib>

#include "framework/platform/OffscreenDrawing.h"

namespace moon::platform {

// SDL's offscreen driver gives real GL contexts (Mesa) without a display.
// SDL reads the variable when the backend initialises its video.
void UseOffscreenDrawing() {
    setenv("SDL_VIDEODRIVER", "offscreen", 1);
}

}  // namespace moon::platform
