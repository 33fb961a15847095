// The scanner's side of the metadata tables: start-up, the load of every
// stored row, downloads, and the server's identifications written to rows.
#include "client/library/FileScanner.h"
#include "client/library/MusicFile.h"
#include "include/db/StatementHelpers.h"
#include "include/log/Logger.h"
#include "include/text/Utf8.h"
#include "platform/time/Clock.h"

#include <cstring>

namespace {

constexpr char kSelectAllText[] = "select * from FileMetadata_v9";

// Columns of the load, found by name so their order does not matter.
struct LoadColumns {
    int offset = -1;
    int fileName = -1;
    int dirName = -1;
    int size = -1;
    int lastModDate = -1;
    int songID = -1;
    int playCount = -1;

    explicit LoadColumns(sqlite3_stmt* statement) {
        const int count = sqlite3_column_count(statement);
        for (int column = 0; column < count; ++column) {
            const char* name = sqlite3_column_name(statement, column);
            if (!name)
                continue;
            for (auto [text, index] : {std::pair{"offset", &offset},
                                       {"fileName", &fileName},
                                       {"dirName", &dirName},
                                       {"size", &size},
                                       {"lastModDate", &lastModDate},
                                       {"songID", &songID},
                                       {"playCount", &playCount}}) {
                if (std::strcmp(name, text) == 0)
                    *index = column;
            }
        }
    }
};

uint32_t ColumnU32(sqlite3_stmt* statement, int column) {
    return static_cast<uint32_t>(sqlite3_column_int64(statement, column));
}

} // namespace

bool FileScanner::InitMetadataDb(const std::vector<std::wstring>& shares, sqlite3* db) {
    SetCurShares(shares);
    return m_tables.Init(db);
}

void FileScanner::LoadAllMetadata() {
    platform::SqliteStatement select;
    const int res = select.Prepare(m_tables.GetDb(), kSelectAllText);
    if (res != SQLITE_OK || !select.IsPrepared()) {
        MVLOG(LOG_CRIT, "Could not read the stored files, res %i", res);
        return;
    }
    const LoadColumns columns(select.Get());
    sqlite3_stmt* row = select.Get();
    while (!ShouldStop() && select.Step() == SQLITE_ROW) {
        const std::wstring dirName = Utf8ToWide(ColumnString(row, columns.dirName));
        if (dirName.empty()) {
            MVLOG(LOG_ERR, "Skipping stored row %lli without a directory",
                  static_cast<long long>(sqlite3_column_int64(row, columns.offset)));
            continue;
        }
        const SharedDir* dir = GetOrAddDirectory(NormalizeDirPath(dirName));
        AddFileFromDb(dir->m_id, Utf8ToWide(ColumnString(row, columns.fileName)),
                      sqlite3_column_int64(row, columns.offset), ColumnU32(row, columns.size),
                      ColumnU32(row, columns.lastModDate), ColumnU32(row, columns.songID),
                      sqlite3_column_int(row, columns.playCount));
    }
    MVLOG(LOG_INFO, "Loaded %i stored files", GetNumFiles());
}

void FileScanner::LoadStoredFilesOnce() {
    if (m_metadataLoaded || !GetDb())
        return;
    LoadAllMetadata();
    m_metadataLoaded = true;
    // The load itself is no change to the server; what follows is.
    m_queueDisabled = false;
}

bool FileScanner::IsDownloaded(const FileMetaData& metadata) {
    return m_tables.IsDownloaded(metadata.GetDigest(), metadata.GetTagDigest());
}

void FileScanner::SaveDownload(const std::wstring& path) {
    FileMetaData metadata;
    metadata.SetPath(path);
    if (!metadata.ReadQuickInfo() || !m_tables.InsertDownload(metadata.GetDigest(), metadata.GetTagDigest()))
        MVLOG(LOG_ERR, "SaveDownload failed for '%ls'", path.c_str());
}

void FileScanner::SetSongInfo(uint32_t cfID, const SongInfo& info) {
    SharedFile* shared = FindFileByCfId(cfID);
    if (!shared || shared->GetKind() != SF_MUSIC_FILE)
        return;
    auto* file = static_cast<MusicFile*>(shared);
    const uint32_t indexedSongId = file->GetSongId();
    bool crcFailed = false;
    if (!file->LoadFromDb(m_tables, &crcFailed))
        return;
    if (indexedSongId != info.songID)
        RemoveFromSongMap(file, indexedSongId);
    file->SetSongInfo(info);
    if (indexedSongId != info.songID)
        IndexSongId(file, file->GetMetadata()->GetPrintSecs());
    {
        // Song infos commit on their own interval, counted from any commit.
        const MetadataTables::IntervalCommitsOff noIntervalCommit(m_tables);
        if (!file->UpdateInDb(m_tables))
            MVLOG(LOG_ERR, "Could not store the song info of cfID %u", cfID);
    }
    if (platform::MonotonicSeconds() - m_tables.LastCommitTime() >= kSongInfoCommitSeconds)
        CommitAndBegin();
    file->ReleaseMetadata();
}
