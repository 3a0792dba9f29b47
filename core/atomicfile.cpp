#include "core/atomicfile.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <system_error>

#ifdef _WIN32
#include "core/windowserror.h"

#include <filesystem>
#include <windows.h>
#else
#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace vexa {

#ifdef _WIN32
namespace {

std::string SystemReason(DWORD err) {
    return WindowsErrorText(err);
}

std::string DirectoryOf(const std::string& path) {
    const auto slash = path.find_last_of("\\/");
    if (slash == std::string::npos)
        return ".";
    return path.substr(0, slash == 0 || (slash == 2 && path[1] == ':') ? slash + 1 : slash);
}

std::string BaseNameOf(const std::string& path) {
    const auto slash = path.find_last_of("\\/");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Creates a new, empty temporary file beside target.
HANDLE CreateTemporary(const std::string& target, std::string& tempPath) {
    static std::atomic<unsigned> counter{0};
    std::string stem = DirectoryOf(target);
    if (stem.back() != '\\' && stem.back() != '/')
        stem += '\\';
    stem += "." + BaseNameOf(target) + ".tmp-";
    const auto salt = static_cast<unsigned long long>(
        std::chrono::steady_clock::now().time_since_epoch().count());
    for (int attempt = 0; attempt < 100; ++attempt) {
        tempPath = stem + std::to_string(::GetCurrentProcessId()) + "-" +
                   std::to_string((salt + counter.fetch_add(1)) % 1000000007ULL);
        const HANDLE file = ::CreateFileA(tempPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                          FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE || ::GetLastError() != ERROR_FILE_EXISTS)
            return file;
    }
    ::SetLastError(ERROR_FILE_EXISTS);
    return INVALID_HANDLE_VALUE;
}

bool WriteAll(HANDLE file, std::string_view bytes) {
    const char* data = bytes.data();
    std::size_t left = bytes.size();
    while (left > 0) {
        const DWORD chunk = left > 0x40000000u ? 0x40000000u : static_cast<DWORD>(left);
        DWORD written = 0;
        if (!::WriteFile(file, data, chunk, &written, nullptr))
            return false;
        if (written == 0) {
            ::SetLastError(ERROR_DISK_FULL);
            return false;
        }
        data += written;
        left -= written;
    }
    return true;
}

// FlushFileBuffers in place of fsync, and MoveFileEx, which replaces the target in one
// step, in place of rename.
bool WriteThroughTemporary(const std::string& path, std::string_view bytes, std::string& error) {
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec)) {
        error = "Could not write \"" + path + "\": " + SystemReason(ERROR_DIRECTORY);
        return false;
    }
    std::string tempPath;
    const HANDLE file = CreateTemporary(path, tempPath);
    if (file == INVALID_HANDLE_VALUE) {
        error = "Could not create a file in \"" + DirectoryOf(path) +
                "\": " + SystemReason(::GetLastError());
        return false;
    }
    auto fail = [&](const std::string& what, DWORD err) {
        ::DeleteFileA(tempPath.c_str());
        error = what + ": " + SystemReason(err);
        return false;
    };
    if (!WriteAll(file, bytes)) {
        const DWORD err = ::GetLastError();
        ::CloseHandle(file);
        return fail("Could not write \"" + path + "\"", err);
    }
    if (!::FlushFileBuffers(file)) {
        const DWORD err = ::GetLastError();
        ::CloseHandle(file);
        return fail("Could not write \"" + path + "\" to the disk", err);
    }
    ::CloseHandle(file);
    if (!::MoveFileExA(tempPath.c_str(), path.c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return fail("Could not replace \"" + path + "\"", ::GetLastError());
    return true;
}

} // namespace

#else

namespace {

std::string SystemReason(int err) {
    return std::error_code(err, std::generic_category()).message();
}

std::string DirectoryOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    if (slash == 0)
        return "/";
    return path.substr(0, slash);
}

std::string BaseNameOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Follows symbolic links (dangling ones too), so the rename replaces the file a link points
// to and not the link itself.
std::string ResolveLinks(std::string path) {
    for (int depth = 0; depth < 40; ++depth) {
        struct stat st {};
        if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
            return path;
        char target[PATH_MAX];
        const ssize_t length = ::readlink(path.c_str(), target, sizeof target);
        if (length <= 0 || static_cast<std::size_t>(length) >= sizeof target)
            return path;
        std::string next(target, static_cast<std::size_t>(length));
        if (next.front() != '/')
            next = DirectoryOf(path) + "/" + next;
        path = std::move(next);
    }
    return path;
}

// Creates a new, empty temporary file beside target; returns its descriptor or -1 with
// errno set.
int CreateTemporary(const std::string& target, std::string& tempPath) {
    static std::atomic<unsigned> counter{0};
    const std::string stem = DirectoryOf(target) + "/." + BaseNameOf(target) + ".tmp-";
    const auto salt = static_cast<unsigned long long>(
        std::chrono::steady_clock::now().time_since_epoch().count());
    for (int attempt = 0; attempt < 100; ++attempt) {
        tempPath = stem + std::to_string(::getpid()) + "-" +
                   std::to_string((salt + counter.fetch_add(1)) % 1000000007ULL);
        const int fd =
            ::open(tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    errno = EEXIST;
    return -1;
}

// Writes all of bytes, continuing after partial writes and interruptions.
bool WriteAll(int fd, std::string_view bytes) {
    const char* data = bytes.data();
    std::size_t left = bytes.size();
    while (left > 0) {
        const ssize_t written = ::write(fd, data, left);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (written == 0) {
            // No progress and no error: treat like a full disk rather than loop forever.
            errno = ENOSPC;
            return false;
        }
        data += written;
        left -= static_cast<std::size_t>(written);
    }
    return true;
}

bool SyncFile(int fd) {
    while (::fsync(fd) != 0) {
        if (errno != EINTR)
            return false;
    }
    return true;
}

bool WriteThroughTemporary(const std::string& path, std::string_view bytes, std::string& error) {
    const std::string target = ResolveLinks(path);

    mode_t mode = 0;
    bool keepMode = false;
    struct stat existing {};
    if (::stat(target.c_str(), &existing) == 0) {
        if (S_ISDIR(existing.st_mode)) {
            error = "Could not write \"" + path + "\": " + SystemReason(EISDIR);
            return false;
        }
        mode = existing.st_mode & 07777;
        keepMode = true;
    }

    std::string tempPath;
    const int fd = CreateTemporary(target, tempPath);
    if (fd < 0) {
        error =
            "Could not create a file in \"" + DirectoryOf(target) + "\": " + SystemReason(errno);
        return false;
    }

    auto fail = [&](const std::string& what, int err) {
        ::unlink(tempPath.c_str());
        error = what + ": " + SystemReason(err);
        return false;
    };

    if (keepMode && ::fchmod(fd, mode) != 0) {
        const int err = errno;
        ::close(fd);
        return fail("Could not set the permissions of \"" + path + "\"", err);
    }
    if (!WriteAll(fd, bytes)) {
        const int err = errno;
        ::close(fd);
        return fail("Could not write \"" + path + "\"", err);
    }
    if (!SyncFile(fd)) {
        const int err = errno;
        ::close(fd);
        return fail("Could not write \"" + path + "\" to the disk", err);
    }
    // After a successful fsync an interrupted close has lost nothing; any other close
    // error means the data may not be there.
    if (::close(fd) != 0 && errno != EINTR)
        return fail("Could not write \"" + path + "\"", errno);
    if (::rename(tempPath.c_str(), target.c_str()) != 0)
        return fail("Could not replace \"" + path + "\"", errno);

    // Make the rename itself durable. The new file is in place by now, so a directory that
    // cannot be synced (some file systems refuse) is not reported as a failed save.
    const int dirFd = ::open(DirectoryOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        SyncFile(dirFd);
        ::close(dirFd);
    }
    return true;
}

} // namespace

#endif

bool WriteFileAtomically(const std::string& path, std::string_view bytes, std::string& error) {
    if (path.empty()) {
        error = "No file name was given.";
        return false;
    }
    return WriteThroughTemporary(path, bytes, error);
}

} // namespace vexa
