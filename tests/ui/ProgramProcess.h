// The built program, started as its own process with private XDG folders and
// a stored account whose server is a closed local port.
#pragma once

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
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

extern char** environ;

namespace uitest {

constexpr uint32_t kExitWaitMs = 60000;

class ProgramProcess : public ::testing::Test {
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

    void TearDown() override { EndUploaders(); }

    // The summaries of the uploaders still sending reports of this test's
    // programs (their log is in the test's folder), which are then ended:
    // they outlive the program, retrying an endpoint that is gone.
    std::vector<std::string> EndUploaders() {
        constexpr size_t kUploaderArgs = 9;
        constexpr size_t kLogPathArg = 5;
        std::vector<std::string> summaries;
        std::error_code error;
        for (const auto& entry : std::filesystem::directory_iterator("/proc", error)) {
            const std::string pid = entry.path().filename();
            if (pid.find_first_not_of("0123456789") != std::string::npos)
                continue;
            std::istringstream cmdline(testsupport::ReadFileText(entry.path() / "cmdline"));
            std::vector<std::string> args;
            for (std::string arg; std::getline(cmdline, arg, '\0');)
                args.push_back(arg);
            if (args.size() != kUploaderArgs || args[kLogPathArg].rfind(dir.Path() + "/", 0) != 0)
                continue;
            summaries.push_back(args.back());
            kill(std::stoi(pid), SIGKILL);
        }
        return summaries;
    }

    // Starts the program with `args`; its standard error goes to `errFile`.
    pid_t Start(const std::vector<std::string>& args, const std::string& errFile = "/dev/null") {
        std::vector<char*> argv;
        std::string program = programPath;
        argv.push_back(program.data());
        std::vector<std::string> copies = args;
        for (std::string& arg : copies)
            argv.push_back(arg.data());
        argv.push_back(nullptr);

        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
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
    void SendRequest(const std::string& line) {
        int fd = platform::ConnectUnixSocket(SocketPath());
        ASSERT_GE(fd, 0);
        const std::string text = line + "\n";
        ASSERT_EQ(static_cast<ssize_t>(text.size()), send(fd, text.data(), text.size(), MSG_NOSIGNAL));
        close(fd);
    }
    void SendClose() { SendRequest("close"); }

    // The program Start runs.
    std::string programPath = MELVANE_PROGRAM;
    testsupport::TempDir dir;
    testsupport::LocalHttpEndpoint crashEndpoint;
    testsupport::ScopedEnv crashUrl{"MELVANE_CRASH_URL", crashEndpoint.Url("/api/crash.php")};
    testsupport::ScopedEnv runtime{"XDG_RUNTIME_DIR", dir.File("run")};
    testsupport::ScopedEnv data{"XDG_DATA_HOME", dir.File("data")};
    testsupport::ScopedEnv cache{"XDG_CACHE_HOME", dir.File("cache")};
    testsupport::ScopedEnv home{"HOME", dir.Path()};
    testsupport::ScopedEnv redirector{"MELVANE_REDIRECTOR", "127.0.0.1:9"};
    testsupport::ScopedEnv tls{"MELVANE_TLS", "off"};
};

} // namespace uitest
