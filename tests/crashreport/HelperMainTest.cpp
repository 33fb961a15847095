#include "crashreport/HelperMain.h"

#include "crashreport/FileVersion.h"
#include "crashreport/OfferRestart.h"
#include "include/text/Utf8.h"
#include "platform/process/Spawn.h"
#include "tests/crashreport/CoreFile.h"
#include "tests/crashreport/MultipartParts.h"
#include "tests/crashreport/VictimProcess.h"
#include "tests/support/Gunzip.h"
#include "tests/support/LocalHttpEndpoint.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/TempDir.h"
#include "tests/support/WaitUntil.h"

#include <dirent.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <thread>
#include <vector>

using namespace testsupport;

namespace {

constexpr char kSupport[] = "support@test.example";

struct Box {
    std::wstring caption;
    std::wstring text;
};

class RecordingPresenter final : public HelperPresenter {
  public:
    void ShowError(const std::wstring& caption, const std::wstring& text) override {
        boxes.push_back({caption, text});
    }
    bool AskOkCancel(const std::wstring& caption, const std::wstring& text) override {
        boxes.push_back({caption, text});
        if (whenAsked)
            whenAsked();
        return answer;
    }
    std::vector<Box> boxes;
    bool answer = false;
    std::function<void()> whenAsked;
};

// The state letter of process `pid` ('Z' once it has ended unreaped); 0
// when it cannot be read.
char ProcessState(pid_t pid) {
    const std::string stat = ReadFileText("/proc/" + std::to_string(pid) + "/stat");
    const size_t end = stat.rfind(')');
    return end == std::string::npos || end + 2 >= stat.size() ? 0 : stat[end + 2];
}

// The uploader's surroundings in a temporary folder, talking to `endpoint`.
struct Harness {
    explicit Harness(const LocalHttpEndpoint& endpoint) {
        WriteFileText(dir.File("log"), "abc");
        env.presenter = &presenter;
        env.sleepMs = [this](uint32_t ms) { sleeps.push_back(ms); };
        env.startProgram = [this](const std::string& program) { started.push_back(program); };
        env.target = UploadTarget{endpoint.Url("/api/crash.php"), ""};
        env.supportEmail = kSupport;
        env.folderParent = dir.File("private");
    }

    int Run(std::vector<std::string> args) {
        std::vector<const char*> argv{"Melvane-Helper"};
        for (const std::string& arg : args)
            argv.push_back(arg.c_str());
        return HelperMain(static_cast<int>(argv.size()), argv.data(), env);
    }

    std::vector<std::string> PlainReport(const std::string& logLimit = "32768") {
        return {"0", "17", "0", MELVANE_CRASH_VICTIM, dir.File("log"), logLimit, "someone", "Report: hello"};
    }

    // The names of the files in the report's private folder, sorted.
    std::vector<std::string> PrivateFiles() const {
        std::vector<std::string> names;
        std::error_code error;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(env.folderParent, error))
            if (entry.is_regular_file())
                names.push_back(entry.path().filename());
        std::sort(names.begin(), names.end());
        return names;
    }

    bool PrivateFolderIsEmpty() const {
        DIR* folder = opendir(env.folderParent.c_str());
        if (!folder)
            return true;
        int entries = 0;
        while (readdir(folder))
            ++entries;
        closedir(folder);
        return entries == 2;
    }

    TempDir dir;
    RecordingPresenter presenter;
    HelperEnv env;
    std::vector<uint32_t> sleeps;
    std::vector<std::string> started;
};

std::map<std::string, std::string> PartsOf(const RecordedRequest& request) {
    return MultipartParts(request.body, BoundaryOf(request.Header("Content-Type")));
}

} // namespace

TEST(HelperMainTest, AnyArgumentCountButEightEndsWithOneAndSendsNothing) {
    LocalHttpEndpoint endpoint;
    Harness harness(endpoint);
    std::vector<std::string> seven = harness.PlainReport();
    seven.pop_back();
    std::vector<std::string> nine = harness.PlainReport();
    nine.push_back("extra");
    EXPECT_EQ(1, harness.Run(seven));
    EXPECT_EQ(1, harness.Run(nine));
    EXPECT_TRUE(endpoint.Requests().empty());
    EXPECT_TRUE(harness.sleeps.empty());
}

