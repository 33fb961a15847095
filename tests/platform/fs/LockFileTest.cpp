#include "platform/fs/LockFile.h"
#include "platform/fs/PrivateDir.h"
#include "platform/process/Spawn.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/StdinGate.h"
#include "tests/support/TempDir.h"
#include "tests/support/WaitUntil.h"

#include <gtest/gtest.h>

#include <spawn.h>
#include <sys/stat.h>
#include <unistd.h>

extern char** environ;

namespace {

TEST(LockFileTest, OneHolderAtATimeUntilReleased) {
    testsupport::TempDir dir;
    const std::string path = dir.File("a.lock");
    platform::LockFile first;
    platform::LockFile second;
    int error = 0;
    ASSERT_EQ(platform::LOCK_ACQUIRED, first.Acquire(path, &error));
    EXPECT_EQ(platform::LOCK_HELD_ELSEWHERE, second.Acquire(path, &error));
    first.Release();
    EXPECT_EQ(platform::LOCK_ACQUIRED, second.Acquire(path, &error));
    EXPECT_TRUE(second.IsHeld());
}

TEST(LockFileTest, AChildStartedWithoutCleanUpHoldsNoLock) {
    testsupport::TempDir dir;
    const std::string path = dir.File("a.lock");
    platform::LockFile mine;
    int error = 0;
    ASSERT_EQ(platform::LOCK_ACQUIRED, mine.Acquire(path, &error));
    // posix_spawn without file actions passes on every descriptor that is not
    // close-on-exec. The child stays alive on the gate until the lock has been
    // taken again.
    testsupport::StdinGate gate;
    ASSERT_TRUE(gate.Ok());
    testsupport::ScopedEnv wait("MELVANE_FAKE_HELPER_WAIT_STDIN", "1");
    char* const argv[] = {const_cast<char*>(MELVANE_FAKE_HELPER), nullptr};
    pid_t child = -1;
    ASSERT_EQ(0, posix_spawn(&child, MELVANE_FAKE_HELPER, nullptr, nullptr, argv, environ));
    gate.Uninstall();
    mine.Release();
    platform::LockFile again;
    EXPECT_EQ(platform::LOCK_ACQUIRED, again.Acquire(path, &error));
    gate.Release();
    int code = -1;
    EXPECT_EQ(platform::WAIT_EXITED, platform::WaitProcess(child, testsupport::kWaitTimeout.count(), &code));
}

TEST(LockFileTest, AMissingFolderIsAFailureWithItsError) {
    testsupport::TempDir dir;
    platform::LockFile lock;
    int error = 0;
    EXPECT_EQ(platform::LOCK_FAILED, lock.Acquire(dir.File("none/a.lock"), &error));
    EXPECT_EQ(ENOENT, error);
}

TEST(PrivateDirTest, MadeOrTightenedToOwnerOnly) {
    testsupport::TempDir dir;
    const std::string made = dir.File("a/b");
    ASSERT_EQ(0, platform::EnsurePrivateDirectory(made));
    struct stat info {};
    ASSERT_EQ(0, stat(made.c_str(), &info));
    EXPECT_EQ(0700u, info.st_mode & 0777);

    ASSERT_EQ(0, chmod(made.c_str(), 0755));
    ASSERT_EQ(0, platform::EnsurePrivateDirectory(made));
    ASSERT_EQ(0, stat(made.c_str(), &info));
    EXPECT_EQ(0700u, info.st_mode & 0777);
}

TEST(PrivateDirTest, ALinkOrAFileIsRefused) {
    testsupport::TempDir dir;
    ASSERT_EQ(0, platform::EnsurePrivateDirectory(dir.File("real")));
    ASSERT_EQ(0, symlink(dir.File("real").c_str(), dir.File("link").c_str()));
    EXPECT_EQ(-1, platform::EnsurePrivateDirectory(dir.File("link")));
    EXPECT_EQ(EPERM, errno);
    testsupport::WriteFileText(dir.File("file"), "x");
    EXPECT_EQ(-1, platform::EnsurePrivateDirectory(dir.File("file")));
}

} // namespace
