// A music file's FileMetadata_v9 row: binding its named parameters, reading
// it back under its checksum, and the writes that use them.
#include "client/library/MetadataTables.h"
#include "client/library/MusicFile.h"
#include "client/library/SharedDir.h"
#include "include/crash/Assert.h"
#include "include/db/StatementHelpers.h"
#include "include/log/Logger.h"
#include "include/text/Utf8.h"

#include <cstring>
#include <iterator>
#include <type_traits>
#include <variant>

namespace {

// Columns that hold a field of the record under the column's name.
using RecordMember = std::variant<uint8_t FileMetaData::*, uint16_t FileMetaData::*, uint32_t FileMetaData::*,
                                  uint64_t FileMetaData::*, std::string FileMetaData::*>;
struct RecordColumn {
    const char* name;
    RecordMember member;
};
const RecordColumn kRecordColumns[] = {
    {"dataLen", &FileMetaData::m_dataLen},
    {"digest", &FileMetaData::digest},
    {"lengthSecs", &FileMetaData::lengthSecs},
    {"bitRate", &FileMetaData::bitRate},
    {"printID", &FileMetaData::printID},
    {"albumID", &FileMetaData::albumID},
    {"timeProcessed", &FileMetaData::timeProcessed},
    {"confidence", &FileMetaData::confidence},
    {"trackNum", &FileMetaData::trackNum},
    {"artHash", &FileMetaData::artHash},
    {"artistID", &FileMetaData::artistID},
    {"albumArtistID", &FileMetaData::albumArtistID},
    {"song", &FileMetaData::song},
    {"artist", &FileMetaData::artist},
    {"albumArtist", &FileMetaData::albumArtist},
    {"album", &FileMetaData::album},
    {"csid", &FileMetaData::csid},
    {"caid", &FileMetaData::caid},
    {"calid", &FileMetaData::calid},
    {"ctn", &FileMetaData::ctn},
};

// The other columns: the file's own fields, the names, and the checksum.
enum OwnColumn {
    OC_OFFSET,
    OC_FILE_NAME,
    OC_DIR_NAME,
    OC_SIZE,
    OC_LAST_MOD_DATE,
    OC_SONG_ID,
    OC_PLAY_COUNT,
    OC_CRC,
    OC_RECORD,
    OC_UNKNOWN,
};
constexpr const char* kOwnColumnNames[] = {"offset",      "fileName", "dirName",   "size",
                                           "lastModDate", "songID",   "playCount", "crc"};
static_assert(std::size(kOwnColumnNames) == OC_RECORD);

// Which column `name` is; for OC_RECORD, *record names the record's field.
OwnColumn ColumnByName(const char* name, const RecordColumn** record) {
    if (!name)
        return OC_UNKNOWN;
    for (size_t i = 0; i < std::size(kOwnColumnNames); ++i) {
        if (std::strcmp(name, kOwnColumnNames[i]) == 0)
            return static_cast<OwnColumn>(i);
    }
    for (const RecordColumn& column : kRecordColumns) {
        if (std::strcmp(name, column.name) == 0) {
            *record = &column;
            return OC_RECORD;
        }
    }
    return OC_UNKNOWN;
}

// Statement parameters are the column names after ':'.
OwnColumn ColumnByParameter(const char* parameter, const RecordColumn** record) {
    return parameter && parameter[0] == ':' ? ColumnByName(parameter + 1, record) : OC_UNKNOWN;
}

// Texts from the server may be any bytes; stored as they are, SQLite's
// conversion to the database's UTF-16 would change them and the row would
// fail its checksum.
void MakeValidUtf8(std::string& text) {
    text = WideToUtf8(Utf8ToWide(text));
}

bool BindInt64(sqlite3_stmt* statement, int index, int64_t value) {
    return sqlite3_bind_int64(statement, index, value) == SQLITE_OK;
}

// Unsigned fields go in as their value (64-bit ones as their bits), never as
// a negative number of their width.
bool BindUnsigned(sqlite3_stmt* statement, int index, uint64_t value) {
    return BindInt64(statement, index, static_cast<int64_t>(value));
}

uint64_t ColumnUnsigned(sqlite3_stmt* statement, int column) {
    return static_cast<uint64_t>(sqlite3_column_int64(statement, column));
}

bool BindRecordField(sqlite3_stmt* statement, int index, const FileMetaData& md, const RecordMember& member) {
    return std::visit(
        [&](auto field) {
            if constexpr (std::is_same_v<decltype(field), std::string FileMetaData::*>)
                return BindUtf8(statement, index, md.*field);
            else
                return BindUnsigned(statement, index, md.*field);
        },
        member);
}

void ReadRecordField(sqlite3_stmt* statement, int column, FileMetaData& md, const RecordMember& member) {
    std::visit(
        [&](auto field) {
            using Value = std::remove_reference_t<decltype(md.*field)>;
            if constexpr (std::is_same_v<Value, std::string>)
                md.*field = ColumnString(statement, column);
            else
                md.*field = static_cast<Value>(ColumnUnsigned(statement, column));
        },
        member);
}

void ResetStatement(platform::SqliteStatement& statement) {
    sqlite3_reset(statement.Get());
    sqlite3_clear_bindings(statement.Get());
}

} // namespace