TEST(HelperMainTest, RefusedTriesAreRetriedWithTheSameReportUntilOneIsTaken) {
    VictimProcess victim;
    ASSERT_TRUE(victim.Ready());
    if (!victim.CanBeTraced())
        GTEST_SKIP() << "ptrace is refused here: reports go without a dump";
    LocalHttpEndpoint endpoint;
    endpoint.Enqueue(HttpAnswer::Status(500));
    endpoint.Enqueue(HttpAnswer::Reset());
    endpoint.Enqueue(HttpAnswer::Status(200));
    Harness harness(endpoint);
    // The program stops waiting when told, and deletes its log.
    std::vector<std::vector<std::string>> filesWhenTold;
    size_t requestsWhenTold = 0;
    harness.env.copiesTaken = [&] {
        filesWhenTold.push_back(harness.PrivateFiles());
        requestsWhenTold = endpoint.Requests().size();
        unlink(harness.dir.File("log").c_str());
    };

    EXPECT_EQ(0, harness.Run({std::to_string(victim.Pid()), std::to_string(victim.Thread(1)),
                              std::to_string(victim.RecordAddress()), MELVANE_CRASH_VICTIM,
                              harness.dir.File("log"), "32768", "someone", "Crash: b at 0x0"}));

    EXPECT_EQ((std::vector<std::vector<std::string>>{{"dump.gz", "log.gz"}}), filesWhenTold);
    EXPECT_EQ(0u, requestsWhenTold) << "told only after the first try";
    EXPECT_EQ((std::vector<uint32_t>{60000, 60000}), harness.sleeps);
    EXPECT_TRUE(harness.presenter.boxes.empty());
    EXPECT_TRUE(harness.PrivateFolderIsEmpty());
    const std::vector<RecordedRequest> requests = endpoint.Requests();
    ASSERT_EQ(3u, requests.size());
    EXPECT_EQ(requests[0].body, requests[2].body);
    const RecordedRequest& taken = requests[2];
    EXPECT_EQ("POST", taken.method);
    EXPECT_EQ("/api/crash.php", taken.path);
    EXPECT_EQ("HTTP/1.0", taken.version);
    EXPECT_EQ("DumpTruck", taken.Header("User-Agent"));
    EXPECT_EQ(std::to_string(taken.body.size()), taken.Header("Content-Length"));

    const auto parts = PartsOf(taken);
    ASSERT_EQ(8u, parts.size());
    EXPECT_EQ("Crash: b at 0x0", parts.at("summary"));
    EXPECT_EQ("someone", parts.at("id"));
    EXPECT_EQ("(GFVI failed)", parts.at("version"));
    EXPECT_EQ(FileSizeAndMd5(MELVANE_CRASH_VICTIM), parts.at("hash"));
    std::string log, core;
    ASSERT_TRUE(Gunzip(parts.at("log.gz"), log));
    EXPECT_EQ("abc", log);
    ASSERT_TRUE(Gunzip(parts.at("dump.gz"), core));
    CoreFile file;
    ASSERT_TRUE(file.Parse(core));
    ASSERT_EQ(3u, file.ThreadIds().size());
    EXPECT_EQ(victim.Thread(1), file.ThreadIds()[0]);
}

TEST(HelperMainTest, TheLogIsCompressedBeforeTheDumpSoItsDeletionCannotLoseIt) {
    VictimProcess victim("stall");
    ASSERT_TRUE(victim.Ready());
    ASSERT_TRUE(WaitUntil([&] { return victim.ThreadState(2) == 'D'; })) << "the third thread never waited";
    LocalHttpEndpoint endpoint;
    endpoint.Enqueue(HttpAnswer::Status(200));
    Harness harness(endpoint);
    // The program deletes its log once it stops waiting for the helper; here
    // that happens while the dump is written (the stalled thread makes the
    // dump take seconds).
    std::thread deleter([&] {
        if (WaitUntil([&] { return victim.ThreadState(0) == 't'; }))
            unlink(harness.dir.File("log").c_str());
    });
    EXPECT_EQ(0, harness.Run({std::to_string(victim.Pid()), std::to_string(victim.Thread(1)), "0",
                              MELVANE_CRASH_VICTIM, harness.dir.File("log"), "32768", "someone",
                              "Crash: b at 0x0"}));
    deleter.join();

    ASSERT_EQ(1u, endpoint.Requests().size());
    const auto parts = PartsOf(endpoint.Requests()[0]);
    ASSERT_EQ(8u, parts.size());
    std::string log;
    ASSERT_TRUE(Gunzip(parts.at("log.gz"), log)) << parts.at("log.gz");
    EXPECT_EQ("abc", log);
}

TEST(HelperMainTest, WhenEveryTryFailsTheUserIsToldWhy) {
    const std::wstring firewall =
        L"It looks like a firewall is preventing Melvane Helper from connecting to our servers.\r\n\r\nIn "
        L"order to "
        L"allow your music to appear online and to keep your software up-to-date, please update your "
        L"firewall "
        L"settings to add exceptions for:\r\n\"Melvane\"\r\n\"Melvane-Helper\"\r\n\r\nPlease email "
        L"support@test.example if you need help or have any questions.";
    const std::wstring refusedLead = L"The Melvane Helper has stopped working. This error could not be "
                                     L"automatically reported.  Please email "
                                     L"support@test.example with the following information:\r\n\r\nOriginal "
                                     L"err: Report: hello\r\nReporting "
                                     L"err: Crash server answered HTTP status 500\r\nProgram: ";
    const std::wstring refusedTail =
        L"\r\nVersion: (GFVI failed)\r\n\r\nHint: Clicking on this window and pressing Ctrl-C will copy this "
        L"message to the clipboard so it is easy to paste into an email.";
    for (bool absent : {true, false}) {
        LocalHttpEndpoint endpoint;
        Harness harness(endpoint);
        if (absent)
            endpoint.Close();
        else
            endpoint.Serve("/api/crash.php", HttpAnswer::Status(500));

        EXPECT_EQ(0, harness.Run(harness.PlainReport()));

        EXPECT_EQ((std::vector<uint32_t>{60000, 60000, 60000}), harness.sleeps);
        EXPECT_EQ(absent ? 0u : 3u, endpoint.Requests().size());
        ASSERT_EQ(1u, harness.presenter.boxes.size());
        EXPECT_EQ(L"Melvane Helper Error", harness.presenter.boxes[0].caption);
        const std::wstring expected =
            absent ? firewall : refusedLead + Utf8ToWide(MELVANE_CRASH_VICTIM) + refusedTail;
        EXPECT_EQ(expected, harness.presenter.boxes[0].text);
        EXPECT_TRUE(harness.started.empty());
    }
}

