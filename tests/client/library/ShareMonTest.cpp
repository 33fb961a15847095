#include "client/library/ShareMon.h"

#include "include/text/Utf8.h"
#include "tests/support/CapturedLog.h"
#include "tests/support/ManualClock.h"
#include "tests/support/TempDir.h"
#include "tests/support/WaitUntil.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

using testsupport::CapturedLog;
using testsupport::TempDir;
using testsupport::WaitUntil;

namespace {

const char* TypeName(int type) {
    switch (type) {
    case SINGLE_FILE:
        return "SINGLE_FILE";
    case FULL_SCAN:
        return "FULL_SCAN";
    case FILE_MODIFIED:
        return "FILE_MODIFIED";
    default:
        return "?";
    }
}

void Touch(const std::string& path) {
    const int fd = open(path.c_str(), O_CREAT | O_WRONLY | O_CLOEXEC, 0644);
    ASSERT_GE(fd, 0) << path;
    close(fd);
}

void Append(const std::string& path) {
    const int fd = open(path.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
    ASSERT_GE(fd, 0) << path;
    ASSERT_EQ(1, write(fd, "x", 1));
    close(fd);
}

class ShareMonTest : public ::testing::Test {
  protected:
    void SetUp() override {
        monitor.Start();
        monitor.SetShares({share.WPath()});
    }

    std::string In(const std::string& relative) const { return share.File(relative); }

    // The requests made so far as "<type> <path below the share>". The
    // monitor handles changes in order, so once the request for a marker
    // file made last arrives, every change before it has been handled.
    // Requests for markers are left out (closing one asks for a scan too).
    std::vector<std::string> Requests() {
        const std::string marker = "marker" + std::to_string(++m_markers) + ".mp3";
        Touch(In(marker));
        std::vector<std::string> seen;
        bool markerSeen = false;
        const bool arrived = WaitUntil([&] {
            std::list<std::unique_ptr<ScanFileRequest>> taken;
            monitor.TakeChanges(taken);
            for (const auto& request : taken) {
                std::string path = WideToUtf8(request->GetPath());
                path = path.size() > share.Path().size() ? path.substr(share.Path().size() + 1) : ".";
                if (path == marker && request->GetType() == SINGLE_FILE)
                    markerSeen = true;
                else if (path.rfind("marker", 0) != 0)
                    seen.push_back(std::string(TypeName(request->GetType())) + " " + path);
            }
            return markerSeen;
        });
        EXPECT_TRUE(arrived) << "no request for " << marker;
        return seen;
    }

    TempDir share;
    TempDir outside;
    CapturedLog log;
    ShareMon monitor;

  private:
    int m_markers = 0;
};

} // namespace

TEST_F(ShareMonTest, ChangesInTheSharedTreeBecomeRequests) {
    using Strings = std::vector<std::string>;
    const struct {
        const char* what;
        std::function<void()> change;
        Strings requests;
    } steps[] = {
        // Created, then closed after writing.
        {"a new music file",
         [&] { Touch(In("song.mp3")); },
         {"SINGLE_FILE song.mp3", "SINGLE_FILE song.mp3"}},
        {"it grows", [&] { Append(In("song.mp3")); }, {"FILE_MODIFIED song.mp3", "SINGLE_FILE song.mp3"}},
        {"it goes", [&] { ASSERT_EQ(0, unlink(In("song.mp3").c_str())); }, {"FULL_SCAN song.mp3"}},
        {"a file that is not shared", [&] { Touch(In("notes.txt")); }, {}},
        {"a new folder", [&] { ASSERT_EQ(0, mkdir(In("Album").c_str(), 0755)); }, {"FULL_SCAN Album"}},
        {"a file in it",
         [&] { Touch(In("Album/song.mp3")); },
         {"SINGLE_FILE Album/song.mp3", "SINGLE_FILE Album/song.mp3"}},
        {"a player's library file renamed",
         [&] {
             Touch(In("iTunes Library.itl"));
             ASSERT_EQ(0, rename(In("iTunes Library.itl").c_str(), In("iTunes Library.itl.old").c_str()));
         },
         {}},
        {"the folder moved within the share",
         [&] { ASSERT_EQ(0, rename(In("Album").c_str(), In("Moved").c_str())); },
         {"FULL_SCAN Album", "FULL_SCAN Moved"}},
        {"a file in it, under its new path",
         [&] { Touch(In("Moved/two.mp3")); },
         {"SINGLE_FILE Moved/two.mp3", "SINGLE_FILE Moved/two.mp3"}},
        {"the folder moved out of the share",
         [&] { ASSERT_EQ(0, rename(In("Moved").c_str(), outside.File("Moved").c_str())); },
         {"FULL_SCAN Moved"}},
        {"a file in it, no longer shared", [&] { Touch(outside.File("Moved/three.mp3")); }, {}},
    };
    for (const auto& step : steps) {
        step.change();
        EXPECT_EQ(step.requests, Requests()) << step.what;
    }
    EXPECT_TRUE(log.Contains("Ignoring change to file"));
}

TEST_F(ShareMonTest, ANewShareSetKeepsTheWatchesOfTheSharesItKeeps) {
    monitor.SetShares({share.WPath()});
    EXPECT_EQ(1, log.Count("Created a new monitored share"));
    EXPECT_TRUE(log.Contains("Match found; current share"));
    Touch(In("song.mp3"));
    EXPECT_EQ(std::vector<std::string>({"SINGLE_FILE song.mp3", "SINGLE_FILE song.mp3"}), Requests());

    // The same folder twice is a log line and a full scan.
    monitor.SetShares({share.WPath(), share.WPath()});
    EXPECT_TRUE(log.Contains("more than once"));
    EXPECT_EQ(std::vector<std::string>({"FULL_SCAN ."}), Requests());

    // Another folder in its place: the first is no longer watched.
    monitor.SetShares({outside.WPath()});
    EXPECT_TRUE(log.Contains("Stop monitored share for"));
    Touch(In("gone.mp3"));
    Touch(outside.File("here.mp3"));
    // Created, then closed after writing; nothing of the old share.
    std::list<std::unique_ptr<ScanFileRequest>> taken;
    ASSERT_TRUE(WaitUntil([&] {
        monitor.TakeChanges(taken);
        return taken.size() >= 2;
    }));
    EXPECT_EQ(2u, taken.size());
    for (const auto& request : taken)
        EXPECT_EQ(outside.WFile("here.mp3"), request->GetPath());
}

TEST_F(ShareMonTest, StopEndsTheThread) {
    monitor.Stop();
    EXPECT_FALSE(log.Contains("did not end"));
    monitor.Stop();
}

TEST(ShareMonLimitTest, SharesBeyondTheWatchLimitGetAFullScanEveryQuarterHour) {
    testsupport::ManualClock clock;
    TempDir first, second;
    ASSERT_EQ(0, mkdir(first.File("sub").c_str(), 0755));
    ASSERT_EQ(0, mkdir(second.File("sub").c_str(), 0755));
    CapturedLog log;
    // Each share's own folder is watched; the system refuses the next.
    int nextWd = 0;
    ShareMon monitor([&](const char* path, uint32_t) {
        const std::string folder = path;
        return folder == first.Path() || folder == second.Path() ? ++nextWd : -ENOSPC;
    });
    monitor.Start();
    monitor.SetShares({first.WPath(), second.WPath()});
    EXPECT_EQ(1, log.Count("limit of folder watches is reached"));

    clock.Advance(ShareMon::kFallbackScanMs);
    // A new share set wakes the monitor to look at its timers.
    monitor.SetShares({first.WPath(), second.WPath()});
    std::list<std::unique_ptr<ScanFileRequest>> taken;
    ASSERT_TRUE(WaitUntil([&] {
        monitor.TakeChanges(taken);
        return taken.size() >= 2;
    }));
    ASSERT_EQ(2u, taken.size());
    for (const auto& request : taken)
        EXPECT_EQ(FULL_SCAN, request->GetType());
    EXPECT_EQ(first.WPath(), taken.front()->GetPath());
    EXPECT_EQ(second.WPath(), taken.back()->GetPath());
    EXPECT_EQ(1, log.Count("limit of folder watches is reached"));
}
