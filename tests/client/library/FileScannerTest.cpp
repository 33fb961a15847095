#include "client/library/FileScanner.h"
#include "client/library/MusicFile.h"

#include "tests/client/library/LibraryDb.h"
#include "tests/support/ManualClock.h"

#include <gtest/gtest.h>

#include <functional>

using testsupport::LibraryDb;

namespace {

// Stores one row for `dir` + `name` through a file object of the scanner.
void StoreRow(LibraryDb& h, const std::wstring& dir, const std::wstring& name, uint32_t songId = 0) {
    const uint32_t dirId = h.scanner->GetOrAddDirectory(dir)->m_id;
    MusicFile file(PathKey(name, dirId), 0, 0, 0, 1, -1);
    auto md = std::make_unique<FileMetaData>(dir, name);
    md->size = 1000;
    md->lastModDate = 2000;
    md->digest = "d";
    file.SetMetadata(std::move(md));
    file.SetSongId(songId);
    ASSERT_TRUE(file.InsertIntoDb(h.Tables()));
}

} // namespace

TEST(FileScannerTest, StoredRowsLoadWithCfIdsFromOneAndStopOnTheFlag) {
    LibraryDb h;
    StoreRow(h, L"/music/a/", L"1.mp3", 44);
    StoreRow(h, L"/music/a/", L"2.mp3");
    StoreRow(h, L"/music/b/", L"3.m4a");
    ASSERT_TRUE(ExecQuery(h.db.Get(), "update FileMetadata_v9 set offset = offset + 1000"));

    h.host.stop = true;
    h.StartScanner();
    h.scanner->LoadAllMetadata();
    EXPECT_EQ(0, h.scanner->GetNumFiles());

    h.host.stop = false;
    h.StartScanner();
    h.scanner->LoadAllMetadata();
    ASSERT_EQ(3, h.scanner->GetNumFiles());
    EXPECT_EQ(nullptr, h.scanner->FindFileByCfId(0));
    EXPECT_EQ(nullptr, h.scanner->FindFileByCfId(4));
    for (uint32_t cfID = 1; cfID <= 3; ++cfID) {
        SharedFile* file = h.scanner->FindFileByCfId(cfID);
        ASSERT_NE(nullptr, file);
        EXPECT_EQ(SF_MUSIC_FILE, file->GetKind());
        EXPECT_GT(static_cast<MusicFile*>(file)->GetOffset(), 1000);
        std::wstring path;
        file->GetFullPath(path, *h.scanner);
        EXPECT_EQ(cfID, h.scanner->GetCfIdForPath(path));
        EXPECT_FALSE(file->GetNewFile());
    }
    const uint32_t cfID = h.scanner->GetCfIdForPath(L"/music/a/1.mp3");
    ASSERT_NE(0u, cfID);
    EXPECT_EQ(44u, static_cast<MusicFile*>(h.scanner->FindFileByCfId(cfID))->GetSongId());
    EXPECT_EQ(0u, h.scanner->GetCfIdForPath(L"/music/a/1.MP3"));
    EXPECT_EQ(L"size: 2 3 lst: 0 scanning: 0", h.scanner->GetStatusText());
}

TEST(FileScannerTest, PlayHandsTheFullPathToTheOpener) {
    LibraryDb h;
    std::vector<std::wstring> opened;
    h.scanner->SetFileOpener([&](const std::wstring& path, int* error) {
        opened.push_back(path);
        *error = 2;
        return false;
    });
    const uint32_t dirId = h.scanner->GetOrAddDirectory(L"/music/a/")->m_id;
    MusicFile known(PathKey(L"1.mp3", dirId), 1, 0, 0, 7, -1);
    known.Play(*h.scanner, 3);
    EXPECT_EQ(std::vector<std::wstring>({L"/music/a/1.mp3"}), opened);
    EXPECT_TRUE(h.log.Contains("Play failed, res -1, gle 2"));
    EXPECT_TRUE(h.log.Contains("turned cfID 7 into '/music/a/1.mp3'"));

    MusicFile lost(PathKey(L"2.mp3", dirId + 1), 1, 0, 0, 8, -1);
    lost.Play(*h.scanner, 3);
    EXPECT_EQ(1u, opened.size());
    EXPECT_TRUE(h.log.Contains(std::string("(CRIT): could not get path, dirID ") + std::to_string(dirId + 1) +
                               " was missing"));
}

