// SPDX-License-Identifier: MIT
// The Windows user folders: the shell's known folders.
#include <windows.h>

#include <knownfolders.h>
#include <shlobj.h>

#include "system/UserFolders.h"

namespace moon {

std::string UserFolders::Pictures() {
    PWSTR wide = nullptr;
    std::string folder;
    if (SHGetKnownFolderPath(FOLDERID_Pictures, 0, nullptr, &wide) == S_OK) {
        // In the ANSI code page, as the program's file functions take names;
        // a name that page cannot spell is no folder to write to.
        BOOL lossy = FALSE;
        const int size = WideCharToMultiByte(CP_ACP, 0, wide, -1, nullptr, 0, nullptr, &lossy);
        if (size > 1 && !lossy) {
            folder.resize(static_cast<std::size_t>(size));
            WideCharToMultiByte(CP_ACP, 0, wide, -1, folder.data(), size, nullptr, nullptr);
            folder.resize(static_cast<std::size_t>(size - 1));
        }
    }
    CoTaskMemFree(wide);
    const DWORD attributes =
        folder.empty() ? INVALID_FILE_ATTRIBUTES : GetFileAttributesA(folder.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0
               ? folder
               : "";
}

}  // namespace moon
