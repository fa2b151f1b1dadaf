#include "AtomicFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <utility>

namespace moon {
namespace {

constexpr std::size_t kBufferBytes = 1 << 16;

}  // namespace

AtomicFile::AtomicFile(std::string path) : m_path(std::move(path)) {}

AtomicFile::~AtomicFile() {
    Discard();
}

std::string AtomicFile::Failure(int errorNumber) const {
    return "cannot write \"" + m_path + "\": " + std::strerror(errorNumber);
}

void AtomicFile::Discard() {
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
    if (!m_tempPath.empty()) {
        ::unlink(m_tempPath.c_str());
        m_tempPath.clear();
    }
    m_buffer.clear();
}

bool AtomicFile::Open(std::string& error) {
    Discard();
    m_error = 0;
    // Hidden, beside the target: a rename within one file system is atomic.
    const std::filesystem::path target(m_path);
    const std::string stem =
        (target.parent_path() / ("." + target.filename().string() + ".")).string();
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string candidate =
            stem + std::to_string(::getpid()) + "-" + std::to_string(attempt) + ".tmp";
        // 0666 less the umask, as for any new file.
        const int fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            m_fd = fd;
            m_tempPath = candidate;
            m_buffer.reserve(kBufferBytes);
            return true;
        }
        if (errno != EEXIST) {
            error = Failure(errno);
            return false;
        }
    }
    error = Failure(EEXIST);
    return false;
}

void AtomicFile::Write(std::string_view data) {
    m_buffer.append(data);
    if (m_buffer.size() >= kBufferBytes) {
        Flush();
    }
}

void AtomicFile::Flush() {
    std::string_view pending = m_buffer;
    while (!pending.empty() && m_error == 0 && m_fd >= 0) {
        const ssize_t written = ::write(m_fd, pending.data(), pending.size());
        if (written < 0) {
            if (errno != EINTR) {
                m_error = errno;
            }
            continue;
        }
        if (written == 0) {
            m_error = EIO;  // no progress: never spin on a device that takes nothing
            break;
        }
        pending.remove_prefix(static_cast<std::size_t>(written));
    }
    m_buffer.clear();
}

bool AtomicFile::Commit(std::string& error) {
    if (m_fd < 0) {
        error = Failure(EBADF);
        return false;
    }
    Flush();
    // A full disk may surface only when the data reach it.
    if (m_error == 0 && ::fsync(m_fd) != 0) {
        m_error = errno;
    }
    const int fd = std::exchange(m_fd, -1);
    if (::close(fd) != 0 && m_error == 0) {
        m_error = errno;
    }
    if (m_error == 0 && std::rename(m_tempPath.c_str(), m_path.c_str()) != 0) {
        m_error = errno;
    }
    if (m_error != 0) {
        error = Failure(m_error);
        Discard();
        return false;
    }
    m_tempPath.clear();
    return true;
}

}  // namespace moon
