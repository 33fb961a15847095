#include "include/crash/CrashReport.h"

#include "include/crash/Assert.h"
#include "include/fs/FileCmds.h"
#include "include/log/Logger.h"
#include "include/text/Utf8.h"
#include "include/thread/Threads.h"
#include "platform/system/ExePath.h"
#include "platform/time/Clock.h"
#include "tests/support/CapturedLog.h"
#include "tests/support/DeathTestDir.h"
#include "tests/support/ManualClock.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/StdinGate.h"
#include "tests/support/TempDir.h"
#include "tests/support/WaitUntil.h"

#include <gtest/gtest.h>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <csignal>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#if defined(__SANITIZE_ADDRESS__)
// The crash tests need the program's own SIGSEGV handler, which
// AddressSanitizer only lets a program install when told so.
extern "C" const char* __asan_default_options() {
    return "allow_user_segv_handler=1";
}
#endif

using testsupport::ReadFileText;
using testsupport::ScopedEnv;
using testsupport::TempDir;
using testsupport::WriteFileText;

namespace {

constexpr char kHelperOutEnv[] = "MELVANE_FAKE_HELPER_OUT";
constexpr char kHelperSleepEnv[] = "MELVANE_FAKE_HELPER_SLEEP_MS";
constexpr char kHelperWaitEnv[] = "MELVANE_FAKE_HELPER_WAIT_STDIN";
constexpr char kHelperExitEnv[] = "MELVANE_FAKE_HELPER_EXIT";
constexpr char kHelperLingerEnv[] = "MELVANE_FAKE_HELPER_LINGER";

// The arguments of each run of the fake helper, with its notes.
std::vector<std::vector<std::string>> ReadHelperRuns(const std::string& outPath) {
    std::vector<std::vector<std::string>> runs;
    std::istringstream text(ReadFileText(outPath));
    std::vector<std::string> current;
    std::string line;
    while (std::getline(text, line)) {
        if (line == "--") {
            runs.push_back(current);
            current.clear();
        } else {
            current.push_back(line);
        }
    }
    return runs;
}

std::string ThisThreadId() {
    return std::to_string(GetCurrentThreadIdValue());
}

// The one "Spent … ms sending report to cloud" line of `log`, from "Spent".
std::string SpentLine(const std::string& log) {
    size_t start = log.find("Spent ");
    if (start == std::string::npos)
        return std::string();
    return log.substr(start, log.find('\n', start) + 1 - start);
}

void ExpectSpentLine(const std::string& log, int launchFailed, int exited, int exitCode) {
    std::regex expected(
        "Spent [0-9]+ ms sending report to cloud, launchFailed: " + std::to_string(launchFailed) +
        ", exited: " + std::to_string(exited) + ", exitCode: " + std::to_string(exitCode) + "\n");
    EXPECT_TRUE(std::regex_match(SpentLine(log), expected)) << log;
}

// A logger for a death test's child; it lives until that process ends.
void UseChildLogger(const std::string& path, bool logToFile) {
    auto* logger = new Logger();
    logger->Init(logToFile, 65536, Utf8ToWide(path), 1 << 20);
    g_logger = logger;
}

constexpr int kAssertLine = __LINE__ + 2;
void FailAnAssertion() {
    MV_ASSERT(1 + 1 == 3);
}

// The crash itself, hidden from the sanitizers so that the signal happens.
__attribute__((no_sanitize("address", "undefined"))) void WriteThroughNull(void*) {
    volatile int* volatile target = nullptr;
    *target = 1;
}

struct SecondFailure {
    SecondFailure(std::string log, std::string record)
        : logPath(std::move(log)), recordPath(std::move(record)) {}
    std::string logPath;
    std::string recordPath;
    // Holds the first report's helper until the second failure is recorded.
    testsupport::StdinGate helperGate;
};

// Waits until the first failure's report is under way (its log file exists
// only then), fails an assertion itself, records what that returned and only
// then lets the first report's helper end.
void FailWhileAReportRuns(void* argument) {
    auto* second = static_cast<SecondFailure*>(argument);
    if (!testsupport::WaitUntil([second] { return access(second->logPath.c_str(), F_OK) == 0; })) {
        WriteFileText(second->recordPath, "the first report never started");
    } else {
        bool returned = AssertFailed(L"second", __FILE__, __LINE__);
        WriteFileText(second->recordPath, returned ? "returned true" : "returned false");
    }
    second->helperGate.Release();
}

class CrashReportTest : public ::testing::Test {
  protected:
    void SetUp() override { SetHelperPath(Utf8ToWide(MELVANE_FAKE_HELPER)); }
    void TearDown() override {
        SetReportId(L"(unknown)");
        EnableCrashReports(true);
    }

