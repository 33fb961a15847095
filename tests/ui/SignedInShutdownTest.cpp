// The program as an installer leaves it: a copy with the uploader and the
// one-time login file beside it, signing in to the test server. Its crash
// endpoint cannot be reached, so every uploader it starts goes on retrying.
#include "tests/support/testserver/TestServer.h"
#include "tests/ui/ProgramProcess.h"

#include <algorithm>
#include <filesystem>

namespace uitest {
namespace {

constexpr uint32_t kOneTimeSignInOk = 16;
// How long a stopped program may take: the core's own shutdown, not a wait
// for an upload.
constexpr uint32_t kStopBoundMs = 5000;

// A hard link where it can be made (the program's folder is where it was
// started from), else a copy.
void PlaceProgram(const std::string& from, const std::string& to) {
    std::error_code error;
    std::filesystem::create_hard_link(from, to, error);
    if (error)
        std::filesystem::copy_file(from, to);
}

class SignedInShutdownTest : public ProgramProcess {
  protected:
    void SetUp() override {
        ProgramProcess::SetUp();
        ASSERT_EQ(0, mkdir(dir.File("bin").c_str(), 0700));
        programPath = dir.File("bin/Melvane");
        PlaceProgram(MELVANE_PROGRAM, programPath);
        PlaceProgram(MELVANE_HELPER_PROGRAM, m_helperPath);
        testsupport::WriteFileText(m_oneTimePath, "listener\none-time-secret\n");
    }
    void TearDown() override {
        if (m_pid > 0) {
            kill(m_pid, SIGKILL);
            ExitCode(m_pid);
        }
        ProgramProcess::TearDown();
    }

    std::string m_helperPath = dir.File("bin/Melvane-Helper");
    std::string m_oneTimePath = dir.File("bin/onetime");
    // The program while it may still run.
    pid_t m_pid = -1;
    testsupport::ScopedEnv m_ui{"MELVANE_UI", "headless"};
};

TEST_F(SignedInShutdownTest, TerminationSoonAfterAOneTimeSignInEndsAtOnceWithoutACoreTimeout) {
    testsupport::TestServerOptions options;
    options.useTls = false;
    options.checkSessionSerial = false;
    options.replies.accountCheckStatus = kOneTimeSignInOk;
    options.replies.accountCheckText = "credential";
    testsupport::TestServer server(options);
    ASSERT_TRUE(server.Start());
    testsupport::ScopedEnv toServer("MELVANE_REDIRECTOR",
                                    "127.0.0.1:" + std::to_string(server.RedirectorPort()));
    testsupport::LocalHttpEndpoint unreachable;
    unreachable.Close();
    testsupport::ScopedEnv crashUrl("MELVANE_CRASH_URL", unreachable.Url("/api/crash.php"));

    m_pid = Start({}, dir.File("program.err"));
    ASSERT_GT(m_pid, 0);
    // The file goes once the server has taken the one-time secret.
    ASSERT_TRUE(testsupport::WaitUntil([this] { return access(m_oneTimePath.c_str(), F_OK) != 0; }));
    ASSERT_EQ(0, kill(m_pid, SIGTERM));

    int code = -1;
    ASSERT_EQ(platform::WAIT_EXITED, platform::WaitProcess(m_pid, kStopBoundMs, &code))
        << "still running " << kStopBoundMs << " ms after SIGTERM";
    m_pid = -1;
    EXPECT_EQ(0, code);
    const std::vector<std::string> reports = EndUploaders();
    auto sent = [&reports](const std::string& summary) {
        return std::find(reports.begin(), reports.end(), summary) != reports.end();
    };
    EXPECT_TRUE(sent("Report: Stats")) << "the run's statistics were not reported";
    EXPECT_FALSE(sent("Report: Core Timeout"));
}

} // namespace
} // namespace uitest
