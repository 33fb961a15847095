// M3U files of playlists: reading them, writing them, and the names that
// titles from the server are saved and deleted under.
#include "client/library/Playlist.h"

#include "include/fs/FileCmds.h"
#include "include/fs/PathUtil.h"
#include "include/log/Logger.h"
#include "include/text/StringUtil.h"
#include "include/text/Utf8.h"
#include "platform/fs/FileOps.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <fstream>
#include <istream>

namespace {

constexpr int kMaxNameTries = 999;
constexpr char kHeader[] = "#EXTM3U";
constexpr char kNameTag[] = "#MVNAME:";
constexpr char kSongIdTag[] = "#MVINF";
constexpr char kInfoTag[] = "#EXTINF";
constexpr char kLineEnd[] = "\r\n";
constexpr char kTrimChars[] = " \t\r\n";
// The UTF-8 byte-order mark that programs on Windows put before "#EXTM3U".
constexpr char kByteOrderMark[] = "\xEF\xBB\xBF";

// Lines of an M3U stream, each at most Playlist::kMaxLineBytes long without
// its line end; a longer line is read past and reported as too long.
class M3uLineReader {
  public:
    enum Result {
        LR_LINE,
        LR_TOO_LONG,
        LR_END,
    };

    explicit M3uLineReader(std::istream& in) : m_in(*in.rdbuf()) {}

    Result Next(std::string& line) {
        if (m_repeat) {
            m_repeat = false;
            line = m_last;
            return m_lastResult;
        }
        m_lastResult = Read(line);
        m_last = line;
        return m_lastResult;
    }

    // The next Next() gives the line just read again.
    void Repeat() { m_repeat = true; }

  private:
    Result Read(std::string& line) {
        line.clear();
        bool tooLong = false;
        int c = m_in.sbumpc();
        if (c == std::char_traits<char>::eof())
            return LR_END;
        for (; c != std::char_traits<char>::eof() && c != '\n'; c = m_in.sbumpc()) {
            // One byte past the limit is kept, for a CR that ends the line.
            if (line.size() <= Playlist::kMaxLineBytes)
                line.push_back(static_cast<char>(c));
            else
                tooLong = true;
        }
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (tooLong || line.size() > Playlist::kMaxLineBytes)
            return LR_TOO_LONG;
        return LR_LINE;
    }

    std::streambuf& m_in;
    std::string m_last;
    Result m_lastResult = LR_END;
    bool m_repeat = false;
};

// atoi without its undefined overflow: leading blanks, a sign and digits,
// held to [low, high] (both within 32 bits, signed or not).
int64_t LeadingNumber(const std::string& text, int64_t low, int64_t high) {
    size_t i = text.find_first_not_of(" \t");
    if (i == std::string::npos)
        return std::clamp<int64_t>(0, low, high);
    const bool negative = text[i] == '-';
    if (text[i] == '-' || text[i] == '+')
        ++i;
    int64_t value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > static_cast<int64_t>(UINT32_MAX))
            break;
    }
    return std::clamp<int64_t>(negative ? -value : value, low, high);
}

int32_t LeadingInt(const std::string& text) {
    return static_cast<int32_t>(LeadingNumber(text, INT32_MIN, INT32_MAX));
}

// Song ids are unsigned 32-bit numbers.
uint32_t LeadingSongId(const std::string& text) {
    return static_cast<uint32_t>(LeadingNumber(text, 0, UINT32_MAX));
}

// Whether every line of M3U text (CR LF ends) fits the reader's limit.
bool LinesFitReader(const std::string& text) {
    const size_t lineEnd = sizeof kLineEnd - 1;
    for (size_t start = 0; start < text.size();) {
        size_t end = text.find(kLineEnd, start);
        if (end == std::string::npos)
            end = text.size();
        if (end - start > Playlist::kMaxLineBytes)
            return false;
        start = end + lineEnd;
    }
    return true;
}

// A path that would end its line early, and so could not be written back.
bool BreaksLine(const std::wstring& path) {
    return path.find_first_of(std::wstring(L"\r\n\0", 3)) != std::wstring::npos;
}

// A title after "#MVNAME:" or "#EXTINF:<seconds>,", read or written: CR and
// LF would start lines of their own (a track path, say), so every control
// character becomes a blank.
std::wstring BlankControls(std::wstring title) {
    for (wchar_t& c : title) {
        if (c == L'\0' || IsControlChar(c))
            c = L' ';
    }
    return title;
}

std::string TitleLine(const std::wstring& title) {
    return WideToUtf8(BlankControls(title));
}

std::wstring TrimmedText(const std::string& text) {
    std::string blanked = TitleLine(Utf8ToWide(text));
    TrimStringA(blanked, kTrimChars);
    return Utf8ToWide(blanked);
}

// The entries of an M3U body, one line at a time: the values of "#MVINF:"
// and "#EXTINF:" wait for the path, or the next "#MVINF:", that ends their
// entry. It also tells whether a rewrite would give back all the lines taken.
class M3uEntryReader {
  public:
    explicit M3uEntryReader(Playlist& playlist) : m_playlist(playlist) {}

