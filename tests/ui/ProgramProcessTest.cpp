// The built program, started as its own process with private XDG folders.
#include "platform/net/UnixListener.h"
#include "platform/process/Spawn.h"
#include "tests/support/LocalHttpEndpoint.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/TempDir.h"
#include "tests/support/WaitUntil.h"
#include "ui/MvListener.h"

#include <gtest/gtest.h>

#include <sqlite3.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <string>
#include <vector>

extern char** environ;

namespace {

using testsupport::ReadFileText;

constexpr uint32_t kExitWaitMs = 60000;

class ProgramProcessTest : public ::testing::Test {
  protected:
    // A stored account, so the program runs instead of asking to be
    // installed again; its server is a closed local port. Its reports (the
    // statistics at exit) go to a local endpoint that takes them at once.
    void SetUp() override {
        crashEndpoint.Serve("/api/crash.php", testsupport::HttpAnswer::Status(200));
        const std::string config = dir.File("data") + "/Melvane";
        ASSERT_EQ(0, mkdir(dir.File("data").c_str(), 0700));
        ASSERT_EQ(0, mkdir(config.c_str(), 0700));
        sqlite3* db = nullptr;
        ASSERT_EQ(SQLITE_OK, sqlite3_open((config + "/mv.dat").c_str(), &db));
        const int rc =
            sqlite3_exec(db,
                         "create table Accounts_v2 (username TEXT primary key, password TEXT, token "
                         "TEXT ); insert into Accounts_v2 values ('alice', 'x', '');",
                         nullptr, nullptr, nullptr);
        sqlite3_close(db);
        ASSERT_EQ(SQLITE_OK, rc);
    }

    // Starts the program with `args`; its standard error goes to `errFile`.
    pid_t Start(const std::vector<std::string>& args, const std::string& errFile = "/dev/null") {
        std::vector<char*> argv;
        std::string program = MELVANE_PROGRAM;
        argv.push_back(program.data());
        std::vector<std::string> copies = args;
        for (std::string& arg : copies)
            argv.push_back(arg.data());
        argv.push_back(nullptr);

        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, errFile.c_str(),
                                         O_WRONLY | O_CREAT | O_APPEND, 0600);
        posix_spawn_file_actions_addclosefrom_np(&actions, STDERR_FILENO + 1);
        posix_spawnattr_t attr;
        posix_spawnattr_init(&attr);
        sigset_t all;
        sigfillset(&all);
        sigset_t none;
        sigemptyset(&none);
        posix_spawnattr_setsigdefault(&attr, &all);
        posix_spawnattr_setsigmask(&attr, &none);
        posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);
        pid_t pid = -1;
        if (posix_spawn(&pid, program.c_str(), &actions, &attr, argv.data(), environ) != 0)
            pid = -1;
        posix_spawn_file_actions_destroy(&actions);
        posix_spawnattr_destroy(&attr);
        return pid;
    }
    std::string SocketPath() const { return dir.File("run") + "/melvane/" + CMvListener::kSocketName; }
    // Waits until the program listens (a start takes a moment); false when
    // it ended first or never got there.
    bool WaitUntilListening(pid_t pid) {
        bool listening = false;
        (void)testsupport::WaitUntil(
            [&] {
                int fd = platform::ConnectUnixSocket(SocketPath());
                if (fd >= 0) {
                    close(fd);
                    listening = true;
                    return true;
                }
                int code = 0;
                return platform::WaitProcess(pid, 0, &code) == platform::WAIT_EXITED;
            },
            testsupport::kWaitTimeout, std::chrono::milliseconds(10));
        return listening;
    }
    int ExitCode(pid_t pid) {
        int code = -1;
        EXPECT_EQ(platform::WAIT_EXITED, platform::WaitProcess(pid, kExitWaitMs, &code));
        return code;
    }
    void SendClose() {
        int fd = platform::ConnectUnixSocket(SocketPath());
        ASSERT_GE(fd, 0);
        ASSERT_EQ(6, send(fd, "close\n", 6, MSG_NOSIGNAL));
        close(fd);
    }

    testsupport::TempDir dir;
    testsupport::LocalHttpEndpoint crashEndpoint;
    testsupport::ScopedEnv crashUrl{"MELVANE_CRASH_URL", crashEndpoint.Url("/api/crash.php")};
    testsupport::ScopedEnv runtime{"XDG_RUNTIME_DIR", dir.File("run")};
    testsupport::ScopedEnv data{"XDG_DATA_HOME", dir.File("data")};
    testsupport::ScopedEnv cache{"XDG_CACHE_HOME", dir.File("cache")};
    testsupport::ScopedEnv home{"HOME", dir.Path()};
    testsupport::ScopedEnv redirector{"MELVANE_REDIRECTOR", "127.0.0.1:9"};
    testsupport::ScopedEnv tls{"MELVANE_TLS", "off"};
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
    pid_t child = Start({"/fp"});
    EXPECT_EQ(0, ExitCode(child));
    struct stat info {};
    EXPECT_NE(0, lstat((dir.File("run") + "/melvane").c_str(), &info)); // nothing was set up
}

} // namespace
