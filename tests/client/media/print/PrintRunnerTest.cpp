// The fingerprint child and its parent: the protocol's edge cases against a
// stand-in child, and the program itself as the child.
#include "client/media/PrintSource.h"

#include "client/media/FFmpegInit.h"
#include "client/media/print/FingerprintChild.h"
#include "include/text/Utf8.h"
#include "platform/process/ChildPipe.h"
#include "platform/process/Spawn.h"
#include "tests/client/media/print/PrintFixtures.h"
#include "tests/support/CapturedLog.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/TempDir.h"
#include "tests/support/WaitUntil.h"
#include "tests/support/media/M4aFixture.h"
#include "tests/support/media/TuneFixture.h"

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <unistd.h>

#include <csignal>
#include <fstream>
#include <thread>

namespace {

using testsupport::ScopedPrintChild;
using testsupport::TempDir;

struct Answer {
    bool ok = false;
    std::string print;
    uint32_t secs = 0;
};

Answer Ask(const std::string& path) {
    Answer answer;
    answer.print = "stale";
    answer.secs = 5;
    answer.ok = GetPrintOutOfProc(Utf8ToWide(path), answer.print, answer.secs);
    return answer;
}

// The process is blocked in read(0, ...): /proc/<pid>/syscall shows the
// call's number and first argument.
bool IsReadingStdin(pid_t pid) {
    std::ifstream syscall("/proc/" + std::to_string(pid) + "/syscall");
    std::string number, fd;
    return syscall >> number >> fd && number == "0" && fd == "0x0";
}

// The program as "Melvane /fp" with `stdinFd` as its input.
pid_t StartProgramChild(int stdinFd) {
    platform::SpawnContext context(stdinFd, -1);
    char name[] = "Melvane";
    char mode[] = "/fp";
    char* const argv[] = {name, mode, nullptr};
    int error = 0;
    return context.Spawn(MELVANE_PROGRAM, argv, &error);
}

} // namespace

