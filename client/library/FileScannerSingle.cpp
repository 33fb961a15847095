// Requests from the rest of the program: scan one file now, find a file by
// cfID or song id, and apply imported play counts.
#include "client/core/RandomSource.h"
#include "client/library/FileScanner.h"
#include "client/library/MusicFile.h"
#include "include/fs/FileTypes.h"
#include "include/fs/PathUtil.h"
#include "include/log/Logger.h"

namespace {

MusicFile* AsMusicFile(SharedFile* file) {
    return file && file->GetKind() == SF_MUSIC_FILE ? static_cast<MusicFile*>(file) : nullptr;
}

} // namespace

void FileScanner::ScanSingleFile(const std::wstring& path, uint32_t songId) {
    if (songId == 0 && m_scanning) {
        initScan(false);
        return;
    }
    std::wstring dirName, fileName;
    if (!SplitPath(path, dirName, fileName) || fileName.empty()) {
        MVLOG(LOG_ERR, "Cannot scan '%ls': no folder and file name", path.c_str());
        return;
    }
    // Stored rows first: a file added before them would take the key of its
    // own row, and the load would then delete that row.
    LoadStoredFilesOnce();
    SharedDir* dir = GetOrAddDirectory(NormalizeDirPath(dirName));
    AddScannedFileIn(*dir, fileName, WideToUtf8(fileName), songId);
}

bool FileScanner::GetSongIdForCfId(uint32_t cfID, uint32_t& songId) {
    songId = 0;
    MusicFile* file = AsMusicFile(FindFileByCfId(cfID));
    bool crcFailed = false;
    if (!file || !file->LoadFromDb(m_tables, &crcFailed))
        return false;
    songId = file->GetSongId();
    file->ReleaseMetadata();
    return true;
}

bool FileScanner::FillFileInfo(MusicFile& file, SongFileInfo& info) {
    bool crcFailed = false;
    if (!file.LoadFromDb(m_tables, &crcFailed))
        return false;
    file.GetFullPath(info.path, *this);
    info.name = NameWithoutExtension(file.GetFileName());
    info.encType = file.GetMetadata()->GetEncType();
    info.printSecs = file.GetMetadata()->GetPrintSecs();
    file.ReleaseMetadata();
    return true;
}

bool FileScanner::GetFileInfoByCfId(uint32_t cfID, SongFileInfo& info) {
    MusicFile* file = AsMusicFile(FindFileByCfId(cfID));
    return file && FillFileInfo(*file, info);
}

bool FileScanner::GetSongFileBySongId(uint32_t songId, SongFileInfo& info) {
    auto it = m_songMap.find(songId);
    return it != m_songMap.end() && !it->second.empty() && FillFileInfo(*it->second.front(), info);
}

bool FileScanner::GetSongFile(uint32_t songId, uint32_t cfID, std::wstring& path, uint32_t& encType) {
    MVLOG(LOG_INFO, "Looking for %u/%u", songId, cfID);
    if (MusicFile* file = AsMusicFile(FindFileByCfId(cfID))) {
        bool crcFailed = false;
        const bool loaded = file->GetSongId() == songId && file->LoadFromDb(m_tables, &crcFailed);
        if (loaded) {
            file->GetFullPath(path, *this);
            encType = file->GetMetadata()->GetEncType();
            file->ReleaseMetadata();
            return true;
        }
        MVLOG(LOG_ERR, "Found cfID, but had other problem, %p/%i/%i", static_cast<void*>(file),
              static_cast<int>(file->GetSongId()), loaded ? 1 : 0);
    }
    MVLOG(LOG_ERR, "Could not find file based on cfID %u", cfID);
    SongFileInfo info;
    if (!GetSongFileBySongId(songId, info))
        return false;
    path = info.path;
    encType = info.encType;
    return true;
}

uint32_t FileScanner::GetRandomSongId() {
    if (m_songMap.empty())
        return 0;
    auto it = m_songMap.begin();
    std::advance(it, GetRandomSource().Next() % m_songMap.size());
    return it->first;
}

void FileScanner::UpdatePlayCounts(const ITunesPlayCounts& counts, std::vector<PlayCountDelta>& increases) {
    int changes = 0;
    for (const auto& [path, count] : counts) {
        std::wstring dirName, fileName;
        if (!SplitPath(path, dirName, fileName))
            continue;
        const SharedDir* dir = FindDirectoryByPath(NormalizeDirPath(dirName));
        if (!dir)
            continue;
        auto known = m_filesByPath.find(PathKeyRef{fileName, dir->m_id});
        MusicFile* file = known == m_filesByPath.end() ? nullptr : AsMusicFile(known->second);
        if (!file || file->GetPlayCount() == count)
            continue;
        const int32_t old = file->GetPlayCount();
        if (file->GetSongId() != 0 && count > old && count >= 1) {
            const int64_t increase = old == -1 ? count : static_cast<int64_t>(count) - old;
            increases.push_back({file->GetSongId(), static_cast<uint32_t>(increase)});
        }
        ++changes;
        file->SetPlayCount(count);
        if (!file->SavePlayCount(m_tables))
            MVLOG(LOG_ERR, "Could not store the play count of '%ls'", path.c_str());
    }
    MVLOG(LOG_INFO, "updated playcounts, recorded %i changes", changes);
    if (changes > 0)
        CommitAndBegin();
}
