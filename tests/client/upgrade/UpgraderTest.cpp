// The upgrade end to end against a local web site: the fake helper program
// stands in for the upgrader and records its arguments.
#include "client/upgrade/Upgrader.h"
#include "client/upgrade/UpgradeRequest.h"

#include "include/config/ServiceSettings.h"
#include "include/crash/CrashReport.h"
#include "include/digest/Md5.h"
#include "include/text/Utf8.h"
#include "tests/support/CapturedLog.h"
#include "tests/support/LocalHttpEndpoint.h"
#include "tests/support/ManualClock.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/StdinGate.h"
#include "tests/support/TempDir.h"
#include "tests/support/WaitUntil.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace testsupport;

namespace {

std::string Md5Of(const std::string& bytes) {
    return Md5HexOfBuffer(bytes.data(), static_cast<int>(bytes.size()));
}

std::string Md5OfFile(const std::string& path) {
    return Md5Of(ReadFileText(path));
}

std::vector<std::string> Paths(const std::vector<RecordedRequest>& requests) {
    std::vector<std::string> paths;
    for (const RecordedRequest& request : requests)
        paths.push_back(request.path);
    return paths;
}

class UpgraderTest : public ::testing::Test {
  protected:
    UpgraderTest() {
        SetHelperPath(Utf8ToWide(MELVANE_FAKE_HELPER));
        std::filesystem::create_directories(m_program);
        endpoint.Serve("/site/dl/upgrader", HttpAnswer::File(MELVANE_FAKE_HELPER));
    }

    // An order for the upgrader and a manifest of `manifestText`.
    std::shared_ptr<UpgradeRequest> Order(const std::string& manifestText, uint32_t retryPauseMs = 0) {
        WriteFileText(dir.File("m.txt"), manifestText);
        endpoint.Serve("/site/dl/m.txt", HttpAnswer::File(dir.File("m.txt")));
        auto request = std::make_shared<UpgradeRequest>();
        request->upgraderPath = L"/dl/upgrader";
        request->upgraderMd5 = Utf8ToWide(Md5OfFile(MELVANE_FAKE_HELPER));
        request->manifestPath = L"/dl/m.txt";
        request->manifestMd5 = Utf8ToWide(Md5Of(manifestText));
        request->programPath = Utf8ToWide(ProgramFile("Melvane"));
        request->retryPauseMs = retryPauseMs;
        return request;
    }

    // Starts the order and waits for its end; its `succeeded` flag.
    bool RunToEnd(const std::shared_ptr<UpgradeRequest>& request) {
        StartUpgrade(request, 600);
        bool succeeded = false;
        EXPECT_TRUE(WaitUntil([&] { return CheckUpgradeTimeout(*request, succeeded); }));
        WaitUpgradeThread(*request, 5000);
        EXPECT_TRUE(HasUpgradeThreadEnded(*request));
        return succeeded;
    }

    std::string ProgramFile(const std::string& name) const { return m_program + "/" + name; }
    std::string DownloadFile(const std::string& manifestText, const std::string& name) const {
        return dir.File("cache/Melvane/tmp/" + Md5Of(manifestText) + "/" + name);
    }
    // What the fake helper recorded: upgrader starts and reports.
    std::string Recorded() const { return ReadFileText(dir.File("helper.txt")); }

    CapturedLog log;
    TempDir dir;
    ScopedEnv m_cache{"XDG_CACHE_HOME", dir.File("cache")};
    ScopedEnv m_data{"XDG_DATA_HOME", dir.File("data")};
    ScopedEnv m_helperOut{"MELVANE_FAKE_HELPER_OUT", dir.File("helper.txt")};
    ScopedEnv m_exit{"MELVANE_FAKE_HELPER_EXIT", nullptr};
    LocalHttpEndpoint endpoint;
    ScopedEnv m_web{kEnvWebBaseUrl, endpoint.Url("/site")};
    const std::string m_program = dir.File("my program");
};

} // namespace

