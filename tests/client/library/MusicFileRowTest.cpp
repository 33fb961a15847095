#include "client/library/MusicFile.h"

#include "tests/client/library/LibraryDb.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <limits>

using testsupport::LibraryDb;

namespace {

constexpr uint32_t kU32Max = std::numeric_limits<uint32_t>::max();
constexpr uint64_t kU64Max = std::numeric_limits<uint64_t>::max();

// Every stored field at an extreme, texts beyond ASCII.
std::unique_ptr<FileMetaData> ExtremeRecord(const std::wstring& dir, const std::wstring& name) {
    auto md = std::make_unique<FileMetaData>(dir, name);
    md->size = kU32Max;
    md->lastModDate = kU32Max;
    md->m_dataLen = 0x100000005ull;
    md->digest = "0123456789abcdef0123456789abcdef";
    md->lengthSecs = kU32Max;
    md->bitRate = 0xFFFF;
    md->printID = 0x8000000000000001ull;
    md->albumID = kU32Max;
    md->timeProcessed = kU32Max;
    md->confidence = 0xFF;
    md->trackNum = 0xFFFF;
    md->artHash = kU64Max;
    md->artistID = kU32Max;
    md->albumArtistID = 0x80000000u;
    md->song = "S\xC3\xA5ng \xF0\x9F\x8E\xB5";
    md->artist = "\xC3\x85rtist";
    md->albumArtist = "";
    md->album = "Alb\xC3\xBCm";
    md->csid = kU32Max;
    md->caid = 1;
    md->calid = 0x80000000u;
    md->ctn = 0xFFFF;
    return md;
}

struct stat StatOf(uint32_t size, uint32_t time) {
    struct stat record {};
    record.st_size = size;
    record.st_mtime = time;
    return record;
}

class MusicFileRowTest : public ::testing::Test {
  protected:
    // A music file with an extreme record, stored; returns its offset.
    std::unique_ptr<MusicFile> StoredFile() {
        auto file = std::make_unique<MusicFile>(PathKey(kName, DirId()), 0, 0, 0, 5, -1);
        file->SetSongId(kU32Max);
        file->SetMetadata(ExtremeRecord(kDir, kName));
        EXPECT_FALSE(file->StoredInDB());
        EXPECT_TRUE(file->InsertIntoDb(h.Tables()));
        EXPECT_TRUE(file->StoredInDB());
        return file;
    }
    // The same row as a file loaded at start knows it.
    std::unique_ptr<MusicFile> Reloaded(const MusicFile& stored) {
        return std::make_unique<MusicFile>(stored.GetKey(), stored.GetOffset(), stored.GetSize(),
                                           stored.GetLastModDate(), 6, 0);
    }
    uint32_t DirId() { return h.scanner->GetOrAddDirectory(kDir)->m_id; }

    const std::wstring kDir = L"/music/\u00c4rtist/";
    const std::wstring kName = L"s\u00e5ng.mp3";
    LibraryDb h;
};

} // namespace

TEST_F(MusicFileRowTest, RowRoundTripKeepsEveryColumnAtItsExtremes) {
    std::unique_ptr<MusicFile> stored = StoredFile();
    std::unique_ptr<MusicFile> loaded = Reloaded(*stored);
    bool crcFailed = true;
    ASSERT_TRUE(loaded->LoadFromDb(h.Tables(), &crcFailed));
    EXPECT_FALSE(crcFailed);

    const FileMetaData& a = *stored->GetMetadata();
    const FileMetaData& b = *loaded->GetMetadata();
    EXPECT_EQ(a.pFileName, b.pFileName);
    EXPECT_EQ(a.pDirName, b.pDirName);
    EXPECT_EQ(a.size, b.size);
    EXPECT_EQ(a.m_dataLen, b.m_dataLen);
    EXPECT_EQ(a.lastModDate, b.lastModDate);
    EXPECT_EQ(a.digest, b.digest);
    EXPECT_EQ(a.lengthSecs, b.lengthSecs);
    EXPECT_EQ(a.bitRate, b.bitRate);
    EXPECT_EQ(kU32Max, loaded->GetSongId());
    EXPECT_EQ(a.timeProcessed, b.timeProcessed);
    EXPECT_EQ(a.confidence, b.confidence);
    EXPECT_EQ(a.printID, b.printID);
    EXPECT_EQ(a.albumID, b.albumID);
    EXPECT_EQ(-1, loaded->GetPlayCount());
    EXPECT_EQ(a.trackNum, b.trackNum);
    EXPECT_EQ(a.artHash, b.artHash);
    EXPECT_EQ(a.artistID, b.artistID);
    EXPECT_EQ(a.albumArtistID, b.albumArtistID);
    EXPECT_EQ(a.song, b.song);
    EXPECT_EQ(a.artist, b.artist);
    EXPECT_EQ(a.albumArtist, b.albumArtist);
    EXPECT_EQ(a.album, b.album);
    EXPECT_EQ(a.csid, b.csid);
    EXPECT_EQ(a.caid, b.caid);
    EXPECT_EQ(a.calid, b.calid);
    EXPECT_EQ(a.ctn, b.ctn);
    EXPECT_EQ(MP3, b.GetEncType());
    // Unsigned values are stored as themselves, not as negative numbers.
    EXPECT_EQ(int64_t{kU32Max}, h.Value("select size from FileMetadata_v9"));
    EXPECT_EQ(0x100000005, h.Value("select dataLen from FileMetadata_v9"));

    // The play count has its own statement and stays outside the checksum.
    loaded->SetPlayCount(42);
    ASSERT_TRUE(loaded->SavePlayCount(h.Tables()));
    std::unique_ptr<MusicFile> again = Reloaded(*stored);
    ASSERT_TRUE(again->LoadFromDb(h.Tables(), &crcFailed));
    EXPECT_EQ(42, again->GetPlayCount());

    ASSERT_TRUE(again->DeleteFromDb(h.Tables()));
    EXPECT_EQ(0, h.Value("select count(*) from FileMetadata_v9"));
}

