#include "client/library/FileScanner.h"

#include "tests/client/library/ScanHarness.h"
#include "tests/support/ManualClock.h"
#include "tests/support/media/Mp3Fixture.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
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