    std::vector<std::string> OnlyRun() {
        auto runs = ReadHelperRuns(m_out);
        EXPECT_EQ(1u, runs.size());
        return runs.empty() ? std::vector<std::string>() : runs[0];
    }

    TempDir m_dir;
    std::string m_out = m_dir.File("helper.out");
    std::string m_logPath = m_dir.File("log");
    ScopedEnv m_outEnv{kHelperOutEnv, m_out};
    ScopedEnv m_sleepEnv{kHelperSleepEnv, nullptr};
    ScopedEnv m_exitEnv{kHelperExitEnv, nullptr};
    ScopedEnv m_lingerEnv{kHelperLingerEnv, nullptr};
    testsupport::CapturedLog m_log{Utf8ToWide(m_logPath)};
};

} // namespace

TEST_F(CrashReportTest, InfoReportPassesProcessIdZeroAndItsLogWhileTheHelperRuns) {
    m_log.GetLogger().Log(LOG_INFO, "x.cpp", 1, "something before the report");
    SendReport(L"disk full", REPORT_INFO);
    const std::vector<std::string> expected = {
        "0",         ThisThreadId(),      "0",           platform::ExecutablePath(), m_logPath, "32768",
        "(unknown)", "Report: disk full", "log-exists=1"};
    EXPECT_EQ(expected, OnlyRun());
    EXPECT_FALSE(fileExists(Utf8ToWide(m_logPath))) << "the log written for the helper is deleted afterwards";
}

TEST_F(CrashReportTest, FailureAndUpgradeReportsPassTheRealProcessId) {
    SendReport(L"one", REPORT_FAILURE);
    SendReport(L"four", REPORT_UPGRADE);
    auto runs = ReadHelperRuns(m_out);
    ASSERT_EQ(2u, runs.size());
    for (const auto& run : runs) {
        ASSERT_GE(run.size(), 8u);
        EXPECT_EQ(std::to_string(getpid()), run[0]);
        EXPECT_EQ(ThisThreadId(), run[1]);
    }
    EXPECT_EQ("Report: one", runs[0][7]);
    EXPECT_EQ("Report: four", runs[1][7]);
}

TEST_F(CrashReportTest, ReportIdAndSummaryArriveWholeWithQuotesAndNonAscii) {
    SetReportId(L"o\"neil \u00e9");
    SendReport(L"say \"hi\" \u266b", REPORT_INFO);
    std::vector<std::string> run = OnlyRun();
    ASSERT_GE(run.size(), 8u);
    EXPECT_EQ("o\"neil \xC3\xA9", run[6]);
    EXPECT_EQ("Report: say \"hi\" \xE2\x99\xAB", run[7]);
}

TEST_F(CrashReportTest, CommandLineIsLoggedAtErrInItsFixedShape) {
    SetReportId(L"user\"x");
    SendReport(L"shape", REPORT_FAILURE);
    std::string expected = std::string("(ERR): \"") + MELVANE_FAKE_HELPER + "\" " + std::to_string(getpid()) +
                           "  " + ThisThreadId() + "  0  \"" + platform::ExecutablePath() + "\" \"" +
                           m_logPath + "\" 32768 \"user\"x\" \"Report: shape\"\n";
    EXPECT_TRUE(m_log.Contains(expected)) << m_log.Text();
}

TEST_F(CrashReportTest, RanAndSpentLinesReportTheHelpersExitCode) {
    ScopedEnv exitCode(kHelperExitEnv, "3");
    SendReport(L"exit three", REPORT_INFO);
    std::string log = m_log.Text();
    ExpectSpentLine(log, 0, 1, 3);
    // The command line is quoted within one "ran" line.
    EXPECT_NE(std::string::npos, log.find("\"Report: exit three\", res 1, err 0, launchFailed: 0, exited: 1, "
                                          "exitCode: 3\n"))
        << log;
}

