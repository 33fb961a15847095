#include "client/library/FileScanner.h"

#include "client/library/IScannerHost.h"
#include "client/library/SharedFile.h"
#include "include/fs/PathUtil.h"
#include "include/log/Logger.h"
#include "include/process/ShellOpen.h"
#include "platform/fs/DirReader.h"
#include "platform/time/Clock.h"

#include <algorithm>

FileScanner::FileScanner(IScannerHost* host)
    : m_host(host), m_constructionTime(static_cast<uint32_t>(platform::WallSeconds())) {}

FileScanner::~FileScanner() = default;

void FileScanner::SetCurShares(const std::vector<std::wstring>& shares) {
    // A set: scanned in its order, each folder once.
    m_curShares = shares;
    std::sort(m_curShares.begin(), m_curShares.end());
    m_curShares.erase(std::unique(m_curShares.begin(), m_curShares.end()), m_curShares.end());
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
    for (const ImportedPlaylist& playlist : imported) {
        ResolvedPlaylist resolved{playlist.name, playlist.persistentId, {}};
        for (const std::wstring& path : playlist.trackPaths) {
            if (const uint32_t cfID = GetCfIdForPath(path))
                resolved.cfIds.push_back(cfID);
        }
        // A playlist of files this library does not share means nothing to
        // the server.
        if (!resolved.cfIds.empty())
            out.push_back(std::move(resolved));
    }
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
