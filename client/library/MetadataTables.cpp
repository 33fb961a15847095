#include "client/library/MetadataTables.h"

#include "include/db/StatementHelpers.h"
#include "include/log/Logger.h"
#include "platform/time/Clock.h"

#include <utility>

namespace {

constexpr int kFirstOldVersion = 1;
constexpr int kLastOldVersion = 8;

constexpr char kCreateMetadataTable[] =
    "create table if not exists FileMetadata_v9 (offset INTEGER primary key, fileName TEXT, dirName TEXT, "
    "size INTEGER, dataLen INTEGER, lastModDate INTEGER, digest TEXT, lengthSecs INTEGER, bitRate INTEGER, "
    "songID INTEGER, printID INTEGER, albumID INTEGER, timeProcessed INTEGER, confidence INTEGER, crc "
    "INTEGER, trackNum INTEGER, artHash INTEGER, playCount INTEGER, artistID INTEGER, albumArtistID "
    "INTEGER, song TEXT, artist TEXT, albumArtist TEXT, album TEXT, csid INTEGER, caid INTEGER, calid "
    "INTEGER, ctn INTEGER )";
constexpr char kCreateDownloadsTable[] = "create table if not exists Downloads (file TEXT key, md TEXT )";
constexpr char kCreateCollectionDataTable[] =
    "create table if not exists CollectionData (key TEXT primary key, value BIGINT, lastUpdated INTEGER )";
constexpr char kIsDownloadedText[] = "select count(*) from Downloads where file = :file and md = :md";
constexpr char kInsertDownloadText[] = "insert into Downloads (file, md) values (:file, :md)";

std::string BuildInsertText() {
    std::string names, params;
    for (const std::string& name : MetadataTables::ColumnNames()) {
        if (!names.empty()) {
            names += ", ";
            params += ", ";
        }
        names += name;
        params += ":" + name;
    }
    return "insert into FileMetadata_v9 (" + names + ") values ( " + params + ");";
}

std::string BuildUpdateText() {
    std::string sets;
    for (const std::string& name : MetadataTables::ColumnNames()) {
        if (!sets.empty())
            sets += ", ";
        sets += name + " = :" + name;
    }
    return "update FileMetadata_v9 set " + sets + " where offset = :offset;";
}

bool Prepare(sqlite3* db, platform::SqliteStatement& statement, const std::string& text) {
    const int res = statement.Prepare(db, text);
    if (res != SQLITE_OK) {
        MVLOG(LOG_CRIT, "Sqlite returned %i preparing %s: %s", res, text.c_str(), sqlite3_errmsg(db));
        return false;
    }
    return true;
}

bool BindDigests(platform::SqliteStatement& statement, const std::string& digest,
                 const std::string& tagDigest) {
    return BindUtf8(statement.Get(), 1, digest) && BindUtf8(statement.Get(), 2, tagDigest);
}

} // namespace

const char MetadataTables::kPlayCountText[] =
    "update FileMetadata_v9 set playCount = :playCount where offset = :offset;";
const char MetadataTables::kSelectByOffsetText[] = "select * from FileMetadata_v9 where offset = ?";
const char MetadataTables::kDeleteByOffsetText[] = "delete from FileMetadata_v9 where offset = ?";

MetadataTables::MetadataTables() : m_lastCommit(platform::MonotonicSeconds()) {}

const std::vector<std::string>& MetadataTables::ColumnNames() {
    static const std::vector<std::string> names = {
        "fileName",    "dirName",  "size",          "dataLen",    "lastModDate",   "digest",  "lengthSecs",
        "bitRate",     "songID",   "timeProcessed", "confidence", "crc",           "printID", "albumID",
        "playCount",   "trackNum", "artHash",       "artistID",   "albumArtistID", "song",    "artist",
        "albumArtist", "album",    "csid",          "caid",       "calid",         "ctn"};
    return names;
}

const std::string& MetadataTables::InsertText() {
    static const std::string text = BuildInsertText();
    return text;
}

const std::string& MetadataTables::UpdateText() {
    static const std::string text = BuildUpdateText();
    return text;
}

bool MetadataTables::Init(sqlite3* db) {
    Close();
    m_db = db;
    for (int v = kFirstOldVersion; v <= kLastOldVersion; ++v)
        (void)ExecQuery(m_db, "drop table if exists FileMetadata_v" + std::to_string(v));
    if (!CreateTables() || !PrepareStatements()) {
        MVLOG(LOG_CRIT, "Could not set up the metadata tables: %s", sqlite3_errmsg(m_db));
        return false;
    }
    return true;
}

