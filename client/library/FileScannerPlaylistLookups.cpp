// Lookups the playlists make of the scanner, and the lists of playlists that
// wait for a song id.
//
// To be replaced by the scanner's own (scanner helper): these bodies exist so
// that playlists build and can be tested before the scanner lands.
#include "client/library/FileScanner.h"
#include "client/library/MusicFile.h"
#include "client/library/Playlist.h"

#include <algorithm>

namespace {

constexpr size_t kExtensionChars = 4;

} // namespace

bool FileScanner::FillFileInfo(MusicFile& file, SongFileInfo& info) {
    bool crcFailed = false;
    if (!file.LoadFromDb(m_tables, &crcFailed))
        return false;
    file.GetFullPath(info.path, *this);
    const std::wstring& name = file.GetFileName();
    info.name = name.substr(0, name.size() > kExtensionChars ? name.size() - kExtensionChars : 0);
    info.encType = file.GetMetadata()->GetEncType();
    info.printSecs = file.GetMetadata()->GetPrintSecs();
    file.ReleaseMetadata();
    return true;
}

bool FileScanner::GetSongIdForCfId(uint32_t cfID, uint32_t& songId) {
    songId = 0;
    SharedFile* file = FindFileByCfId(cfID);
    if (!file || file->GetKind() != SF_MUSIC_FILE)
        return false;
    bool crcFailed = false;
    if (!file->LoadFromDb(m_tables, &crcFailed))
        return false;
    songId = static_cast<MusicFile*>(file)->GetSongId();
    file->ReleaseMetadata();
    return true;
}

bool FileScanner::GetFileInfoByCfId(uint32_t cfID, SongFileInfo& info) {
    SharedFile* file = FindFileByCfId(cfID);
    if (!file || file->GetKind() != SF_MUSIC_FILE)
        return false;
    return FillFileInfo(*static_cast<MusicFile*>(file), info);
}

bool FileScanner::GetSongFileBySongId(uint32_t songId, SongFileInfo& info) {
    auto it = m_songMap.find(songId);
    if (it == m_songMap.end() || it->second.empty())
        return false;
    return FillFileInfo(*it->second.front(), info);
}

void FileScanner::AddWaitingPlaylist(Playlist* playlist, uint32_t songId) {
    std::list<Playlist*>& waiting = m_waitingPlaylists[songId];
    if (std::find(waiting.begin(), waiting.end(), playlist) == waiting.end())
        waiting.push_back(playlist);
}

void FileScanner::RemoveWaitingPlaylist(Playlist* playlist, uint32_t songId) {
    auto it = m_waitingPlaylists.find(songId);
    if (it == m_waitingPlaylists.end())
        return;
    it->second.remove(playlist);
    if (it->second.empty())
        m_waitingPlaylists.erase(it);
}