bool MusicFile::BindMetadataParams(sqlite3_stmt* statement) {
    FileMetaData& md = *m_pMetadata;
    md.songID = m_songId;
    MakeValidUtf8(md.song);
    MakeValidUtf8(md.artist);
    MakeValidUtf8(md.albumArtist);
    MakeValidUtf8(md.album);
    if (!IsNormalizedDirPath(md.pDirName) || md.pFileName.empty()) {
        MVLOG(LOG_ERR, "Not storing cfID %u: directory '%ls' or name '%ls' is not usable", m_cfID,
              md.pDirName.c_str(), md.pFileName.c_str());
        return false;
    }

    bool bound = true;
    const int count = sqlite3_bind_parameter_count(statement);
    for (int index = 1; index <= count; ++index) {
        const char* name = sqlite3_bind_parameter_name(statement, index);
        const RecordColumn* record = nullptr;
        switch (ColumnByParameter(name, &record)) {
        case OC_OFFSET:
            bound &= BindInt64(statement, index, m_offset);
            break;
        case OC_FILE_NAME:
            bound &= BindUtf8(statement, index, WideToUtf8(md.pFileName));
            break;
        case OC_DIR_NAME:
            bound &= BindUtf8(statement, index, WideToUtf8(md.pDirName));
            break;
        case OC_SIZE:
            bound &= BindUnsigned(statement, index, m_size);
            break;
        case OC_LAST_MOD_DATE:
            bound &= BindUnsigned(statement, index, m_lastModDate);
            break;
        case OC_SONG_ID:
            bound &= BindUnsigned(statement, index, m_songId);
            break;
        case OC_PLAY_COUNT:
            bound &= BindInt64(statement, index, m_playCount);
            break;
        case OC_CRC:
            bound &= BindUnsigned(statement, index, md.CalcCrc());
            break;
        case OC_RECORD:
            bound &= BindRecordField(statement, index, md, record->member);
            break;
        case OC_UNKNOWN:
            MVLOG(LOG_CRIT, "Invalid column building replace: %s", name ? name : "(unnamed)");
            break;
        }
    }
    if (!bound)
        MVLOG(LOG_ERR, "Could not bind the row of cfID %u", m_cfID);
    return bound;
}

bool MusicFile::ReadMetadataRow(sqlite3_stmt* statement, bool* crcFailed) {
    MV_ASSERT(m_mdRefCount == 0 && !m_pMetadata);
    *crcFailed = false;
    auto md = std::make_unique<FileMetaData>();
    uint32_t songId = 0;
    int32_t playCount = 0;
    uint32_t storedCrc = 0;
    const int columns = sqlite3_column_count(statement);
    for (int column = 0; column < columns; ++column) {
        const char* name = sqlite3_column_name(statement, column);
        const RecordColumn* record = nullptr;
        switch (ColumnByName(name, &record)) {
        case OC_OFFSET:
            m_offset = sqlite3_column_int64(statement, column);
            break;
        case OC_FILE_NAME:
            md->SetFileName(Utf8ToWide(ColumnString(statement, column)));
            break;
        case OC_DIR_NAME:
            md->SetDirName(Utf8ToWide(ColumnString(statement, column)));
            break;
        case OC_SIZE:
            md->size = static_cast<uint32_t>(ColumnUnsigned(statement, column));
            break;
        case OC_LAST_MOD_DATE:
            md->lastModDate = static_cast<uint32_t>(ColumnUnsigned(statement, column));
            break;
        case OC_SONG_ID:
            songId = static_cast<uint32_t>(ColumnUnsigned(statement, column));
            break;
        case OC_PLAY_COUNT:
            playCount = sqlite3_column_int(statement, column);
            break;
        case OC_CRC:
            storedCrc = static_cast<uint32_t>(ColumnUnsigned(statement, column));
            break;
        case OC_RECORD:
            ReadRecordField(statement, column, *md, record->member);
            break;
        case OC_UNKNOWN:
            MVLOG(LOG_CRIT, "Invalid column from select: %s", name ? name : "(unnamed)");
            break;
        }
    }
    md->songID = songId;
    const uint32_t computedCrc = md->CalcCrc();
    if (computedCrc != storedCrc) {
        MVLOG(LOG_ERR, "CRC failure.  expected %u, got %u", storedCrc, computedCrc);
        *crcFailed = true;
        return false;
    }
    if (md->pDirName.empty() || md->pFileName.empty()) {
        MVLOG(LOG_ERR, "Row %lli of cfID %u names no file", static_cast<long long>(m_offset), m_cfID);
        return false;
    }
    // A row that lags behind the file (its write failed) must not move the
    // file to another song than the one it is indexed under.
    if (!m_songIdSet)
        m_songId = songId;
    m_playCount = playCount;
    Hold(std::move(md));
    TakeRecordStat();
    return true;
}

