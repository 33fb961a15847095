#include "tests/client/core/CoreHarness.h"

#include "client/core/CorePort.h"
#include "include/system/SystemInfo.h"
#include "tests/support/WaitUntil.h"

#include <gtest/gtest.h>

#include <thread>

using testsupport::CoreHarness;

namespace {

class KovikCoreLoopTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(h.Start());
        h.core->BeginLoop();
    }

    void AdvanceSecs(int64_t secs) { h.clock.Advance(secs * 1000); }

    int Occurrences(const std::string& piece) { return h.log.Count(piece); }

    CoreHarness h;
};

} // namespace

TEST_F(KovikCoreLoopTest, FolderEventsWaitForFourQuietSecondsThenScanOneFilePerPass) {
    for (int i = 0; i < 10; ++i) {
        // Created, then closed after writing: one scan.
        h.shareMon->Push(SINGLE_FILE, L"/m/" + std::to_wstring(i) + L".mp3");
        h.core->CheckScanTimers();
        h.shareMon->Push(SINGLE_FILE, L"/m/" + std::to_wstring(i) + L".mp3");
        h.core->CheckScanTimers();
        AdvanceSecs(1);
    }
    h.shareMon->Push(FILE_MODIFIED, L"/m/0.mp3"); // only delays
    h.core->CheckScanTimers();
    AdvanceSecs(3);
    h.core->CheckScanTimers();
    EXPECT_TRUE(h.scanner->singleScans.empty());
    AdvanceSecs(1);
    h.core->CheckScanTimers();
    h.core->CheckScanTimers();
    EXPECT_EQ(std::vector<std::wstring>({L"/m/0.mp3", L"/m/1.mp3"}), h.scanner->singleScans);
    EXPECT_TRUE(h.scanner->initScans.empty());
}

TEST_F(KovikCoreLoopTest, FullScanIntervalGrowsWithTheLibrary) {
    EXPECT_EQ(10, KovikCore::FullScanInterval(0));
    EXPECT_EQ(10, KovikCore::FullScanInterval(499));
    EXPECT_EQ(60, KovikCore::FullScanInterval(500));
    EXPECT_EQ(60, KovikCore::FullScanInterval(1999));
    EXPECT_EQ(120, KovikCore::FullScanInterval(2000));
    EXPECT_EQ(120, KovikCore::FullScanInterval(6999));
    EXPECT_EQ(300, KovikCore::FullScanInterval(7000));
}

TEST_F(KovikCoreLoopTest, FullScansFromEventsComeAtMostOncePerInterval) {
    h.scanner->numFiles = 6999;
    h.shareMon->Push(FULL_SCAN, L"/m");
    h.shareMon->Push(SINGLE_FILE, L"/m/a.mp3");
    h.core->CheckScanTimers();
    AdvanceSecs(4);
    h.core->CheckScanTimers();
    EXPECT_EQ(std::vector<bool>({false}), h.scanner->initScans);
    EXPECT_TRUE(h.scanner->singleScans.empty()); // discarded with the full scan

    h.shareMon->Push(FULL_SCAN, L"/m");
    h.core->CheckScanTimers();
    AdvanceSecs(100);
    h.core->CheckScanTimers();
    AdvanceSecs(20);
    h.core->CheckScanTimers();
    EXPECT_EQ(1u, h.scanner->initScans.size()); // 120 s is not more than the interval
    AdvanceSecs(1);                             // 121 s after the last full scan
    h.core->CheckScanTimers();
    EXPECT_EQ(2u, h.scanner->initScans.size());
}

TEST_F(KovikCoreLoopTest, PlayCountsGoOutNineHundredAtATimeOnlyInANormalSession) {
    h.core->SetPlayCountSettings(true, 24);
    for (uint32_t song = 1; song <= 1000; ++song)
        h.core->GetPendingPlayCounts()[song] = 1;
    h.core->CheckPlaycountTimer();
    EXPECT_TRUE(h.link->playCountBatches.empty());
    h.link->state = NC_CONNECTED;
    h.link->connMode = NCM_ONETIME_LOGIN;
    h.core->CheckPlaycountTimer();
    EXPECT_TRUE(h.link->playCountBatches.empty());
    EXPECT_EQ(1000u, h.core->GetPendingPlayCounts().size());

    h.link->connMode = NCM_NORMAL;
    h.link->hasRoom = false;
    h.core->CheckPlaycountTimer();
    EXPECT_EQ(1000u, h.core->GetPendingPlayCounts().size());
    h.link->hasRoom = true;
    h.core->CheckPlaycountTimer();
    h.core->CheckPlaycountTimer();
    ASSERT_EQ(2u, h.link->playCountBatches.size());
    EXPECT_EQ(900u, h.link->playCountBatches[0].size());
    EXPECT_EQ(100u, h.link->playCountBatches[1].size());
    EXPECT_TRUE(h.core->GetPendingPlayCounts().empty());
}

