// SPDX-License-Identifier: MIT
#include "framework/platform/Platform.h"

#include <utility>

namespace moon::platform {
namespace {

// Deliberately never deleted: the framework core is deleted by an exit-time
// handler that runs after every static destructor registered before it, and it
// still unregisters its window class through the backend.
Platform* g_platform = nullptr;

}  // namespace

Platform& Platform::Get() {
    if (g_platform == nullptr) {
        g_platform = CreateSystemPlatform().release();
    }
    return *g_platform;
}

void Platform::Use(std::unique_ptr<Platform> platform) {
    delete g_platform;
    g_platform = platform.release();
}

}  // namespace moon::platform
