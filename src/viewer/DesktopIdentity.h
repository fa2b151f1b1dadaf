// SPDX-License-Identifier: MIT
// How a desktop knows the viewer: the application id its desktop entry is
// named after, which its windows carry as their class, and its icon, which
// both windows show in task bars and window switchers.
#pragma once

#include <string>

#include "framework/platform/Platform.h"

namespace moon {

class DesktopIdentity {
public:
    // Gives the window system the id and the icon (in the program's module,
    // as GLApp::kIconResource). Call before the first window. False with a
    // one-line problem; the windows then fall back to the defaults (the
    // program's file name as class, the desktop's generic icon).
    static bool Apply(platform::Platform& platform, std::string& problem);
    // The built-in icon, decoded.
    static bool DecodeIcon(platform::IconImage& image, std::string& problem);
};

}  // namespace moon
