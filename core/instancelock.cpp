#include "core/instancelock.h"

#include <cerrno>
#include <cstdlib>
#include <system_error>

#ifdef _WIN32
#include "core/programpaths.h"
#include "core/windowserror.h"

#include <filesystem>
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace vexa {

#ifdef _WIN32

std::string InstanceLockPath(std::string_view name, std::string_view runtimeDir, unsigned) {
    std::string directory(runtimeDir);
    if (!IsAbsolutePath(directory)) {
        // The user's own temporary folder: one copy per user, as on Linux.
        std::error_code ec;
        directory = std::filesystem::temp_directory_path(ec).string();
    }
    return JoinStoredPath(directory, std::string(name) + ".lock");
}

InstanceLock::Status InstanceLock::Acquire() {
    if (status_ == Status::Acquired)
        return status_;
    error_.clear();
    // Not inherited by programs started from here; others may open it, only the lock counts.
    const HANDLE file = ::CreateFileA(path_.c_str(), GENERIC_READ | GENERIC_WRITE,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        error_ =
            "Could not open the lock file \"" + path_ + "\": " + WindowsErrorText(::GetLastError());
        return status_ = Status::Failed;
    }
    OVERLAPPED whole{};
    if (!::LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &whole)) {
        const DWORD err = ::GetLastError();
        ::CloseHandle(file);
        if (err == ERROR_LOCK_VIOLATION || err == ERROR_IO_PENDING)
            return status_ = Status::AlreadyRunning;
        error_ = "Could not lock \"" + path_ + "\": " + WindowsErrorText(err);
        return status_ = Status::Failed;
    }
    handle_ = file;
    return status_ = Status::Acquired;
}

void InstanceLock::Release() {
    // Closing the handle drops the lock; the file stays, as on Linux.
    if (handle_) {
        ::CloseHandle(static_cast<HANDLE>(handle_));
        handle_ = nullptr;
    }
    status_ = Status::NotTried;
}

#else

namespace {

std::string SystemReason(int err) {
    return std::error_code(err, std::generic_category()).message();
}

} // namespace

std::string InstanceLockPath(std::string_view name, std::string_view runtimeDir, unsigned uid) {
    if (!runtimeDir.empty() && runtimeDir.front() == '/') {
        std::string path(runtimeDir);
        if (path.back() != '/')
            path += '/';
        return path + std::string(name) + ".lock";
    }
    return "/tmp/" + std::string(name) + "-" + std::to_string(uid) + ".lock";
}

InstanceLock::Status InstanceLock::Acquire() {
    if (status_ == Status::Acquired)
        return status_;
    error_.clear();
    // Close-on-exec: programs started from here must not inherit the lock.
    const int fd = ::open(path_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
        error_ = "Could not open the lock file \"" + path_ + "\": " + SystemReason(errno);
        return status_ = Status::Failed;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != ::geteuid()) {
        error_ = "The lock file \"" + path_ + "\" is not a file of this user.";
        ::close(fd);
        return status_ = Status::Failed;
    }
    int result = 0;
    do {
        result = ::flock(fd, LOCK_EX | LOCK_NB);
    } while (result != 0 && errno == EINTR);
    if (result != 0) {
        const int err = errno;
        ::close(fd);
        if (err == EWOULDBLOCK)
            return status_ = Status::AlreadyRunning;
        error_ = "Could not lock \"" + path_ + "\": " + SystemReason(err);
        return status_ = Status::Failed;
    }
    fd_ = fd;
    return status_ = Status::Acquired;
}

void InstanceLock::Release() {
    // The file stays: removing it could let two copies lock two different files.
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
    status_ = Status::NotTried;
}

#endif

std::string InstanceLockPath(std::string_view name) {
    const char* runtimeDir = std::getenv("XDG_RUNTIME_DIR");
#ifdef _WIN32
    const unsigned uid = 0; // the folder is the user's own; no id is needed
#else
    const unsigned uid = ::getuid();
#endif
    return InstanceLockPath(name, runtimeDir ? runtimeDir : "", uid);
}

InstanceLock::InstanceLock(std::string lockPath) : path_(std::move(lockPath)) {}

InstanceLock::~InstanceLock() {
    Release();
}

} // namespace vexa