TEST(FileScannerTest, SongInfoIsStoredAsValidTextAndCommitsOnItsOwnInterval) {
    testsupport::ManualClock clock;
    LibraryDb h;
    StoreRow(h, L"/music/a/", L"1.mp3");
    h.StartScanner();
    h.scanner->LoadAllMetadata();
    h.scanner->BeginTransaction();
    int commits = 0;
    sqlite3_commit_hook(
        h.db.Get(),
        [](void* count) {
            ++*static_cast<int*>(count);
            return 0;
        },
        &commits);

    SongInfo info;
    info.song = "\xFF\xFE"
                "Bad";
    info.album = "Alb";
    // Seconds from the start, and the commits made by then. The transaction
    // is older than the scans' 30 s from the first info on; only the
    // interval counted from the last commit, whoever made it, commits.
    const struct {
        int64_t at;
        bool otherCommit; // somebody else commits just after
        int commits;
    } steps[] = {{31, false, 0},  {62, false, 1}, {93, false, 1},
                 {124, false, 2}, {150, true, 3}, {190, false, 3}};
    int64_t now = 0;
    for (const auto& step : steps) {
        clock.Advance((step.at - now) * 1000);
        now = step.at;
        ++info.songID;
        h.scanner->SetSongInfo(1, info);
        if (step.otherCommit) {
            h.scanner->EndTransaction();
            h.scanner->BeginTransaction();
        }
        EXPECT_EQ(step.commits, commits) << step.at;
    }
    // No further write: the core's passes commit the last info once its own
    // interval has passed, the scans' 30 s notwithstanding, and only once.
    const std::pair<int64_t, int> waits[] = {{210, 3}, {211, 4}, {300, 4}};
    for (const auto& [at, commitsThen] : waits) {
        clock.Advance((at - now) * 1000);
        now = at;
        h.scanner->CommitWaitingWrites();
        EXPECT_EQ(commitsThen, commits) << at;
    }
    sqlite3_commit_hook(h.db.Get(), nullptr, nullptr);
    EXPECT_TRUE(h.scanner->IsInTransaction());

    MusicFile* file = static_cast<MusicFile*>(h.scanner->FindFileByCfId(1));
    EXPECT_FALSE(file->HasMetadata());
    bool crcFailed = true;
    ASSERT_TRUE(file->LoadFromDb(h.Tables(), &crcFailed));
    EXPECT_EQ(info.songID, file->GetSongId());
    EXPECT_EQ("\xEF\xBF\xBD\xEF\xBF\xBD"
              "Bad",
              file->GetMetadata()->song);
    EXPECT_EQ("Alb", file->GetMetadata()->album);
    file->ReleaseMetadata();
}

namespace {

// Takes files out of the song map the way no public call does.
class SongMapScanner final : public FileScanner {
  public:
    using FileScanner::FileScanner;
    using FileScanner::RemoveFromSongMap;
};

} // namespace

TEST(FileScannerTest, SongInfoMovesAFileBetweenSongsAndAFailedWriteMovesNothingBack) {
    LibraryDb h;
    for (const wchar_t* name : {L"x.mp3", L"y.mp3", L"z.mp3"})
        StoreRow(h, L"/music/", name);
    h.scanner.reset();
    SongMapScanner s(&h.host);
    ASSERT_TRUE(s.InitMetadataDb({LibraryDb::kShare}, h.db.Get()));
    s.LoadAllMetadata();
    auto cfId = [&](const wchar_t* name) { return s.GetCfIdForPath(std::wstring(L"/music/") + name); };
    auto give = [&](const wchar_t* name, uint32_t songId) {
        SongInfo info;
        info.songID = songId;
        s.SetSongInfo(cfId(name), info);
    };
    // The first file of each song's list, "" when the song has none.
    auto first = [&](uint32_t songId) {
        SongFileInfo info;
        return s.GetSongFileBySongId(songId, info) ? WideToUtf8(info.name) : std::string();
    };

    const struct {
        const char* what;
        std::function<void()> act;
        std::string of10, of20;
    } steps[] = {
        {"from no song", [&] { give(L"x.mp3", 10), give(L"y.mp3", 10), give(L"z.mp3", 10); }, "x", ""},
        {"from one song to another", [&] { give(L"x.mp3", 20); }, "y", "x"},
        {"a file gone from its list",
         [&] {
             s.RemoveFromSongMap(static_cast<MusicFile*>(s.FindFileByCfId(cfId(L"y.mp3"))), 10);
             give(L"y.mp3", 20);
         },
         "z", "x"},
    };
    for (const auto& step : steps) {
        step.act();
        EXPECT_EQ(step.of10, first(10)) << step.what;
        EXPECT_EQ(step.of20, first(20)) << step.what;
    }

    // A write that fails leaves the row behind the file; reading the row
    // again must not move the file back to its old song, or its removal
    // would leave it in the list of the new one.
    ASSERT_EQ(SQLITE_OK, s.GetTables().UpdateStatement().Finalize());
    give(L"x.mp3", 30);
    EXPECT_TRUE(h.log.Contains("Could not store the song info of cfID"));
    uint32_t songId = 0;
    ASSERT_TRUE(s.GetSongIdForCfId(cfId(L"x.mp3"), songId));
    ASSERT_EQ(30u, songId);
    EXPECT_TRUE(s.RemoveSharedFile(cfId(L"x.mp3")));
    EXPECT_EQ("", first(30));
    EXPECT_EQ("y", first(20));
    s.Cleanup();
}