TEST_F(CrashReportTest, HelperThatHasItsCopiesHoldsTheReportNoLonger) {
    // The helper stays, as the real one does while its endpoint cannot be
    // reached, until the gate opens after the report has returned.
    testsupport::StdinGate gate;
    ASSERT_TRUE(gate.Ok());
    ScopedEnv linger(kHelperLingerEnv, "1");
    std::atomic<bool> returned{false};
    std::thread reporter([&returned] {
        SendReport(L"Stats", REPORT_INFO);
        returned.store(true);
    });
    const bool returnedWhileHelperStayed = testsupport::WaitUntil([&returned] { return returned.load(); });
    // Informational reports do not pile up uploaders: four may be at work.
    for (int i = 0; i < 4 && returnedWhileHelperStayed; ++i)
        SendReport(L"App Report", REPORT_INFO);
    EXPECT_EQ(4u, ReadHelperRuns(m_out).size());
    EXPECT_NE(
        std::string::npos,
        m_log.Text().find("Not sending report 'Report: App Report': 4 earlier reports are still being sent"));
    gate.Release();
    reporter.join();
    EXPECT_TRUE(returnedWhileHelperStayed) << "the report waited for the helper's end";
    ExpectSpentLine(m_log.Text(), 0, 0, 0);
    EXPECT_FALSE(fileExists(Utf8ToWide(m_logPath)));
    // Once they have ended, reports go out again.
    EXPECT_TRUE(testsupport::WaitUntil([this] {
        SendReport(L"later", REPORT_INFO);
        return ReadHelperRuns(m_out).size() == 5u;
    }));
}

TEST_F(CrashReportTest, MissingHelperCountsAsLaunchFailedAndTheLogIsStillRemoved) {
    SetHelperPath(m_dir.WFile("no-such-helper"));
    SendReport(L"nobody listens", REPORT_INFO);
    ExpectSpentLine(m_log.Text(), 1, 0, 0);
    EXPECT_TRUE(ReadHelperRuns(m_out).empty());
    EXPECT_FALSE(fileExists(Utf8ToWide(m_logPath)));
}

TEST_F(CrashReportTest, HelperInheritsNoDescriptors) {
    // Made without close-on-exec on purpose: the helper must still not get it.
    int sock = socket(AF_INET, SOCK_STREAM, 0);
    ASSERT_GE(sock, 0);
    SendReport(L"fds", REPORT_INFO);
    close(sock);
    for (const std::string& line : OnlyRun())
        EXPECT_EQ(std::string::npos, line.find("inherited-fd")) << line;
}

TEST_F(CrashReportTest, NothingIsSentWhenReportsAreDisabledOrLoggingIsOff) {
    EnableCrashReports(false);
    SendReport(L"disabled", REPORT_INFO);
    EnableCrashReports(true);
    Logger* saved = g_logger;
    g_logger = nullptr;
    SendReport(L"no logger", REPORT_INFO);
    g_logger = saved;
    EXPECT_TRUE(ReadHelperRuns(m_out).empty());
    EXPECT_EQ("", m_log.Text());
}

class CrashReportDeathTest : public ::testing::Test {
  protected:
    void SetUp() override { GTEST_FLAG_SET(death_test_style, "threadsafe"); }

    testsupport::DeathTestDir m_dir;
    std::string m_out = m_dir.File("helper.out");
    std::string m_logPath = m_dir.File("log");
    ScopedEnv m_outEnv{kHelperOutEnv, m_out};
    ScopedEnv m_sleepEnv{kHelperSleepEnv, nullptr};
    ScopedEnv m_exitEnv{kHelperExitEnv, nullptr};
};

