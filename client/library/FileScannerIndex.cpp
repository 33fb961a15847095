// The scanner's index: directory records, files by cfID and by key, the song
// ids the server gave them, and the playlists waiting for a song id.
#include "client/library/FileScanner.h"
#include "client/library/MusicFile.h"
#include "client/library/Playlist.h"
#include "include/crash/Assert.h"
#include "include/fs/FileTypes.h"
#include "include/fs/PathUtil.h"
#include "include/log/Logger.h"

#include <algorithm>

std::wstring NormalizeDirPath(const std::wstring& path) {
    return IsNormalizedDirPath(path) ? path : path + L'/';
}

SharedDir* FileScanner::GetOrAddDirectory(const std::wstring& path) {
    MV_ASSERT(IsNormalizedDirPath(path));
    if (SharedDir* dir = FindDirectoryByPath(path))
        return dir;
    auto dir = std::make_unique<SharedDir>(++m_dirIdCounter, path);
    SharedDir* added = dir.get();
    m_dirsByPath[path] = added;
    m_dirsById[added->m_id] = std::move(dir);
    return added;
}

SharedDir* FileScanner::FindDirectoryByPath(const std::wstring& path) {
    MV_ASSERT(IsNormalizedDirPath(path));
    auto it = m_dirsByPath.find(path);
    return it == m_dirsByPath.end() ? nullptr : it->second;
}

const SharedDir* FileScanner::FindDirectory(uint32_t dirId) const {
    auto it = m_dirsById.find(dirId);
    return it == m_dirsById.end() ? nullptr : it->second.get();
}

void FileScanner::AddFileFromDb(uint32_t dirId, const std::wstring& fileName, int64_t offset, uint32_t size,
                                uint32_t lastModDate, uint32_t songId, int32_t playCount) {
    MV_ASSERT(m_queueDisabled);
    const PathKey key(fileName, dirId);
    if (offset == 0 || fileName.empty()) {
        MVLOG(LOG_ERR, "Skipping stored row %lli for %u/'%ls': no key or no name",
              static_cast<long long>(offset), dirId, fileName.c_str());
        return;
    }
    if (m_filesByPath.count(key) != 0) {
        // One file, one row: the later row goes.
        MVLOG(LOG_ERR, "Deleting stored row %lli: %u/'%ls' has a row already", static_cast<long long>(offset),
              dirId, fileName.c_str());
        (void)MusicFile(key, offset, size, lastModDate, 0, playCount).DeleteFromDb(m_tables);
        return;
    }
    auto file = std::make_unique<MusicFile>(key, offset, size, lastModDate, NextCfId(), playCount);
    file->SetSongId(songId);
    MusicFile* added = file.get();
    IndexSongId(added, 0);
    m_filesByPath[key] = added;
    m_filesById[added->GetClientFileID()] = std::move(file);
}

SharedFile* FileScanner::FindFileByCfId(uint32_t cfID) {
    auto it = m_filesById.find(cfID);
    return it == m_filesById.end() ? nullptr : it->second.get();
}

uint32_t FileScanner::GetCfIdForPath(const std::wstring& path) {
    std::wstring dirName, fileName;
    if (!SplitPath(path, dirName, fileName))
        return 0;
    const SharedDir* dir = FindDirectoryByPath(NormalizeDirPath(dirName));
    if (!dir)
        return 0;
    auto it = m_filesByPath.find(PathKeyRef{fileName, dir->m_id});
    return it == m_filesByPath.end() ? 0 : it->second->GetClientFileID();
}

void FileScanner::IndexSongId(MusicFile* file, uint32_t seconds) {
    const uint32_t songId = file->GetSongId();
    if (songId == 0)
        return;
    std::list<MusicFile*>& files = m_songMap[songId];
    int counter = 0;
    for (MusicFile* other : files) {
        if (other == file)
            ++counter;
        else
            MV_ASSERT(other->GetClientFileID() != file->GetClientFileID());
    }
    MV_ASSERT(counter <= 1);
    if (counter == 0)
        files.push_back(file);

    auto waiting = m_waitingPlaylists.find(songId);
    if (waiting == m_waitingPlaylists.end())
        return;
    // Taken out first: a playlist that is filled may register or withdraw.
    std::list<Playlist*> playlists = std::move(waiting->second);
    m_waitingPlaylists.erase(waiting);
    std::wstring path;
    file->GetFullPath(path, *this);
    const std::wstring title = NameWithoutExtension(file->GetFileName());
    for (Playlist* playlist : playlists) {
        if (playlist->FillEntriesForSong(songId, path, title, static_cast<int32_t>(seconds)) > 0)
            QueueDelta(playlist, SYNC_NEW);
    }
}

void FileScanner::RemoveFromSongMap(MusicFile* file, uint32_t songId) {
    auto it = m_songMap.find(songId);
    if (songId == 0 || it == m_songMap.end())
        return;
    it->second.remove(file);
    if (it->second.empty())
        m_songMap.erase(it);
}

void FileScanner::AddWaitingPlaylist(Playlist* playlist, uint32_t songId) {
    std::list<Playlist*>& playlists = m_waitingPlaylists[songId];
    if (std::find(playlists.begin(), playlists.end(), playlist) == playlists.end())
        playlists.push_back(playlist);
}

void FileScanner::RemoveWaitingPlaylist(Playlist* playlist, uint32_t songId) {
    auto it = m_waitingPlaylists.find(songId);
    if (it == m_waitingPlaylists.end())
        return;
    it->second.remove(playlist);
    if (it->second.empty())
        m_waitingPlaylists.erase(it);
}
