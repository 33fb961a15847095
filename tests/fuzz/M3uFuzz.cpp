// Feeds the M3U reader with a playlist file's bytes and checks what the
// scanner and the playlist rewrite rely on: at most 100 entries, no entry
// path holding a line break or NUL, and relative paths taken from the
// playlist's folder.
#include "client/library/Playlist.h"
#include "tests/fuzz/support/FuzzSupport.h"

#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr wchar_t kPlaylistPath[] = L"/music/lists/Mix.m3u";

bool HasLineBreakOrNul(const std::wstring& text) {
    return text.find_first_of(std::wstring(L"\r\n\0", 3)) != std::wstring::npos;
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
    return 0;
}
