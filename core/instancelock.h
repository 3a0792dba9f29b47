#pragma once
// The single running copy of the program: a lock file held with flock() (LockFileEx on
// Windows) for the life of the object. The system drops the lock when the process ends
// however it ends, so a crashed copy never blocks the next start.
#include <string>
#include <string_view>

namespace vexa {

// The name the running copy is known by.
inline constexpr std::string_view kInstanceMutexName = "Kestova_TCS1";

// The lock file for name: "<name>.lock" in runtimeDir when that is an absolute path
// (the per-user $XDG_RUNTIME_DIR), else "/tmp/<name>-<uid>.lock", since /tmp is shared by
// every user and each user may run one copy. On Windows the user's own temporary folder
// stands in for a missing runtimeDir.
std::string InstanceLockPath(std::string_view name, std::string_view runtimeDir, unsigned uid);
// The same for this process: $XDG_RUNTIME_DIR and the real user id.
std::string InstanceLockPath(std::string_view name = kInstanceMutexName);

class InstanceLock {
public:
    enum class Status {
        NotTried,       // Acquire() not called yet, or the lock was released
        Acquired,       // this object holds the lock
        AlreadyRunning, // another copy holds it
        Failed,         // the lock file could not be used; Error() says why
    };

    explicit InstanceLock(std::string lockPath = InstanceLockPath());
    ~InstanceLock();
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

    // Tries to take the lock without waiting. Calling it again while held returns
    // Acquired. The lock file is opened without following a symbolic link and must
    // belong to this user, so another user cannot claim or block the name.
    Status Acquire();
    void Release();

    Status status() const { return status_; }
    const std::string& Path() const { return path_; }
    const std::string& Error() const { return error_; }

private:
    std::string path_;
    std::string error_;
    Status status_ = Status::NotTried;
#ifdef _WIN32
    void* handle_ = nullptr;
#else
    int fd_ = -1;
#endif
};

} // namespace vexa