bool MetadataTables::CreateTables() {
    const bool metadata = ExecQuery(m_db, kCreateMetadataTable);
    const bool downloads = ExecQuery(m_db, kCreateDownloadsTable);
    const bool collection = ExecQuery(m_db, kCreateCollectionDataTable);
    return metadata && downloads && collection;
}

bool MetadataTables::PrepareStatements() {
    // Each on its own: one that fails leaves the others usable.
    const std::pair<platform::SqliteStatement*, const char*> statements[] = {
        {&m_insert, InsertText().c_str()},        {&m_update, UpdateText().c_str()},
        {&m_selectByOffset, kSelectByOffsetText}, {&m_delete, kDeleteByOffsetText},
        {&m_playCount, kPlayCountText},           {&m_isDownloaded, kIsDownloadedText},
        {&m_insertDownload, kInsertDownloadText},
    };
    bool prepared = true;
    for (const auto& [statement, text] : statements)
        prepared &= Prepare(m_db, *statement, text);
    return prepared;
}

void MetadataTables::Close() {
    for (platform::SqliteStatement* statement : {&m_insert, &m_update, &m_selectByOffset, &m_delete,
                                                 &m_playCount, &m_isDownloaded, &m_insertDownload})
        (void)statement->Finalize();
    m_db = nullptr;
}

bool MetadataTables::IsInTransaction() const {
    return m_db && sqlite3_get_autocommit(m_db) == 0;
}

void MetadataTables::BeginTransaction() {
    if (!m_db || IsInTransaction())
        return;
    if (ExecQuery(m_db, "BEGIN")) {
        m_rowsSinceCommit = 0;
        m_intervalRowsSinceCommit = 0;
        m_transactionStart = platform::MonotonicSeconds();
    }
}

void MetadataTables::EndTransaction() {
    if (!IsInTransaction())
        return;
    if (!ExecQuery(m_db, "END"))
        MVLOG(LOG_ERR, "Could not commit the metadata transaction: %s", sqlite3_errmsg(m_db));
    // Counted afresh even after a failure: the rows written next do not try
    // the commit again each time.
    m_rowsSinceCommit = 0;
    m_intervalRowsSinceCommit = 0;
    m_transactionStart = platform::MonotonicSeconds();
    m_lastCommit = m_transactionStart;
}

void MetadataTables::RowWritten() {
    if (!IsInTransaction())
        return;
    ++m_rowsSinceCommit;
    if (!m_intervalCommits)
        return;
    ++m_intervalRowsSinceCommit;
    if (m_rowsSinceCommit < kCommitRows && platform::MonotonicSeconds() - m_transactionStart < kCommitSeconds)
        return;
    MVLOG(LOG_VERB, "Committing after %u rows", m_rowsSinceCommit);
    EndTransaction();
    BeginTransaction();
}

void MetadataTables::CommitWaitingRows(int64_t ownIntervalSecs) {
    if (m_rowsSinceCommit == 0 || !IsInTransaction())
        return;
    const int64_t now = platform::MonotonicSeconds();
    const bool due = m_intervalRowsSinceCommit > 0 ? now - m_transactionStart >= kCommitSeconds
                                                   : now - m_lastCommit >= ownIntervalSecs;
    if (!due)
        return;
    MVLOG(LOG_VERB, "Committing %u rows that waited", m_rowsSinceCommit);
    EndTransaction();
    BeginTransaction();
}

bool MetadataTables::IsDownloaded(const std::string& digest, const std::string& tagDigest) {
    if (!m_isDownloaded.IsPrepared())
        return false;
    int count = 0;
    if (!BindDigests(m_isDownloaded, digest, tagDigest)) {
        MVLOG(LOG_ERR, "Could not bind the download check: %s", sqlite3_errmsg(m_db));
    } else {
        const int res = m_isDownloaded.Step();
        if (res == SQLITE_ROW)
            count = sqlite3_column_int(m_isDownloaded.Get(), 0);
        else
            MVLOG(LOG_ERR, "Download check returned %i: %s", res, sqlite3_errmsg(m_db));
    }
    sqlite3_reset(m_isDownloaded.Get());
    sqlite3_clear_bindings(m_isDownloaded.Get());
    return count > 0;
}

bool MetadataTables::InsertDownload(const std::string& digest, const std::string& tagDigest) {
    if (!m_insertDownload.IsPrepared())
        return false;
    if (!BindDigests(m_insertDownload, digest, tagDigest)) {
        MVLOG(LOG_ERR, "Could not bind the download row: %s", sqlite3_errmsg(m_db));
        sqlite3_clear_bindings(m_insertDownload.Get());
        return false;
    }
    if (!StepReusedWithRetry(m_insertDownload))
        return false;
    RowWritten();
    return true;
}
