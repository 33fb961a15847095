#include "client/library/FileScanner.h"

#include "tests/client/library/ScanHarness.h"
#include "tests/support/ManualClock.h"
#include "tests/support/media/Mp3Fixture.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <functional>
#include <map>

using testsupport::ScanHarness;

namespace {

// The deltas as "NEW <path>" and "DEL <path>" (paths below the music
// folder), sorted: a listing's order is the file system's. Files gone from
// the index are named through `before`.
std::vector<std::string> Describe(ScanHarness& h, const std::vector<SyncDelta>& deltas,
                                  const std::map<uint32_t, std::string>& before = {}) {
    std::vector<std::string> described;
    for (const SyncDelta& delta : deltas) {
        std::string path = "?";
        if (SharedFile* file = h.Scanner().FindFileByCfId(delta.cfID); file && delta.m_type == SYNC_NEW) {
            std::wstring full;
            file->GetFullPath(full, h.Scanner());
            path = WideToUtf8(full).substr(h.music.size() + 1);
        } else if (auto it = before.find(delta.cfID); it != before.end()) {
            path = it->second;
        }
        described.push_back((delta.m_type == SYNC_NEW ? "NEW " : "DEL ") + path);
    }
    std::sort(described.begin(), described.end());
    return described;
}

std::map<uint32_t, std::string> Ids(ScanHarness& h, const std::vector<std::string>& paths) {
    std::map<uint32_t, std::string> ids;
    for (const std::string& path : paths) {
        if (uint32_t cfID = h.CfId(path))
            ids[cfID] = path;
    }
    return ids;
}

} // namespace

TEST(FileScannerWalkTest, RescansFollowTheDisk) {
    testsupport::ManualClock clock;
    ScanHarness h;
    for (const char* name : {"rock/one.mp3", "rock/two.mp3", "rock/Case.mp3", "rock/case.mp3",
                             "jazz/deep/three.M4A", "notes.txt", ".mp3", "unreadable.mp3", "bad\xFF.mp3"})
        h.Write(name);
    ASSERT_EQ(0, symlink((h.music + "/rock").c_str(), (h.music + "/linkdir").c_str()));
    ASSERT_EQ(0, symlink((h.music + "/rock/two.mp3").c_str(), (h.music + "/link.mp3").c_str()));
    ASSERT_EQ(0, mkfifo((h.music + "/pipe.mp3").c_str(), 0600));
    const std::vector<std::string> known = {"rock/one.mp3",  "rock/two.mp3",        "rock/Case.mp3",
                                            "rock/case.mp3", "jazz/deep/three.M4A", "link.mp3"};

    // First scan: names compare exactly, a link to a file is that file, a link
    // to a folder is not entered, and odd names are skipped.
    EXPECT_EQ(std::vector<std::string>({"NEW jazz/deep/three.M4A", "NEW link.mp3", "NEW rock/Case.mp3",
                                        "NEW rock/case.mp3", "NEW rock/one.mp3", "NEW rock/two.mp3"}),
              Describe(h, h.Scan()));
    EXPECT_EQ(7, h.reads);
    EXPECT_EQ(6, h.Rows());
    EXPECT_EQ(0, h.Scanner().GetNumOutstanding());
    EXPECT_TRUE(h.db.log.Contains("Skipping a name that is not valid UTF-8"));
    EXPECT_EQ(0u, h.CfId("linkdir/one.mp3"));
    const std::map<uint32_t, std::string> first = Ids(h, known);
    EXPECT_EQ(6u, first.size());

    // Nothing changed: nothing is queued, every cfID stays, and only the file
    // that could not be read is tried again.
    EXPECT_TRUE(h.Scan().empty());
    EXPECT_EQ(8, h.reads);
    EXPECT_EQ(first, Ids(h, known));

    // A changed file is a new file to the server, with a new cfID and row.
    h.Write("rock/one.mp3", 20);
    EXPECT_EQ(std::vector<std::string>({"DEL rock/one.mp3", "NEW rock/one.mp3"}),
              Describe(h, h.Scan(), first));
    EXPECT_EQ(10, h.reads);
    EXPECT_EQ(1, h.db.Value("select count(*) from FileMetadata_v9 where fileName = 'one.mp3' and size = 20"));
    EXPECT_EQ(6, h.Rows());
    EXPECT_EQ(0u, first.count(h.CfId("rock/one.mp3")));

    // A file and a folder go; so do their rows and the folder records, also
    // when as many other files changed in the same scan.
    const std::map<uint32_t, std::string> third = Ids(h, known);
    h.Remove("rock/Case.mp3");
    h.Remove("jazz");
    h.Write("rock/one.mp3", 30);
    h.Write("rock/case.mp3", 30);
    EXPECT_EQ(std::vector<std::string>({"DEL jazz/deep/three.M4A", "DEL rock/Case.mp3", "DEL rock/case.mp3",
                                        "DEL rock/one.mp3", "NEW rock/case.mp3", "NEW rock/one.mp3"}),
              Describe(h, h.Scan(), third));
    EXPECT_EQ(4, h.Rows());
    EXPECT_EQ(L"size: 2 4 lst: 0 scanning: 0", h.Scanner().GetStatusText());
}