    // `line` without its line end. Tag lines are trimmed; a path is taken as
    // it stands, since blanks may end a file name.
    void Take(const std::string& line) {
        std::string tag = line;
        TrimStringA(tag, kTrimChars);
        if (tag.empty())
            return;
        if (tag[0] != '#') {
            // Written back, bytes that are not UTF-8 would become U+FFFD and
            // the path would no longer name its file.
            if (!IsValidUtf8(line))
                LoseLine();
            TakePath(Utf8ToWide(line));
            return;
        }
        const std::vector<std::string> pieces = TokenizeStringA(tag, ":,", false);
        if (pieces.size() >= 2 && pieces[0] == kSongIdTag) {
            // A new entry starts: what waits belongs to the one before.
            if (m_songId != 0)
                AddPending(L"");
            else
                DropPendingInfo();
            m_songId = LeadingSongId(pieces[1]);
        } else if (pieces.size() >= 2 && pieces[0] == kInfoTag) {
            // One that no entry took yet is replaced.
            DropPendingInfo();
            // A negative length, "-1" mostly, is an unknown one.
            m_seconds = std::max(0, LeadingInt(pieces[1]));
            // The title is the rest of the line, so that its commas and
            // colons survive.
            const size_t end = tag.find(pieces[1], pieces[0].size()) + pieces[1].size() + 1;
            m_title = TrimmedText(tag.substr(std::min(end, tag.size())));
            m_infoPending = true;
        } else {
            LoseLine();
        }
    }

    // The end of the entries read: a song id still waiting is an entry.
    void Finish() {
        if (m_songId != 0) {
            if (m_playlist.GetEntries().size() < Playlist::kMaxEntries)
                AddPending(L"");
            else
                LoseLine();
        } else {
            DropPendingInfo();
        }
    }

    void LoseLine() { m_whole = false; }
    bool Whole() const { return m_whole; }

  private:
    void TakePath(const std::wstring& path) {
        if (BreaksLine(path)) {
            MVLOG(LOG_ERR, "Skipping a track path with a line break in playlist %ls",
                  m_playlist.GetPath().c_str());
            LoseLine();
        } else if (!path.empty()) {
            // A rewrite writes the full path.
            if (IsRelativePath(path))
                LoseLine();
            AddPending(path);
        }
        m_songId = 0;
        ClearPendingInfo();
    }

    void AddPending(const std::wstring& path) {
        m_playlist.AddEntry(path, m_songId, 0, m_seconds, m_title);
        ClearPendingInfo();
    }

    // A length and title that no entry takes; "#EXTINF:0," is how an entry
    // without them is written, so nothing is lost there.
    void DropPendingInfo() {
        if (m_infoPending && (m_seconds != 0 || !m_title.empty()))
            LoseLine();
        ClearPendingInfo();
    }

    void ClearPendingInfo() {
        m_seconds = 0;
        m_title.clear();
        m_infoPending = false;
    }

    Playlist& m_playlist;
    uint32_t m_songId = 0;
    int32_t m_seconds = 0;
    std::wstring m_title;
    bool m_infoPending = false;
    bool m_whole = true;
};

} // namespace

bool Playlist::LoadPlaylist(const std::wstring& dirName, const std::wstring& fileName) {
    m_entries.clear();
    m_canRewrite = false;
    m_path = PathJoin(dirName, fileName);
    struct stat record {};
    if (!statFile(m_path, &record)) {
        MVLOG(LOG_ERR, "could not stat %ls", m_path.c_str());
        return false;
    }
    TakeStat(record);
    std::ifstream in(WideToLocal(m_path), std::ios::binary);
    if (!in.is_open()) {
        MVLOG(LOG_ERR, "Could not open %ls for reading", m_path.c_str());
        return false;
    }
    return ReadM3u(in);
}

bool Playlist::LoadFromStream(const std::wstring& path, std::istream& in) {
    m_entries.clear();
    m_canRewrite = false;
    m_path = path;
    return ReadM3u(in);
}