TEST_F(KovikCoreLoopTest, PlayCountReportsAreAskedForEachIntervalFirstOneInitial) {
    h.core->SetPlayCountSettings(true, 24);
    AdvanceSecs(24 * 3600);
    h.core->CheckPlaycountTimer();
    EXPECT_TRUE(h.playCountImports.empty());
    AdvanceSecs(1);
    h.core->CheckPlaycountTimer();
    AdvanceSecs(24 * 3600 + 1);
    h.scanner->scanning = true; // no report during a scan
    h.core->CheckPlaycountTimer();
    h.scanner->scanning = false;
    h.core->CheckPlaycountTimer();
    EXPECT_EQ(std::vector<bool>({true, false}), h.playCountImports);
}

TEST_F(KovikCoreLoopTest, ZeroHoursOfPlayCountIntervalCountsAsOne) {
    h.core->SetPlayCountSettings(true, 0);
    AdvanceSecs(3600);
    h.core->CheckPlaycountTimer();
    EXPECT_TRUE(h.playCountImports.empty());
    AdvanceSecs(1);
    h.core->CheckPlaycountTimer();
    EXPECT_EQ(1u, h.playCountImports.size());
}

TEST_F(KovikCoreLoopTest, StatsOfASignInRunGoOutOnceAfterFiveMinutes) {
    h.core->StepAccountState();
    h.core->LogStats();
    AdvanceSecs(300);
    h.core->LogStats();
    EXPECT_EQ(0, Occurrences("STAT_numShares"));
    AdvanceSecs(1);
    h.core->LogStats();
    h.core->LogStats();
    EXPECT_EQ(1, Occurrences("STAT_numShares"));
    EXPECT_EQ(1, Occurrences("STAT_sc: 'fake link'"));
}

TEST_F(KovikCoreLoopTest, RunWithAStoredAccountSendsNoStats) {
    for (bool stoppedBeforeAPass : {false, true}) {
        SCOPED_TRACE(stoppedBeforeAPass ? "stopped before its first pass" : "stopped after 400 s");
        h.core->SaveAccount(L"alice", L"cred", L"");
        h.Build();
        ASSERT_TRUE(h.Start());
        h.core->BeginLoop();
        if (!stoppedBeforeAPass) {
            h.core->StepAccountState();
            AdvanceSecs(400);
            h.core->LogStats();
        }
        h.core->SetStopFlag();
        h.core->ShutdownCore();
        EXPECT_EQ(0, Occurrences("STAT_numShares"));
    }
}

TEST_F(KovikCoreLoopTest, WallClockStepsNeitherFireNorHoldBackTimers) {
    constexpr int64_t kSixHoursMs = 6 * 3600 * 1000LL;
    h.core->SetPlayCountSettings(true, 1);
    h.WriteOneTime("bob\nsecret2\n");
    h.core->StepAccountState();
    h.core->OnAccountAnswer(KovikCore::kLoginTimedOut, L"secret2", NCM_ONETIME_LOGIN);
    ASSERT_EQ(KovikCore::WAITING_FOR_RETRY, h.core->GetAccountState());
    h.shareMon->Push(SINGLE_FILE, L"/m/a.mp3");
    h.core->CheckScanTimers();

    h.clock.SetWallMillis(h.clock.WallMillis() + kSixHoursMs);
    h.core->CheckPlaycountTimer();
    h.core->LogStats();
    h.core->StepAccountState();
    h.core->CheckScanTimers();
    EXPECT_TRUE(h.playCountImports.empty());
    EXPECT_EQ(0, Occurrences("STAT_numShares"));
    EXPECT_EQ(KovikCore::WAITING_FOR_RETRY, h.core->GetAccountState());
    EXPECT_TRUE(h.scanner->singleScans.empty());

    h.clock.SetWallMillis(h.clock.WallMillis() - 2 * kSixHoursMs);
    AdvanceSecs(3601);
    h.core->CheckPlaycountTimer();
    h.core->LogStats();
    h.core->StepAccountState();
    h.core->CheckScanTimers();
    EXPECT_EQ(1u, h.playCountImports.size());
    EXPECT_EQ(1, Occurrences("STAT_numShares"));
    EXPECT_EQ(KovikCore::WAITING_FOR_SERVER, h.core->GetAccountState());
    EXPECT_EQ(std::vector<std::wstring>({L"/m/a.mp3"}), h.scanner->singleScans);
}

