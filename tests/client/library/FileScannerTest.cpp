#include "client/library/FileScanner.h"
#include "client/library/MusicFile.h"

#include "tests/client/library/LibraryDb.h"
#include "tests/support/ManualClock.h"

#include <gtest/gtest.h>

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

TEST(FileScannerTest, SongInfoIsStoredAsValidTextAndCommittedAtMostOncePerInterval) {
    testsupport::ManualClock clock;
    LibraryDb h;
    StoreRow(h, L"/music/a/", L"1.mp3");
    h.StartScanner();
    h.scanner->LoadAllMetadata();
    h.scanner->BeginTransaction();

    SongInfo info;
    info.songID = 77;
    info.song = "\xFF\xFE"
                "Bad";
    info.album = "Alb";
    clock.Advance(FileScanner::kSongInfoCommitSeconds * 1000);
    h.scanner->SetSongInfo(1, info);
    EXPECT_EQ(77, h.CommittedValue("select songID from FileMetadata_v9"));
    info.songID = 78;
    h.scanner->SetSongInfo(1, info);
    EXPECT_EQ(77, h.CommittedValue("select songID from FileMetadata_v9"));
    EXPECT_TRUE(h.scanner->IsInTransaction());

    MusicFile* file = static_cast<MusicFile*>(h.scanner->FindFileByCfId(1));
    EXPECT_FALSE(file->HasMetadata());
    bool crcFailed = true;
    ASSERT_TRUE(file->LoadFromDb(h.Tables(), &crcFailed));
    EXPECT_EQ(78u, file->GetSongId());
    EXPECT_EQ("\xEF\xBF\xBD\xEF\xBF\xBD"
              "Bad",
              file->GetMetadata()->song);
    EXPECT_EQ("Alb", file->GetMetadata()->album);
    file->ReleaseMetadata();
}
