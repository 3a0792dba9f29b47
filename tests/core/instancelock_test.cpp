#include "core/instancelock.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace vexa {
namespace {

class InstanceLockTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = std::string(VEXA_TEST_OUTPUT_DIR) + "/lock-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
        path_ = InstanceLockPath(kInstanceMutexName, dir_, 0);
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    // What a second copy of the program, a separate process, finds.
    InstanceLock::Status StatusInChild() const {
        const pid_t child = ::fork();
        if (child == 0) {
            InstanceLock lock(path_);
            ::_exit(static_cast<int>(lock.Acquire()));
        }
        int status = 0;
        if (child < 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status))
            return InstanceLock::Status::NotTried;
        return static_cast<InstanceLock::Status>(WEXITSTATUS(status));
    }

    std::string dir_;
    std::string path_;
};

TEST_F(InstanceLockTest, SecondCopyLearnsAnotherRunsUntilTheFirstLetsGo) {
    EXPECT_EQ(path_, dir_ + "/Kestova_TCS1.lock");
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

TEST_F(InstanceLockTest, UnusableLockFileFails) {
    InstanceLock missingFolder(dir_ + "/no-folder/x.lock");
    EXPECT_EQ(missingFolder.Acquire(), InstanceLock::Status::Failed);
    EXPECT_NE(missingFolder.Error().find("No such file or directory"), std::string::npos)
        << missingFolder.Error();

    // A symbolic link planted at the name is not followed.
    std::filesystem::create_symlink(dir_ + "/elsewhere", path_);
    InstanceLock planted(path_);
    EXPECT_EQ(planted.Acquire(), InstanceLock::Status::Failed);
    EXPECT_FALSE(std::filesystem::exists(dir_ + "/elsewhere"));
}

TEST(InstanceLockPath, RuntimeFolderOrPerUserNameInTmp) {
    EXPECT_EQ(InstanceLockPath("Kestova_TCS1", "/run/user/1000", 1000),
              "/run/user/1000/Kestova_TCS1.lock");
    EXPECT_EQ(InstanceLockPath("Kestova_TCS1", "/run/user/1000/", 1000),
              "/run/user/1000/Kestova_TCS1.lock");
    EXPECT_EQ(InstanceLockPath("Kestova_TCS1", "", 1000), "/tmp/Kestova_TCS1-1000.lock");
    EXPECT_EQ(InstanceLockPath("Kestova_TCS1", "relative", 42), "/tmp/Kestova_TCS1-42.lock");
}

} // namespace
} // namespace vexa
