// SPDX-License-Identifier: MIT
// AtomicTarget on POSIX systems: a write in place, or a named temporary file
// renamed over the target.
#include "io/AtomicTarget.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>
#include <utility>

#include "system/ProcessSignals.h"

namespace moon {
namespace {

namespace fs = std::filesystem;

constexpr int kMaxLinkHops = 40;  // as the kernel's own limit (ELOOP)
constexpr int kNameAttempts = 100;

bool fail(std::string& reason, int error) {
    reason = std::strerror(error);
    return false;
}

bool writeAll(int fd, std::string_view data, std::string& reason) {
    while (!data.empty()) {
        const ssize_t written = ::write(fd, data.data(), data.size());
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            // No progress: never spin on a device that takes nothing.
            return fail(reason, written == 0 ? EIO : errno);
        }
        data.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

// The file a name ends at once symbolic links are followed; a link to
// nothing yet names the file to make. The caller's stat has ruled out loops.
std::string followLinks(std::string path) {
    for (int hop = 0; hop < kMaxLinkHops; ++hop) {
        std::error_code missing;
        const fs::path real = fs::canonical(path, missing);
        if (!missing) {
            return real.string();
        }
        std::error_code notALink;
        const fs::path link = fs::read_symlink(path, notALink);
        if (notALink) {
            return path;
        }
        path = (fs::path(path).parent_path() / link).string();  // an absolute link replaces it all
    }
    return path;
}

// A socket cannot be opened by name. One of our own, named as a descriptor
// (/proc/self/fd/N, /dev/fd/N, or a link to one such as /dev/stdout), is
// written through that descriptor. -1 for any other name.
int descriptorNamed(const std::string& path) {
    std::error_code notALink;
    for (const std::string& name : {path, fs::read_symlink(path, notALink).string()}) {
        int fd = -1;
        int end = 0;
        for (const char* pattern : {"/proc/self/fd/%d%n", "/dev/fd/%d%n"}) {
            if (std::sscanf(name.c_str(), pattern, &fd, &end) == 1 &&
                static_cast<std::size_t>(end) == name.size()) {
                return fd;
            }
        }
    }
    return -1;
}

// A descriptor written in place (a device, a FIFO, a socket: never replaced,
// and not synced, since most such things cannot be), or a temporary file
// that takes its target's place.
class FileTarget final : public AtomicTarget {
public:
    explicit FileTarget(int fd = -1, bool keepExisting = false)
        : m_hFile(fd), m_bKeepExisting(keepExisting) {}
    ~FileTarget() override;
    bool OpenTemporary(const std::string& path, std::string& reason);
    bool Write(std::string_view data, std::string& reason) override {
        return writeAll(m_hFile, data, reason);
    }
    bool Finish(std::string& reason) override;

private:
    int m_hFile;
    std::string m_target;     // the file to replace, links followed
    std::string m_folder;     // its folder
    std::string m_temporary;  // the temporary file's path, while it exists
    bool m_bKeepExisting;
};

// Puts the temporary file under the target's name only while that name is
// free. A second name (a hard link) fails with EEXIST where the name is taken;
// a file system without hard links gets a rename after a last look.
bool placeBeside(const std::string& temporary, const std::string& target) {
    if (::link(temporary.c_str(), target.c_str()) == 0) {
        ::unlink(temporary.c_str());
        return true;
    }
    if (errno != EPERM && errno != ENOTSUP && errno != EOPNOTSUPP && errno != EMLINK) {
        return false;
    }
    struct stat taken {};
    if (::lstat(target.c_str(), &taken) == 0) {
        errno = EEXIST;
        return false;
    }
    return ::rename(temporary.c_str(), target.c_str()) == 0;
}

FileTarget::~FileTarget() {
    if (m_hFile >= 0) {
        ::close(m_hFile);
    }
    if (!m_temporary.empty()) {
        ::unlink(m_temporary.c_str());
        ProcessSignals::GuardTemporary("");
    }
}

bool FileTarget::OpenTemporary(const std::string& path, std::string& reason) {
    m_target = followLinks(path);
    const fs::path folder = fs::path(m_target).parent_path();
    m_folder = folder.empty() ? "." : folder.string();
    // Short hidden names, so that a target name as long as the folder allows
    // still leaves room for them. The process id and a random part keep
    // other writers' names apart; O_EXCL keeps anything already there.
    std::random_device random;
    for (int attempt = 0; m_hFile < 0; ++attempt) {
        char name[48];
        std::snprintf(name, sizeof name, "/.moon-%ld-%08x.tmp", static_cast<long>(::getpid()),
                      static_cast<unsigned>(random()));
        ProcessSignals::GuardTemporary(m_folder + name);
        // 0666 less the umask, as for any new file.
        m_hFile = ::open((m_folder + name).c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (m_hFile >= 0) {
            m_temporary = m_folder + name;
        } else if (errno != EEXIST || attempt + 1 == kNameAttempts) {
            ProcessSignals::GuardTemporary("");
            return fail(reason, errno);
        }
    }
    // An existing file's owner first: changing it clears the set-user and
    // set-group bits. Not allowed to give the file away: the group at least.
    struct stat old {};
    if (::stat(m_target.c_str(), &old) == 0 && S_ISREG(old.st_mode)) {
        if (::fchown(m_hFile, old.st_uid, old.st_gid) != 0) {
            [[maybe_unused]] const int ignored =
                ::fchown(m_hFile, static_cast<uid_t>(-1), old.st_gid);
        }
        ::fchmod(m_hFile, old.st_mode & 07777);
    }
    return true;
}

// A full disk may surface only when the data reach it, hence the sync before
// the rename; the folder's sync after it puts the new name on disk too.
bool FileTarget::Finish(std::string& reason) {
    const bool replacing = !m_temporary.empty();
    if ((replacing && ::fsync(m_hFile) != 0) || ::close(std::exchange(m_hFile, -1)) != 0 ||
        (replacing && !(m_bKeepExisting ? placeBeside(m_temporary, m_target)
                                        : ::rename(m_temporary.c_str(), m_target.c_str()) == 0))) {
        return fail(reason, errno);
    }
    m_temporary.clear();
    ProcessSignals::GuardTemporary("");
    // A folder we may write but not read cannot be opened to sync; the
    // rename is done all the same. EINVAL: a file system that syncs no folders.
    const int folder =
        replacing ? ::open(m_folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC) : -1;
    if (folder < 0) {
        return true;
    }
    const bool synced = ::fsync(folder) == 0 || errno == EINVAL;
    const int error = errno;
    ::close(folder);
    return synced || fail(reason, error);
}

}  // namespace

std::unique_ptr<AtomicTarget> AtomicTarget::Open(const std::string& path, bool keepExisting,
                                                 std::string& reason) {
    struct stat existing {};
    if (keepExisting) {
        // Anything at all under the name, a link to nothing included.
        if (::lstat(path.c_str(), &existing) == 0) {
            fail(reason, EEXIST);
            return nullptr;
        }
        if (errno != ENOENT) {
            fail(reason, errno);
            return nullptr;
        }
        auto file = std::make_unique<FileTarget>(-1, true);
        return file->OpenTemporary(path, reason) ? std::move(file) : nullptr;
    }
    const bool found = ::stat(path.c_str(), &existing) == 0;
    // Nothing there yet (or a link to nothing) is a new file; any other
    // reason stat gives (a name too long, a loop of links) is the answer now.
    if (!found && errno != ENOENT) {
        fail(reason, errno);
        return nullptr;
    }
    if (!found || S_ISREG(existing.st_mode)) {
        auto replacement = std::make_unique<FileTarget>();
        return replacement->OpenTemporary(path, reason) ? std::move(replacement) : nullptr;
    }
    int fd = ::open(path.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
    if (fd < 0 && errno == ENXIO && S_ISSOCK(existing.st_mode) && descriptorNamed(path) >= 0) {
        fd = ::fcntl(descriptorNamed(path), F_DUPFD_CLOEXEC, 0);
    }
    if (fd < 0) {
        fail(reason, errno);
        return nullptr;
    }
    return std::make_unique<FileTarget>(fd);
}

}  // namespace moon
