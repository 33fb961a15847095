#include "ui/RunUi.h"
#include "include/crash/CrashReport.h"
#include "include/text/Utf8.h"
#include "platform/fs/LockFile.h"
#include "platform/net/UnixListener.h"
#include "platform/system/UserName.h"
#include "platform/thread/ThreadId.h"
#include "tests/support/CapturedLog.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/TempDir.h"
#include "tests/ui/FakeCore.h"
#include "tests/ui/LockHolder.h"
#include "tests/ui/ScriptedPresenters.h"
#include "ui/InstanceLocks.h"
#include "ui/MvListener.h"
#include "ui/Resources.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>

extern char** environ;

namespace uitest {
namespace {

using testsupport::ReadFileText;

class RunUiTest : public ::testing::Test {
  protected:
    void SetUp() override { SetHelperPath(Utf8ToWide(MELVANE_FAKE_HELPER)); }

    std::string RuntimeFolder() const { return dir.File("run") + "/melvane"; }
    // Beside the configuration database, which every session of the user shares.
    std::string UserLock() const {
        return UserLockPath(dir.File("data") + "/Melvane", platform::CurrentUserName());
    }
    std::string SocketPath() const { return RuntimeFolder() + "/" + CMvListener::kSocketName; }
    // The tray's "Exit" as soon as the icon is there.
    void ExitFromTray() {
        ui.tray.onAdd = [](const TrayIconData& icon) { icon.owner.Post(WM_COMMAND, ID_APP_EXIT); };
    }
    RunUiResult Run(const std::wstring& commandLine = std::wstring()) {
        return RunUi(commandLine, core, ui.presenters, ShutdownWaits());
    }
    // The reports the fake uploader recorded, one argument list each.
    std::vector<std::vector<std::string>> Reports() const {
        std::vector<std::vector<std::string>> reports(1);
        std::string text = ReadFileText(dir.File("reports"));
        size_t start = 0;
        for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
            std::string line = text.substr(start, end - start);
            if (line == "--")
                reports.emplace_back();
            else
                reports.back().push_back(line);
        }
        reports.pop_back();
        return reports;
    }
    int CountReports(const std::string& summary) const {
        int count = 0;
        for (const auto& report : Reports())
            count += report.size() > 7 && report[7] == summary ? 1 : 0;
        return count;
    }
    // Sends `request` to the listener. When that fails the run is ended
    // another way, so a broken listener fails the test instead of hanging it.
    void SendRequest(IKovikUI* ui, const char* request) {
        int fd = platform::ConnectUnixSocket(SocketPath());
        const ssize_t length = static_cast<ssize_t>(strlen(request));
        const bool sent = fd >= 0 && send(fd, request, static_cast<size_t>(length), MSG_NOSIGNAL) == length;
        if (fd >= 0)
            close(fd);
        if (!sent) {
            ADD_FAILURE() << "could not send '" << request << "' to the listener";
            ui->ShowFatalError(L"listener unreachable");
        }
    }
    // Each line appears once, in this order.
    void ExpectLogInOrder(const std::vector<std::string>& lines) {
        const std::string text = log.Text();
        size_t at = 0;
        for (const std::string& line : lines) {
            size_t found = text.find("(INFO): " + line + "\n", at);
            ASSERT_NE(std::string::npos, found) << line;
            EXPECT_EQ(std::string::npos, text.find("(INFO): " + line + "\n", found + 1)) << line;
            at = found;
        }
    }

