// SPDX-License-Identifier: MIT
#include "io/AtomicFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstring>
#include <utility>

namespace moon {
namespace {

constexpr std::size_t kBufferBytes = 1 << 16;
constexpr int kMaxLinkHops = 40;  // as the kernel's own limit (ELOOP)

// The signals that may end an export, and what was there before ours.
constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGXFSZ};
constexpr int kSignalCount = 4;
struct sigaction g_previous[kSignalCount];
bool g_caught[kSignalCount] = {};

// The temporary file's folder and name while it has a name; read by the
// signal handler, so written only with the signals blocked.
int g_cleanupDir = -1;
char g_cleanupName[NAME_MAX + 1] = {};
volatile std::sig_atomic_t g_sizeExceeded = 0;
bool g_unnamedAllowed = true;

void onSignal(int signal) {
    if (signal == SIGXFSZ) {
        g_sizeExceeded = 1;  // the write that crossed the limit fails with EFBIG
        return;
    }
    if (g_cleanupDir >= 0 && g_cleanupName[0] != '\0') {
        ::unlinkat(g_cleanupDir, g_cleanupName, 0);
    }
    // SA_RESETHAND put back the default: the signal ends the process once
    // this handler returns.
    ::raise(signal);
}

void catchSignals() {
    g_sizeExceeded = 0;
    for (int i = 0; i < kSignalCount; ++i) {
        struct sigaction action {};
        action.sa_handler = onSignal;
        sigfillset(&action.sa_mask);
        action.sa_flags = kSignals[i] == SIGXFSZ ? SA_RESTART : SA_RESETHAND;
        sigaction(kSignals[i], nullptr, &g_previous[i]);
        // A signal the program was started to ignore stays ignored.
        g_caught[i] = g_previous[i].sa_handler != SIG_IGN;
        if (g_caught[i]) {
            sigaction(kSignals[i], &action, nullptr);
        }
    }
}

void releaseSignals() {
    for (int i = 0; i < kSignalCount; ++i) {
        if (g_caught[i]) {
            sigaction(kSignals[i], &g_previous[i], nullptr);
            g_caught[i] = false;
        }
    }
}

// Holds the signals for a scope, so the handler never sees a half-set name.
class SignalsHeld {
public:
    SignalsHeld() {
        sigset_t all;
        sigfillset(&all);
        sigprocmask(SIG_BLOCK, &all, &m_saved);
    }
    ~SignalsHeld() { sigprocmask(SIG_SETMASK, &m_saved, nullptr); }
    SignalsHeld(const SignalsHeld&) = delete;
    SignalsHeld& operator=(const SignalsHeld&) = delete;

private:
    sigset_t m_saved;
};

void setCleanup(int dir, const std::string& name) {
    g_cleanupDir = dir;
    const std::size_t length = std::min(name.size(), sizeof g_cleanupName - 1);
    std::memcpy(g_cleanupName, name.data(), length);
    g_cleanupName[length] = '\0';
}

void clearCleanup() {
    g_cleanupDir = -1;
    g_cleanupName[0] = '\0';
}

std::string folderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string nameOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The file a chain of symbolic links ends at (which need not exist yet).
bool followLinks(std::string path, std::string& target, int& error) {
    for (int hop = 0; hop < kMaxLinkHops; ++hop) {
        char link[PATH_MAX];
        const ssize_t length = ::readlink(path.c_str(), link, sizeof link);
        if (length < 0) {
            target = path;  // not a link, or nothing there yet: this is the file
            return true;
        }
        const std::string next(link, static_cast<std::size_t>(length));
        path = next.starts_with('/') || path.find('/') == std::string::npos
                   ? next
                   : folderOf(path) + "/" + next;
    }
    error = ELOOP;
    return false;
}

// The descriptor a /proc/self/fd/N, /dev/fd/N, /dev/stdout or /dev/stderr
// name stands for, or -1.
int descriptorNamed(const std::string& path) {
    if (path == "/dev/stdout") {
        return STDOUT_FILENO;
    }
    if (path == "/dev/stderr") {
        return STDERR_FILENO;
    }
    for (const char* prefix : {"/proc/self/fd/", "/dev/fd/"}) {
        const std::string_view rest = std::string_view(path).substr(
            path.starts_with(prefix) ? std::strlen(prefix) : path.size());
        if (!rest.empty() && rest.size() < 9 &&
            rest.find_first_not_of("0123456789") == std::string_view::npos) {
            return std::stoi(std::string(rest));
        }
    }
    return -1;
}

}  // namespace

