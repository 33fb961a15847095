#include "include/process/RunProcess.h"

#include "include/text/Utf8.h"
#include "tests/support/CapturedLog.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/StdinGate.h"
#include "tests/support/TempDir.h"
#include "tests/support/WaitUntil.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <string>

using testsupport::ReadFileText;
using testsupport::ScopedEnv;
using testsupport::TempDir;
using testsupport::WaitUntil;

namespace {

struct Outcome {
    bool launchFailed = true;
    bool exited = true;
    uint32_t exitCode = 12345;
};

Outcome RunArgs(const std::vector<std::wstring>& args, uint32_t waitSeconds) {
    Outcome o;
    RunProcess(args, waitSeconds, o.launchFailed, o.exited, o.exitCode);
    return o;
}

Outcome RunShell(const std::string& script, uint32_t waitSeconds) {
    return RunArgs({L"/bin/sh", L"-c", Utf8ToWide(script)}, waitSeconds);
}

// The state letter of a process in /proc ('Z' for a zombie), or 0 when gone.
char ProcessState(int pid) {
    std::string stat = ReadFileText("/proc/" + std::to_string(pid) + "/stat");
    size_t close = stat.rfind(')');
    return close == std::string::npos || close + 2 >= stat.size() ? 0 : stat[close + 2];
}

} // namespace

TEST(RunProcessTest, OutcomesAndTheirLogLines) {
    struct Case {
        std::vector<std::wstring> args;
        Outcome expected;
        const char* logged;
    };
    const Case cases[] = {
        {{L"/bin/sh", L"-c", L"exit 3"},
         {false, true, 3},
         "ran /bin/sh -c \"exit 3\", res 1, err 0, launchFailed: 0, exited: 1, exitCode: 3\n"},
        {{L"/bin/sh", L"-c", L"kill -TERM $$"},
         {false, true, 128 + SIGTERM},
         "ran /bin/sh -c \"kill -TERM $$\", res 1, err 0, launchFailed: 0, exited: 1, exitCode: 143\n"},
        {{L"/nonexistent/program", L"arg"},
         {true, false, 0},
         "ran /nonexistent/program arg, res 0, err 2, launchFailed: 1, exited: 0, exitCode: 0\n"},
    };
    for (const Case& c : cases) {
        testsupport::CapturedLog log;
        Outcome o = RunArgs(c.args, 20);
        EXPECT_EQ(c.expected.launchFailed, o.launchFailed) << c.logged;
        EXPECT_EQ(c.expected.exited, o.exited) << c.logged;
        EXPECT_EQ(c.expected.exitCode, o.exitCode) << c.logged;
        EXPECT_TRUE(log.Contains(std::string("(INFO): ") + c.logged)) << log.Text();
    }
}

TEST(RunProcessTest, ChildOutlivingItsWaitKeepsRunningAndIsReapedWhenItEnds) {
    TempDir dir;
    // The child notes its id, then blocks on its standard input: the gate.
    const std::string script = "echo $$ > '" + dir.File("pid") + "'; read line";
    for (uint32_t waitSeconds : {0u, 1u}) {
        unlink(dir.File("pid").c_str());
        testsupport::StdinGate gate;
        ASSERT_TRUE(gate.Ok());
        Outcome o = RunShell(script, waitSeconds);
        gate.Uninstall();
        EXPECT_FALSE(o.launchFailed);
        EXPECT_FALSE(o.exited);
        EXPECT_EQ(0u, o.exitCode);

        std::string pidLine;
        ASSERT_TRUE(WaitUntil([&] {
            pidLine = ReadFileText(dir.File("pid"));
            return !pidLine.empty() && pidLine.back() == '\n';
        })) << "the child never started";
        const int pid = std::atoi(pidLine.c_str());
        ASSERT_GT(pid, 0);
        char state = ProcessState(pid);
        EXPECT_TRUE(state != 0 && state != 'Z') << "the child still runs, state " << state;

        gate.Release();
        EXPECT_TRUE(WaitUntil([&] { return ProcessState(pid) == 0; })) << "the ended child is reaped";
    }
}

TEST(RunProcessTest, ChildInheritsNoDescriptors) {
    TempDir dir;
    ScopedEnv out("MELVANE_FAKE_HELPER_OUT", dir.File("out"));
    // Both made without close-on-exec on purpose.
    int sock = socket(AF_INET, SOCK_STREAM, 0);
    ASSERT_GE(sock, 0);
    ASSERT_EQ(0, fcntl(sock, F_GETFD) & FD_CLOEXEC);
    int fds[2];
    ASSERT_EQ(0, pipe(fds));

    Outcome o = RunArgs({Utf8ToWide(MELVANE_FAKE_HELPER), L"two words", L"caf\u00e9", L""}, 20);
    close(sock);
    close(fds[0]);
    close(fds[1]);
    EXPECT_TRUE(o.exited);
    EXPECT_EQ("two words\ncaf\xC3\xA9\n\n--\n", ReadFileText(dir.File("out")));
}

TEST(RunProcessTest, CommandLineForLogsQuotesOnlyWhereNeeded) {
    EXPECT_EQ(L"/bin/prog plain \"two words\" \"\" \"say\"hi\" \"tab\there\"",
              FormatCommandLine({L"/bin/prog", L"plain", L"two words", L"", L"say\"hi", L"tab\there"}));
    EXPECT_EQ(L"", FormatCommandLine({}));
}
