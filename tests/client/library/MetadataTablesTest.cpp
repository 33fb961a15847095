#include "client/library/MetadataTables.h"

#include "tests/client/library/LibraryDb.h"
#include "tests/support/ManualClock.h"

#include <gtest/gtest.h>

using testsupport::LibraryDb;

namespace {

constexpr char kRowCount[] = "select count(*) from Downloads";

// The Downloads table serves as a plain table of rows to write.
void WriteRows(MetadataTables& tables, int count) {
    for (int i = 0; i < count; ++i)
        ASSERT_TRUE(tables.InsertDownload("d" + std::to_string(i), "t"));
}

} // namespace

TEST(MetadataTablesTest, StatementTextsNameTheColumnsInTheirOrder) {
    EXPECT_EQ(27u, MetadataTables::ColumnNames().size());
    EXPECT_EQ(
        "insert into FileMetadata_v9 (fileName, dirName, size, dataLen, lastModDate, digest, lengthSecs, "
        "bitRate, songID, timeProcessed, confidence, crc, printID, albumID, playCount, trackNum, artHash, "
        "artistID, albumArtistID, song, artist, albumArtist, album, csid, caid, calid, ctn) values ( "
        ":fileName, :dirName, :size, :dataLen, :lastModDate, :digest, :lengthSecs, :bitRate, :songID, "
        ":timeProcessed, :confidence, :crc, :printID, :albumID, :playCount, :trackNum, :artHash, "
        ":artistID, :albumArtistID, :song, :artist, :albumArtist, :album, :csid, :caid, :calid, :ctn);",
        MetadataTables::InsertText());
    EXPECT_EQ(
        "update FileMetadata_v9 set fileName = :fileName, dirName = :dirName, size = :size, dataLen = "
        ":dataLen, lastModDate = :lastModDate, digest = :digest, lengthSecs = :lengthSecs, bitRate = "
        ":bitRate, songID = :songID, timeProcessed = :timeProcessed, confidence = :confidence, crc = :crc, "
        "printID = :printID, albumID = :albumID, playCount = :playCount, trackNum = :trackNum, artHash = "
        ":artHash, artistID = :artistID, albumArtistID = :albumArtistID, song = :song, artist = :artist, "
        "albumArtist = :albumArtist, album = :album, csid = :csid, caid = :caid, calid = :calid, ctn = "
        ":ctn where offset = :offset;",
        MetadataTables::UpdateText());
}

TEST(MetadataTablesTest, OldVersionsAreDroppedAndStartingAgainKeepsRows) {
    LibraryDb h;
    for (int v = 1; v <= 8; ++v)
        ASSERT_TRUE(ExecQuery(h.db.Get(), "create table FileMetadata_v" + std::to_string(v) + " (x)"));
    ASSERT_TRUE(
        ExecQuery(h.db.Get(), "insert into FileMetadata_v9 (fileName, dirName) values ('a.mp3', '/m/')"));
    ASSERT_TRUE(h.Tables().InsertDownload("digest", "tags"));

    h.StartScanner();
    h.StartScanner();
    EXPECT_EQ(0, h.Value("select count(*) from sqlite_master where name like 'FileMetadata_v_' and name != "
                         "'FileMetadata_v9'"));
    EXPECT_EQ(1, h.Value("select count(*) from FileMetadata_v9"));
    EXPECT_EQ(1, h.Value(kRowCount));
    EXPECT_EQ(0, h.Value("select count(*) from CollectionData"));
}

TEST(MetadataTablesTest, AStatementThatCannotBePreparedLeavesTheOthersUsable) {
    LibraryDb h;
    h.scanner.reset();
    // A table of this version that lacks most columns: the row writes cannot
    // be prepared.
    ASSERT_TRUE(ExecQuery(h.db.Get(), "drop table FileMetadata_v9"));
    ASSERT_TRUE(ExecQuery(h.db.Get(),
                          "create table FileMetadata_v9 (offset INTEGER primary key, playCount INTEGER)"));
    MetadataTables tables;
    EXPECT_FALSE(tables.Init(h.db.Get()));
    EXPECT_FALSE(tables.InsertStatement().IsPrepared());
    EXPECT_FALSE(tables.UpdateStatement().IsPrepared());
    EXPECT_TRUE(tables.PlayCountStatement().IsPrepared());
    EXPECT_TRUE(tables.InsertDownload("digest", "tags"));
    EXPECT_TRUE(tables.IsDownloaded("digest", "tags"));
}

