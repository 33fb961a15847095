// Adding one found file to the index (new, changed or unchanged), and taking
// one out again.
#include "client/core/ReportThread.h"
#include "client/library/FileScanner.h"
#include "client/library/IScannerHost.h"
#include "client/library/MusicFile.h"
#include "client/library/Playlist.h"
#include "include/fs/FileTypes.h"
#include "include/fs/PathUtil.h"
#include "include/log/Logger.h"

void FileScanner::AddScannedFile(const std::wstring& dirName, const std::wstring& fileName, uint32_t songId) {
    if (!IsNormalizedDirPath(dirName)) {
        MVLOG(LOG_ERR, "Not adding '%ls' of '%ls': the folder is not in its canonical form", fileName.c_str(),
              dirName.c_str());
        return;
    }
    if (SharedDir* dir = FindDirectoryByPath(dirName))
        AddScannedFileIn(*dir, fileName, WideToUtf8(fileName), songId);
}

void FileScanner::AddScannedFileIn(SharedDir& dir, const std::wstring& fileName, const std::string& utf8Name,
                                   uint32_t songId) {
    dir.m_inUse = true;
    struct stat record {};
    if (!StatFile(dir, utf8Name, record)) {
        MVLOG(LOG_ERR, "Could not stat %ls%ls", dir.m_path.c_str(), fileName.c_str());
        return;
    }
    // A link may name a folder, and a fifo would block the read.
    if (!S_ISREG(record.st_mode)) {
        MVLOG(LOG_INFO, "Not a regular file, skipping %ls%ls", dir.m_path.c_str(), fileName.c_str());
        return;
    }

    uint32_t reusedCfId = 0;
    if (auto known = m_filesByPath.find(PathKeyRef{fileName, dir.m_id}); known != m_filesByPath.end()) {
        SharedFile* file = known->second;
        if (file->MarkSeen(m_scanSerial))
            ++m_numSeen;
        if (file->MatchesStat(record))
            return;
        // A changed playlist keeps its cfID; a changed music file is a new
        // file to the server.
        if (file->GetKind() == SF_PLAYLIST)
            reusedCfId = file->GetClientFileID();
        else
            QueueDelta(file, SYNC_DEL);
        (void)RemoveSharedFile(file->GetClientFileID());
    }

    const uint32_t cfID = reusedCfId != 0 ? reusedCfId : NextCfId();
    MVLOG(LOG_INFO, "Adding file with cfid %u", cfID);
    if (!AddFoundFile(dir, fileName, record, cfID, reusedCfId != 0)) {
        // The changed playlist went without a SYNC_DEL, for its cfID was to
        // be sent again; the server must not keep it.
        if (reusedCfId != 0)
            QueueDelta(SyncDelta{SYNC_DEL, reusedCfId, SF_PLAYLIST});
        return;
    }
    if (songId != 0) {
        SongInfo info;
        info.songID = songId;
        SetSongInfo(cfID, info);
    }
}

bool FileScanner::AddFoundFile(const SharedDir& dir, const std::wstring& fileName, const struct stat& record,
                               uint32_t cfID, bool reused) {
    std::unique_ptr<SharedFile> file = MakeSharedFile(dir, PathKey(fileName, dir.m_id), record, cfID);
    if (!file)
        return false;
    if (!file->Load(dir.m_path, fileName) && !reused)
        return false;
    if (m_scanning && m_quickScan && !file->HasGoodTags() && m_filesById.size() >= kQuickScanGoodTagsFrom) {
        MVLOG(LOG_INFO, "Ignoring %ls because it has bad tags during a quick scan", fileName.c_str());
        return false;
    }
    return AddNewFile(std::move(file));
}

std::unique_ptr<SharedFile> FileScanner::MakeSharedFile(const SharedDir& dir, const PathKey& key,
                                                        const struct stat& record, uint32_t cfID) {
    const std::wstring& name = key.GetFileName();
    const auto size = static_cast<uint32_t>(record.st_size);
    const auto lastModDate = static_cast<uint32_t>(record.st_mtime);
    if (IsPlaylistFile(name)) {
        std::wstring playlistDir;
        if (m_host && m_host->GetPlaylistDir(playlistDir) &&
            !Playlist::IsInPlaylistsFolder(dir.m_path, playlistDir)) {
            MVLOG(LOG_ERR, "Ignoring playlist %ls in %ls becuase it's not in MV directory %ls", name.c_str(),
                  dir.m_path.c_str(), playlistDir.c_str());
            return nullptr;
        }
        return std::make_unique<Playlist>(key, size, lastModDate, cfID);
    }
    if (!isMusicFile(name)) {
        MVLOG(LOG_ERR, "Not sharing %ls%ls: neither music nor a playlist", dir.m_path.c_str(), name.c_str());
        return nullptr;
    }
    return std::make_unique<MusicFile>(key, 0, size, lastModDate, cfID, -1);
}

bool FileScanner::AddNewFile(std::unique_ptr<SharedFile> file) {
    SharedFile* added = file.get();
    if (!added->InsertIntoDb(m_tables)) {
        MVLOG(LOG_ERR, "Could not store the row of '%ls'; it is left for a later scan",
              added->GetFileName().c_str());
        return false;
    }
    if (added->GetKind() != SF_PLAYLIST) {
        added->SetNewFile(true);
        ++m_numOutstanding;
    }
    m_filesByPath[added->GetKey()] = added;
    m_filesById[added->GetClientFileID()] = std::move(file);
    if (added->MarkSeen(m_scanSerial))
        ++m_numSeen;
    if (added->GetKind() == SF_PLAYLIST) {
        auto* playlist = static_cast<Playlist*>(added);
        (void)playlist->MatchEntriesToFiles(*this);
        playlist->RegisterWaitingEntries(*this);
    }
    QueueDelta(added, SYNC_NEW);
    return true;
}

bool FileScanner::RemoveSharedFile(uint32_t cfID) {
    auto byId = m_filesById.find(cfID);
    if (byId == m_filesById.end()) {
        MVLOG(LOG_ERR, "No file with cfID %u to remove", cfID);
        return false;
    }
    SharedFile* file = byId->second.get();
    if (!file->DeleteFromDb(m_tables))
        MVLOG(LOG_ERR, "Could not delete the row of cfID %u", cfID);
    if (file->GetKind() == SF_PLAYLIST) {
        static_cast<Playlist*>(file)->UnregisterEntries(*this);
    } else {
        auto* music = static_cast<MusicFile*>(file);
        RemoveFromSongMap(music, music->GetSongId());
    }
    bool indexed = true;
    auto byPath = m_filesByPath.find(file->GetKey());
    if (byPath != m_filesByPath.end() && byPath->second == file) {
        m_filesByPath.erase(byPath);
    } else {
        MVLOG(LOG_ERR, "Could not find %i/'%ls'", static_cast<int>(file->GetKey().GetDirId()),
              file->GetFileName().c_str());
        SendReportInBackground(L"RemoveSharedFile not found", REPORT_INFO);
        indexed = false;
    }
    if (file->GetNewFile()) {
        MVLOG(LOG_INFO, "deleted a file with the new file flag set: %ls", file->GetFileName().c_str());
        if (m_numOutstanding > 0)
            --m_numOutstanding;
    }
    if (file->SeenInScan(m_scanSerial) && m_numSeen > 0)
        --m_numSeen;
    m_filesById.erase(byId);
    return indexed;
}
