#include "client/library/FileScanner.h"

#include "client/library/SharedFile.h"
#include "include/fs/PathUtil.h"
#include "include/log/Logger.h"
#include "include/process/ShellOpen.h"
#include "platform/time/Clock.h"

FileScanner::FileScanner(const std::atomic<bool>* stopFlag)
    : m_stopFlag(stopFlag), m_lastSongInfoCommit(platform::MonotonicSeconds()),
      m_constructionTime(static_cast<uint32_t>(platform::WallSeconds())) {}

FileScanner::~FileScanner() = default;

void FileScanner::SetCurShares(const std::vector<std::wstring>& shares) {
    m_curShares = shares;
}

void FileScanner::initScan(bool force) {
    MVLOG(LOG_VERB, "initScan called, scanning: %i, qd: %i, sr: %i, hc: %i", IsScanning() ? 1 : 0,
          m_queueDisabled ? 1 : 0, 0, force ? 1 : 0);
    if (!m_metadataLoaded && GetDb()) {
        LoadAllMetadata();
        m_metadataLoaded = true;
        m_queueDisabled = false;
    }
}

std::wstring FileScanner::GetStatusText() const {
    return L"size: " + std::to_wstring(m_dirsById.size()) + L" " + std::to_wstring(m_filesById.size()) +
           L" lst: " + std::to_wstring(m_lastScanDuration) + L" scanning: " + (IsScanning() ? L"1" : L"0");
}

void FileScanner::ScanSingleFile(const std::wstring& path, uint32_t songId) {
    MVLOG(LOG_VERB, "Scan of '%ls' (song %u) asked for; no scanner in this build", path.c_str(), songId);
}

void FileScanner::UpdatePlayCounts(const ITunesPlayCounts& counts, std::vector<PlayCountDelta>& increases) {
    // Counts are applied by the scanner itself, which this build lacks.
    (void)counts;
    (void)increases;
}

void FileScanner::ResolveImportedPlaylists(const ImportedPlaylists& imported,
                                           std::list<ResolvedPlaylist>& out) {
    // Resolved by the scanner itself, which this build lacks.
    (void)imported;
    (void)out;
}

void FileScanner::FinishNewFile(uint32_t cfID) {
    (void)cfID;
}

uint64_t FileScanner::GetChangeStamp() const {
    return (static_cast<uint64_t>(m_constructionTime) << 32) | m_deltasTaken;
}

bool FileScanner::FindShareForPath(const std::wstring& directory, std::wstring& rest) const {
    return FindFolderHolding(m_curShares, directory, rest);
}

bool FileScanner::OpenWithDefaultApp(const std::wstring& path, int* error) {
    return m_opener ? m_opener(path, error) : ShellOpen(path, error);
}