TEST(FileScannerWalkTest, FirstScanIsQuickAndAFullScanFollows) {
    ScanHarness h;
    h.db.host.fileScans = 0;
    for (int i = 1; i <= 8; ++i)
        h.Write("poor" + std::to_string(i) + ".mp3");
    h.Scanner().initScan(false);
    h.Scanner().SetMaxOutstanding(100);
    while (h.Scanner().GetNumScans() == 0)
        h.Scanner().ScanStep();
    EXPECT_EQ(5, h.Scanner().GetNumFiles());
    EXPECT_TRUE(h.db.log.Contains("first scan -- trying to be quick about it"));
    EXPECT_TRUE(h.db.log.Contains("because it has bad tags during a quick scan"));
    EXPECT_TRUE(h.Scanner().IsScanning());

    testsupport::FinishScans(h.Scanner());
    EXPECT_EQ(8, h.Scanner().GetNumFiles());
    EXPECT_EQ(2u, h.Scanner().GetNumScans());
    EXPECT_EQ(2, h.db.host.fileScans);
    EXPECT_EQ(2, h.db.host.playCountRequests);
}

TEST(FileScannerWalkTest, RestartLoadsRowsWithoutReadingFilesAndDropsADuplicateRow) {
    ScanHarness h;
    for (const char* name : {"a.mp3", "b.mp3", "c/d.mp3"})
        h.Write(name);
    h.Scan();
    h.Scanner().EndTransaction();
    ASSERT_TRUE(
        ExecQuery(h.db.db.Get(),
                  "insert into FileMetadata_v9 select NULL, fileName, dirName, size, dataLen, lastModDate, "
                  "digest, lengthSecs, bitRate, songID, printID, albumID, timeProcessed, confidence, crc, "
                  "trackNum, artHash, playCount, artistID, albumArtistID, song, artist, albumArtist, "
                  "album, csid, caid, calid, ctn from FileMetadata_v9 where fileName = 'b.mp3'"));
    ASSERT_EQ(4, h.Rows());

    h.Restart();
    h.reads = 0;
    EXPECT_TRUE(h.Scan().empty());
    EXPECT_EQ(0, h.reads);
    EXPECT_EQ(3, h.Scanner().GetNumFiles());
    EXPECT_EQ(3, h.Rows());
    EXPECT_TRUE(h.db.log.Contains("has a row already"));
    for (const char* name : {"a.mp3", "b.mp3", "c/d.mp3"}) {
        const uint32_t cfID = h.CfId(name);
        EXPECT_GE(cfID, 1u);
        EXPECT_LE(cfID, 3u);
    }
}

TEST(FileScannerWalkTest, RealMp3FilesAreReadAndStored) {
    ScanHarness h;
    MusicFile::SetMetadataReader({});
    testsupport::Mp3Tags tags;
    tags.v2 = true;
    tags.title = "Road";
    tags.artist = "Band";
    ASSERT_TRUE(testsupport::WriteMp3(h.music + "/tagged.mp3", "", 120, tags));
    ASSERT_TRUE(testsupport::WriteMp3(h.music + "/plain.mp3", "", 80));
    testsupport::WriteFileText(h.music + "/noise.mp3", std::string(4000, 'n'));

    const std::vector<SyncDelta> deltas = h.Scan();
    EXPECT_EQ(2u, deltas.size());
    EXPECT_EQ(2, h.Rows());
    EXPECT_EQ(0u, h.CfId("noise.mp3"));
    EXPECT_EQ(1, h.db.Value("select count(*) from FileMetadata_v9 where length(digest) = 32 and fileName = "
                            "'tagged.mp3' and lengthSecs = 3"));

    SongFileInfo info;
    ASSERT_TRUE(h.Scanner().GetFileInfoByCfId(h.CfId("tagged.mp3"), info));
    EXPECT_EQ(h.Path("tagged.mp3"), info.path);
    EXPECT_EQ(L"tagged", info.name);
    EXPECT_EQ(static_cast<uint32_t>(MP3), info.encType);
    EXPECT_EQ(3u, info.printSecs);
}

