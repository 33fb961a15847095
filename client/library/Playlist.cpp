// A playlist's entries, its new-file record, the playlist of a save message,
// and resolving entries against the scanner's files.
#include "client/library/Playlist.h"

#include "client/library/FileScanner.h"
#include "include/crash/Assert.h"
#include "include/fs/FileCmds.h"
#include "include/fs/PathUtil.h"
#include "include/io/Buf.h"
#include "include/log/Logger.h"
#include "include/text/Utf8.h"

namespace {

// Reads a u32 count and that many u32 values, refusing a count larger than
// the bytes left (the buffer's flag is set then).
bool ReadIdList(Buf& in, std::vector<uint32_t>& ids) {
    const uint32_t count = in.ReadUInt32();
    if (static_cast<int64_t>(count) * 4 > in.GetNumUsedBytes()) {
        in.SetFailed();
        return false;
    }
    ids.resize(count);
    for (uint32_t& id : ids)
        id = in.ReadUInt32();
    return true;
}

// Reports the buffer's failure flag, leaving it set for the caller's check
// of the whole body.
bool ReadFailed(Buf& in) {
    if (!in.HasFailed())
        return false;
    in.SetFailed();
    return true;
}

} // namespace

PlaylistEntry::PlaylistEntry(const std::wstring& path, uint32_t songId, uint32_t cfID, int32_t seconds,
                             bool exists, const std::wstring& title)
    : m_path(path), m_songId(songId), m_cfID(cfID), m_exists(exists), m_seconds(seconds), m_title(title) {}

Playlist::Playlist(const PathKey& key, uint32_t size, uint32_t lastModDate, uint32_t cfID)
    : SharedFile(key, size, lastModDate, cfID), m_title(key.GetFileName()), m_flag(true) {}

bool Playlist::Load(const std::wstring& dirName, const std::wstring& fileName) {
    return LoadPlaylist(dirName, fileName);
}

bool Playlist::PutMetadata(Buf& out) {
    std::wstring dir, name;
    if (!SplitPath(m_path, dir, name))
        name = m_path;
    bool ok = out.WriteByte(static_cast<uint8_t>(GetKind()));
    ok = ok && out.WriteUInt32(m_cfID);
    ok = ok && out.WriteWString(name);
    ok = ok && out.WriteBool(m_flag);
    ok = ok && out.WriteUInt32(m_lastModDate);
    ok = ok && out.WriteUInt32(static_cast<uint32_t>(m_entries.size()));
    for (const PlaylistEntry& entry : m_entries) {
        ok = ok && out.WriteUInt32(entry.GetSongId());
        ok = ok && out.WriteUInt32(static_cast<uint32_t>(entry.GetSeconds()));
        // The title names a track only where no song id does.
        const std::string title =
            entry.GetSongId() == 0 ? CutUtf8(WideToUtf8(entry.GetTitle()), kMaxRecordTitleBytes) : "";
        ok = ok && out.WriteString(title);
        ok = ok && out.WriteBool(entry.GetExists());
    }
    return ok;
}

bool Playlist::ReadFromMessage(Buf& in) {
    const std::wstring title = in.ReadWString(kMaxTitleBytes);
    std::vector<uint32_t> songIds, cfIds;
    if (!ReadIdList(in, songIds) || !ReadIdList(in, cfIds) || ReadFailed(in))
        return false;
    m_title = title;
    m_entries.clear();
    for (size_t i = 0; i < songIds.size(); ++i)
        AddEntry(L"", songIds[i], i < cfIds.size() ? cfIds[i] : 0, 0, L"");
    return true;
}

bool Playlist::ReadFromOldMessage(Buf& in) {
    const std::wstring title = in.ReadWString(kMaxTitleBytes);
    std::vector<uint32_t> songIds;
    if (!ReadIdList(in, songIds) || ReadFailed(in))
        return false;
    m_title = title;
    m_entries.clear();
    for (uint32_t songId : songIds)
        AddEntry(L"", songId, 0, 0, L"");
    return true;
}

void Playlist::AddEntry(const std::wstring& path, uint32_t songId, uint32_t cfID, int32_t seconds,
                        const std::wstring& title) {
    std::wstring full = path;
    if (!full.empty() && IsRelativePath(full)) {
        MV_ASSERT(m_path.length() > 0);
        std::wstring dir, name;
        if (SplitPath(m_path, dir, name))
            full = PathJoin(dir, full);
    }
    m_entries.emplace_back(full, songId, cfID, seconds, !full.empty() && fileExists(full), title);
}

std::vector<std::wstring> Playlist::GetEntryPaths() const {
    std::vector<std::wstring> paths;
    for (const PlaylistEntry& entry : m_entries) {
        if (!entry.GetPath().empty())
            paths.push_back(entry.GetPath());
    }
    return paths;
}

void Playlist::ResolveEntries(FileScanner& scanner) {
    for (PlaylistEntry& entry : m_entries) {
        if (entry.GetSongId() == 0)
            continue;
        SongFileInfo info;
        const bool found = entry.GetCfId() != 0 ? scanner.GetFileInfoByCfId(entry.GetCfId(), info)
                                                : scanner.GetSongFileBySongId(entry.GetSongId(), info);
        if (!found)
            continue;
        entry.SetPath(info.path);
        entry.SetSeconds(static_cast<int32_t>(info.printSecs));
        entry.SetTitle(info.name);
        entry.SetExists(true);
    }
}

int Playlist::FillEntriesForSong(uint32_t songId, const std::wstring& path, const std::wstring& title,
                                 int32_t seconds) {
    int changed = 0;
    for (PlaylistEntry& entry : m_entries) {
        if (entry.GetSongId() != songId)
            continue;
        entry.SetExists(true);
        entry.SetPath(path);
        entry.SetSeconds(seconds);
        entry.SetTitle(title);
        ++changed;
    }
    if (changed == 0 || !m_canRewrite)
        return changed;
    // A path or title of the song too long for a line would not read back.
    if (!RewriteFitsReader())
        MVLOG(LOG_ERR, "Not rewriting playlist %ls: a line for song %u would be too long", m_path.c_str(),
              songId);
    else if (!SavePlaylist())
        MVLOG(LOG_ERR, "Could not rewrite playlist %ls with the file of song %u", m_path.c_str(), songId);
    return changed;
}

int Playlist::MatchEntriesToFiles(FileScanner& scanner) {
    int changed = 0;
    for (PlaylistEntry& entry : m_entries) {
        if (entry.GetPath().empty())
            continue;
        const uint32_t cfID = scanner.GetCfIdForPath(entry.GetPath());
        uint32_t songId = 0;
        // A file the server has not identified yet (song id 0) is passed
        // over: taking its 0 would wipe the song id the entry already holds,
        // and with it the entry's wait for that song's file.
        if (cfID == 0 || !scanner.GetSongIdForCfId(cfID, songId) || songId == 0 ||
            songId == entry.GetSongId())
            continue;
        entry.SetSongId(songId);
        entry.SetCfId(cfID);
        ++changed;
    }
    return changed;
}

void Playlist::RegisterWaitingEntries(FileScanner& scanner) {
    for (const PlaylistEntry& entry : m_entries) {
        if (entry.GetSongId() != 0 && !entry.GetExists())
            scanner.AddWaitingPlaylist(this, entry.GetSongId());
    }
}

void Playlist::UnregisterEntries(FileScanner& scanner) {
    for (const PlaylistEntry& entry : m_entries) {
        if (entry.GetSongId() != 0)
            scanner.RemoveWaitingPlaylist(this, entry.GetSongId());
    }
}