bool Playlist::ReadM3u(std::istream& in) {
    M3uLineReader reader(in);
    std::string line;
    const M3uLineReader::Result first = reader.Next(line);
    const bool marked = line.compare(0, strlen(kByteOrderMark), kByteOrderMark) == 0;
    std::string header = marked ? line.substr(strlen(kByteOrderMark)) : line;
    TrimStringA(header, kTrimChars);
    if (first != M3uLineReader::LR_LINE || strcasecmp(header.c_str(), kHeader) != 0) {
        MVLOG(LOG_ERR, "invalid first line in playlist: %s", line.c_str());
        return false;
    }

    M3uEntryReader entries(*this);
    bool named = false;
    m_title = kUnknownTitle;
    const size_t nameAt =
        reader.Next(line) == M3uLineReader::LR_LINE ? line.find(kNameTag) : std::string::npos;
    if (nameAt != std::string::npos) {
        named = true;
        m_title = TrimmedText(line.substr(nameAt + strlen(kNameTag)));
        // Text before the tag is not in the title, and bytes that are not
        // UTF-8 would be written back as U+FFFD.
        if (nameAt != 0 || !IsValidUtf8(line))
            entries.LoseLine();
    } else {
        // A file of another program: the line is its first entry's.
        reader.Repeat();
    }

    M3uLineReader::Result result = M3uLineReader::LR_LINE;
    while (m_entries.size() < kMaxEntries && (result = reader.Next(line)) != M3uLineReader::LR_END) {
        if (result == M3uLineReader::LR_TOO_LONG) {
            MVLOG(LOG_ERR, "Skipping a line of more than %u bytes in playlist %ls",
                  static_cast<unsigned>(kMaxLineBytes), m_path.c_str());
            entries.LoseLine();
            continue;
        }
        entries.Take(line);
    }
    entries.Finish();
    // Whatever follows the last entry read is lost to a rewrite.
    while (entries.Whole() && (result = reader.Next(line)) != M3uLineReader::LR_END) {
        TrimStringA(line, kTrimChars);
        if (result != M3uLineReader::LR_LINE || !line.empty())
            entries.LoseLine();
    }
    // A file with the byte-order mark comes from another program that may
    // need the mark to read it as UTF-8; this program writes none, so such
    // a file is left as it is.
    m_canRewrite = named && entries.Whole() && !marked && RewriteFitsReader();
    return true;
}

bool Playlist::RewriteFitsReader() const {
    return LinesFitReader(M3uText());
}

bool Playlist::SavePlaylist() {
    return Save(false) == SR_SAVED;
}

std::string Playlist::M3uText() const {
    std::string text = std::string(kHeader) + kLineEnd + kNameTag + TitleLine(m_title) + kLineEnd;
    for (const PlaylistEntry& entry : m_entries) {
        text.append(kSongIdTag).append(":").append(std::to_string(entry.GetSongId())).append(kLineEnd);
        text.append(kInfoTag).append(":").append(std::to_string(entry.GetSeconds())).append(",");
        text.append(TitleLine(entry.GetTitle())).append(kLineEnd);
        if (BreaksLine(entry.GetPath()))
            MVLOG(LOG_ERR, "Not writing the track path %ls: it holds a line break", entry.GetPath().c_str());
        else if (!entry.GetPath().empty())
            text += WideToUtf8(entry.GetPath()) + kLineEnd;
    }
    return text;
}

Playlist::SaveResult Playlist::Save(bool newFileOnly) {
    std::wstring dir, name;
    if (SplitPath(m_path, dir, name) && !createDirs(dir + L"/")) {
        MVLOG(LOG_ERR, "Could not make directories in path %ls for playlist save", m_path.c_str());
        return SR_FAILED;
    }
    // Written whole beside the file and then renamed onto it, so a failed
    // write (a full disk) leaves the file as it was.
    const platform::WriteReplaceMode how = newFileOnly ? platform::WR_NEW_ONLY : platform::WR_REPLACE_FILE;
    if (platform::WriteFileReplacing(WideToUtf8(m_path), M3uText(), how, 0644) != 0) {
        if (newFileOnly && errno == EEXIST)
            return SR_NAME_TAKEN;
        // Refused: a link, a folder, another file that is not regular, or one
        // not open to writing.
        if (errno == ELOOP || errno == EISDIR || errno == EINVAL || errno == EACCES)
            MVLOG(LOG_ERR, "Could not open %ls for writing", m_path.c_str());
        else
            MVLOG(LOG_ERR, "Could not write %ls", m_path.c_str());
        return SR_FAILED;
    }
    struct stat record {};
    if (statFile(m_path, &record))
        TakeStat(record);
    m_canRewrite = true;
    return SR_SAVED;
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
        m_path = n == 1 ? stem + kExtension : stem + L"-" + std::to_wstring(n) + kExtension;
        if (overwrite)
            return Save(false) == SR_SAVED;
        if (fileExists(m_path))
            continue;
        const SaveResult result = Save(true);
        if (result != SR_NAME_TAKEN)
            return result == SR_SAVED;
    }
    MVLOG(LOG_ERR, "Every name for playlist '%ls' is taken", m_title.c_str());
    m_path.clear();
    return false;
}

bool Playlist::DeletePlaylistFile(const std::wstring& directory, const std::wstring& name) {
    if (!IsSafeFileName(name)) {
        MVLOG(LOG_ERR, "Refusing to delete playlist '%ls'", name.c_str());
        return false;
    }
    return RemoveFile(PathJoin(directory, name));
}

bool Playlist::FileBaseForTitle(const std::wstring& title, std::wstring& base) {
    std::wstring name = title;
    for (wchar_t& c : name) {
        if (c == L'/' || c == L'\\' || c == L'\0' || IsControlChar(c))
            c = L'_';
    }
    name = Utf8ToWide(CutUtf8(WideToUtf8(name), kMaxFileBaseBytes));
    if (!IsSafeFileName(name))
        return false;
    base = name;
    return true;
}

bool Playlist::IsInPlaylistsFolder(const std::wstring& directory, const std::wstring& playlistsFolder) {
    std::wstring rest;
    return FindFolderHolding({playlistsFolder}, directory, rest);
}
