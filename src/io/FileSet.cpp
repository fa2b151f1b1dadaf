// SPDX-License-Identifier: MIT
#include "io/FileSet.h"

#include <filesystem>
#include <system_error>
#include <utility>

namespace moon {
namespace {

namespace fs = std::filesystem;

// A hidden name beside path, with the given ending.
std::string besidePath(const std::string& path, const char* ending) {
    const std::size_t slash = path.find_last_of("/\\");
    const std::size_t start = slash == std::string::npos ? 0 : slash + 1;
    return path.substr(0, start) + "." + path.substr(start) + ending;
}

std::string cannotWrite(const std::string& path, const std::string& reason) {
    return "cannot write \"" + path + "\": " + reason;
}

}  // namespace

FileSet::FileSet(std::vector<std::string> targets) : m_targets(std::move(targets)) {
    m_staged.reserve(m_targets.size());
    for (const std::string& target : m_targets) {
        m_staged.push_back(besidePath(target, ".moon-new"));
    }
}

FileSet::~FileSet() {
    if (!m_bPublished) {
        RemoveStaged();
    }
}

void FileSet::RemoveStaged() {
    for (const std::string& staged : m_staged) {
        std::error_code ignored;
        fs::remove(staged, ignored);
    }
}

bool FileSet::Check(std::string& problem) const {
    for (const std::string& target : m_targets) {
        std::error_code error;
        const fs::file_status status = fs::symlink_status(target, error);
        if (status.type() == fs::file_type::not_found) {
            error.clear();
        }
        if (status.type() == fs::file_type::not_found || status.type() == fs::file_type::regular ||
            status.type() == fs::file_type::symlink) {
            continue;
        }
        problem = cannotWrite(target, error ? error.message()
                                      : status.type() == fs::file_type::directory
                                          ? "it is a folder"
                                          : "a set of files replaces regular files only");
        return false;
    }
    return true;
}

bool FileSet::Publish(std::string& problem) {
    // Old files aside first, then the new ones in; on a failure, everything
    // done is undone in reverse.
    struct Rename {
        std::string from;
        std::string to;
        bool aside;  // an old file moved out of the way
    };
    std::vector<Rename> done;
    auto undo = [&done] {
        for (auto step = done.rbegin(); step != done.rend(); ++step) {
            std::error_code ignored;
            fs::rename(step->to, step->from, ignored);
        }
    };
    for (std::size_t i = 0; i < m_targets.size(); ++i) {
        const std::string& target = m_targets[i];
        std::error_code missing;  // set, as well as the type, when there is no old file
        std::error_code error;
        if (fs::symlink_status(target, missing).type() != fs::file_type::not_found) {
            const std::string aside = besidePath(target, ".moon-old");
            fs::rename(target, aside, error);
            if (!error) {
                done.push_back({target, aside, true});
            }
        }
        if (!error) {
            fs::rename(m_staged[i], target, error);
            if (!error) {
                done.push_back({m_staged[i], target, false});
            }
        }
        if (error) {
            undo();
            problem = cannotWrite(target, error.message());
            return false;
        }
    }
    for (const Rename& step : done) {
        if (step.aside) {
            std::error_code ignored;
            fs::remove(step.to, ignored);
        }
    }
    m_bPublished = true;
    return true;
}

}  // namespace moon
