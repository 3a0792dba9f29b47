#include "core/atomicfile.h"
#include "support/portable.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#ifndef _WIN32
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace vexa {
namespace {

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

class AtomicFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = testing::MakeTempDirectory(std::string(VEXA_TEST_OUTPUT_DIR) + "/atomic-XXXXXX");
        ASSERT_NE(dir_, "");
        path_ = dir_ + "/cal.gvr";
    }
    void TearDown() override {
#ifndef _WIN32
        ::chmod(dir_.c_str(), 0700);
#endif
        std::filesystem::remove_all(dir_);
    }
    // Everything in the folder, so a temporary file left behind shows up.
    std::vector<std::string> Entries() const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(dir_))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
    std::string dir_;
    std::string path_;
};

TEST_F(AtomicFileTest, CreatesAndReplacesWithExactBytesAndKeepsPermissions) {
    std::string error;
    const std::string first("GVR02\r\n\0binary\xff", 15);
    ASSERT_TRUE(WriteFileAtomically(path_, first, error)) << error;
    EXPECT_EQ(ReadFile(path_), first);

#ifndef _WIN32
    ASSERT_EQ(::chmod(path_.c_str(), 0640), 0);
#endif
    const std::string second(100000, 'x');
    ASSERT_TRUE(WriteFileAtomically(path_, second, error)) << error;
    EXPECT_EQ(ReadFile(path_), second);
#ifndef _WIN32
    struct stat st {};
    ASSERT_EQ(::stat(path_.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
#endif

    ASSERT_TRUE(WriteFileAtomically(path_, "", error)) << error;
    EXPECT_EQ(ReadFile(path_), "");
    EXPECT_EQ(Entries(), std::vector<std::string>{"cal.gvr"});
    EXPECT_EQ(error, "");
}

#ifndef _WIN32
TEST_F(AtomicFileTest, WritesThroughASymbolicLink) {
    std::string error;
    ASSERT_TRUE(WriteFileAtomically(dir_ + "/real.gvr", "old", error)) << error;
    std::filesystem::create_symlink("real.gvr", path_);
    ASSERT_TRUE(WriteFileAtomically(path_, "new", error)) << error;
    EXPECT_TRUE(std::filesystem::is_symlink(path_));
    EXPECT_EQ(ReadFile(dir_ + "/real.gvr"), "new");
}

// A file-size limit below the content makes a write fall short part-way (then fail with
// EFBIG): the save must report it and the old file must stay as it was.
TEST_F(AtomicFileTest, ShortWriteFailsAndLeavesTheOldFileUntouched) {
    std::string error;
    const std::string old = "the old calibration\n";
    ASSERT_TRUE(WriteFileAtomically(path_, old, error)) << error;

    int pipeFds[2];
    ASSERT_EQ(::pipe(pipeFds), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::close(pipeFds[0]);
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{4096, 4096};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        std::string childError;
        const bool ok = WriteFileAtomically(path_, std::string(64 * 1024, 'n'), childError);
        const ssize_t sent = ::write(pipeFds[1], childError.data(), childError.size());
        ::_exit(ok ? 1 : (sent > 0 ? 0 : 2));
    }
    ::close(pipeFds[1]);
    std::string childError;
    char buffer[512];
    for (ssize_t got; (got = ::read(pipeFds[0], buffer, sizeof buffer)) > 0;)
        childError.append(buffer, static_cast<std::size_t>(got));
    ::close(pipeFds[0]);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "1: the write reported success; 2: no error text";
    EXPECT_NE(childError.find("File too large"), std::string::npos) << childError;
    EXPECT_NE(childError.find(path_), std::string::npos) << childError;
    EXPECT_EQ(ReadFile(path_), old);
    EXPECT_EQ(Entries(), std::vector<std::string>{"cal.gvr"});
}

#endif

TEST_F(AtomicFileTest, FolderThatCannotBeWrittenReportsWhy) {
    std::string error;
    EXPECT_FALSE(WriteFileAtomically(dir_ + "/no/such/folder/cal.gvr", "x", error));
    EXPECT_NE(error.find(testing::kNoSuchFolderReason), std::string::npos) << error;

    error.clear();
    std::filesystem::create_directory(dir_ + "/sub");
    EXPECT_FALSE(WriteFileAtomically(dir_ + "/sub", "x", error));
    EXPECT_NE(error.find(testing::kIsAFolderReason), std::string::npos) << error;

    error.clear();
    EXPECT_FALSE(WriteFileAtomically("", "x", error));
    EXPECT_NE(error, "");
}

#ifndef _WIN32
TEST_F(AtomicFileTest, ReadOnlyFolderKeepsTheOldFile) {
    if (::geteuid() == 0)
        GTEST_SKIP() << "root ignores folder permissions";
    std::string error;
    ASSERT_TRUE(WriteFileAtomically(path_, "old", error)) << error;
    ASSERT_EQ(::chmod(dir_.c_str(), 0500), 0);
    EXPECT_FALSE(WriteFileAtomically(path_, "new", error));
    EXPECT_NE(error.find("Permission denied"), std::string::npos) << error;
    EXPECT_EQ(ReadFile(path_), "old");
}
#endif

} // namespace
} // namespace vexa
