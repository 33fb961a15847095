#include "client/library/FileScanner.h"

#include "tests/client/library/ScanHarness.h"

#include <gtest/gtest.h>

#include <functional>

using testsupport::ScanHarness;

namespace {

// The core's loop: steps while there is work and the window has room.
void StepWhileAllowed(FileScanner& scanner) {
    while (scanner.HasWorkUnits() && scanner.BelowOutstandingLimit())
        scanner.ScanStep();
}

std::vector<uint32_t> Types(const std::vector<SyncDelta>& deltas) {
    std::vector<uint32_t> types;
    for (const SyncDelta& delta : deltas)
        types.push_back(delta.m_type);
    return types;
}

} // namespace

TEST(FileScannerQueueTest, TheWindowBoundsNewFilesUntilTheyAreAcknowledged) {
    ScanHarness h;
    for (int i = 1; i <= 4; ++i)
        h.Write(std::to_string(i) + ".mp3");
    FileScanner& s = h.Scanner();
    s.initScan(false);
    std::vector<uint32_t> sent;
    auto send = [&] {
        for (const SyncDelta& delta : testsupport::TakeDeltas(s, false))
            sent.push_back(delta.cfID);
    };
    auto flagFirstAgain = [&] { s.FindFileByCfId(sent[0])->SetNewFile(true); };

    struct Step {
        const char* what;
        std::function<void()> act;
        int files;
        int outstanding;
    };
    const Step steps[] = {
        {"no window yet", [] {}, 0, 0},
        {"window of 2", [&] { s.SetMaxOutstanding(2); }, 2, 2},
        {"an acknowledgement", [&] { send(), s.FinishNewFile(sent[0]); }, 3, 2},
        {"the same one again", [&] { s.FinishNewFile(sent[0]); }, 3, 2},
        {"an unknown cfID", [&] { s.FinishNewFile(999); }, 3, 2},
        {"window of 0", [&] { s.SetMaxOutstanding(0), s.FinishNewFile(sent[1]); }, 3, 1},
        {"a count that disagrees", [&] { flagFirstAgain(), s.CheckNumOutstanding(); }, 3, 2},
        {"window of 5", [&] { s.SetMaxOutstanding(5); }, 4, 3},
    };
    for (const Step& step : steps) {
        step.act();
        StepWhileAllowed(s);
        EXPECT_EQ(step.files, s.GetNumFiles()) << step.what;
        EXPECT_EQ(step.outstanding, s.GetNumOutstanding()) << step.what;
    }
    EXPECT_TRUE(h.db.log.Contains("Acknowledgement for cfID " + std::to_string(sent[0]) +
                                  ", which is not a new file; ignored"));
    EXPECT_TRUE(h.db.log.Contains("2 files are flagged new, but 1 are counted outstanding"));
    EXPECT_FALSE(s.IsScanning());
}

TEST(FileScannerQueueTest, QueueingOffIndexesChangesAndAListingSendsEveryFile) {
    ScanHarness h;
    h.Write("a.mp3");
    h.Write("b.mp3");
    h.Write("mix.m3u");
    testsupport::WriteFileText(h.music + "/mix.m3u", "#EXTM3U\r\n#MVNAME:Mix\r\n");
    ASSERT_EQ(3u, h.Scan().size());

    h.Scanner().Reset();
    h.Remove("a.mp3");
    h.Write("c.mp3");
    h.Scanner().initScan(false);
    testsupport::FinishScans(h.Scanner(), false);
    EXPECT_EQ(0u, h.Scanner().GetSyncQueueSize());
    EXPECT_TRUE(h.db.log.Contains("Not queueing delta because queueing was disabled"));
    EXPECT_EQ(0u, h.CfId("a.mp3"));
    EXPECT_NE(0u, h.CfId("c.mp3"));

    // A listing replaces whatever was queued, and counts nothing as new.
    h.Scanner().QueueFullListing();
    h.Remove("b.mp3");
    h.Write("d.mp3");
    h.Scanner().initScan(false);
    StepWhileAllowed(h.Scanner());
    ASSERT_EQ(5u, h.Scanner().GetSyncQueueSize());
    ASSERT_EQ(2, h.Scanner().GetNumOutstanding());
    h.Scanner().QueueFullListing();
    const std::vector<SyncDelta> listing = testsupport::TakeDeltas(h.Scanner(), false);
    EXPECT_EQ(std::vector<uint32_t>({SYNC_NEW, SYNC_NEW, SYNC_NEW}), Types(listing));
    EXPECT_EQ(2, h.Scanner().GetNumOutstanding());
}

TEST(FileScannerQueueTest, CancellingAScanQueuesADisconnectBehindTheDeltas) {
    ScanHarness h;
    for (const char* name : {"a.mp3", "b.mp3", "sub/c.mp3"})
        h.Write(name);
    FileScanner& s = h.Scanner();
    s.initScan(false);
    s.SetMaxOutstanding(1);
    StepWhileAllowed(s);
    ASSERT_TRUE(s.IsScanning());

    // Without force a running scan only asks for another; with force it
    // starts afresh, its cancellation queued behind the new file.
    s.initScan(false);
    EXPECT_EQ(1u, s.GetSyncQueueSize());
    s.initScan(true);
    EXPECT_TRUE(s.IsScanning());
    EXPECT_EQ(std::vector<uint32_t>({SYNC_NEW, SYNC_DISCONNECT}), Types(testsupport::TakeDeltas(s)));

    s.Reset();
    EXPECT_FALSE(s.IsScanning());
    EXPECT_FALSE(s.HasWorkUnits());
    EXPECT_EQ(0u, s.GetSyncQueueSize());
}
