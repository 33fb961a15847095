#include "platform/process/Spawn.h"

#include "tests/support/ScopedEnv.h"
#include "tests/support/TempDir.h"
#include "tests/support/WaitUntil.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <pthread.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <string>
#include <vector>

namespace {

std::string ReadAll(int fd) {
    std::string text;
    char buffer[512];
    ssize_t n;
    while ((n = read(fd, buffer, sizeof buffer)) > 0)
        text.append(buffer, static_cast<size_t>(n));
    return text;
}

int RunToEnd(const std::vector<std::string>& argv) {
    int error = 0;
    pid_t pid = platform::SpawnProcess(argv, &error);
    EXPECT_GT(pid, 0) << "error " << error;
    int code = -1;
    EXPECT_EQ(platform::WAIT_EXITED, platform::WaitProcess(pid, 60000, &code));
    return code;
}

} // namespace

TEST(SpawnTest, WaitGivesTheExitStatusOr128PlusTheSignal) {
    EXPECT_EQ(0, RunToEnd({"/bin/sh", "-c", "exit 0"}));
    EXPECT_EQ(7, RunToEnd({"/bin/sh", "-c", "exit 7"}));
    EXPECT_EQ(128 + SIGKILL, RunToEnd({"/bin/sh", "-c", "kill -KILL $$"}));
}

TEST(SpawnTest, StartFailuresCarryTheirErrno) {
    int error = 0;
    EXPECT_EQ(-1, platform::SpawnProcess({"/nonexistent/program"}, &error));
    EXPECT_EQ(ENOENT, error);
    EXPECT_EQ(-1, platform::SpawnProcess({}, &error));
    EXPECT_EQ(EINVAL, error);
}

TEST(SpawnTest, WaitTimesOutOnARunningChildAndFailsForAStranger) {
    int error = 0;
    pid_t pid = platform::SpawnProcess({"/bin/sleep", "60"}, &error);
    ASSERT_GT(pid, 0);
    int code = -1;
    EXPECT_EQ(platform::WAIT_TIMED_OUT, platform::WaitProcess(pid, 10, &code));
    EXPECT_EQ(-1, code) << "untouched on a time-out";
    kill(pid, SIGTERM);
    EXPECT_EQ(platform::WAIT_EXITED, platform::WaitProcess(pid, 60000, &code));
    EXPECT_EQ(128 + SIGTERM, code);
    EXPECT_EQ(platform::WAIT_FAILED, platform::WaitProcess(pid, 10, &code)) << "already reaped";
    EXPECT_EQ(platform::WAIT_FAILED, platform::WaitProcess(1, 10, &code)) << "not our child";
}

TEST(SpawnTest, ContextConnectsStandardInputAndOutput) {
    int in[2], out[2];
    ASSERT_EQ(0, pipe2(in, O_CLOEXEC));
    ASSERT_EQ(0, pipe2(out, O_CLOEXEC));
    pid_t pid;
    {
        platform::SpawnContext context(in[0], out[1]);
        char* const argv[] = {const_cast<char*>("/bin/cat"), nullptr};
        int error = 0;
        pid = context.Spawn("/bin/cat", argv, &error);
        ASSERT_GT(pid, 0) << error;
    }
    close(in[0]);
    close(out[1]);
    ASSERT_EQ(6, write(in[1], "piped\n", 6));
    close(in[1]);
    EXPECT_EQ("piped\n", ReadAll(out[0]));
    close(out[0]);
    int code = -1;
    EXPECT_EQ(platform::WAIT_EXITED, platform::WaitProcess(pid, 60000, &code));
    EXPECT_EQ(0, code);
}

TEST(SpawnTest, ChildGetsDefaultSignalsAnEmptyMaskAndNoExtraDescriptors) {
    testsupport::TempDir dir;
    testsupport::ScopedEnv helperOut("MELVANE_FAKE_HELPER_OUT", dir.File("out"));
    // The parent ignores SIGPIPE, blocks SIGUSR1 and holds a descriptor
    // without close-on-exec; the child must see none of it.
    struct sigaction ignore {
    }, previous{};
    ignore.sa_handler = SIG_IGN;
    sigaction(SIGPIPE, &ignore, &previous);
    sigset_t usr1, oldMask;
    sigemptyset(&usr1);
    sigaddset(&usr1, SIGUSR1);
    pthread_sigmask(SIG_BLOCK, &usr1, &oldMask);
    int leaky[2];
    ASSERT_EQ(0, pipe(leaky));

    int out[2];
    ASSERT_EQ(0, pipe2(out, O_CLOEXEC));
    pid_t grep;
    pid_t helper;
    {
        platform::SpawnContext context(-1, out[1]);
        char* const grepArgv[] = {const_cast<char*>("/bin/grep"), const_cast<char*>("-E"),
                                  const_cast<char*>("^Sig(Ign|Blk)"), const_cast<char*>("/proc/self/status"),
                                  nullptr};
        grep = context.Spawn("/bin/grep", grepArgv, nullptr);
        char* const helperArgv[] = {const_cast<char*>(MELVANE_FAKE_HELPER), nullptr};
        helper = platform::SpawnContext().Spawn(MELVANE_FAKE_HELPER, helperArgv, nullptr);
    }
    close(out[1]);
    close(leaky[0]);
    close(leaky[1]);
    pthread_sigmask(SIG_SETMASK, &oldMask, nullptr);
    sigaction(SIGPIPE, &previous, nullptr);
    ASSERT_GT(grep, 0);
    ASSERT_GT(helper, 0);

    // glibc itself leaves its two internal real-time signals ignored; only
    // the standard signals are the program's business.
    const std::string status = ReadAll(out[0]);
    unsigned long long blocked = ~0ULL, ignored = ~0ULL;
    ASSERT_EQ(2, std::sscanf(status.c_str(), "SigBlk: %llx SigIgn: %llx", &blocked, &ignored)) << status;
    EXPECT_EQ(0u, blocked);
    EXPECT_EQ(0u, ignored & 0x7FFFFFFFULL) << status;
    close(out[0]);
    int code = -1;
    EXPECT_EQ(platform::WAIT_EXITED, platform::WaitProcess(grep, 60000, &code));
    EXPECT_EQ(platform::WAIT_EXITED, platform::WaitProcess(helper, 60000, &code));
    EXPECT_EQ("--\n", testsupport::ReadFileText(dir.File("out")));
}

TEST(SpawnTest, ReapInBackgroundLeavesNoZombie) {
    int error = 0;
    pid_t pid = platform::SpawnProcess({"/bin/true"}, &error);
    ASSERT_GT(pid, 0);
    platform::ReapInBackground(pid);
    // A zombie keeps its /proc entry until it is reaped.
    const std::string proc = "/proc/" + std::to_string(pid);
    EXPECT_TRUE(testsupport::WaitUntil([&] { return access(proc.c_str(), F_OK) != 0; }))
        << "the child was not reaped";
}
