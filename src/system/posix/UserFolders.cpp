// SPDX-License-Identifier: MIT
// The free desktops' user folders (xdg-user-dirs): each is named in the
// environment or in $XDG_CONFIG_HOME/user-dirs.dirs (~/.config by default) by
// a line XDG_PICTURES_DIR="$HOME/Pictures" or an absolute path.
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "system/UserFolders.h"

namespace moon {
namespace {

namespace fs = std::filesystem;

std::string environment(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

bool isFolder(const std::string& path) {
    std::error_code error;
    return !path.empty() && fs::is_directory(path, error);
}

// The value of name in user-dirs.dirs, "$HOME/" made the home folder; "" when
// the file or the line is missing or malformed.
std::string configuredFolder(const std::string& name, const std::string& home) {
    std::string config = environment("XDG_CONFIG_HOME");
    if (config.empty() && !home.empty()) {
        config = home + "/.config";
    }
    std::ifstream file(config + "/user-dirs.dirs");
    const std::string prefix = name + "=\"";
    for (std::string line; std::getline(file, line);) {
        if (line.rfind(prefix, 0) != 0 || line.size() < prefix.size() + 1 || line.back() != '"') {
            continue;
        }
        const std::string value = line.substr(prefix.size(), line.size() - prefix.size() - 1);
        if (value.rfind("$HOME/", 0) == 0 && !home.empty()) {
            return home + value.substr(5);
        }
        return value.rfind('/', 0) == 0 ? value : "";
    }
    return "";
}

}  // namespace

std::string UserFolders::Pictures() {
    const std::string home = environment("HOME");
    for (const std::string& folder :
         {environment("XDG_PICTURES_DIR"), configuredFolder("XDG_PICTURES_DIR", home),
          home.empty() ? std::string() : home + "/Pictures"}) {
        if (isFolder(folder)) {
            return folder;
        }
    }
    return "";
}

}  // namespace moon
