// SPDX-License-Identifier: MIT
// AtomicTarget on Windows: a write in place, or a hidden temporary file in the
// target's folder that MoveFileEx puts in the target's place once it is
// written and flushed (the old file stays until then, and as it was when the
// move fails). Symbolic links are replaced, not followed; the new file's
// permissions come from its folder. Anything that is not a file on disk
// (NUL, CON, a pipe, a serial port) is written in place.
#include "io/AtomicTarget.h"

#include <cerrno>
#include <cstring>
#include <string>

#include "system/ProcessSignals.h"
#include "system/win32/KernelApi.h"

namespace moon {
namespace {

constexpr int kNameAttempts = 100;

// The C library's words for a Windows error, so that reasons read as on
// other systems ("No space left on device").
std::string reasonOf(DWORD error) {
    int number = EIO;
    switch (error) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
        case ERROR_INVALID_DRIVE:
        case ERROR_BAD_NETPATH:
            number = ENOENT;
            break;
        case ERROR_ACCESS_DENIED:
        case ERROR_SHARING_VIOLATION:
        case ERROR_LOCK_VIOLATION:
        case ERROR_WRITE_PROTECT:
            number = EACCES;
            break;
        case ERROR_DISK_FULL:
        case ERROR_HANDLE_DISK_FULL:
            number = ENOSPC;
            break;
        case ERROR_FILE_EXISTS:
        case ERROR_ALREADY_EXISTS:
            number = EEXIST;
            break;
        case ERROR_INVALID_NAME:
        case ERROR_BAD_PATHNAME:
            number = EINVAL;
            break;
        case ERROR_DIRECTORY:
            number = EISDIR;
            break;
        case ERROR_FILENAME_EXCED_RANGE:
            number = ENAMETOOLONG;
            break;
        case ERROR_BROKEN_PIPE:
        case ERROR_NO_DATA:
            number = EPIPE;
            break;
        default:
            break;
    }
    return std::strerror(number);
}

bool fail(std::string& reason) {
    reason = reasonOf(GetLastError());
    return false;
}

bool writeAll(HANDLE handle, std::string_view data, std::string& reason) {
    while (!data.empty()) {
        const DWORD chunk = data.size() > (1u << 30) ? (1u << 30) : static_cast<DWORD>(data.size());
        DWORD written = 0;
        if (WriteFile(handle, data.data(), chunk, &written, nullptr) == 0) {
            return fail(reason);
        }
        if (written == 0) {
            // No progress: never spin on a device that takes nothing.
            reason = std::strerror(EIO);
            return false;
        }
        data.remove_prefix(written);
    }
    return true;
}

// The folder a temporary file goes in: the target's, so that the move stays
// on one volume.
std::string folderOf(const std::string& path) {
    const std::size_t slash = path.find_last_of("/\\");
    if (slash == std::string::npos) {
        return path.size() >= 2 && path[1] == ':' ? path.substr(0, 2) : ".";
    }
    return path.substr(0, slash == 0 || (slash == 2 && path[1] == ':') ? slash + 1 : slash);
}

// A device, a pipe, anything that exists and is not a file on disk.
bool isOtherThanDisk(const std::string& path) {
    const HANDLE handle =
        CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        return false;
    }
    const bool other = GetFileType(handle) != FILE_TYPE_DISK;
    CloseHandle(handle);
    return other;
}

class InPlace final : public AtomicTarget {
public:
    explicit InPlace(HANDLE handle) : m_hFile(handle) {}
    ~InPlace() override { CloseHandle(m_hFile); }
    bool Write(std::string_view data, std::string& reason) override {
        return writeAll(m_hFile, data, reason);
    }
    bool Finish(std::string&) override { return true; }

private:
    HANDLE m_hFile;
};

class Replacement final : public AtomicTarget {
public:
    Replacement(HANDLE handle, std::string temporary, std::string target, bool keepExisting)
        : m_hFile(handle),
          m_temporary(std::move(temporary)),
          m_target(std::move(target)),
          m_bKeepExisting(keepExisting) {}
    ~Replacement() override {
        if (m_hFile != INVALID_HANDLE_VALUE) {
            CloseHandle(m_hFile);
        }
        if (!m_temporary.empty()) {
            DeleteFileA(m_temporary.c_str());
            ProcessSignals::GuardTemporary("");
        }
    }
    bool Write(std::string_view data, std::string& reason) override {
        return writeAll(m_hFile, data, reason);
    }
    bool Finish(std::string& reason) override {
        // A full disk may surface only when the data reach it.
        const bool flushed = FlushFileBuffers(m_hFile) != 0 || fail(reason);
        // Closed before the move: Windows does not move an open file over another.
        CloseHandle(m_hFile);
        m_hFile = INVALID_HANDLE_VALUE;
        if (!flushed) {
            return false;
        }
        // Without MOVEFILE_REPLACE_EXISTING the move fails on a taken name.
        const DWORD replace = m_bKeepExisting ? 0 : MOVEFILE_REPLACE_EXISTING;
        if (MoveFileExA(m_temporary.c_str(), m_target.c_str(), replace | MOVEFILE_WRITE_THROUGH) ==
            0) {
            return fail(reason);
        }
        m_temporary.clear();
        ProcessSignals::GuardTemporary("");
        return true;
    }

private:
    HANDLE m_hFile;
    std::string m_temporary;
    std::string m_target;
    bool m_bKeepExisting;
};

}  // namespace

std::unique_ptr<AtomicTarget> AtomicTarget::Open(const std::string& path, bool keepExisting,
                                                 std::string& reason) {
    if (keepExisting && GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES) {
        reason = std::strerror(EEXIST);
        return nullptr;
    }
    if (isOtherThanDisk(path)) {
        const HANDLE handle =
            CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle == INVALID_HANDLE_VALUE) {
            fail(reason);
            return nullptr;
        }
        return std::make_unique<InPlace>(handle);
    }
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        reason = std::strerror(EISDIR);
        return nullptr;
    }
    const std::string folder = folderOf(path);
    const char last = folder.back();
    const std::string separator = last == '\\' || last == '/' || last == ':' ? "" : "\\";
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        const std::string candidate = folder + separator + ".moon-" +
                                      std::to_string(GetCurrentProcessId()) + "-" +
                                      std::to_string(attempt) + ".tmp";
        // Named to the signal handler before it exists, and shared for
        // deletion, so that the handler can remove it while it is open.
        ProcessSignals::GuardTemporary(candidate);
        const HANDLE handle = CreateFileA(
            candidate.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
            CREATE_NEW, FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_TEMPORARY, nullptr);
        if (handle != INVALID_HANDLE_VALUE) {
            return std::make_unique<Replacement>(handle, candidate, path, keepExisting);
        }
        ProcessSignals::GuardTemporary("");
        const DWORD error = GetLastError();
        if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) {
            reason = reasonOf(error);
            return nullptr;
        }
    }
    reason = std::strerror(EEXIST);
    return nullptr;
}

}  // namespace moon
