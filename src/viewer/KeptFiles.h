// SPDX-License-Identifier: MIT
// The files the viewer keeps of what it shows: pictures and landscapes, named
// moon-SEED-K-N.EXT in the save folder (K the landscape's count of
// regenerations, N the first number that names no file yet). Nothing is ever
// overwritten: a name taken between the choice and the write moves on to the
// next number.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace moon {

class AtomicFile;

class KeptFiles {
public:
    // folder "" is the current folder.
    KeptFiles(std::string folder, std::uint32_t seed) : m_folder(std::move(folder)), m_seed(seed) {}

    // The folder --save-dir names, else the user's pictures folder, else the
    // current folder ("").
    static std::string DefaultFolder();

    // fill writes the file's bytes into an open file; false with a one-line
    // problem. Writes moon-SEED-K-N.extension and gives its path; false with a
    // one-line problem when the folder cannot take it. A folder that does not
    // exist yet is made.
    using Fill =
        std::function<bool(AtomicFile& file, const std::string& name, std::string& problem)>;
    bool Write(std::uint32_t regenerations, const std::string& extension, const Fill& fill,
               std::string& path, std::string& problem) const;

    const std::string& GetFolder() const { return m_folder; }

private:
    // The path of moon-SEED-K-N.extension.
    std::string PathOf(std::uint32_t regenerations, std::uint64_t number,
                       const std::string& extension) const;

    std::string m_folder;
    std::uint32_t m_seed;
};

}  // namespace moon
