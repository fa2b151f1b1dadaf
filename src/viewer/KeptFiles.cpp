// SPDX-License-Identifier: MIT
#include "viewer/KeptFiles.h"

#include <filesystem>
#include <system_error>

#include "io/AtomicFile.h"
#include "system/UserFolders.h"

namespace moon {
namespace {

namespace fs = std::filesystem;

// Files a save looks past before it gives up on a folder.
constexpr std::uint64_t kMaxNumber = 1000000;

bool taken(const std::string& path) {
    std::error_code error;
    return fs::symlink_status(path, error).type() != fs::file_type::not_found;
}

}  // namespace

std::string KeptFiles::DefaultFolder() {
    return UserFolders::Pictures();
}

std::string KeptFiles::PathOf(std::uint32_t regenerations, std::uint64_t number,
                              const std::string& extension) const {
    const std::string name = "moon-" + std::to_string(m_seed) + "-" +
                             std::to_string(regenerations) + "-" + std::to_string(number) + "." +
                             extension;
    return m_folder.empty() ? name : (fs::path(m_folder) / name).string();
}

bool KeptFiles::Write(std::uint32_t regenerations, const std::string& extension, const Fill& fill,
                      std::string& path, std::string& problem) const {
    std::error_code error;
    if (!m_folder.empty() && !fs::is_directory(m_folder, error)) {
        fs::create_directories(m_folder, error);
        if (error) {
            problem = "cannot make the folder \"" + m_folder + "\": " + error.message();
            return false;
        }
    }
    for (std::uint64_t number = 1; number <= kMaxNumber; ++number) {
        path = PathOf(regenerations, number, extension);
        if (taken(path)) {
            continue;
        }
        AtomicFile file(path);
        file.KeepExisting();
        if (file.Open(problem) && fill(file, path, problem) && file.Commit(problem)) {
            const fs::path whole = fs::absolute(path, error);
            path = error ? path : whole.string();
            return true;
        }
        // Taken meanwhile (another program saving the same landscape): the
        // next number. Any other failure is the folder's, and final.
        if (!taken(path)) {
            return false;
        }
    }
    problem = "no free name for another file in \"" + m_folder + "\"";
    return false;
}

}  // namespace moon
