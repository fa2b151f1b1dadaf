// SPDX-License-Identifier: MIT
// The system backend of a build that has none (see src/framework's
// CMakeLists): the framework still runs on a backend chosen with
// Platform::Use, as tests do; reaching for the system's own is a fault.
#include "base/Check.h"
#include "framework/platform/OffscreenDrawing.h"
#include "framework/platform/Platform.h"

namespace moon::platform {

std::unique_ptr<Platform> CreateSystemPlatform() {
    MOON_CHECK(false, "this build has no window-system backend");
    return nullptr;
}

void UseOffscreenDrawing() {}

}  // namespace moon::platform