TEST_F(UpgraderTest, FetchesChangedFilesAndStartsTheUpgraderOnce) {
    WriteFileText(ProgramFile("Melvane"), "program v1");
    std::filesystem::create_directories(ProgramFile("lib"));
    WriteFileText(ProgramFile("lib/a.so"), "lib");
    WriteFileText(ProgramFile("b.dat"), "old b");
    const std::string manifest = Md5Of("program v1") + "\tMelvane\tfiles/Melvane\t0\n" +       //
                                 Md5Of("lib") + "\tlib\\a.so\tfiles/a.so\t1\n" +               //
                                 Md5Of("new b") + "\tb.dat\tfiles/b.dat\t0\r\n" +              //
                                 Md5Of("c") + "\t\tnew folder/c d.bin\t\tfiles/c d.bin\t1\n" + //
                                 "only\tthree\tfields\n";
    endpoint.Serve("/site/files/b.dat", HttpAnswer::Status(200, "new b"));
    endpoint.Serve("/site/files/c%20d.bin", HttpAnswer::Status(200, "c"));
    std::shared_ptr<UpgradeRequest> request = Order(manifest);

    ASSERT_TRUE(RunToEnd(request));
    EXPECT_EQ((std::vector<std::string>{"/site/dl/upgrader", "/site/dl/m.txt", "/site/files/b.dat",
                                        "/site/files/c%20d.bin"}),
              Paths(endpoint.Requests()));
    EXPECT_EQ("new b", ReadFileText(DownloadFile(manifest, "b.dat")));
    EXPECT_EQ("c", ReadFileText(DownloadFile(manifest, "new folder/c d.bin")));
    const std::string upgrader = dir.File("data/Melvane/upgrader/upgrader");
    const std::string started =
        DownloadFile(manifest, "m.txt") + "\n" + upgrader + "\n" + ProgramFile("Melvane") + "\n--\n";
    EXPECT_EQ(started, Recorded());
    EXPECT_TRUE(log.Contains("Don't need to update " + ProgramFile("lib/a.so")));

    // Everything is in place: a new order only starts the upgrader again.
    request = Order(manifest);
    ASSERT_TRUE(RunToEnd(request));
    EXPECT_EQ(4u, endpoint.Requests().size());
    EXPECT_EQ(started + started, Recorded());
}

TEST_F(UpgraderTest, FiveFailedAttemptsEndInOneReport) {
    WriteFileText(dir.File("file"), "");
    struct Case {
        const char* what;
        bool badUpgrader;
        const char* upgraderExit;
        const char* cacheHome; // null: the fixture's
        const char* dataHome;
        size_t requests;
        size_t starts;
        const char* logged;
    } cases[] = {
        {"upgrader fails its digest", true, nullptr, nullptr, nullptr, 5, 0, "Could not fetch upgrader"},
        // Fetched once; later attempts find both files current.
        {"upgrader ends with code 3", false, "3", nullptr, nullptr, 2, 5, "LaunchUpgrader failed"},
        {"no download folder", false, nullptr, "file/cache", nullptr, 0, 0,
         "Could not make the download folder"},
        {"no data folder", false, nullptr, nullptr, "file/data", 0, 0,
         "No data folder to hold the upgrader's folder upgrader"},
    };
    for (const Case& c : cases) {
        std::filesystem::remove(dir.File("helper.txt"));
        std::filesystem::remove_all(dir.File("data"));
        ScopedEnv exitCode("MELVANE_FAKE_HELPER_EXIT", c.upgraderExit);
        ScopedEnv cache("XDG_CACHE_HOME", dir.File(c.cacheHome ? c.cacheHome : "cache"));
        ScopedEnv data("XDG_DATA_HOME", dir.File(c.dataHome ? c.dataHome : "data"));
        std::shared_ptr<UpgradeRequest> request = Order("");
        if (c.badUpgrader)
            request->upgraderMd5 = Utf8ToWide(Md5Of("other"));
        const size_t before = endpoint.Requests().size();

        EXPECT_FALSE(RunToEnd(request)) << c.what;
        EXPECT_EQ(c.requests, endpoint.Requests().size() - before) << c.what;
        const std::string recorded = Recorded();
        size_t starts = 0;
        for (size_t pos = recorded.find("/upgrader\n"); pos != std::string::npos;
             pos = recorded.find("/upgrader\n", pos + 1))
            ++starts;
        EXPECT_EQ(c.starts, starts) << c.what;
        EXPECT_EQ(recorded.find("Report: Upgrade Failed"), recorded.rfind("Report: Upgrade Failed"))
            << c.what;
        EXPECT_NE(std::string::npos, recorded.find("Report: Upgrade Failed")) << c.what;
        EXPECT_TRUE(log.Contains(std::string("(ERR): ") + c.logged)) << c.what;
    }
}

