// SPDX-License-Identifier: MIT
// The output of a command, written so that nothing is lost or left behind.
//
// A regular file (or a name not yet taken) is replaced as a whole or not at
// all: the data go to a temporary file in the target's folder, which takes
// the target's place only once it is written and on disk, and the folder is
// synced after, so the new name is on disk too. After a failure, or SIGINT,
// SIGTERM or SIGHUP during the write, the old file is as it was and no
// temporary file is left (ProcessSignals removes it). A symbolic link is
// followed and its target replaced; the replaced file keeps its mode and,
// where the process may set it, its owner. SIGXFSZ (the file-size limit)
// becomes the write error "File too large". Where SIGINT and SIGTERM are the
// program's close requests (the viewer), a request before Commit gives the
// file up: the error "interrupted", the old file kept. One AtomicFile is open
// at a time.
//
// Anything else that exists under the name (a device, a FIFO, a socket) is
// written in place, never replaced. "-" is standard output.
//
// A file made to be kept beside others (KeepExisting) replaces nothing: Open
// fails when the name is taken, and Commit when a file took it meanwhile.
//
// The system's half is an AtomicTarget (io/posix on POSIX systems); this
// class holds what every system shares: buffering, the signals' span and the
// error text.
#pragma once

#include <cstddef>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

namespace moon {

class AtomicTarget;

class AtomicFile {
public:
    // path "-" writes to pStandardOutput, which stays open. shownName: the
    // name the errors give, where the file is written under another (a
    // staged file of a FileSet); "" for path itself.
    explicit AtomicFile(std::string path, std::FILE* pStandardOutput = nullptr,
                        std::string shownName = "");
    // Removes the temporary file unless Commit succeeded.
    ~AtomicFile();
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    // From now on the file replaces nothing: the name must stay free until
    // Commit, or the write fails with "File exists". Before Open.
    void KeepExisting() { m_bKeepExisting = true; }
    // Opens the target or creates the temporary file. On failure returns
    // false and a one-line error naming the target and the system's reason.
    bool Open(std::string& error);
    // Buffered; the first failure is kept and reported by Commit. False
    // once a write has failed (the rest is then dropped).
    bool Write(std::string_view data);
    // Flushes, syncs, closes and puts the file in place; errors as for Open.
    bool Commit(std::string& error);
    // Bytes given to Write since Open.
    std::size_t GetBytesWritten() const { return m_written; }

private:
    void Flush();
    std::string Failure(const std::string& reason) const;
    void Close();

    std::string m_path;
    std::string m_shownName;
    std::FILE* m_pStandardOutput = nullptr;
    std::unique_ptr<AtomicTarget> m_pTarget;
    std::string m_buffer;
    std::string m_failure;  // the system's reason for the first failed write
    std::size_t m_written = 0;
    bool m_bKeepExisting = false;
};

}  // namespace moon