TEST_F(CrashReportDeathTest, FailedAssertionLogsReportsAndExitsWithCodeOne) {
    EXPECT_EXIT(
        {
            UseChildLogger(m_logPath, true);
            SetHelperPath(Utf8ToWide(MELVANE_FAKE_HELPER));
            FailAnAssertion();
        },
        ::testing::ExitedWithCode(1), "");

    auto runs = ReadHelperRuns(m_out);
    ASSERT_EQ(1u, runs.size());
    const std::vector<std::string>& run = runs[0];
    ASSERT_EQ(9u, run.size());
    const std::string summary = "Assert: 1 + 1 == 3 at CrashReportTest.cpp:" + std::to_string(kAssertLine);
    EXPECT_NE("0", run[0]);
    EXPECT_EQ("0", run[2]);
    EXPECT_EQ(platform::ExecutablePath(), run[3]);
    EXPECT_EQ(m_logPath, run[4]);
    EXPECT_EQ(summary, run[7]);
    EXPECT_EQ("log-exists=1", run[8]);

    std::string log = ReadFileText(m_logPath);
    EXPECT_NE(std::string::npos, log.find("(CRIT): Assertion: 1 + 1 == 3 at " + std::string(__FILE__) + ":" +
                                          std::to_string(kAssertLine) + "\n"))
        << log;
    EXPECT_NE(std::string::npos, log.find("(ERR): \"" + std::string(MELVANE_FAKE_HELPER) + "\" " + run[0] +
                                          "  " + run[1] + "  0  \"" + run[3] + "\" \"" + m_logPath +
                                          "\" 32768 \"(unknown)\" \"" + summary + "\"\n"))
        << log;
    ExpectSpentLine(log, 0, 1, 0);
}

TEST_F(CrashReportDeathTest, CrashInAThreadIsReportedAndEndsTheProcessBySignal) {
    EXPECT_EXIT(
        {
            static testsupport::ManualClock clock;
            UseChildLogger(m_logPath, true);
            SetHelperPath(Utf8ToWide(MELVANE_FAKE_HELPER));
            InstallCrashHandlers();
            MVLOG(LOG_INFO, "before the crash");
            // The day's file is due to start afresh: the crash path keeps it.
            clock.SetWallMillis((platform::NextLocalMidnight(clock.WallSeconds()) + 60) * 1000);
            ThreadHandle thread;
            if (StartThread(WriteThroughNull, nullptr, &thread))
                (void)WaitThread(thread, 60000);
        },
        ::testing::KilledBySignal(SIGSEGV), "");

    auto runs = ReadHelperRuns(m_out);
    ASSERT_EQ(1u, runs.size());
    const std::vector<std::string>& run = runs[0];
    ASSERT_EQ(9u, run.size());
    EXPECT_NE("0", run[0]);
    EXPECT_NE(run[0], run[1]) << "the crashing thread is not the main thread";
    EXPECT_NE("0", run[2]) << "the crash record's address";
    EXPECT_EQ("Crash: b at 0x0", run[7]);
    EXPECT_EQ("log-exists=1", run[8]);
    std::string log = ReadFileText(m_logPath);
    const size_t before = log.find("(INFO): before the crash\n");
    const size_t crash = log.find("(CRIT): Handling exception at addr 0x0 with code b\n");
    ASSERT_NE(std::string::npos, before) << log;
    ASSERT_NE(std::string::npos, crash) << log;
    EXPECT_LT(before, crash);
}

TEST_F(CrashReportDeathTest, AssertionDuringAnotherFailuresReportReturnsAtOnce) {
    ScopedEnv heldHelper(kHelperWaitEnv, "1");
    const std::string record = m_dir.File("second.txt");
    EXPECT_EXIT(
        {
            UseChildLogger(m_logPath, false);
            SetHelperPath(Utf8ToWide(MELVANE_FAKE_HELPER));
            static SecondFailure second = SecondFailure(m_logPath, record);
            ThreadHandle thread;
            if (StartThread(FailWhileAReportRuns, &second, &thread))
                AssertFailed(L"first", __FILE__, __LINE__);
        },
        ::testing::ExitedWithCode(1), "");

    EXPECT_EQ("returned true", ReadFileText(record));
    auto runs = ReadHelperRuns(m_out);
    ASSERT_EQ(1u, runs.size());
    ASSERT_GE(runs[0].size(), 8u);
    EXPECT_EQ(0u, runs[0][7].rfind("Assert: first at CrashReportTest.cpp:", 0)) << runs[0][7];
}

TEST_F(CrashReportDeathTest, DisabledReportsStartNoHelperButStillEndTheProcess) {
    EXPECT_EXIT(
        {
            UseChildLogger(m_logPath, true);
            SetHelperPath(Utf8ToWide(MELVANE_FAKE_HELPER));
            EnableCrashReports(false);
            FailAnAssertion();
        },
        ::testing::ExitedWithCode(1), "");

    EXPECT_FALSE(fileExists(Utf8ToWide(m_out)));
    EXPECT_NE(std::string::npos, ReadFileText(m_logPath).find("(CRIT): Assertion: 1 + 1 == 3 at "));
}