TEST(MetadataTablesTest, DownloadsMayRepeatAndEitherRowAnswers) {
    LibraryDb h;
    ASSERT_TRUE(h.Tables().InsertDownload("digest", "tags"));
    ASSERT_TRUE(h.Tables().InsertDownload("digest", "tags"));
    EXPECT_EQ(2, h.Value(kRowCount));
    EXPECT_TRUE(h.Tables().IsDownloaded("digest", "tags"));
    EXPECT_FALSE(h.Tables().IsDownloaded("digest", "other tags"));
    EXPECT_FALSE(h.Tables().IsDownloaded("other", "tags"));
    ASSERT_TRUE(ExecQuery(h.db.Get(), "delete from Downloads where rowid = 1"));
    EXPECT_TRUE(h.Tables().IsDownloaded("digest", "tags"));
}

TEST(MetadataTablesTest, AStatementSqliteRolledBackLeavesNoTransactionToEnd) {
    LibraryDb h;
    MetadataTables& tables = h.Tables();
    ASSERT_TRUE(ExecQuery(h.db.Get(), "create table unique_keys (k integer primary key)"));
    ASSERT_TRUE(ExecQuery(h.db.Get(), "insert into unique_keys values (1)"));

    tables.BeginTransaction();
    ASSERT_TRUE(tables.IsInTransaction());
    WriteRows(tables, 1);
    // The conflict makes SQLite roll the whole transaction back by itself.
    EXPECT_FALSE(ExecQuery(h.db.Get(), "insert or rollback into unique_keys values (1)"));
    EXPECT_FALSE(tables.IsInTransaction());

    const std::string before = h.log.Text();
    tables.EndTransaction();
    tables.BeginTransaction();
    WriteRows(tables, 2);
    tables.EndTransaction();
    const std::string after = h.log.Text().substr(before.size());
    EXPECT_EQ(std::string::npos, after.find("(CRIT)")) << after;
    EXPECT_EQ(std::string::npos, after.find("(ERR)")) << after;
    EXPECT_EQ(2, h.CommittedValue(kRowCount));
}

TEST(MetadataTablesTest, LongWritingCommitsByRowsAndByTime) {
    testsupport::ManualClock clock;
    LibraryDb h;
    MetadataTables& tables = h.Tables();
    tables.BeginTransaction();
    WriteRows(tables, MetadataTables::kCommitRows - 1);
    EXPECT_EQ(0, h.CommittedValue(kRowCount));
    WriteRows(tables, 1);
    EXPECT_EQ(MetadataTables::kCommitRows, h.CommittedValue(kRowCount));
    EXPECT_TRUE(tables.IsInTransaction());

    WriteRows(tables, 1);
    clock.Advance((MetadataTables::kCommitSeconds - 1) * 1000);
    WriteRows(tables, 1);
    EXPECT_EQ(MetadataTables::kCommitRows, h.CommittedValue(kRowCount));
    clock.Advance(1000);
    WriteRows(tables, 1);
    EXPECT_EQ(MetadataTables::kCommitRows + 3, h.CommittedValue(kRowCount));
    EXPECT_TRUE(tables.IsInTransaction());
}

TEST(MetadataTablesTest, AFailedIntervalCommitWaitsForTheNextInterval) {
    LibraryDb h;
    MetadataTables& tables = h.Tables();
    sqlite3* db = h.db.Get();
    ASSERT_TRUE(ExecQuery(db, "PRAGMA foreign_keys = ON"));
    ASSERT_TRUE(ExecQuery(db, "create table parents (id INTEGER primary key)"));
    ASSERT_TRUE(ExecQuery(db, "create table children (parent INTEGER references parents (id) deferrable "
                              "initially deferred)"));
    tables.BeginTransaction();
    // Until the parent exists, END fails and the transaction stays open.
    ASSERT_TRUE(ExecQuery(db, "insert into children values (1)"));
    const auto failedCommits = [&h] {
        const std::string text = h.log.Text();
        int count = 0;
        for (size_t at = text.find("Could not commit"); at != std::string::npos;
             at = text.find("Could not commit", at + 1))
            ++count;
        return count;
    };
    WriteRows(tables, MetadataTables::kCommitRows);
    EXPECT_EQ(1, failedCommits());
    EXPECT_TRUE(tables.IsInTransaction());
    WriteRows(tables, MetadataTables::kCommitRows - 1);
    EXPECT_EQ(1, failedCommits());

    ASSERT_TRUE(ExecQuery(db, "insert into parents values (1)"));
    WriteRows(tables, 1);
    EXPECT_EQ(2 * MetadataTables::kCommitRows, h.CommittedValue(kRowCount));
}
