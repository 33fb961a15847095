#include "client/library/FileScanner.h"

#include "include/db/StatementHelpers.h"
#include "include/log/Logger.h"
#include "platform/time/Clock.h"

FileScanner::FileScanner(const std::atomic<bool>* stopFlag)
    : m_stopFlag(stopFlag), m_constructionTime(static_cast<uint32_t>(platform::WallSeconds())) {}

bool FileScanner::InitMetadataDb(const std::vector<std::wstring>& shares, sqlite3* db) {
    m_db = db;
    SetCurShares(shares);
    return true;
}

void FileScanner::SetCurShares(const std::vector<std::wstring>& shares) {
    m_curShares = shares;
}

void FileScanner::initScan(bool force) {
    MVLOG(LOG_VERB, "Scan of %i shares asked for (forced: %i); no scanner in this build",
          static_cast<int>(m_curShares.size()), force ? 1 : 0);
}

std::wstring FileScanner::GetStatusText() const {
    return L"shares: " + std::to_wstring(m_curShares.size()) + L", files: 0";
}

void FileScanner::BeginTransaction() {
    if (m_db && !m_inTransaction)
        m_inTransaction = ExecQuery(m_db, "BEGIN");
}

void FileScanner::EndTransaction() {
    if (m_db && m_inTransaction) {
        if (!ExecQuery(m_db, "END"))
            MVLOG(LOG_ERR, "Could not end the scanner's transaction");
        m_inTransaction = false;
    }
}

void FileScanner::ScanSingleFile(const std::wstring& path, uint32_t songId) {
    MVLOG(LOG_VERB, "Scan of '%ls' (song %u) asked for; no scanner in this build", path.c_str(), songId);
}

void FileScanner::UpdatePlayCounts(const ITunesPlayCounts& counts, std::vector<PlayCountDelta>& increases) {
    // No file is known, so no count can have gone up.
    (void)counts;
    (void)increases;
}

void FileScanner::ResolveImportedPlaylists(const ImportedPlaylists& imported,
                                           std::list<ResolvedPlaylist>& out) {
    // No file is known, so no playlist has a track to send.
    (void)imported;
    (void)out;
}

SharedFile* FileScanner::FindFileByCfId(uint32_t cfID) {
    (void)cfID;
    return nullptr;
}

uint32_t FileScanner::GetCfIdForPath(const std::wstring& path) {
    (void)path;
    return 0;
}

void FileScanner::SetSongInfo(uint32_t cfID, const SongInfo& info) {
    (void)cfID;
    (void)info;
}

void FileScanner::FinishNewFile(uint32_t cfID) {
    (void)cfID;
}

uint64_t FileScanner::GetChangeStamp() const {
    return (static_cast<uint64_t>(m_constructionTime) << 32) | m_deltasTaken;
}
