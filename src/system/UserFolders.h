// SPDX-License-Identifier: MIT
// The user's own folders, as the desktop names them.
#pragma once

#include <string>

namespace moon {

class UserFolders {
public:
    // The folder for pictures: on Linux and other free desktops
    // XDG_PICTURES_DIR from the environment or from the user's
    // user-dirs.dirs, else ~/Pictures; on Windows the Pictures known folder.
    // Only a folder that exists is given; "" when there is none.
    static std::string Pictures();
};

}  // namespace moon