    testsupport::TempDir dir;
    testsupport::ScopedEnv runtime{"XDG_RUNTIME_DIR", dir.File("run")};
    testsupport::ScopedEnv data{"XDG_DATA_HOME", dir.File("data")};
    testsupport::ScopedEnv helperOut{"MELVANE_FAKE_HELPER_OUT", dir.File("reports")};
    testsupport::CapturedLog log{dir.WFile("log")};
    FakeCore core;
    ScriptedUi ui;
};

TEST_F(RunUiTest, ShutdownWithACoreThatEndsAtOnce) {
    ExitFromTray();
    RunUiResult result = Run();
    EXPECT_EQ(32774, result.exitCode);
    EXPECT_TRUE(result.coreThreadEnded);
    EXPECT_EQ(1, core.startCoreCalls);
    EXPECT_EQ(1, core.threadStarts);
    EXPECT_TRUE(core.stop.load());
    EXPECT_EQ(std::vector<uint32_t>{15000}, core.waits);
    ExpectLogInOrder({"Returned from loop.Run", "destroyed window", "Finished waiting for thread"});
    EXPECT_FALSE(log.Contains("Initial wait did not work"));
    EXPECT_EQ(0, CountReports("Report: Core Timeout"));
    // The listener's socket is gone with it; the private folder stays.
    struct stat info {};
    EXPECT_NE(0, lstat(SocketPath().c_str(), &info));
    ASSERT_EQ(0, stat(RuntimeFolder().c_str(), &info));
    EXPECT_EQ(0700u, info.st_mode & 0777);
}

TEST_F(RunUiTest, ShutdownWithACoreThatHangsReportsOnceAndGivesUp) {
    core.mode = FakeCore::THREAD_HANGS;
    ExitFromTray();
    RunUiResult result = Run();
    EXPECT_EQ(32774, result.exitCode);
    EXPECT_FALSE(result.coreThreadEnded);
    EXPECT_EQ((std::vector<uint32_t>{15000, 60000}), core.waits);
    ExpectLogInOrder({"Returned from loop.Run", "destroyed window", "Initial wait did not work",
                      "shutdown winsock", "Finished 2nd wait", "Finished waiting for thread"});
    EXPECT_EQ(1, CountReports("Report: Core Timeout"));

    // The still running core may go on telling the UI: dropped, not a crash.
    core.ui->ShowFatalError(L"late");
    auto notice = std::make_unique<PlaylistNotice>();
    notice->title = L"late";
    core.ui->PlaylistSaved(std::move(notice));
    core.ui->SetStatus(1);
    EXPECT_TRUE(ui.messageBox.shown.empty());
}

TEST_F(RunUiTest, InstalledShowsItsBalloonAndReportsFromAnotherThread) {
    struct Case {
        bool hasAccount;
        std::wstring title;
        std::wstring text;
    };
    const Case cases[] = {
        {true, L"Melvane Helper", L"Melvane has been upgraded"},
        {false, L"Melvane Helper Installed",
         L"Click on the icon below to change your shared music folder anytime"},
    };
    for (const Case& c : cases) {
        ScriptedUi fresh;
        core.hasAccount = c.hasAccount;
        fresh.tray.onAdd = [](const TrayIconData& icon) { icon.owner.Post(WM_COMMAND, ID_APP_EXIT); };
        RunUiResult result = RunUi(L"/installed", core, fresh.presenters);
        ASSERT_TRUE(result.reportThread);
        EXPECT_TRUE(WaitThread(result.reportThread, 60000));
        ASSERT_EQ(1u, fresh.tray.balloons.size());
        EXPECT_EQ(c.title, fresh.tray.balloons[0].title);
        EXPECT_EQ(c.text, fresh.tray.balloons[0].text);
        EXPECT_EQ(60000u, fresh.tray.balloons[0].timeoutMs);
    }
    EXPECT_EQ(2, CountReports("Report: Install Launch"));
    for (const auto& report : Reports()) {
        ASSERT_GT(report.size(), 1u);
        EXPECT_NE(std::to_string(platform::CurrentThreadId()), report[1]); // sent from its own thread
    }
}

TEST_F(RunUiTest, WithoutInstalledNoBalloonAndNoReport) {
    ExitFromTray();
    RunUiResult result = Run(L"/startup");
    EXPECT_FALSE(result.reportThread);
    EXPECT_TRUE(ui.tray.balloons.empty());
}

TEST_F(RunUiTest, SessionLockHeldByAnotherProcess) {
    ASSERT_EQ(0, mkdir(dir.File("run").c_str(), 0700));
    ASSERT_EQ(0, mkdir(RuntimeFolder().c_str(), 0700));
    LockHolder holder(SessionLockPath(RuntimeFolder()));
    ASSERT_TRUE(holder.Locked());
    for (const wchar_t* line : {L"", L"/startup"}) {
        ScriptedUi fresh;
        EXPECT_EQ(1, RunUi(line, core, fresh.presenters).exitCode);
        ASSERT_EQ(1u, fresh.messageBox.shown.size());
        EXPECT_EQ(L"Melvane has already been started.  Check for its icon in the system tray by your "
                  L"computer's clock",
                  fresh.messageBox.shown[0].text);
        EXPECT_EQ(L"Error", fresh.messageBox.shown[0].caption);
        EXPECT_EQ(MB_ICONERROR, fresh.messageBox.shown[0].style);
    }
    EXPECT_EQ(0, core.startCoreCalls);
}

TEST_F(RunUiTest, UserLockHeldByAnotherSession) {
    ASSERT_EQ(0, mkdir(dir.File("data").c_str(), 0700));
    ASSERT_EQ(0, mkdir((dir.File("data") + "/Melvane").c_str(), 0700));
    LockHolder holder(UserLock());
    ASSERT_TRUE(holder.Locked());
    for (const wchar_t* line : {L"", L"/startup"}) {
        ScriptedUi fresh;
        // Ends a run that missed the lock instead of hanging the test.
        fresh.tray.onAdd = [](const TrayIconData& icon) { icon.owner.Post(WM_COMMAND, ID_APP_EXIT); };
        EXPECT_EQ(1, RunUi(line, core, fresh.presenters).exitCode);
        if (line[0] != L'\0') {
            EXPECT_TRUE(fresh.messageBox.shown.empty()) << "a log-on start ends silently";
            continue;
        }
        ASSERT_EQ(1u, fresh.messageBox.shown.size());
        EXPECT_EQ(L"Melvane has already been started in another session on this computer.",
                  fresh.messageBox.shown[0].text);
        EXPECT_EQ(L"Error", fresh.messageBox.shown[0].caption);
    }
    EXPECT_EQ(0, core.startCoreCalls);
}

TEST_F(RunUiTest, NoPlaceForTheLocksIsALockFailure) {
    testsupport::WriteFileText(dir.File("not-a-folder"), "x");
    testsupport::ScopedEnv badRuntime("XDG_RUNTIME_DIR", dir.File("not-a-folder"));
    EXPECT_EQ(1, Run().exitCode);
    ASSERT_EQ(1u, ui.messageBox.shown.size());
    EXPECT_EQ(L"CreateMutex failed on startup", ui.messageBox.shown[0].text);
    EXPECT_EQ(0, core.startCoreCalls);
}

TEST_F(RunUiTest, LocksAreFreeAfterTheRunAndNoChildInheritsThem) {
    // A child started while the locks are held, the plain way (no descriptor
    // clean-up), so that only close-on-exec keeps the locks from it. It blocks
    // on its input until the test ends it. posix_spawn may return before the
    // child's close-on-exec descriptors are closed; its echo shows it is past
    // that point.
    int input[2];
    int output[2];
    ASSERT_EQ(0, pipe2(input, O_CLOEXEC));
    ASSERT_EQ(0, pipe2(output, O_CLOEXEC));
    pid_t child = -1;
    bool echoed = false;
    ui.tray.onAdd = [&](const TrayIconData& icon) {
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, input[0], STDIN_FILENO);
        posix_spawn_file_actions_adddup2(&actions, output[1], STDOUT_FILENO);
        char* const argv[] = {const_cast<char*>("cat"), nullptr};
        EXPECT_EQ(0, posix_spawn(&child, "/bin/cat", &actions, nullptr, argv, environ));
        posix_spawn_file_actions_destroy(&actions);
        close(input[0]);
        close(output[1]);
        char byte = 0;
        echoed = write(input[1], "x", 1) == 1 && read(output[0], &byte, 1) == 1 && byte == 'x';
        icon.owner.Post(WM_COMMAND, ID_APP_EXIT);
    };
    EXPECT_EQ(32774, Run().exitCode);
    ASSERT_GT(child, 0);
    EXPECT_TRUE(echoed);
    platform::LockFile session;
    platform::LockFile user;
    int error = 0;
    EXPECT_EQ(platform::LOCK_ACQUIRED, session.Acquire(SessionLockPath(RuntimeFolder()), &error));
    EXPECT_EQ(platform::LOCK_ACQUIRED, user.Acquire(UserLock(), &error));
    close(input[1]);
    close(output[0]);
    int status = 0;
    waitpid(child, &status, 0);
}