TEST_F(KovikCoreLoopTest, StatusChangesAreToldOnce) {
    h.core->UpdateStatus();
    h.link->state = NC_CONNECTED;
    h.core->UpdateStatus();
    h.core->UpdateStatus();
    h.link->numTransfers = 1;
    h.core->UpdateStatus();
    std::vector<long long> statuses;
    for (const auto& call : h.ui.Calls()) {
        if (call.op == "SetStatus")
            statuses.push_back(call.value);
    }
    EXPECT_EQ(std::vector<long long>({0, 1, 3}), statuses);
}

TEST_F(KovikCoreLoopTest, KeepAwakeChecksPowerEveryTwentyFiveSeconds) {
    uint32_t idle = 0;
    uint8_t ac = 0, battery = 0;
    GetUserIdleInfo(idle, ac, battery);
    const int perCheck = ac == 1 ? 1 : 0;
    h.core->KeepAwake();
    AdvanceSecs(25);
    h.core->KeepAwake();
    AdvanceSecs(1);
    h.core->KeepAwake();
    EXPECT_EQ(2 * perCheck, Occurrences("KeepSystemAwake"));
}

TEST_F(KovikCoreLoopTest, StopFlagEndsASleep) {
    testsupport::RunWithDeadline("a sleep after the stop flag", [this] {
        std::thread sleeper([this] { h.core->SleepUnlessStopped(600, 0); });
        h.core->SetStopFlag();
        sleeper.join();
    });
    EXPECT_TRUE(h.core->IsStopping());
}

TEST_F(KovikCoreLoopTest, ShutdownEndsTheTransactionBeforeTheConnectionCloses) {
    const std::shared_ptr<CorePort> port = h.core->GetPort();
    h.core->StepAccountState(); // a run that has to sign in
    h.core->SetStopFlag();
    h.events.events.clear();
    h.core->ShutdownCore();
    // Searches and imports that outlive it reach nothing.
    EXPECT_FALSE(port->WithCore([](KovikCore&) {}));
    const int end = h.events.IndexOf("EndTransaction");
    const int cleanup = h.events.IndexOf("Cleanup");
    const int wait = h.events.IndexOf("WaitForThread(10000)");
    const int shutdown = h.events.IndexOf("Shutdown");
    ASSERT_GE(end, 0);
    EXPECT_LT(end, cleanup);
    EXPECT_LT(cleanup, wait);
    EXPECT_LT(wait, shutdown);
    EXPECT_EQ(1, h.shareMon->stops);
    EXPECT_FALSE(h.core->IsRunning());
    EXPECT_TRUE(h.core->GetShares().empty());
    // A run that had not sent its statistics sends them now.
    EXPECT_EQ(1, Occurrences("STAT_numShares"));
}

TEST_F(KovikCoreLoopTest, PendingPlaylistsGoOutOnePerPassWhenConnected) {
    h.core->GetPendingPlaylists().push_back({L"One", L"1", {1}});
    h.core->GetPendingPlaylists().push_back({L"Two", L"2", {2}});
    h.core->LoopPass();
    EXPECT_TRUE(h.link->sentPlaylists.empty());
    h.link->state = NC_CONNECTED;
    h.link->connMode = NCM_NORMAL;
    h.core->LoopPass();
    EXPECT_EQ(std::vector<std::wstring>({L"One"}), h.link->sentPlaylists);
    EXPECT_EQ(2, h.link->ticks);
}

TEST_F(KovikCoreLoopTest, SecondFatalErrorKeepsTheFirstText) {
    h.core->FatalError(L"first");
    h.core->FatalError(L"second");
    EXPECT_TRUE(h.core->IsStopping());
    ASSERT_EQ(1, h.ui.Count("ShowFatalError"));
    EXPECT_EQ(L"first", h.ui.Calls().back().text);
}
