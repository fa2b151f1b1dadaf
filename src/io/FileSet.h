// SPDX-License-Identifier: MIT
// Files replaced together, all or none (a heightmap's tiles). Each is first
// written whole under a staged name beside its target, by an AtomicFile; only
// when every one is written are they put in place, one rename each. The
// targets' old files are moved aside first and put back if a rename fails,
// so a failure at any point leaves the old set as it was, and nothing staged
// or moved aside is left behind.
//
// Targets must be regular files or names not yet taken: a set is never
// written into a device or a folder. A symbolic link among them is replaced
// by the new file, not followed.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace moon {

class FileSet {
public:
    explicit FileSet(std::vector<std::string> targets);
    // Removes whatever is staged and not yet in place.
    ~FileSet();
    FileSet(const FileSet&) = delete;
    FileSet& operator=(const FileSet&) = delete;

    // False with a one-line problem naming the first target that cannot be
    // replaced by a regular file.
    bool Check(std::string& problem) const;
    // Where target i is to be written before it is put in place.
    const std::string& GetStagedPath(std::size_t i) const { return m_staged[i]; }
    // Puts every staged file in place. False with a one-line problem, and
    // the old files back where they were, when one cannot be.
    bool Publish(std::string& problem);

private:
    void RemoveStaged();

    std::vector<std::string> m_targets;
    std::vector<std::string> m_staged;
    bool m_bPublished = false;
};

}  // namespace moon
