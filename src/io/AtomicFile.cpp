// SPDX-License-Identifier: MIT
#include "io/AtomicFile.h"

#include <cerrno>
#include <cstring>
#include <utility>

#include "io/AtomicTarget.h"
#include "system/ProcessSignals.h"

namespace moon {
namespace {

constexpr std::size_t kBufferBytes = 1 << 16;

std::string reasonOf(int error) {
    return std::strerror(error != 0 ? error : EIO);
}

// Standard output, written where it is and left open.
class StandardOutput final : public AtomicTarget {
public:
    explicit StandardOutput(std::FILE* pFile) : m_pFile(pFile) {}
    bool Write(std::string_view data, std::string& reason) override {
        errno = 0;
        if (std::fwrite(data.data(), 1, data.size(), m_pFile) == data.size()) {
            return true;
        }
        reason = reasonOf(errno);
        return false;
    }
    bool Finish(std::string& reason) override {
        errno = 0;
        if (std::fflush(m_pFile) == 0) {
            return true;
        }
        reason = reasonOf(errno);
        return false;
    }

private:
    std::FILE* m_pFile;
};

}  // namespace

AtomicFile::AtomicFile(std::string path, std::FILE* pStandardOutput, std::string shownName)
    : m_path(std::move(path)),
      m_shownName(shownName.empty() ? m_path : std::move(shownName)),
      m_pStandardOutput(pStandardOutput) {}

AtomicFile::~AtomicFile() {
    Close();
}

std::string AtomicFile::Failure(const std::string& reason) const {
    const std::string what = m_path == "-" && m_pStandardOutput != nullptr
                                 ? "standard output"
                                 : "\"" + m_shownName + "\"";
    return "cannot write " + what + ": " + reason;
}

// Drops the target (and with it any temporary file) before the signals are
// let go, so no signal finds a file it no longer knows of.
void AtomicFile::Close() {
    if (m_pTarget) {
        m_pTarget.reset();
        ProcessSignals::EndWrite();
    }
    m_buffer.clear();
}

bool AtomicFile::Open(std::string& error) {
    Close();
    m_failure.clear();
    m_written = 0;
    m_buffer.reserve(kBufferBytes);
    ProcessSignals::BeginWrite();
    std::string reason;
    if (m_path == "-" && m_pStandardOutput != nullptr) {
        m_pTarget = std::make_unique<StandardOutput>(m_pStandardOutput);
    } else {
        m_pTarget = AtomicTarget::Open(m_path, m_bKeepExisting, reason);
    }
    if (!m_pTarget) {
        ProcessSignals::EndWrite();
        error = Failure(reason);
        return false;
    }
    return true;
}

bool AtomicFile::Write(std::string_view data) {
    if (!m_failure.empty()) {
        return false;
    }
    m_written += data.size();
    m_buffer.append(data);
    if (m_buffer.size() >= kBufferBytes) {
        Flush();
    }
    return m_failure.empty();
}

void AtomicFile::Flush() {
    if (m_failure.empty() && ProcessSignals::FileSizeExceeded()) {
        m_failure = reasonOf(EFBIG);
    }
    // The program was asked to close (the viewer's SIGINT or SIGTERM): the
    // file is given up, so what was there stays.
    if (m_failure.empty() && ProcessSignals::CloseRequested()) {
        m_failure = "interrupted";
    }
    if (m_failure.empty() && m_pTarget && !m_buffer.empty()) {
        m_pTarget->Write(m_buffer, m_failure);
    }
    m_buffer.clear();
}

bool AtomicFile::Commit(std::string& error) {
    if (!m_pTarget) {
        error = Failure(reasonOf(EBADF));
        return false;
    }
    Flush();
    if (m_failure.empty()) {
        m_pTarget->Finish(m_failure);
    }
    Close();
    if (!m_failure.empty()) {
        error = Failure(m_failure);
        return false;
    }
    return true;
}

}  // namespace moon