TEST(HelperMainTest, PlainReportCarriesNoDumpAndTheLogRawWhenItCannotBeCompressed) {
    struct Case {
        bool folderUsable;
        const char* limit;
        const char* rawLog; // null: sent gzipped
    };
    const Case cases[] = {
        {true, "2", nullptr},
        {false, "2", "bc"},
        {false, "-1", "abc"},
        {false, "99", "abc"},
    };
    for (const Case& c : cases) {
        LocalHttpEndpoint endpoint;
        endpoint.Enqueue(HttpAnswer::Status(200));
        Harness harness(endpoint);
        if (!c.folderUsable) {
            WriteFileText(harness.dir.File("file"), "");
            harness.env.folderParent = harness.dir.File("file/private");
        }
        EXPECT_EQ(0, harness.Run(harness.PlainReport(c.limit)));
        ASSERT_EQ(1u, endpoint.Requests().size());
        const auto parts = PartsOf(endpoint.Requests()[0]);
        ASSERT_EQ(8u, parts.size());
        EXPECT_EQ("Could not open file", parts.at("dump.gz"));
        std::string log = parts.at("log.gz");
        if (!c.rawLog) {
            EXPECT_TRUE(Gunzip(parts.at("log.gz"), log));
        }
        EXPECT_EQ(c.rawLog ? c.rawLog : "abc", log) << c.folderUsable << " " << c.limit;
        EXPECT_TRUE(harness.sleeps.empty());
    }
}

TEST(HelperMainTest, RestartIsOfferedOnlyAfterAFailureOfTheMainProgram) {
    struct Case {
        const char* program;
        const char* summary;
        bool answer;
        bool asked;
    };
    const Case cases[] = {
        {"/opt/m/Melvane", "Crash: b at 0x0", true, true},
        {"/opt/m/Melvane", "Assert: x at y.cpp:1", false, true},
        {"/opt/m/Melvane", "BadParam", true, true},
        {"/opt/m/Melvane", "Report: Core Timeout", true, false},
        {"/opt/m/Melvane-Helper", "Crash: b at 0x0", true, false},
        {"/opt/m/NotMelvane", "Crash: b at 0x0", true, false},
    };
    for (const Case& c : cases) {
        RecordingPresenter presenter;
        presenter.answer = c.answer;
        std::vector<std::string> started;
        OfferRestart(c.summary, platform::ProcessDescriptor(), c.program, L"support@test.example", presenter,
                     [&](const std::string& program) { started.push_back(program); });
        ASSERT_EQ(c.asked ? 1u : 0u, presenter.boxes.size()) << c.program << " " << c.summary;
        if (c.asked) {
            EXPECT_EQ(L"Melvane Error", presenter.boxes[0].caption);
            EXPECT_EQ(
                L"The Melvane Helper ran into a problem.  Please email support@test.example if this keeps "
                L"happening.",
                presenter.boxes[0].text);
        }
        EXPECT_EQ(c.asked && c.answer ? std::vector<std::string>{c.program} : std::vector<std::string>{},
                  started);
    }
}

TEST(HelperMainTest, RestartIsOfferedOnlyOnceTheFailedProgramHasEnded) {
    ScopedEnv linger("MELVANE_FAKE_HELPER_SLEEP_MS", "300");
    int error = 0;
    const pid_t program = platform::SpawnProcess({MELVANE_FAKE_HELPER}, &error);
    ASSERT_GT(program, 0) << error;
    RecordingPresenter presenter;
    char stateWhenAsked = 0;
    presenter.whenAsked = [&] { stateWhenAsked = ProcessState(program); };
    OfferRestart("Crash: b at 0x0", platform::ProcessDescriptor(program), "/opt/m/Melvane",
                 L"support@test.example", presenter, [](const std::string&) {});
    EXPECT_EQ(1u, presenter.boxes.size());
    EXPECT_EQ('Z', stateWhenAsked) << "asked while the program still ran";
    int code = 0;
    EXPECT_EQ(platform::WAIT_EXITED, platform::WaitProcess(program, 10000, &code));
}