TEST(PrintRunnerTest, RepliesAreTakenOnlyWhenWhole) {
    TempDir dir;
    ScopedPrintChild child(MELVANE_FAKE_PRINT_CHILD);
    const std::string echoed = dir.File("song.mp3");
    const struct {
        std::string path;
        uint32_t secs;
        std::string print;
    } cases[] = {
        // The child's arguments, no descriptor of ours leaked to it, and
        // our id to check its parent by.
        {echoed, static_cast<uint32_t>(echoed.size()),
         "Melvane /fp " + echoed + " fds=0 parent=" + std::to_string(getpid())},
        // More than the 4 bytes of the seconds are needed to take them.
        {dir.File("reply4"), 0, ""},
        // A cut string is not taken; the seconds before it are.
        {dir.File("truncated"), 99, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        const Answer answer = Ask(c.path);
        EXPECT_TRUE(answer.ok);
        EXPECT_EQ(c.secs, answer.secs);
        EXPECT_EQ(c.print, answer.print);
    }
}

TEST(PrintRunnerTest, AChildPastTheDeadlineIsKilledAndReaped) {
    TempDir dir;
    testsupport::CapturedLog log;
    ScopedPrintChild child(MELVANE_FAKE_PRINT_CHILD, 300);
    const auto start = std::chrono::steady_clock::now();
    const Answer answer = Ask(dir.File("sleep"));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    EXPECT_TRUE(answer.ok);
    EXPECT_EQ("", answer.print);
    EXPECT_EQ(0u, answer.secs);
    EXPECT_TRUE(log.Contains("still running at its deadline; killed"));
    std::ifstream pidFile(dir.File("pid"));
    pid_t pid = 0;
    ASSERT_TRUE(pidFile >> pid);
    // Gone, not a zombie: a zombie still takes signal 0.
    EXPECT_EQ(-1, kill(pid, 0));
    EXPECT_EQ(ESRCH, errno);
}

TEST(PrintRunnerTest, TwoCallersRunTheirChildrenOneAfterTheOther) {
    TempDir dir;
    ScopedPrintChild child(MELVANE_FAKE_PRINT_CHILD);
    Answer answers[2];
    std::thread other([&] { answers[1] = Ask(dir.File("exclusive")); });
    answers[0] = Ask(dir.File("exclusive"));
    other.join();
    for (const Answer& answer : answers) {
        EXPECT_TRUE(answer.ok);
        EXPECT_EQ("alone", answer.print);
    }
}

TEST(PrintRunnerTest, APathTooLongForTheRequestIsNotSent) {
    testsupport::CapturedLog log;
    ScopedPrintChild child(MELVANE_FAKE_PRINT_CHILD);
    const Answer answer = Ask("/" + std::string(kPrintRequestBytes, 'a'));
    EXPECT_FALSE(answer.ok);
    EXPECT_TRUE(log.Contains("Could not send request"));
}

TEST(PrintChildTest, TheProgramPrintsAFileAsThisProcessWould) {
    TempDir dir;
    InitFFmpeg();
    ASSERT_TRUE(testsupport::WriteTuneFile(dir.File("tune.mp3"), testsupport::TuneSpec()));
    std::string inProcess;
    uint32_t inProcessSecs = 0;
    ASSERT_TRUE(CalcPrintInProcess(Utf8ToWide(dir.File("tune.mp3")), inProcess, inProcessSecs));

    const Answer answer = Ask(dir.File("tune.mp3"));
    EXPECT_TRUE(answer.ok);
    EXPECT_EQ(inProcess, answer.print);
    EXPECT_EQ(30u, answer.secs);

    // A file it cannot read: its play length is unknown too.
    testsupport::WriteFileText(dir.File("noise.mp3"), std::string(5000, 'x'));
    const Answer noise = Ask(dir.File("noise.mp3"));
    EXPECT_TRUE(noise.ok);
    EXPECT_EQ("", noise.print);
    EXPECT_EQ(0u, noise.secs);
}

// A sample-size table of 400 million entries, a hole in the file, that the
// demuxer would hold in 1.6 GB: the child's allocation fails instead, and it
// answers without a print. Its memory is counted as the largest resident
// size of this test's children.
TEST(PrintChildTest, AFileThatNeedsMoreMemoryThanTheChildHasGetsNoPrint) {
    if (!kPrintChildLimitsAddressSpace)
        GTEST_SKIP() << "the sanitized child has no memory bound";
    TempDir dir;
    ASSERT_TRUE(testsupport::WriteM4aWithHollowSampleTable(dir.File("a.m4a"), {}, 400000000));
    const Answer answer = Ask(dir.File("a.m4a"));
    EXPECT_TRUE(answer.ok);
    EXPECT_EQ("", answer.print);
    rusage children{};
    ASSERT_EQ(0, getrusage(RUSAGE_CHILDREN, &children));
    EXPECT_LT(static_cast<uint64_t>(children.ru_maxrss) * 1024, kPrintChildAddressSpaceBytes);
}

TEST(PrintChildTest, AnEmptyRequestEndsTheProgramWithCodeOne) {
    const Answer answer = Ask("");
    EXPECT_TRUE(answer.ok);
    EXPECT_EQ("", answer.print);
    EXPECT_EQ(0u, answer.secs);

    platform::UniqueFd inRead, inWrite;
    ASSERT_EQ(0, platform::MakePipe(inRead, inWrite));
    inWrite.Reset();
    const pid_t pid = StartProgramChild(inRead.Get());
    ASSERT_GT(pid, 0);
    int exitCode = -1;
    ASSERT_EQ(platform::WAIT_EXITED, platform::WaitProcess(pid, 30000, &exitCode));
    EXPECT_EQ(1, exitCode);
}

TEST(PrintChildTest, TheChildEndsWithTheThreadThatStartedIt) {
    platform::UniqueFd inRead, inWrite;
    ASSERT_EQ(0, platform::MakePipe(inRead, inWrite));
    pid_t pid = -1;
    // The child waits for its request, which never comes; the thread that
    // started it ends once it does.
    std::thread starter([&] {
        pid = StartProgramChild(inRead.Get());
        EXPECT_TRUE(testsupport::WaitUntil([&] { return IsReadingStdin(pid); }));
    });
    starter.join();
    ASSERT_GT(pid, 0);
    int exitCode = -1;
    ASSERT_EQ(platform::WAIT_EXITED, platform::WaitProcess(pid, 30000, &exitCode));
    EXPECT_EQ(128 + SIGKILL, exitCode);
}

TEST(PrintChildTest, AChildWhoseParentDiedBeforeItAskedToDieWithItEndsAtOnce) {
    // The environment names a parent other than the real one, as an orphan's
    // would; its request pipe stays open, so only that check ends it.
    testsupport::ScopedEnv parent(kPrintParentEnv, "1");
    platform::UniqueFd inRead, inWrite;
    ASSERT_EQ(0, platform::MakePipe(inRead, inWrite));
    const pid_t pid = StartProgramChild(inRead.Get());
    ASSERT_GT(pid, 0);
    int exitCode = -1;
    const platform::WaitOutcome outcome = platform::WaitProcess(pid, 10000, &exitCode);
    if (outcome != platform::WAIT_EXITED) {
        kill(pid, SIGKILL);
        (void)platform::WaitProcess(pid, 10000, &exitCode);
    }
    ASSERT_EQ(platform::WAIT_EXITED, outcome);
    EXPECT_EQ(1, exitCode);
}
