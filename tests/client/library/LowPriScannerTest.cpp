// The low-priority worker with a stand-in metadata build: order, the empty
// queue, duplicates, Stop while idle and during a blocked file.
#include "client/library/LowPriScanner.h"

#include "tests/support/CapturedLog.h"
#include "tests/support/WaitUntil.h"

#include <gtest/gtest.h>

#include <sched.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <vector>

namespace {

using testsupport::WaitUntil;

// Records the builds it is asked for; with `gated` set each waits until the
// test opens the gate.
struct Builds {
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<std::wstring> files;
    std::vector<bool> prints;
    std::vector<int> policies;
    bool gated = false;
    bool open = false;

    LowPriScanner::MetadataBuilder Builder() {
        return [this](FileMetaData& record, bool wantPrint) {
            std::unique_lock<std::mutex> lock(mutex);
            files.push_back(record.GetFullPath());
            prints.push_back(wantPrint);
            policies.push_back(sched_getscheduler(0));
            changed.notify_all();
            changed.wait(lock, [this] { return !gated || open; });
            return record.pFileName != L"bad.mp3";
        };
    }
    size_t Count() {
        std::lock_guard<std::mutex> lock(mutex);
        return files.size();
    }
    void Open() {
        std::lock_guard<std::mutex> lock(mutex);
        open = true;
        changed.notify_all();
    }
};

struct Taken {
    uint8_t result = 99;
    std::unique_ptr<FileMetaData> metadata;
    uint32_t cfID = 0;
    int kind = 0;
    uint32_t serial = 0;
};

bool TakeNext(LowPriScanner& scanner, Taken& taken) {
    return WaitUntil([&] { return scanner.HasResults(); }) &&
           scanner.GetNextResult(taken.result, taken.metadata, taken.cfID, taken.kind, taken.serial);
}

} // namespace

TEST(LowPriScannerTest, RequestsComeBackInOrderWithTheirValuesFromAnIdleThread) {
    Builds builds;
    LowPriScanner scanner(builds.Builder());
    scanner.StartLowPriScanner();
    scanner.QueueRequest(L"/music/a/one.mp3", 1, 1, 70, true);
    scanner.QueueRequest(L"/music/bad.mp3", 2, 1, 70, false);
    scanner.QueueRequest(L"/music/b/three.mp3", 3, 1, 71, true);

    const struct {
        uint32_t cfID;
        uint32_t serial;
        uint8_t result;
        const wchar_t* dir;
        const wchar_t* name;
    } expected[] = {{1, 70, LowPriScanner::kScanOk, L"/music/a/", L"one.mp3"},
                    {2, 70, LowPriScanner::kScanFailed, L"/music/", L"bad.mp3"},
                    {3, 71, LowPriScanner::kScanOk, L"/music/b/", L"three.mp3"}};
    for (const auto& e : expected) {
        Taken taken;
        ASSERT_TRUE(TakeNext(scanner, taken));
        EXPECT_EQ(e.cfID, taken.cfID);
        EXPECT_EQ(1, taken.kind);
        EXPECT_EQ(e.serial, taken.serial);
        EXPECT_EQ(e.result, taken.result);
        ASSERT_TRUE(taken.metadata);
        EXPECT_EQ(e.dir, taken.metadata->pDirName);
        EXPECT_EQ(e.name, taken.metadata->pFileName);
    }
    EXPECT_EQ(std::vector<bool>({true, false, true}), builds.prints);
    for (int policy : builds.policies)
        EXPECT_EQ(SCHED_IDLE, policy);
    scanner.Stop();
}

TEST(LowPriScannerTest, AnEmptyResultQueueChangesNoOutput) {
    LowPriScanner scanner([](FileMetaData&, bool) { return true; });
    scanner.StartLowPriScanner();
    Taken taken;
    taken.cfID = 7;
    taken.kind = 8;
    taken.serial = 9;
    EXPECT_FALSE(scanner.HasResults());
    EXPECT_FALSE(scanner.GetNextResult(taken.result, taken.metadata, taken.cfID, taken.kind, taken.serial));
    EXPECT_EQ(99, taken.result);
    EXPECT_FALSE(taken.metadata);
    EXPECT_EQ(7u, taken.cfID);
    EXPECT_EQ(8, taken.kind);
    EXPECT_EQ(9u, taken.serial);
    scanner.Stop();
}

TEST(LowPriScannerTest, ARequestAlreadyQueuedIsDroppedAndAnswersForTheNewestSession) {
    Builds builds;
    builds.gated = true;
    LowPriScanner scanner(builds.Builder());
    scanner.StartLowPriScanner();
    scanner.QueueRequest(L"/m/busy.mp3", 1, 1, 50, true);
    ASSERT_TRUE(WaitUntil([&] { return builds.Count() == 1; }));
    scanner.QueueRequest(L"/m/x.mp3", 2, 1, 50, false);
    // The same file under another cfID is answered for that one too.
    scanner.QueueRequest(L"/m/x.mp3", 3, 1, 51, false);
    scanner.QueueRequest(L"/m/x.mp3", 2, 1, 52, true);
    // The file in progress is not waiting: asking again queues it once more.
    scanner.QueueRequest(L"/m/busy.mp3", 1, 1, 51, true);
    builds.Open();

    std::vector<std::pair<uint32_t, uint32_t>> answered;
    for (int i = 0; i < 4; ++i) {
        Taken taken;
        ASSERT_TRUE(TakeNext(scanner, taken));
        answered.emplace_back(taken.cfID, taken.serial);
    }
    EXPECT_EQ((std::vector<std::pair<uint32_t, uint32_t>>{{1, 50}, {2, 52}, {3, 51}, {1, 51}}), answered);
    EXPECT_EQ(std::vector<bool>({true, true, false, true}), builds.prints);
    EXPECT_FALSE(scanner.HasResults());
    scanner.Stop();
}

TEST(LowPriScannerTest, StopDuringABlockedFileReturnsAfterItsWaitAndTheLateCompletionIsHarmless) {
    testsupport::CapturedLog log;
    auto builds = std::make_shared<Builds>();
    builds->gated = true;
    // The builder's copy lives in the worker's shared state; it expires when
    // the late worker has let go of that state.
    std::weak_ptr<Builds> alive = builds;
    auto scanner = std::make_unique<LowPriScanner>(
        [builds](FileMetaData& record, bool wantPrint) { return builds->Builder()(record, wantPrint); }, 100);
    scanner->StartLowPriScanner();
    scanner->QueueRequest(L"/m/slow.mp3", 1, 1, 1, true);
    scanner->QueueRequest(L"/m/never.mp3", 2, 1, 1, true);
    ASSERT_TRUE(WaitUntil([&] { return builds->Count() == 1; }));

    const auto start = std::chrono::steady_clock::now();
    scanner->Stop();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    EXPECT_TRUE(log.Contains("still busy after 100 ms"));
    // After the stop a request is answered at once as not found.
    scanner->QueueRequest(L"/m/late.mp3", 3, 1, 1, true);
    Taken taken;
    ASSERT_TRUE(scanner->GetNextResult(taken.result, taken.metadata, taken.cfID, taken.kind, taken.serial));
    EXPECT_EQ(3u, taken.cfID);
    EXPECT_EQ(LowPriScanner::kScanFailed, taken.result);

    scanner.reset();
    builds->Open();
    builds.reset();
    ASSERT_TRUE(WaitUntil([&] { return alive.expired(); }));
}
