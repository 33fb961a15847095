#include "client/library/MusicFile.h"

#include "tests/client/library/LibraryDb.h"
#include "tests/support/media/Mp3Fixture.h"

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
        return Reloaded(stored, stored.GetOffset());
    }
    std::unique_ptr<MusicFile> Reloaded(const MusicFile& stored, int64_t offset) {
        return std::make_unique<MusicFile>(stored.GetKey(), offset, stored.GetSize(), stored.GetLastModDate(),
                                           6, 0);
    }
    // Loads a fresh copy of the row at `offset`: it passes its checksum.
    bool RowLoads(const MusicFile& stored, int64_t offset) {
        bool crcFailed = true;
        return Reloaded(stored, offset)->LoadFromDb(h.Tables(), &crcFailed) && !crcFailed;
    }
    uint32_t DirId() { return h.scanner->GetOrAddDirectory(kDir)->m_id; }

    const std::wstring kDir = L"/music/\u00c4rtist/";
    const std::wstring kName = L"s\u00e5ng.mp3";
    LibraryDb h;
};

} // namespace

TEST_F(MusicFileRowTest, RowRoundTripKeepsEveryColumnAtItsExtremes) {
    std::unique_ptr<MusicFile> stored = StoredFile();
    // Row ids are 64-bit everywhere: load, update, play count and delete.
    constexpr int64_t kOffset = 0x100000001;
    const std::string where = " from FileMetadata_v9 where offset = " + std::to_string(kOffset);
    ASSERT_TRUE(ExecQuery(h.db.Get(), "update FileMetadata_v9 set offset = " + std::to_string(kOffset)));
    std::unique_ptr<MusicFile> loaded = Reloaded(*stored, kOffset);
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

    EXPECT_EQ(kOffset, loaded->GetOffset());

    loaded->GetMetadata()->albumID = 8;
    ASSERT_TRUE(loaded->UpdateInDb(h.Tables()));
    EXPECT_EQ(8, h.Value("select albumID" + where));
    // The play count has its own statement and stays outside the checksum.
    loaded->SetPlayCount(42);
    ASSERT_TRUE(loaded->SavePlayCount(h.Tables()));
    std::unique_ptr<MusicFile> again = Reloaded(*stored, kOffset);
    ASSERT_TRUE(again->LoadFromDb(h.Tables(), &crcFailed));
    EXPECT_EQ(42, again->GetPlayCount());
    EXPECT_EQ(8u, again->GetMetadata()->albumID);

    ASSERT_TRUE(again->DeleteFromDb(h.Tables()));
    EXPECT_EQ(0, h.Value("select count(*) from FileMetadata_v9"));
    EXPECT_FALSE(again->StoredInDB());
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
        EXPECT_EQ(c.loads ? kU32Max : 0, loaded->GetSize());
        EXPECT_EQ(c.loads ? kU32Max : 0, loaded->GetLastModDate());
    }
    EXPECT_TRUE(h.log.Contains("CRC failure.  expected "));

    std::unique_ptr<MusicFile> stored = StoredFile();
    ASSERT_TRUE(ExecQuery(h.db.Get(), "delete from FileMetadata_v9"));
    std::unique_ptr<MusicFile> missing = Reloaded(*stored);
    bool crcFailed = true;
    EXPECT_FALSE(missing->LoadFromDb(h.Tables(), &crcFailed));
    EXPECT_FALSE(crcFailed);
    EXPECT_EQ(0u, missing->GetSize());
    EXPECT_EQ(0u, missing->GetLastModDate());
    EXPECT_TRUE(h.log.Contains("Did not find file 6 with offset "));
}

TEST_F(MusicFileRowTest, AWrittenRowAlwaysPassesItsOwnChecksum) {
    // A record read from the file: the size and time the file object was made
    // with are older than the read's.
    const std::wstring dir = h.dir.WPath() + L"/";
    ASSERT_TRUE(testsupport::WriteMp3(h.dir.File("read.mp3"), "", 100));
    MusicFile read(PathKey(L"read.mp3", h.scanner->GetOrAddDirectory(dir)->m_id), 0, 1, 1, 7, -1);
    ASSERT_TRUE(read.Load(dir, L"read.mp3"));
    ASSERT_TRUE(read.InsertIntoDb(h.Tables()));
    EXPECT_TRUE(RowLoads(read, read.GetOffset()));

    // A database that fails to answer once: the file keeps its size and
    // time, and the row it writes after a good load still checks.
    std::unique_ptr<MusicFile> stored = StoredFile();
    std::unique_ptr<MusicFile> loaded = Reloaded(*stored);
    sqlite3_progress_handler(
        h.db.Get(), 1, [](void*) { return 1; }, nullptr);
    bool crcFailed = true;
    EXPECT_FALSE(loaded->LoadFromDb(h.Tables(), &crcFailed));
    sqlite3_progress_handler(h.db.Get(), 0, nullptr, nullptr);
    EXPECT_FALSE(crcFailed);
    EXPECT_TRUE(loaded->MatchesStat(StatOf(kU32Max, kU32Max)));
    ASSERT_TRUE(loaded->LoadFromDb(h.Tables(), &crcFailed));
    ASSERT_TRUE(loaded->UpdateInDb(h.Tables()));
    EXPECT_TRUE(RowLoads(*stored, stored->GetOffset()));
}

TEST(SharedFileTest, MatchesStatWantsBothTheSizeAndTheTime) {
    const MusicFile file(PathKey(L"a.mp3", 1), 0, 5, 7, 1, -1);
    struct {
        uint32_t size, time;
        bool matches;
    } const cases[] = {{5, 7, true}, {6, 7, false}, {5, 8, false}, {6, 8, false}};
    for (const auto& c : cases)
        EXPECT_EQ(c.matches, file.MatchesStat(StatOf(c.size, c.time))) << c.size << " " << c.time;
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