TEST(FileScannerWalkTest, SharesAreWalkedInOrderBreadthFirstOneUnitAStep) {
    ScanHarness h;
    // One file and one folder at most in each folder: the file system's
    // listing order cannot matter.
    for (const char* name : {"b/b1.mp3", "b/x/b2.mp3", "a/a1.mp3", "a/sub/a2.mp3", "a/sub/deeper/a3.mp3"})
        h.Write(name);
    h.db.host.shares = {h.Path("b"), h.Path("a"), h.Path("b")};
    FileScanner& s = h.Scanner();
    s.SetCurShares(h.db.host.shares);
    s.initScan(false);
    s.SetMaxOutstanding(UINT32_MAX);
    std::vector<std::string> reads;
    for (int step = 1; s.HasWorkUnits(); ++step) {
        const size_t before = h.readPaths.size();
        s.ScanStep();
        for (size_t i = before; i < h.readPaths.size(); ++i)
            reads.push_back(std::to_string(step) + " " + h.readPaths[i]);
    }
    // Each listing puts its files first and its folders last.
    EXPECT_EQ(std::vector<std::string>(
                  {"2 a/a1.mp3", "4 b/b1.mp3", "6 a/sub/a2.mp3", "8 b/x/b2.mp3", "10 a/sub/deeper/a3.mp3"}),
              reads);
    EXPECT_EQ(1u, s.GetNumScans());
}

TEST(FileScannerWalkTest, OnlyAWholeWalkRemovesWhatItDidNotSee) {
    struct Case {
        const char* name;
        std::function<void(ScanHarness&)> act;
        int64_t rows;
        size_t removals;
        uint32_t scans;
        const char* logLine; // "" for none
    };
    const Case cases[] = {
        {"no shares: every file goes",
         [](ScanHarness& h) {
             h.Scanner().SetCurShares({});
             h.Scanner().initScan(false);
         },
         0, 2, 2, "no work units in InitScan, finishing"},
        {"a stop in the middle of a listing: nothing goes",
         [](ScanHarness& h) {
             h.Scanner().initScan(false);
             h.db.host.stop = true;
             h.Scanner().ScanStep();
         },
         2, 0, 1, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScanHarness h;
        h.Write("a.mp3");
        h.Write("sub/b.mp3");
        ASSERT_EQ(2u, h.Scan().size());
        c.act(h);
        std::vector<uint32_t> types;
        for (const SyncDelta& delta : testsupport::TakeDeltas(h.Scanner()))
            types.push_back(delta.m_type);
        EXPECT_EQ(std::vector<uint32_t>(c.removals, SYNC_DEL), types);
        EXPECT_EQ(c.rows, h.Rows());
        EXPECT_EQ(c.scans, h.Scanner().GetNumScans());
        EXPECT_TRUE(h.db.log.Contains(c.logLine)) << c.logLine;
    }
}

TEST(FileScannerWalkTest, AChangedPlaylistKeepsItsCfIdOrIsWithdrawn) {
    struct Case {
        const char* name;
        const char* playlistsFolder; // after the change
        uint32_t type;
    };
    const Case cases[] = {
        {"read again under its cfID", "lists", SYNC_NEW},
        {"no longer in the playlists folder", "other", SYNC_DEL},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScanHarness h;
        h.db.host.playlistDir = h.Path("lists");
        h.Write("lists/Mix.m3u");
        testsupport::WriteFileText(h.music + "/lists/Mix.m3u", "#EXTM3U\r\n#MVNAME:Mix\r\n");
        ASSERT_EQ(1u, h.Scan().size());
        const uint32_t cfID = h.CfId("lists/Mix.m3u");

        testsupport::WriteFileText(h.music + "/lists/Mix.m3u", "#EXTM3U\r\n#MVNAME:Mix\r\n#MVINF:5\r\n");
        h.db.host.playlistDir = h.Path(c.playlistsFolder);
        const std::vector<SyncDelta> deltas = h.Scan();
        ASSERT_EQ(1u, deltas.size());
        EXPECT_EQ(c.type, deltas[0].m_type);
        EXPECT_EQ(cfID, deltas[0].cfID);
        EXPECT_EQ(static_cast<uint32_t>(SF_PLAYLIST), deltas[0].kind);
        EXPECT_EQ(c.type == SYNC_NEW ? cfID : 0u, h.CfId("lists/Mix.m3u"));
    }
}
