#include "client/library/FileScanner.h"

#include "client/library/IScannerHost.h"
#include "client/library/SharedFile.h"
#include "include/fs/PathUtil.h"
#include "include/log/Logger.h"
#include "include/process/ShellOpen.h"
#include "platform/fs/DirReader.h"
#include "platform/time/Clock.h"

FileScanner::FileScanner(IScannerHost* host)
    : m_host(host), m_lastSongInfoCommit(platform::MonotonicSeconds()),
      m_constructionTime(static_cast<uint32_t>(platform::WallSeconds())) {}

FileScanner::~FileScanner() = default;

void FileScanner::SetCurShares(const std::vector<std::wstring>& shares) {
    m_curShares = shares;
}

bool FileScanner::ShouldStop() const {
    return m_host && m_host->IsStopping();
}

void FileScanner::Cleanup() {
    m_workUnits.clear();
    m_listed = ListedDirectory{};
    m_serverSyncQueue.clear();
    m_waitingPlaylists.clear();
    m_songMap.clear();
    m_filesByPath.clear();
    m_filesById.clear();
    m_dirsByPath.clear();
    m_dirsById.clear();
    m_scanning = false;
    m_numSeen = 0;
    m_numOutstanding = 0;
    m_tables.Close();
}

void FileScanner::Reset() {
    ClearSyncQueue();
    if (m_scanning)
        CancelScan();
}

std::wstring FileScanner::GetStatusText() const {
    return L"size: " + std::to_wstring(m_dirsById.size()) + L" " + std::to_wstring(m_filesById.size()) +
           L" lst: " + std::to_wstring(m_lastScanDuration) + L" scanning: " + (m_scanning ? L"1" : L"0");
}

void FileScanner::ResolveImportedPlaylists(const ImportedPlaylists& imported,
                                           std::list<ResolvedPlaylist>& out) {
    // Resolved with the media-player import, which this build lacks.
    (void)imported;
    (void)out;
}

uint64_t FileScanner::GetChangeStamp() const {
    return (static_cast<uint64_t>(m_constructionTime) << 32) | m_deltasTaken;
}

bool FileScanner::FindShareForPath(const std::wstring& directory, std::wstring& rest) const {
    if (m_host)
        return m_host->FindShareForPath(directory, rest);
    return FindFolderHolding(m_curShares, directory, rest);
}

bool FileScanner::OpenWithDefaultApp(const std::wstring& path, int* error) {
    return m_opener ? m_opener(path, error) : ShellOpen(path, error);
}
