// The built program, started as its own process with private XDG folders.
#include "tests/ui/ProgramProcess.h"

#include <csignal>

namespace uitest {
namespace {

using testsupport::ReadFileText;

class ProgramProcessTest : public ProgramProcess {
    // The same on a desktop as without one.
    testsupport::ScopedEnv ui{"MELVANE_UI", "headless"};
};

TEST_F(ProgramProcessTest, ListenerCloseEndsTheRunningCopyAndASecondCopyStops) {
    pid_t first = Start({});
    ASSERT_GT(first, 0);
    ASSERT_TRUE(WaitUntilListening(first));

    pid_t second = Start({}, dir.File("second.err"));
    ASSERT_GT(second, 0);
    EXPECT_EQ(1, ExitCode(second));
    EXPECT_NE(std::string::npos,
              ReadFileText(dir.File("second.err"))
                  .find("Melvane has already been started.  Check for its icon in the system tray by your "
                        "computer's clock"));

    SendClose();
    EXPECT_EQ(0, ExitCode(first));
    struct stat info {};
    EXPECT_NE(0, lstat(SocketPath().c_str(), &info));
}

TEST_F(ProgramProcessTest, ACopyWithAnotherRuntimeFolderStopsAsAnotherSession) {
    pid_t first = Start({});
    ASSERT_GT(first, 0);
    ASSERT_TRUE(WaitUntilListening(first));

    pid_t second = -1;
    {
        // Its session lock and socket go to the cache folder instead.
        testsupport::ScopedEnv noRuntime("XDG_RUNTIME_DIR", nullptr);
        second = Start({}, dir.File("second.err"));
    }
    ASSERT_GT(second, 0);
    int code = -1;
    const bool ended = platform::WaitProcess(second, kExitWaitMs, &code) == platform::WAIT_EXITED;
    if (!ended) {
        kill(second, SIGKILL);
        ExitCode(second);
    }
    EXPECT_TRUE(ended);
    EXPECT_EQ(1, code);
    EXPECT_NE(std::string::npos, ReadFileText(dir.File("second.err"))
                                     .find("Melvane has already been started in another session on this "
                                           "computer."));

    SendClose();
    EXPECT_EQ(0, ExitCode(first));
}

TEST_F(ProgramProcessTest, TerminationSignalsEndItWithStatusZero) {
    for (int signo : {SIGTERM, SIGINT, SIGHUP}) {
        pid_t pid = Start({});
        ASSERT_GT(pid, 0);
        ASSERT_TRUE(WaitUntilListening(pid));
        ASSERT_EQ(0, kill(pid, signo));
        EXPECT_EQ(0, ExitCode(pid)) << signo;
    }
}

TEST_F(ProgramProcessTest, AKilledCopyNeverBlocksTheNextStart) {
    pid_t killed = Start({});
    ASSERT_GT(killed, 0);
    ASSERT_TRUE(WaitUntilListening(killed));
    ASSERT_EQ(0, kill(killed, SIGKILL));
    EXPECT_EQ(128 + SIGKILL, ExitCode(killed));
    struct stat info {};
    ASSERT_EQ(0, lstat(SocketPath().c_str(), &info)); // left behind

    pid_t next = Start({});
    ASSERT_GT(next, 0);
    ASSERT_TRUE(WaitUntilListening(next));
    SendClose();
    EXPECT_EQ(0, ExitCode(next));
}

TEST_F(ProgramProcessTest, SpecialModesEndAtOnce) {
    pid_t check = Start({"/installCheck", "/fp"});
    EXPECT_EQ(100, ExitCode(check));
    // The fingerprint child with no request to read.
    pid_t child = Start({"/fp"});
    EXPECT_EQ(1, ExitCode(child));
    struct stat info {};
    EXPECT_NE(0, lstat((dir.File("run") + "/melvane").c_str(), &info)); // nothing was set up
}

} // namespace
} // namespace uitest
