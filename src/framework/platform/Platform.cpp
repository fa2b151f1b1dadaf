// SPDX-License-Identifier: MIT
#include "framework/platform/Platform.h"

#include <cstddef>
#include <utility>

namespace moon::platform {
namespace {

// Deliberately never deleted: the framework core is deleted by an exit-time
// handler that runs after every static destructor registered before it, and it
// still unregisters its window class through the backend.
Platform* g_platform = nullptr;

// Largest side of an icon of the program's module, pixels: desktops show
// icons up to 512; this leaves room without letting a mistake take memory.
constexpr int kMaxIconSide = 1024;

}  // namespace

bool IsModuleIconImage(const IconImage& image) {
    return image.width >= 1 && image.height >= 1 && image.width <= kMaxIconSide &&
           image.height <= kMaxIconSide &&
           image.rgba.size() == static_cast<std::size_t>(image.width) * image.height * 4;
}

// A name a desktop entry can carry in StartupWMClass: visible ASCII, no space.
bool IsApplicationId(const char* id) {
    if (id == nullptr || *id == '\0') {
        return false;
    }
    for (const char* c = id; *c != '\0'; ++c) {
        if (*c <= ' ' || *c >= 0x7F) {
            return false;
        }
    }
    return true;
}

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