TEST_F(MusicFileRowTest, AChangedColumnFailsTheChecksumAndTheFileIsReadAgain) {
    struct {
        const char* change;
        bool loads;
    } const cases[] = {
        {"album = 'Other'", false}, {"dataLen = dataLen + 1", false}, {"dirName = '/music/other/'", false},
        {"songID = 5", false},      {"crc = crc + 1", false},         {"playCount = 41", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.change);
        std::unique_ptr<MusicFile> stored = StoredFile();
        ASSERT_TRUE(ExecQuery(h.db.Get(), std::string("update FileMetadata_v9 set ") + c.change +
                                              " where offset = " + std::to_string(stored->GetOffset())));
        std::unique_ptr<MusicFile> loaded = Reloaded(*stored);
        bool crcFailed = !c.loads;
        EXPECT_EQ(c.loads, loaded->LoadFromDb(h.Tables(), &crcFailed));
        EXPECT_EQ(!c.loads, crcFailed);
        EXPECT_EQ(c.loads, loaded->HasMetadata());
        // A file whose row failed forgets its size and time: the next scan
        // finds it changed and reads it again.
        EXPECT_EQ(c.loads, loaded->MatchesStat(StatOf(kU32Max, kU32Max)));
    }
    EXPECT_TRUE(h.log.Contains("CRC failure.  expected "));

    std::unique_ptr<MusicFile> stored = StoredFile();
    ASSERT_TRUE(ExecQuery(h.db.Get(), "delete from FileMetadata_v9"));
    std::unique_ptr<MusicFile> missing = Reloaded(*stored);
    bool crcFailed = true;
    EXPECT_FALSE(missing->LoadFromDb(h.Tables(), &crcFailed));
    EXPECT_FALSE(crcFailed);
    EXPECT_FALSE(missing->MatchesStat(StatOf(kU32Max, kU32Max)));
    EXPECT_TRUE(h.log.Contains("Did not find file 6 with offset "));
}

TEST_F(MusicFileRowTest, AHeldRecordIsCountedNotReadAgain) {
    std::unique_ptr<MusicFile> stored = StoredFile();
    std::unique_ptr<MusicFile> loaded = Reloaded(*stored);
    bool crcFailed = false;
    ASSERT_TRUE(loaded->LoadFromDb(h.Tables(), &crcFailed));
    ASSERT_TRUE(ExecQuery(h.db.Get(), "delete from FileMetadata_v9"));
    EXPECT_TRUE(loaded->LoadFromDb(h.Tables(), &crcFailed));
    EXPECT_EQ(2, loaded->GetRefCount());
    loaded->ReleaseMetadata();
    EXPECT_TRUE(loaded->HasMetadata());
    loaded->ReleaseMetadata();
    EXPECT_FALSE(loaded->HasMetadata());
    loaded->ReleaseMetadata();
    EXPECT_EQ(0, loaded->GetRefCount());

    // A record whose directory is not in its canonical form is not stored.
    auto odd = std::make_unique<MusicFile>(PathKey(kName, DirId()), 0, 0, 0, 7, -1);
    odd->SetMetadata(ExtremeRecord(L"/music/no-slash", kName));
    EXPECT_FALSE(odd->InsertIntoDb(h.Tables()));
    EXPECT_FALSE(odd->StoredInDB());
}
