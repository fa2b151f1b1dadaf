// SPDX-License-Identifier: MIT
// AtomicFile on Windows. A target that is a file on disk (or a name not yet
// taken) is replaced whole: the data go to a hidden temporary file in its
// folder, which MoveFileEx puts in the target's place only once it is written
// and flushed; the old file stays until then. The temporary file is removed
// on failure and on Ctrl+C, Ctrl+Break and the console's close (the handler
// deletes it while the program still holds it open, so it goes when the
// process does). Symbolic links are replaced, not followed. Anything else
// (NUL, CON, a pipe, a serial port) is written in place; "-" is standard
// output, switched to binary so that no byte is translated.
#include <fcntl.h>
#include <io.h>

// The build sets these for files that include the GL headers without
// windows.h, which defines them its own way.
#undef APIENTRY
#undef WINGDIAPI
#undef CALLBACK
#define WIN32_LEAN_AND_MEAN
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <mutex>
#include <utility>

#include "io/AtomicFile.h"

namespace moon {
namespace {

constexpr std::size_t kBufferBytes = 1 << 16;

// The temporary file's path while it has one; read by the console control
// handler, which Windows runs on a thread of its own.
std::mutex g_cleanupMutex;
std::string g_cleanupPath;
bool g_handlerInstalled = false;

BOOL WINAPI onConsoleControl(DWORD) {
    {
        const std::lock_guard<std::mutex> lock(g_cleanupMutex);
        if (!g_cleanupPath.empty()) {
            DeleteFileA(g_cleanupPath.c_str());
        }
    }
    return FALSE;  // the next handler (in the end the system's) ends the process
}

void setCleanup(const std::string& path) {
    const std::lock_guard<std::mutex> lock(g_cleanupMutex);
    g_cleanupPath = path;
    if (!g_handlerInstalled) {
        g_handlerInstalled = SetConsoleCtrlHandler(onConsoleControl, TRUE) != 0;
    }
}

void clearCleanup() {
    const std::lock_guard<std::mutex> lock(g_cleanupMutex);
    g_cleanupPath.clear();
}

// The C library's error number for a Windows error, so the message reads as
// on other systems ("No space left on device").
int errorNumberOf(DWORD error) {
    switch (error) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
        case ERROR_INVALID_DRIVE:
        case ERROR_BAD_NETPATH:
            return ENOENT;
        case ERROR_ACCESS_DENIED:
        case ERROR_SHARING_VIOLATION:
        case ERROR_LOCK_VIOLATION:
        case ERROR_WRITE_PROTECT:
            return EACCES;
        case ERROR_DISK_FULL:
        case ERROR_HANDLE_DISK_FULL:
            return ENOSPC;
        case ERROR_FILE_EXISTS:
        case ERROR_ALREADY_EXISTS:
            return EEXIST;
        case ERROR_INVALID_NAME:
        case ERROR_BAD_PATHNAME:
        case ERROR_DIRECTORY:
            return EINVAL;
        case ERROR_FILENAME_EXCED_RANGE:
            return ENAMETOOLONG;
        case ERROR_BROKEN_PIPE:
        case ERROR_NO_DATA:
            return EPIPE;
        default:
            return EIO;
    }
}

int lastErrorNumber() {
    return errorNumberOf(GetLastError());
}

std::string folderOf(const std::string& path) {
    const std::size_t slash = path.find_last_of("/\\");
    if (slash == std::string::npos) {
        return path.size() >= 2 && path[1] == ':' ? path.substr(0, 2) : ".";
    }
    return path.substr(0, slash + 1 == 1 || (slash == 2 && path[1] == ':') ? slash + 1 : slash);
}

// What is there under the name: a file on disk (or a folder), something else
// (a device, a pipe), or nothing yet.
enum class Existing { Nothing, OnDisk, Other };

Existing whatIsAt(const std::string& path) {
    const HANDLE handle =
        CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        return Existing::Nothing;
    }
    const DWORD type = GetFileType(handle);
    CloseHandle(handle);
    return type == FILE_TYPE_DISK ? Existing::OnDisk : Existing::Other;
}

}  // namespace

void AtomicFile::UseUnnamedFiles(bool) {
    // Windows has no unnamed files: replacements always use a named one.
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
    if (m_fd >= 0 && m_ownsFd) {
        _close(m_fd);
    }
    m_fd = -1;
    if (!m_tempName.empty()) {
        DeleteFileA(m_tempName.c_str());
        m_tempName.clear();
    }
    clearCleanup();
    m_kind = Kind::None;
    m_buffer.clear();
}

