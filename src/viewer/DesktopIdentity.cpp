// SPDX-License-Identifier: MIT
#include "viewer/DesktopIdentity.h"

#include "cli/MoonVersion.h"
#include "framework/GLApp.h"
#include "io/PngFile.h"
#include "viewer/ProgramIconPng.h"

namespace moon {

bool DesktopIdentity::DecodeIcon(platform::IconImage& image, std::string& problem) {
    return PngFile::DecodeRgba(kProgramIconPng, kProgramIconPngSize, image.width, image.height,
                               image.rgba, problem);
}

bool DesktopIdentity::Apply(platform::Platform& platform, std::string& problem) {
    // The id first: it does not depend on the icon, and must come before the
    // window system starts.
    if (!platform.SetApplicationId(kMoonAppId)) {
        problem = "cannot name the application: " + platform.LastError();
        return false;
    }
    platform::IconImage icon;
    if (!DecodeIcon(icon, problem)) {
        problem = "the built-in icon: " + problem;
        return false;
    }
    if (!platform.AddModuleIcon(GLApp::kIconResource, icon)) {
        problem = "cannot give the windows their icon: " + platform.LastError();
        return false;
    }
    return true;
}

}  // namespace moon