class RunUiCloseTest : public RunUiTest {};

TEST_F(RunUiCloseTest, ListenerCloseEndsTheProgramInOrder) {
    core.onStartCore = [this](IKovikUI* ui) { SendRequest(ui, "close\n"); };
    RunUiResult result = Run();
    EXPECT_EQ(0, result.exitCode);
    EXPECT_TRUE(core.stop.load());
    ExpectLogInOrder({"Listener: close requested", "Returned from loop.Run", "destroyed window",
                      "Finished waiting for thread"});
}

TEST_F(RunUiCloseTest, OtherRequestsAndSilentClientsCloseNothing) {
    core.onStartCore = [this](IKovikUI* ui) {
        int silent = platform::ConnectUnixSocket(SocketPath());
        for (const char* text : {"open\n", "closed\n", "xclose\n"})
            SendRequest(ui, text);
        SendRequest(ui, "close"); // no line end needed
        close(silent);
    };
    EXPECT_EQ(0, Run().exitCode);
    const std::string text = log.Text();
    size_t first = text.find("Listener: close requested");
    ASSERT_NE(std::string::npos, first);
    EXPECT_EQ(std::string::npos, text.find("Listener: close requested", first + 1));
}

TEST_F(RunUiCloseTest, ShowFoldersOpensTheDialogOnce) {
    IKovikUI* poster = nullptr;
    core.onStartCore = [&](IKovikUI* ui) {
        poster = ui;
        SendRequest(ui, "show-folders-now\n");
        SendRequest(ui, "show-folders\n");
    };
    ui.folders.whileOpen = [&](MessageLoop&) { SendRequest(poster, "close\n"); };
    EXPECT_EQ(0, Run().exitCode);
    EXPECT_EQ(1, ui.folders.runs);
}

