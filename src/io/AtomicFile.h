// SPDX-License-Identifier: MIT
// The output of a command, written so that nothing is lost or left behind.
//
// A regular file (or a name not yet taken) is replaced as a whole or not at
// all: the data go to a temporary file in the target's folder, which takes
// the target's place only once it is written and on disk. On Linux the
// temporary file has no name until then (O_TMPFILE), so even SIGKILL leaves
// nothing; where the file system cannot do that, a named one is used and
// removed on failure and on SIGINT, SIGTERM and SIGHUP. A symbolic link is
// followed and its target replaced; the replaced file keeps its mode and, where
// the process may set it, its owner. SIGXFSZ (the file-size limit) becomes the
// write error "File too large". The signal handling is process-wide: one
// AtomicFile is open at a time.
//
// Anything else that exists under the name (a device, a FIFO, a socket given
// as /proc/self/fd/N) is opened and written in place, never replaced. "-"
// is standard output.
#pragma once

#include <sys/stat.h>

#include <cstddef>
#include <cstdio>
#include <string>
#include <string_view>

namespace moon {

class AtomicFile {
public:
    // path "-" writes to standardOutput (flushed first), which stays open.
    explicit AtomicFile(std::string path, std::FILE* standardOutput = nullptr);
    // Removes the temporary file unless Commit succeeded.
    ~AtomicFile();
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    // Opens the target or creates the temporary file. On failure returns
    // false and a one-line error naming the target and the system's reason.
    bool Open(std::string& error);
    // Buffered; the first failure is kept and reported by Commit. False
    // once a write has failed (the rest is then dropped).
    bool Write(std::string_view data);
    // Flushes, syncs, closes and puts the file in place; errors as for Open.
    bool Commit(std::string& error);

    // For tests: false makes replacements use a named temporary file, as on
    // a file system without unnamed ones.
    static void UseUnnamedFiles(bool allowed);

private:
    enum class Kind {
        None,
        InPlace,  // written directly: standard output, devices, FIFOs, sockets
        Unnamed,  // O_TMPFILE in the target's folder
        Named,    // a hidden temporary name in the target's folder
    };

    bool OpenInPlace(std::string& error);
    bool OpenReplacement(const std::string& target, std::string& error);
    bool OpenNamed(std::string& error);
    void KeepOwnerAndMode();
    bool PutInPlace();
    void Flush();
    std::string Failure(int errorNumber) const;
    void Discard();

    std::string m_path;
    std::FILE* m_standardOutput = nullptr;
    Kind m_kind = Kind::None;
    int m_fd = -1;
    bool m_ownsFd = false;
    int m_dirFd = -1;        // the target's folder (replacements)
    std::string m_name;      // the target's name in it
    std::string m_tempName;  // the temporary file's name in it, while it has one
    bool m_hadFile = false;  // a regular file was there: keep its mode and owner
    struct stat m_old {};
    int m_error = 0;  // errno of the first failed write
    std::string m_buffer;
};

}  // namespace moon
