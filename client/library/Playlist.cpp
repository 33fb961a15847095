#include "client/library/Playlist.h"

#include "include/fs/FileCmds.h"
#include "include/fs/PathUtil.h"
#include "include/io/Buf.h"
#include "include/log/Logger.h"
#include "include/text/StringUtil.h"
#include "include/text/Utf8.h"
#include "platform/fs/FileOps.h"

#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr int kMaxNameTries = 999;
constexpr wchar_t kPlaylistExtension[] = L".m3u";
constexpr char kLineEnd[] = "\r\n";

// Reads `count` u32 values, refusing a count larger than the bytes left.
bool ReadIdList(Buf& in, uint32_t count, std::vector<uint32_t>& ids) {
    if (static_cast<int64_t>(count) * 4 > in.GetNumUsedBytes()) {
        in.SetFailed();
        return false;
    }
    ids.resize(count);
    for (uint32_t& id : ids)
        id = in.ReadUInt32();
    return true;
}

// A title as written after "#MVNAME:" or "#EXTINF:<seconds>,": a CR or LF
// from the server would start lines of its own (a track path, say), so every
// control character becomes a blank.
std::string TitleLine(const std::wstring& title) {
    std::wstring line = title;
    for (wchar_t& c : line) {
        if (IsControlChar(c))
            c = L' ';
    }
    return WideToUtf8(line);
}

} // namespace

Playlist::Playlist(const PathKey& key, uint32_t size, uint32_t lastModDate, uint32_t cfID)
    : SharedFile(key, size, lastModDate, cfID), m_title(key.GetFileName()), m_flag(true) {}

bool Playlist::Load(const std::wstring& dirName, const std::wstring& fileName) {
    MVLOG(LOG_ERR, "Reading playlist %ls in %ls is not supported yet", fileName.c_str(), dirName.c_str());
    return false;
}

bool Playlist::PutMetadata(Buf& out) {
    std::wstring dir, name;
    if (!SplitPath(m_path, dir, name))
        name = m_path;
    bool ok = out.WriteByte(static_cast<uint8_t>(GetKind()));
    ok &= out.WriteUInt32(m_cfID);
    ok &= out.WriteWString(name);
    ok &= out.WriteBool(m_flag);
    ok &= out.WriteUInt32(m_lastModDate);
    ok &= out.WriteUInt32(static_cast<uint32_t>(m_entries.size()));
    for (const Entry& entry : m_entries) {
        ok &= out.WriteUInt32(entry.songId);
        ok &= out.WriteUInt32(entry.seconds);
        // The title names a track only where no song id does.
        ok &= out.WriteWString(entry.songId == 0 ? entry.title : std::wstring());
        ok &= out.WriteBool(entry.exists);
    }
    return ok;
}

bool Playlist::ReadFromMessage(Buf& in) {
    std::wstring title = in.ReadWString(kMaxTitleBytes);
    std::vector<uint32_t> songIds, cfIds;
    if (!ReadIdList(in, in.ReadUInt32(), songIds) || !ReadIdList(in, in.ReadUInt32(), cfIds))
        return false;
    if (in.HasFailed()) {
        in.SetFailed(); // left set for the caller's check of the whole body
        return false;
    }
    m_title = title;
    m_entries.clear();
    for (size_t i = 0; i < songIds.size(); ++i) {
        Entry entry;
        entry.songId = songIds[i];
        entry.cfID = i < cfIds.size() ? cfIds[i] : 0;
        m_entries.push_back(entry);
    }
    return true;
}

void Playlist::ResolveEntries(FileScanner& scanner) {
    (void)scanner;
}

bool Playlist::FileBaseForTitle(const std::wstring& title, std::wstring& base) {
    std::wstring name = title;
    for (wchar_t& c : name) {
        if (c == L'/' || c == L'\\' || IsControlChar(c))
            c = L'_';
    }
    if (!ValidateRelativePath(name))
        return false;
    base = name;
    return true;
}

bool Playlist::SaveInDirectory(const std::wstring& directory, bool overwrite) {
    m_path.clear();
    std::wstring base;
    if (!FileBaseForTitle(m_title, base)) {
        MVLOG(LOG_ERR, "Playlist title '%ls' cannot name a file", m_title.c_str());
        return false;
    }
    const std::wstring stem = PathJoin(directory, base);
    for (int n = 1; n <= kMaxNameTries; ++n) {
        std::wstring name =
            n == 1 ? stem + kPlaylistExtension : stem + L"-" + std::to_wstring(n) + kPlaylistExtension;
        if (overwrite || !fileExists(name)) {
            m_path = name;
            return SavePlaylist();
        }
    }
    return false;
}

bool Playlist::SavePlaylist() {
    std::wstring dir, name;
    if (SplitPath(m_path, dir, name) && !createDirs(dir + L"/")) {
        MVLOG(LOG_ERR, "Could not make directories in path %ls for playlist save", m_path.c_str());
        return false;
    }
    std::string text = std::string("#EXTM3U") + kLineEnd + "#MVNAME:" + TitleLine(m_title) + kLineEnd;
    for (const Entry& entry : m_entries) {
        text += "#MVINF:" + std::to_string(entry.songId) + kLineEnd;
        text += "#EXTINF:" + std::to_string(entry.seconds) + "," + TitleLine(entry.title) + kLineEnd;
        if (!entry.path.empty())
            text += WideToUtf8(entry.path) + kLineEnd;
    }
    int fd = platform::OpenCloexec(WideToUtf8(m_path), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0) {
        MVLOG(LOG_ERR, "Could not open %ls for writing", m_path.c_str());
        return false;
    }
    bool written = platform::WriteAll(fd, text.data(), text.size());
    close(fd);
    if (!written)
        MVLOG(LOG_ERR, "Could not write %ls", m_path.c_str());
    return written;
}

bool Playlist::DeletePlaylistFile(const std::wstring& directory, const std::wstring& name) {
    if (!ValidateRelativePath(name)) {
        MVLOG(LOG_ERR, "Refusing to delete playlist '%ls'", name.c_str());
        return false;
    }
    return RemoveFile(PathJoin(directory, name));
}

std::vector<std::wstring> Playlist::GetEntryPaths() const {
    std::vector<std::wstring> paths;
    for (const Entry& entry : m_entries) {
        if (!entry.path.empty())
            paths.push_back(entry.path);
    }
    return paths;
}
