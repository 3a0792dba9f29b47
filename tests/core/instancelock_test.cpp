#include "core/instancelock.h"
#include "support/portable.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <string>

#ifndef _WIN32
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace vexa {
namespace {

class InstanceLockTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = testing::MakeTempDirectory(std::string(VEXA_TEST_OUTPUT_DIR) + "/lock-XXXXXX");
        ASSERT_NE(dir_, "");
        path_ = InstanceLockPath(kInstanceMutexName, dir_, 0);
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    // What a second copy of the program, a separate process, finds. Windows has no fork:
    // there a second lock in this process stands for it (a lock belongs to its handle).
    InstanceLock::Status StatusInChild() const {
#ifdef _WIN32
        InstanceLock other(path_);
        return other.Acquire();
#else
        const pid_t child = ::fork();
        if (child == 0) {
            InstanceLock lock(path_);
            ::_exit(static_cast<int>(lock.Acquire()));
        }
        int status = 0;
        if (child < 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status))
            return InstanceLock::Status::NotTried;
        return static_cast<InstanceLock::Status>(WEXITSTATUS(status));
#endif
    }

    std::string dir_;
    std::string path_;
};

TEST_F(InstanceLockTest, SecondCopyLearnsAnotherRunsUntilTheFirstLetsGo) {
#ifdef _WIN32
    EXPECT_EQ(path_, dir_ + "\\Kestova_TCS1.lock");
#else
    EXPECT_EQ(path_, dir_ + "/Kestova_TCS1.lock");
#endif
    EXPECT_EQ(StatusInChild(), InstanceLock::Status::Acquired);
    {
        InstanceLock first(path_);
        ASSERT_EQ(first.Acquire(), InstanceLock::Status::Acquired) << first.Error();
        EXPECT_EQ(first.Acquire(), InstanceLock::Status::Acquired);
        EXPECT_EQ(StatusInChild(), InstanceLock::Status::AlreadyRunning);
        // A second lock object in the same process counts as another copy too.
        InstanceLock again(path_);
        EXPECT_EQ(again.Acquire(), InstanceLock::Status::AlreadyRunning);
    }
    EXPECT_EQ(StatusInChild(), InstanceLock::Status::Acquired);
}

#ifndef _WIN32
TEST_F(InstanceLockTest, LockOfAKilledCopyIsFree) {
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        InstanceLock lock(path_);
        const char status = static_cast<char>(lock.Acquire());
        if (::write(ready[1], &status, 1) != 1)
            ::_exit(1);
        ::pause();
        ::_exit(0);
    }
    ::close(ready[1]);
    char childStatus = 0;
    ASSERT_EQ(::read(ready[0], &childStatus, 1), 1);
    ::close(ready[0]);
    EXPECT_EQ(static_cast<InstanceLock::Status>(childStatus), InstanceLock::Status::Acquired);

    InstanceLock lock(path_);
    EXPECT_EQ(lock.Acquire(), InstanceLock::Status::AlreadyRunning);
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    EXPECT_EQ(lock.Acquire(), InstanceLock::Status::Acquired) << lock.Error();
}

#endif

TEST_F(InstanceLockTest, UnusableLockFileFails) {
    InstanceLock missingFolder(dir_ + "/no-folder/x.lock");
    EXPECT_EQ(missingFolder.Acquire(), InstanceLock::Status::Failed);
    EXPECT_NE(missingFolder.Error().find(testing::kNoSuchFolderReason), std::string::npos)
        << missingFolder.Error();
#ifndef _WIN32

    // A symbolic link planted at the name is not followed.
    std::filesystem::create_symlink(dir_ + "/elsewhere", path_);
    InstanceLock planted(path_);
    EXPECT_EQ(planted.Acquire(), InstanceLock::Status::Failed);
    EXPECT_FALSE(std::filesystem::exists(dir_ + "/elsewhere"));
#endif
}

#ifdef _WIN32
TEST(InstanceLockPath, RuntimeFolderOrTheUsersTemporaryFolder) {
    EXPECT_EQ(InstanceLockPath("Kestova_TCS1", "C:\\run", 0), "C:\\run\\Kestova_TCS1.lock");
    for (const char* runtimeDir : {"", "relative"}) {
        const std::filesystem::path temporary = InstanceLockPath("Kestova_TCS1", runtimeDir, 0);
        EXPECT_EQ(temporary.filename(), "Kestova_TCS1.lock") << runtimeDir;
        EXPECT_TRUE(std::filesystem::is_directory(temporary.parent_path())) << runtimeDir;
        EXPECT_TRUE(temporary.is_absolute()) << runtimeDir;
    }
}
#else
TEST(InstanceLockPath, RuntimeFolderOrPerUserNameInTmp) {
    EXPECT_EQ(InstanceLockPath("Kestova_TCS1", "/run/user/1000", 1000),
              "/run/user/1000/Kestova_TCS1.lock");
    EXPECT_EQ(InstanceLockPath("Kestova_TCS1", "/run/user/1000/", 1000),
              "/run/user/1000/Kestova_TCS1.lock");
    EXPECT_EQ(InstanceLockPath("Kestova_TCS1", "", 1000), "/tmp/Kestova_TCS1-1000.lock");
    EXPECT_EQ(InstanceLockPath("Kestova_TCS1", "relative", 42), "/tmp/Kestova_TCS1-42.lock");
}

#endif

} // namespace
} // namespace vexa
