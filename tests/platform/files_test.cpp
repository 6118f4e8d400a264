// The file layer's writes when the disk refuses them, and the data
// directory's lock.

#include "common/vb_error.h"
#include "platform/files.h"

#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <signal.h>
#include <sstream>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

class Files : public ::testing::Test {
protected:
    void SetUp() override {
        dir = fs::temp_directory_path() /
              ("arv1-files-" +
               std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(dir);
        fs::create_directories(dir);
        platform::setDataDirectory(dir);
    }
    void TearDown() override {
        platform::simulateWriteFailure(dir, 0);
        fs::remove_all(dir);
    }
    std::string read(const char* name) {
        std::ifstream in(dir / name, std::ios::binary);
        std::ostringstream s;
        s << in.rdbuf();
        return s.str();
    }
    template <class F> static int errorOf(F f) {
        try {
            f();
        } catch (const common::VbError& e) {
            return e.number();
        }
        return 0;
    }
    fs::path dir;
};

// A read-only directory refuses every change; a full disk takes new files
// and deletions but no byte. Either way the old file stays whole and no
// temporary file is left behind.
TEST_F(Files, WritesThatTheDiskRefusesLeaveTheOldFileWhole) {
    const struct {
        const char* what;
        int error;
        int number;   // of every refused write
        bool deletes; // deleting a file still works
    } cases[] = {{"read-only", EACCES, 70, false}, {"full", ENOSPC, 61, true}};
    for (const auto& c : cases) {
        std::ofstream(dir / "old.txt", std::ios::binary) << "old";
        platform::simulateWriteFailure(dir, c.error);
        EXPECT_EQ(errorOf([] { platform::writeFileAtomic("c:\\QEX_ARV1files\\old.txt", "new"); }),
                  c.number)
            << c.what;
        EXPECT_EQ(errorOf([] { platform::appendFile("c:\\QEX_ARV1files\\old.txt", "+"); }),
                  c.number)
            << c.what;
        EXPECT_EQ(read("old.txt"), "old") << c.what;
        EXPECT_EQ(errorOf([] { platform::deleteFile("c:\\QEX_ARV1files\\old.txt"); }),
                  c.deletes ? 0 : c.number)
            << c.what;
        EXPECT_EQ(fs::exists(dir / "old.txt"), !c.deletes) << c.what;
        platform::simulateWriteFailure(dir, 0);
        EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()),
                  c.deletes ? 0 : 1)
            << c.what << ": nothing but the old file";
        fs::remove(dir / "old.txt");
    }
    // Elsewhere writes go on.
    platform::simulateWriteFailure(dir / "sub", EACCES);
    platform::writeFileAtomic("c:\\QEX_ARV1files\\other.txt", "x");
    EXPECT_EQ(read("other.txt"), "x");
}

TEST_F(Files, ThePartialFilesOfAKilledRunAreRemoved) {
    std::ofstream(dir / "startupini.arv1-partial-4242") << "half";
    std::ofstream(dir / "keep.txt") << "kept";
    platform::removePartialFiles();
    EXPECT_FALSE(fs::exists(dir / "startupini.arv1-partial-4242"));
    EXPECT_EQ(read("keep.txt"), "kept");
}

// Another process holds the lock: it is refused by that process's id; once
// that process is killed, its lock is gone.
TEST_F(Files, OneInstanceToADataDirectory) {
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const std::string lockPath = (dir / "arv1.lock").string();
    const pid_t other = ::fork();
    ASSERT_GE(other, 0);
    if (other == 0) {
        // Only system calls here: the child of a threaded program.
        const int fd = ::open(lockPath.c_str(), O_RDWR | O_CREAT, 0666);
        if (fd < 0 || ::flock(fd, LOCK_EX) != 0) ::_exit(1);
        char text[16];
        int n = 0;
        for (pid_t p = ::getpid(); p > 0; p /= 10)
            text[n++] = static_cast<char>('0' + p % 10);
        for (int i = 0; i < n / 2; ++i)
            std::swap(text[i], text[n - 1 - i]);
        if (::write(fd, text, static_cast<std::size_t>(n)) != n) ::_exit(1);
        if (::write(ready[1], "k", 1) != 1) ::_exit(1);
        ::pause();
        ::_exit(0);
    }
    char k = 0;
    ASSERT_EQ(::read(ready[0], &k, 1), 1);
    {
        platform::DataDirectoryLock second;
        EXPECT_EQ(second.acquire(), "the data directory " + dir.string() +
                                        " is in use by another instance of arv1 (process " +
                                        std::to_string(other) + ")");
    }
    ::kill(other, SIGKILL);
    ::waitpid(other, nullptr, 0);
    ::close(ready[0]);
    ::close(ready[1]);

    platform::DataDirectoryLock first;
    EXPECT_EQ(first.acquire(), "");
    EXPECT_EQ(read("arv1.lock"), std::to_string(::getpid()) + "\n");
    platform::DataDirectoryLock again;
    EXPECT_NE(again.acquire(), "") << "one lock per directory, in one process too";
}

} // namespace
