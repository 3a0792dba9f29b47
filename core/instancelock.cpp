#include "core/instancelock.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace vexa {
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

std::string InstanceLockPath(std::string_view name) {
    const char* runtimeDir = std::getenv("XDG_RUNTIME_DIR");
    return InstanceLockPath(name, runtimeDir ? runtimeDir : "", ::getuid());
}

InstanceLock::InstanceLock(std::string lockPath) : path_(std::move(lockPath)) {}

InstanceLock::~InstanceLock() {
    Release();
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

} // namespace vexa
