// Feeds the M3U reader with a playlist file's bytes and checks what the
// scanner and the playlist rewrite rely on: at most 100 entries, no entry
// path holding a line break or NUL, relative paths taken from the playlist's
// folder, and, for a file it may rewrite, that what it would write fits the
// reader's line limit and reads back as the same title and entries, its name
// and paths byte for byte as the file held them.
#include "client/library/Playlist.h"
#include "include/text/Utf8.h"
#include "tests/fuzz/support/FuzzSupport.h"

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr wchar_t kPlaylistPath[] = L"/music/lists/Mix.m3u";

bool HasLineBreakOrNul(const std::wstring& text) {
    return text.find_first_of(std::wstring(L"\r\n\0", 3)) != std::wstring::npos;
}

// Bytes of the longest line of `text`, without its line end.
size_t LongestLine(const std::string& text) {
    size_t longest = 0;
    for (size_t start = 0, end = 0; start < text.size(); start = end + 2) {
        end = text.find("\r\n", start);
        if (end == std::string::npos)
            end = text.size();
        longest = std::max(longest, end - start);
    }
    return longest;
}

// The second line of `text`, where the name is, without its line end.
std::string SecondLine(const std::string& text) {
    const size_t start = text.find('\n');
    if (start == std::string::npos)
        return "";
    const size_t end = text.find('\n', start + 1);
    return text.substr(start + 1, end == std::string::npos ? std::string::npos : end - start - 1);
}

bool SameEntries(const std::vector<PlaylistEntry>& a, const std::vector<PlaylistEntry>& b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (a[i].GetPath() != b[i].GetPath() || a[i].GetSongId() != b[i].GetSongId() ||
            a[i].GetSeconds() != b[i].GetSeconds() || a[i].GetTitle() != b[i].GetTitle())
            return false;
    }
    return true;
}

} // namespace

std::vector<std::string> fuzzsupport::Seeds() {
    return {
        "#EXTM3U\r\n#MVNAME:Road Trip\r\n#MVINF:1234\r\n#EXTINF:215,Song One\r\n/music/a.mp3\r\n"
        "#MVINF:0\r\n#EXTINF:0,Unknown track\r\n",
        "#EXTM3U\n#EXTINF:12,Caf\xC3\xA9\nsub/b.mp3\n../c.mp3\n\n#EXTINF:-1\n/x.m4a\n",
        "#EXTM3U\r\n#MVINF:4294967295\r\n#EXTINF:99999999999999999999,x\r\nrel.mp3\r\n",
        "plain.mp3\nother.mp3\r\n#MVNAME:\r\n",
        "#EXTM3U\r\n#MVNAME:a\tb\x01\x7F\xC2\x85\r\n" + std::string(1100, 'x') + "\r\n",
        "#EXTM3U\r\n#MVNAME:Road: the B-sides\r\n#MVINF:0\r\n#EXTINF:215,\r\n/m/a.mp3 \r\n#MVINF:7\r\n"
        "#EXTINF:3,x\r\n#MVINF:8\r\n/m/b.mp3\t\r\n",
        "#EXTM3U\r\n#MVNAME:Caf\xE9\r\n#EXTINF:1,T\xE9\r\n/m/caf\xE9.mp3\r\n",
        "\xEF\xBB\xBF#EXTM3U\r\n#MVNAME:Mix\r\n#EXTINF:-1,Title\r\n/m/a.mp3\r\n",
    };
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
    Playlist playlist;
    if (!playlist.LoadFromStream(kPlaylistPath, in))
        return 0;
    const std::vector<PlaylistEntry>& entries = playlist.GetEntries();
    FUZZ_CHECK(entries.size() <= Playlist::kMaxEntries);
    for (const PlaylistEntry& entry : entries) {
        FUZZ_CHECK(!HasLineBreakOrNul(entry.GetPath()));
        FUZZ_CHECK(!HasLineBreakOrNul(entry.GetTitle()));
        // Relative paths are joined to the playlist's folder.
        FUZZ_CHECK(entry.GetPath().empty() || entry.GetPath().front() == L'/');
    }
    if (!playlist.CanRewrite())
        return 0;
    // A rewrite keeps the name's and the paths' bytes: U+FFFD written in
    // place of bytes that are not UTF-8 would read back alike, yet no
    // longer name the file.
    const std::string input(reinterpret_cast<const char*>(data), size);
    FUZZ_CHECK(IsValidUtf8(SecondLine(input)));
    for (const PlaylistEntry& entry : entries)
        FUZZ_CHECK(input.find(WideToUtf8(entry.GetPath())) != std::string::npos);
    // Read again, what a rewrite would write gives the same playlist.
    const std::string text = playlist.M3uText();
    FUZZ_CHECK(LongestLine(text) <= Playlist::kMaxLineBytes);
    {
        std::istringstream written(text);
        Playlist back;
        FUZZ_CHECK(back.LoadFromStream(kPlaylistPath, written));
        FUZZ_CHECK(back.CanRewrite() && back.GetTitle() == playlist.GetTitle());
        FUZZ_CHECK(SameEntries(entries, back.GetEntries()));
    }
    return 0;
}