void AtomicFile::UseUnnamedFiles(bool allowed) {
    g_unnamedAllowed = allowed;
}

AtomicFile::AtomicFile(std::string path, std::FILE* standardOutput)
    : m_path(std::move(path)), m_standardOutput(standardOutput) {}

AtomicFile::~AtomicFile() {
    Discard();
}

std::string AtomicFile::Failure(int errorNumber) const {
    const std::string what =
        m_path == "-" && m_standardOutput != nullptr ? "standard output" : "\"" + m_path + "\"";
    return "cannot write " + what + ": " + std::strerror(errorNumber);
}

void AtomicFile::Discard() {
    {
        const SignalsHeld held;
        if (!m_tempName.empty()) {
            ::unlinkat(m_dirFd, m_tempName.c_str(), 0);
            m_tempName.clear();
        }
        clearCleanup();
    }
    if (m_fd >= 0 && m_ownsFd) {
        ::close(m_fd);
    }
    if (m_dirFd >= 0) {
        ::close(m_dirFd);
    }
    m_fd = -1;
    m_dirFd = -1;
    m_kind = Kind::None;
    m_buffer.clear();
    releaseSignals();
}

bool AtomicFile::Open(std::string& error) {
    Discard();
    m_error = 0;
    m_hadFile = false;
    m_buffer.reserve(kBufferBytes);
    catchSignals();
    struct stat existing {};
    const bool toStandardOutput = m_path == "-" && m_standardOutput != nullptr;
    bool opened = false;
    if (toStandardOutput ||
        (::stat(m_path.c_str(), &existing) == 0 && !S_ISREG(existing.st_mode))) {
        opened = OpenInPlace(error);
    } else {
        std::string target;
        int reason = 0;
        if (!followLinks(m_path, target, reason)) {
            error = Failure(reason);
        } else {
            opened = OpenReplacement(target, error);
        }
    }
    if (!opened) {
        Discard();
    }
    return opened;
}