bool AtomicFile::Open(std::string& error) {
    Discard();
    m_error = 0;
    m_hadFile = false;
    m_buffer.reserve(kBufferBytes);
    bool opened = false;
    if ((m_path == "-" && m_standardOutput != nullptr) || whatIsAt(m_path) == Existing::Other) {
        opened = OpenInPlace(error);
    } else {
        opened = OpenReplacement(m_path, error);
    }
    if (!opened) {
        Discard();
    }
    return opened;
}

bool AtomicFile::OpenInPlace(std::string& error) {
    m_kind = Kind::InPlace;
    if (m_path == "-" && m_standardOutput != nullptr) {
        std::fflush(m_standardOutput);
        m_fd = _fileno(m_standardOutput);
        m_ownsFd = false;
        // No "\n" to "\r\n": the bytes are the same as on any other system.
        _setmode(m_fd, _O_BINARY);
        return true;
    }
    const HANDLE handle =
        CreateFileA(m_path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        error = Failure(lastErrorNumber());
        return false;
    }
    m_fd = _open_osfhandle(reinterpret_cast<std::intptr_t>(handle), _O_BINARY | _O_WRONLY);
    m_ownsFd = true;
    if (m_fd < 0) {
        CloseHandle(handle);
        error = Failure(EMFILE);
        return false;
    }
    return true;
}

bool AtomicFile::OpenReplacement(const std::string& target, std::string& error) {
    m_name = target;
    m_hadFile = whatIsAt(target) == Existing::OnDisk;
    if (m_hadFile && (GetFileAttributesA(target.c_str()) & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        error = Failure(EISDIR);
        return false;
    }
    return OpenNamed(error);
}

// A hidden name in the target's folder, so that the move stays on one volume.
bool AtomicFile::OpenNamed(std::string& error) {
    m_kind = Kind::Named;
    const std::string folder = folderOf(m_name);
    const std::string separator =
        folder.ends_with('\\') || folder.ends_with('/') || folder.ends_with(':') ? "" : "\\";
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string candidate = folder + separator + ".moon-" +
                                      std::to_string(GetCurrentProcessId()) + "-" +
                                      std::to_string(attempt) + ".tmp";
        // Shared for deletion, so that the Ctrl+C handler can remove it
        // while it is open.
        const HANDLE handle = CreateFileA(
            candidate.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
            CREATE_NEW, FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_TEMPORARY, nullptr);
        if (handle == INVALID_HANDLE_VALUE) {
            if (GetLastError() == ERROR_FILE_EXISTS || GetLastError() == ERROR_ALREADY_EXISTS) {
                continue;
            }
            error = Failure(lastErrorNumber());
            return false;
        }
        m_tempName = candidate;
        setCleanup(candidate);
        m_fd = _open_osfhandle(reinterpret_cast<std::intptr_t>(handle), _O_BINARY | _O_WRONLY);
        m_ownsFd = true;
        if (m_fd < 0) {
            CloseHandle(handle);
            error = Failure(EMFILE);
            return false;
        }
        return true;
    }
    error = Failure(EEXIST);
    return false;
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
    std::string_view pending = m_buffer;
    while (!pending.empty() && m_error == 0 && m_fd >= 0) {
        const unsigned chunk =
            static_cast<unsigned>(std::min<std::size_t>(pending.size(), 1 << 30));
        const int written = _write(m_fd, pending.data(), chunk);
        if (written < 0) {
            m_error = errno != 0 ? errno : EIO;
            break;
        }
        if (written == 0) {
            m_error = EIO;  // no progress: never spin on a device that takes nothing
            break;
        }
        pending.remove_prefix(static_cast<std::size_t>(written));
    }
    m_buffer.clear();
}

// The temporary file takes the target's name; the old file stays until the
// move succeeds, and stays as it was when it fails.
bool AtomicFile::PutInPlace() {
    if (MoveFileExA(m_tempName.c_str(), m_name.c_str(),
                    MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) == 0) {
        m_error = lastErrorNumber();
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
    // A full disk may surface only when the data reach it. Devices, pipes
    // and standard output are not flushed to disk: most cannot be.
    if (m_error == 0 && m_kind != Kind::InPlace &&
        FlushFileBuffers(reinterpret_cast<HANDLE>(_get_osfhandle(m_fd))) == 0) {
        m_error = lastErrorNumber();
    }
    // Closed before the move: Windows does not rename an open file over another.
    if (m_ownsFd) {
        const int fd = std::exchange(m_fd, -1);
        if (_close(fd) != 0 && m_error == 0) {
            m_error = errno != 0 ? errno : EIO;
        }
    }
    if (m_error == 0 && m_kind != Kind::InPlace) {
        PutInPlace();
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