TEST_F(RunUiCloseTest, TerminationSignalsTakeTheSameWay) {
    struct sigaction before {};
    sigaction(SIGTERM, nullptr, &before);
    for (int signo : {SIGTERM, SIGINT, SIGHUP}) {
        FakeCore fresh;
        fresh.onStartCore = [signo](IKovikUI*) { raise(signo); };
        RunUiResult result = RunUi(L"", fresh, ui.presenters);
        EXPECT_EQ(0, result.exitCode) << signo;
        EXPECT_TRUE(fresh.stop.load());
    }
    struct sigaction after {};
    sigaction(SIGTERM, nullptr, &after);
    EXPECT_EQ(before.sa_handler, after.sa_handler);
}

TEST_F(RunUiCloseTest, AStaleSocketFileDoesNotBlockAStart) {
    ASSERT_EQ(0, mkdir(dir.File("run").c_str(), 0700));
    ASSERT_EQ(0, mkdir(RuntimeFolder().c_str(), 0700));
    {
        // Bound and never removed, as a killed copy leaves it.
        int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        strcpy(address.sun_path, SocketPath().c_str());
        ASSERT_EQ(0, bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address));
        close(fd);
    }
    core.onStartCore = [this](IKovikUI* ui) { SendRequest(ui, "close\n"); };
    EXPECT_EQ(0, Run().exitCode);
}

TEST_F(RunUiCloseTest, AnotherUsersCloseIsRefused) {
    if (geteuid() != 0)
        GTEST_SKIP() << "needs root to act as another user";
    int childStatus = -1;
    core.onStartCore = [this, &childStatus](IKovikUI* ui) {
        // Let another user reach the socket, so only the peer check stands.
        for (const std::string& folder : {dir.Path(), dir.File("run"), RuntimeFolder()})
            chmod(folder.c_str(), 0755);
        chmod(SocketPath().c_str(), 0777);
        const std::string path = SocketPath();
        pid_t child = fork();
        if (child == 0) {
            if (setuid(65534) != 0)
                _exit(3);
            sockaddr_un address{};
            address.sun_family = AF_UNIX;
            strcpy(address.sun_path, path.c_str());
            int fd = socket(AF_UNIX, SOCK_STREAM, 0);
            if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0)
                _exit(4);
            if (send(fd, "close\n", 6, MSG_NOSIGNAL) != 6)
                _exit(5);
            _exit(0);
        }
        waitpid(child, &childStatus, 0);
        // Our own close comes after it, whatever happened there.
        SendRequest(ui, "close\n");
    };
    EXPECT_EQ(0, Run().exitCode);
    ASSERT_TRUE(WIFEXITED(childStatus));
    ASSERT_EQ(0, WEXITSTATUS(childStatus));
    EXPECT_TRUE(log.Contains("Listener: refused a connection from user 65534"));
}

} // namespace
} // namespace uitest