// Standard output, or something that is not a regular file: written where it is.
bool AtomicFile::OpenInPlace(std::string& error) {
    m_kind = Kind::InPlace;
    if (m_path == "-" && m_standardOutput != nullptr) {
        std::fflush(m_standardOutput);
        m_fd = ::fileno(m_standardOutput);
        m_ownsFd = false;
        return true;
    }
    m_fd = ::open(m_path.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
    m_ownsFd = true;
    if (m_fd < 0 && errno == ENXIO && descriptorNamed(m_path) >= 0) {
        // A socket cannot be opened by name; the descriptor can be written.
        m_fd = ::fcntl(descriptorNamed(m_path), F_DUPFD_CLOEXEC, 0);
    }
    if (m_fd < 0) {
        error = Failure(errno);
        return false;
    }
    return true;
}

bool AtomicFile::OpenReplacement(const std::string& target, std::string& error) {
    m_name = nameOf(target);
    m_dirFd = ::open(folderOf(target).c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (m_dirFd < 0) {
        error = Failure(errno);
        return false;
    }
    // A name the folder cannot hold is refused now, not after the data.
    const long longest = ::pathconf(folderOf(target).c_str(), _PC_NAME_MAX);
    if (m_name.empty() || (longest > 0 && m_name.size() > static_cast<std::size_t>(longest))) {
        error = Failure(m_name.empty() ? EISDIR : ENAMETOOLONG);
        return false;
    }
    m_hadFile = ::fstatat(m_dirFd, m_name.c_str(), &m_old, 0) == 0 && S_ISREG(m_old.st_mode);
    m_ownsFd = true;
    // 0666 less the umask, as for any new file.
    m_fd = g_unnamedAllowed ? ::openat(m_dirFd, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666) : -1;
    if (!g_unnamedAllowed) {
        errno = EOPNOTSUPP;
    }
    if (m_fd >= 0) {
        m_kind = Kind::Unnamed;
    } else if (errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL || errno == ENOENT) {
        // This kernel or file system has no unnamed files.
        if (!OpenNamed(error)) {
            return false;
        }
    } else {
        error = Failure(errno);
        return false;
    }
    KeepOwnerAndMode();
    return true;
}

// Short hidden names, so that a target name as long as the folder allows
// still leaves room for them.
bool AtomicFile::OpenNamed(std::string& error) {
    m_kind = Kind::Named;
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string candidate =
            ".moon-" + std::to_string(::getpid()) + "-" + std::to_string(attempt) + ".tmp";
        const SignalsHeld held;
        m_fd = ::openat(m_dirFd, candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (m_fd >= 0) {
            m_tempName = candidate;
            setCleanup(m_dirFd, candidate);
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

// The owner first: changing it clears the set-user and set-group bits.
void AtomicFile::KeepOwnerAndMode() {
    if (!m_hadFile) {
        return;
    }
    if (::fchown(m_fd, m_old.st_uid, m_old.st_gid) != 0) {
        // Not allowed to give the file away: keep at least the group if ours.
        [[maybe_unused]] const int ignored = ::fchown(m_fd, static_cast<uid_t>(-1), m_old.st_gid);
    }
    ::fchmod(m_fd, m_old.st_mode & 07777);
}

bool AtomicFile::Write(std::string_view data) {
    if (m_error != 0) {
        return false;
    }
    m_buffer.append(data);
    if (m_buffer.size() >= kBufferBytes) {
        Flush();
    }
    return m_error == 0;
}

void AtomicFile::Flush() {
    if (m_error == 0 && g_sizeExceeded != 0) {
        m_error = EFBIG;
    }
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

// Gives the finished file the target's name: an unnamed file is linked in
// under a temporary name first, since a link cannot replace a name.
bool AtomicFile::PutInPlace() {
    const SignalsHeld held;
    if (m_kind == Kind::Unnamed) {
        const std::string self = "/proc/self/fd/" + std::to_string(m_fd);
        for (int attempt = 0; m_tempName.empty() && attempt < 100; ++attempt) {
            const std::string candidate =
                ".moon-" + std::to_string(::getpid()) + "-" + std::to_string(attempt) + ".tmp";
            int linked =
                ::linkat(AT_FDCWD, self.c_str(), m_dirFd, candidate.c_str(), AT_SYMLINK_FOLLOW);
            if (linked != 0 && errno == ENOENT) {  // no /proc: needs CAP_DAC_READ_SEARCH
                linked = ::linkat(m_fd, "", m_dirFd, candidate.c_str(), AT_EMPTY_PATH);
            }
            if (linked == 0) {
                m_tempName = candidate;
                setCleanup(m_dirFd, candidate);
            } else if (errno != EEXIST) {
                m_error = errno;
                return false;
            }
        }
        if (m_tempName.empty()) {
            m_error = EEXIST;
            return false;
        }
    }
    if (::renameat(m_dirFd, m_tempName.c_str(), m_dirFd, m_name.c_str()) != 0) {
        m_error = errno;
        return false;
    }
    m_tempName.clear();
    clearCleanup();
    return true;
}

bool AtomicFile::Commit(std::string& error) {
    if (m_kind == Kind::None || m_fd < 0) {
        error = Failure(EBADF);
        return false;
    }
    Flush();
    // A full disk may surface only when the data reach it. Devices, pipes and
    // standard output are not synced: most cannot be.
    if (m_error == 0 && m_kind != Kind::InPlace && ::fsync(m_fd) != 0) {
        m_error = errno;
    }
    if (m_error == 0 && m_kind != Kind::InPlace) {
        PutInPlace();
    }
    if (m_ownsFd) {
        const int fd = std::exchange(m_fd, -1);
        if (::close(fd) != 0 && m_error == 0) {
            m_error = errno;
        }
    }
    if (m_error != 0) {
        error = Failure(m_error);
        Discard();
        return false;
    }
    Discard();
    return true;
}

}  // namespace moon