TEST_F(UpgraderTest, StalledOrderIsReportedAndLeavesItsPauseAtOnce) {
    ManualClock clock;
    endpoint.Serve("/site/dl/upgrader", HttpAnswer::Status(404, "gone"));
    std::shared_ptr<UpgradeRequest> request = Order("", UpgradeRequest::kRetryPauseMs);
    StartUpgrade(request, 30);
    ASSERT_TRUE(WaitUntil([&] { return log.Contains("Could not fetch upgrader, result: 6"); }));
    bool succeeded = true;
    EXPECT_FALSE(CheckUpgradeTimeout(*request, succeeded));

    clock.Advance(31000);
    EXPECT_TRUE(CheckUpgradeTimeout(*request, succeeded));
    EXPECT_FALSE(succeeded);
    WaitUpgradeThread(*request, 5000);
    EXPECT_TRUE(HasUpgradeThreadEnded(*request));
    EXPECT_EQ(1u, endpoint.Requests().size());
    EXPECT_NE(std::string::npos, Recorded().find("Report: Upgrade Timed Out"));
    EXPECT_EQ(std::string::npos, Recorded().find("Report: Upgrade Failed"));
}

TEST_F(UpgraderTest, AnOrderThatTimedOutWhileTheUpgraderRanNeverTurnsIntoASuccess) {
    ManualClock clock;
    // The upgrader notes its start, then waits on the gate and ends with 0.
    const std::string upgrader =
        "#!/bin/sh\necho started > '" + dir.File("started") + "'\nread line\nexit 0\n";
    WriteFileText(dir.File("upgrader.sh"), upgrader);
    endpoint.Serve("/site/dl/upgrader", HttpAnswer::File(dir.File("upgrader.sh")));
    std::shared_ptr<UpgradeRequest> request = Order("");
    request->upgraderMd5 = Utf8ToWide(Md5Of(upgrader));
    StdinGate gate;
    ASSERT_TRUE(gate.Ok());
    StartUpgrade(request, 30);
    ASSERT_TRUE(WaitUntil([&] { return !ReadFileText(dir.File("started")).empty(); }));
    gate.Uninstall();

    clock.Advance(31000);
    bool succeeded = true;
    EXPECT_TRUE(CheckUpgradeTimeout(*request, succeeded));
    EXPECT_FALSE(succeeded);
    gate.Release();
    WaitUpgradeThread(*request, 5000);
    ASSERT_TRUE(HasUpgradeThreadEnded(*request));
    EXPECT_TRUE(CheckUpgradeTimeout(*request, succeeded));
    EXPECT_FALSE(succeeded) << "the cancelled worker declared success after all";
    const std::string recorded = Recorded();
    EXPECT_NE(std::string::npos, recorded.find("Report: Upgrade Timed Out"));
    EXPECT_EQ(std::string::npos, recorded.find("Report: Upgrade Failed"));
}

TEST_F(UpgraderTest, MalformedOrdersAndManifestsAreRefused) {
    const std::wstring md5(32, L'a');
    struct Order {
        std::wstring upgrader, upgraderMd5, manifest, manifestMd5;
        bool valid;
    } orders[] = {
        {L"/dl/up", md5, L"/dl/m", L"0123456789ABCDEFabcdef0123456789", true},
        {L"up", md5, L"m", md5, true},
        {L"/dl/up", md5 + L"a", L"/dl/m", md5, false},
        {L"/dl/up", md5, L"/dl/m", std::wstring(31, L'a') + L"g", false},
        {L"/dl/..", md5, L"/dl/m", md5, false},
        {L"/dl/up", md5, L"/dl/a\\b", md5, false},
        {L"/dl/up\n", md5, L"/dl/m", md5, false},
    };
    for (const Order& o : orders) {
        UpgradeRequest request;
        request.upgraderPath = o.upgrader;
        request.upgraderMd5 = o.upgraderMd5;
        request.manifestPath = o.manifest;
        request.manifestMd5 = o.manifestMd5;
        EXPECT_EQ(o.valid, IsUpgradeOrderValid(request)) << o.upgrader << " " << o.upgraderMd5;
    }
    EXPECT_TRUE(log.Contains("Refusing upgrade order"));

    for (const std::string& line : {Md5Of("x") + "\t..\\x\tr\t0", Md5Of("x") + "\t/etc/passwd\tr\t0",
                                    std::string("not-a-digest\tx\tr\t0"), Md5Of("x") + "\ta//x\tr\t0"}) {
        WriteFileText(dir.File("m.txt"), line + "\n");
        std::vector<UpgradeFileEntry> files;
        EXPECT_FALSE(BuildLocalChangeList(Utf8ToWide(m_program), dir.WFile("m.txt"), files)) << line;
    }
}
