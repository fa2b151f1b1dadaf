// A file that appears complete or not at all: the data go to a temporary file
// beside the target, which replaces the target only once it is written and
// flushed to disk. Whatever fails, no partial file is left behind.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace moon {

class AtomicFile {
public:
    explicit AtomicFile(std::string path);
    // Removes the temporary file unless Commit succeeded.
    ~AtomicFile();
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    // Creates the temporary file. On failure returns false and a one-line
    // error naming the target and the system's reason.
    bool Open(std::string& error);
    // Buffered; the first failure is kept and reported by Commit.
    void Write(std::string_view data);
    // Flushes, syncs, closes and renames over the target; errors as for Open.
    bool Commit(std::string& error);

private:
    void Flush();
    std::string Failure(int errorNumber) const;
    void Discard();

    std::string m_path;
    std::string m_tempPath;
    int m_fd = -1;
    int m_error = 0;  // errno of the first failed write
    std::string m_buffer;
};

}  // namespace moon