bool MusicFile::LoadFromDb(MetadataTables& tables, bool* crcFailed) {
    bool crcFailedHere = false;
    bool& failed = crcFailed ? *crcFailed : crcFailedHere;
    failed = false;
    if (m_mdRefCount >= 1) {
        ++m_mdRefCount;
        return true;
    }
    platform::SqliteStatement& select = tables.SelectByOffsetStatement();
    if (!select.IsPrepared())
        return false;
    if (!BindInt64(select.Get(), 1, m_offset)) {
        ResetStatement(select);
        return false;
    }
    const int res = select.Step();
    bool loaded = false;
    // Only a row that is gone or unusable makes the next scan read the file
    // again; a busy or failing database may answer the next time.
    bool forget = false;
    if (res == SQLITE_ROW) {
        loaded = ReadMetadataRow(select.Get(), &failed);
        forget = !loaded;
    } else {
        MVLOG(LOG_ERR, "Did not find file %i with offset %lli in db, res %i", static_cast<int>(m_cfID),
              static_cast<long long>(m_offset), res);
        forget = res == SQLITE_DONE;
    }
    ResetStatement(select);
    if (forget)
        ForgetStat();
    return loaded;
}

bool MusicFile::WriteRow(MetadataTables& tables, platform::SqliteStatement& statement) {
    MV_ASSERT(HasMetadata());
    if (!statement.IsPrepared())
        return false;
    if (!BindMetadataParams(statement.Get())) {
        ResetStatement(statement);
        return false;
    }
    if (!StepReusedWithRetry(statement))
        return false;
    tables.RowWritten();
    return true;
}

bool MusicFile::InsertIntoDb(MetadataTables& tables) {
    if (!WriteRow(tables, tables.InsertStatement()))
        return false;
    m_offset = sqlite3_last_insert_rowid(tables.GetDb());
    MVLOG(LOG_INFO, "Inserted file, got offset %lli, dataLen: %lli, crc %u", static_cast<long long>(m_offset),
          static_cast<long long>(m_pMetadata->m_dataLen), m_pMetadata->CalcCrc());
    return true;
}

bool MusicFile::UpdateInDb(MetadataTables& tables) {
    return WriteRow(tables, tables.UpdateStatement());
}

bool MusicFile::DeleteFromDb(MetadataTables& tables) {
    if (m_offset == 0)
        return true;
    platform::SqliteStatement& remove = tables.DeleteStatement();
    if (!remove.IsPrepared())
        return false;
    if (!BindInt64(remove.Get(), 1, m_offset)) {
        ResetStatement(remove);
        return false;
    }
    if (!StepReusedWithRetry(remove))
        return false;
    m_offset = 0;
    tables.RowWritten();
    return true;
}

bool MusicFile::SavePlayCount(MetadataTables& tables) {
    platform::SqliteStatement& update = tables.PlayCountStatement();
    if (!update.IsPrepared())
        return false;
    bool bound = true;
    const int count = sqlite3_bind_parameter_count(update.Get());
    for (int index = 1; index <= count; ++index) {
        const char* name = sqlite3_bind_parameter_name(update.Get(), index);
        const RecordColumn* record = nullptr;
        switch (ColumnByParameter(name, &record)) {
        case OC_OFFSET:
            bound &= BindInt64(update.Get(), index, m_offset);
            break;
        case OC_PLAY_COUNT:
            bound &= BindInt64(update.Get(), index, m_playCount);
            break;
        default:
            MVLOG(LOG_CRIT, "Invalid column building replace: %s", name ? name : "(unnamed)");
            break;
        }
    }
    if (!bound) {
        ResetStatement(update);
        return false;
    }
    if (!StepReusedWithRetry(update))
        return false;
    tables.RowWritten();
    return true;
}
