// SPDX-License-Identifier: MIT
// A scratch folder of a test's own under the system's temporary folder,
// removed with everything in it when the test ends; and reading a file whole.
#pragma once

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

namespace moon::test {

class TempFolder {
public:
    // prefix names the test in the folder's name ("moon-atomic-test").
    // A new folder with a random name, as mkdtemp makes one (which Windows
    // lacks): create_directory says whether this call made it.
    explicit TempFolder(const std::string& prefix) {
        std::random_device random;
        for (int attempt = 0; attempt < 100; ++attempt) {
            const std::filesystem::path candidate =
                std::filesystem::temp_directory_path() / (prefix + "-" + std::to_string(random()));
            std::error_code error;
            if (std::filesystem::create_directory(candidate, error)) {
                m_path = candidate;
                return;
            }
        }
    }
    ~TempFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    // Empty when the folder could not be made.
    const std::filesystem::path& Get() const { return m_path; }
    std::string Path(const std::string& name) const { return (m_path / name).string(); }
    // What is in the folder, sorted.
    std::vector<std::string> Names() const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(m_path)) {
            names.push_back(entry.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }

    // The whole of a file's bytes; "" when it cannot be read.
    static std::string ReadFile(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

private:
    std::filesystem::path m_path;
};

}  // namespace moon::test
