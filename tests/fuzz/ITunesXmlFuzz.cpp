// Feeds the media library's XML reader with a document, whole and in pieces
// of a size the input chooses: both readings must collect the same tracks
// and playlists (Expat hands text over in pieces that depend on the input's
// splits), every track must have a local path, and what the imports make of
// them must hold what they promise. The location decoder is fed the same
// bytes as a location.
#include "client/library/ITunesImport.h"
#include "client/library/ITunesLocation.h"
#include "client/library/ITunesXml.h"
#include "include/text/Utf8.h"
#include "tests/fuzz/support/FuzzSupport.h"

#include <string>
#include <vector>

namespace {

constexpr wchar_t kLocalPrefix[] = L"file://localhost/";

bool SamePlaylists(const std::vector<ITunesPlaylist>& a, const std::vector<ITunesPlaylist>& b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (a[i].name != b[i].name || a[i].persistentId != b[i].persistentId ||
            a[i].trackIds != b[i].trackIds || a[i].valid != b[i].valid)
            return false;
    }
    return true;
}

bool SameTracks(const ITunesParseContext& a, const ITunesParseContext& b) {
    if (a.tracks.size() != b.tracks.size() || a.nonLocalTracks != b.nonLocalTracks)
        return false;
    for (auto i = a.tracks.begin(), j = b.tracks.begin(); i != a.tracks.end(); ++i, ++j) {
        if (i->first != j->first || i->second.location != j->second.location ||
            i->second.playCount != j->second.playCount)
            return false;
    }
    return true;
}

void CheckLocation(const std::string& bytes) {
    const std::wstring location = Utf8ToWide(bytes);
    const std::wstring path = LocationToPath(location);
    const std::wstring prefix = kLocalPrefix;
    if (location.compare(0, prefix.size(), prefix) != 0) {
        FUZZ_CHECK(path.empty());
        return;
    }
    FUZZ_CHECK(!path.empty() && path[0] == L'/');
    if (location.find(L'%') == std::wstring::npos)
        FUZZ_CHECK(path == location.substr(prefix.size() - 1));
}

} // namespace

std::vector<std::string> fuzzsupport::Seeds() {
    const std::string head =
        "\x01\x07<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict>";
    return {
        head +
            "<key>Tracks</key><dict><key>1</key><dict><key>Track ID</key><integer>1</integer>"
            "<key>Play Count</key><integer>4</integer><key>Location</key>"
            "<string>file://localhost/m/a%20b%C3%A9.mp3</string></dict>"
            "<key>2</key><dict><key>Location</key><string>http://x/y.mp3</string>"
            "<key>Play Count</key><integer>2</integer></dict></dict>"
            "<key>Playlists</key><array><dict><key>Name</key><string>Library</string>"
            "<key>Master</key><true/><key>Visible</key><false/></dict>"
            "<dict><key>Name</key><string>Road</string><key>Playlist Persistent ID</key>"
            "<string>ABCD</string><key>Playlist Items</key><array><dict><key>Track ID</key>"
            "<integer>1</integer></dict><dict><key>Track ID</key><integer>2</integer></dict></array></dict>"
            "<dict><key>Name</key><string>MV_x</string><key>Distinguished Kind</key><integer>4</integer>"
            "</dict><dict><key>Name</key><string></string><key>Playlist Persistent ID</key>"
            "<string>EF01</string></dict><dict><key>Playlist Items</key><array><dict><key>Track ID</key>"
            "<integer>1</integer></dict></array></dict></array></dict></plist>",
        head + "<key>Tracks</key><dict><key>5</key><dict><key>Location</key>"
               "<string>file://localhost/bad%</string></dict></dict></dict></plist>",
        std::string("\x00\x01", 2) +
            "<plist><dict><key>Tracks</key><array><key></key></array></dict></plist>",
    };
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2)
        return 0;
    const bool readPlaylists = (data[0] & 1) != 0;
    const size_t piece = data[1] == 0 ? 1 : data[1];
    const char* text = reinterpret_cast<const char*>(data + 2);
    const size_t length = size - 2;
    CheckLocation(std::string(text, length));

    ITunesParseContext whole(readPlaylists);
    const bool wholeOk = ITunesXmlReader(whole).Feed(text, length, true);
    ITunesParseContext pieces(readPlaylists);
    bool piecesOk = true;
    {
        ITunesXmlReader reader(pieces);
        for (size_t at = 0; piecesOk && at < length; at += piece)
            piecesOk = reader.Feed(text + at, std::min(piece, length - at), false);
        piecesOk = piecesOk && reader.Feed(text, 0, true);
    }
    FUZZ_CHECK(wholeOk == piecesOk);
    if (!wholeOk)
        return 0;
    FUZZ_CHECK(SameTracks(whole, pieces));
    FUZZ_CHECK(SamePlaylists(whole.playlists, pieces.playlists));
    FUZZ_CHECK(readPlaylists || whole.playlists.empty());
    for (const auto& [id, track] : whole.tracks) {
        FUZZ_CHECK(id > 0 && whole.nonLocalTracks.count(id) == 0);
        FUZZ_CHECK(track.location.empty() || track.location[0] == L'/');
    }

    ImportedPlaylists imported;
    int oldCount = -1;
    CollectPlaylists(whole, imported, oldCount);
    FUZZ_CHECK(oldCount >= 0 && imported.size() + static_cast<size_t>(oldCount) <= whole.playlists.size());
    for (const ImportedPlaylist& playlist : imported) {
        FUZZ_CHECK(!playlist.name.empty() && playlist.name.compare(0, 3, L"MV_") != 0);
        for (const std::wstring& path : playlist.trackPaths)
            FUZZ_CHECK(!path.empty() && path[0] == L'/');
    }
    ITunesPlayCounts counts;
    CollectPlayCounts(whole, counts);
    FUZZ_CHECK(counts.size() <= whole.tracks.size() && counts.count(L"") == 0);
    return 0;
}
