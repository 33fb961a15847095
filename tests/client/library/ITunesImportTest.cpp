#include "client/library/ITunesImport.h"

#include "client/library/ITunesLocation.h"
#include "tests/client/core/CoreHarness.h"
#include "tests/support/CapturedLog.h"
#include "tests/support/TempDir.h"
#include "tests/support/WaitUntil.h"

#include <gtest/gtest.h>

#include <filesystem>

using testsupport::TempDir;

namespace {

// One plist value: "<tag>text</tag>", or an empty element for "true" and
// "false".
std::string Value(const std::string& tag, const std::string& text = "") {
    return tag == "true" || tag == "false" ? "<" + tag + "/>" : "<" + tag + ">" + text + "</" + tag + ">";
}

std::string Key(const std::string& key) {
    return "<key>" + key + "</key>";
}

std::string TrackXml(int id, const std::string& fields) {
    return Key(std::to_string(id)) + "<dict>" + Key("Track ID") + Value("integer", std::to_string(id)) +
           fields + "</dict>";
}

std::string Location(const std::string& url) {
    return Key("Location") + Value("string", url);
}

std::string PlayCount(int count) {
    return Key("Play Count") + Value("integer", std::to_string(count));
}

// An item of the playlists array; `fields` holds its name, if it has one.
std::string PlaylistItemXml(const std::string& fields, const std::vector<int>& items) {
    std::string text = "<dict>" + fields;
    if (!items.empty()) {
        text += Key("Playlist Items") + "<array>";
        for (int id : items)
            text += "<dict>" + Key("Track ID") + Value("integer", std::to_string(id)) + "</dict>";
        text += "</array>";
    }
    return text + "</dict>";
}

std::string PlaylistXml(const std::string& name, const std::string& fields, const std::vector<int>& items) {
    return PlaylistItemXml(Key("Name") + Value("string", name) + fields, items);
}

std::string Library(const std::string& tracks, const std::string& playlists) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">\n<dict>" +
           Key("Major Version") + Value("integer", "1") + Key("Tracks") + "<dict>" + tracks + "</dict>" +
           Key("Playlists") + "<array>" + playlists + "</array>" + Key("Music Folder") +
           Value("string", "file://localhost/m/") + "</dict>\n</plist>\n";
}

const std::string kTracks =
    // The count comes before the location.
    TrackXml(1, PlayCount(7) + Location("file://localhost/m/a%20b.mp3") + Key("Date Added") +
                    Value("date", "2020-01-01T00:00:00Z")) +
    TrackXml(2, Location("file://localhost/m/caf%C3%A9.mp3") + PlayCount(3)) +
    // Not local: later keys do not bring it back.
    TrackXml(3,
             Location("http://example.com/s.mp3") + PlayCount(9) + Key("Rating") + Value("integer", "80")) +
    TrackXml(4, Location("file://localhost/m/bad%") + Key("Compilation") + Value("true")) +
    // No location at all.
    TrackXml(5, PlayCount(2));

} // namespace

TEST(ITunesImportTest, PlayCountsComeFromEveryLocalTrack) {
    TempDir dir;
    // Enough tracks that the file is read in several pieces.
    std::string tracks = kTracks;
    for (int id = 100; id < 1600; ++id)
        tracks +=
            TrackXml(id, Location("file://localhost/m/many/" + std::to_string(id) + ".mp3") + PlayCount(id));
    testsupport::WriteFileText(dir.File("lib.xml"), Library(tracks, ""));
    ASSERT_GT(std::filesystem::file_size(dir.File("lib.xml")), 3u * 64 * 1024);
    testsupport::CapturedLog log;
    ITunesPlayCounts counts;
    ImportITunesPlayCounts(counts, dir.WFile("lib.xml"));
    EXPECT_EQ(1503u, counts.size());
    EXPECT_EQ(7, counts[L"/m/a b.mp3"]);
    EXPECT_EQ(3, counts[L"/m/caf\u00e9.mp3"]);
    EXPECT_EQ(0, counts[L"/m/bad%"]);
    EXPECT_EQ(1599, counts[L"/m/many/1599.mp3"]);
    EXPECT_EQ(0u, counts.count(L""));
    EXPECT_TRUE(log.Contains("(INFO): completed songs counts from iTunes XML. Found 1503 counts"));
}

TEST(ITunesImportTest, OnlyVisibleUserPlaylistsAreImported) {
    TempDir dir;
    const std::string pid = Key("Playlist Persistent ID") + Value("string", "ABCD");
    const std::string playlists =
        PlaylistXml("Library", Key("Master") + Value("true") + Key("Visible") + Value("false"), {1, 2}) +
        PlaylistXml("Music", Key("Distinguished Kind") + Value("integer", "4"), {1}) +
        PlaylistXml("MV_Old mix", "", {1}) + PlaylistXml("Nothing in it", "", {}) +
        PlaylistXml("Road", pid + Key("Visible") + Value("true"), {2, 3, 1, 99, 5}) +
        // Playlists without a name are records of their own, left out and
        // not counted as old ones.
        PlaylistXml("", Key("Playlist Persistent ID") + Value("string", "EMPTY"), {1}) +
        PlaylistItemXml(Key("Playlist Persistent ID") + Value("string", "NONE"), {2}) +
        PlaylistXml("Gone", "", {3});
    testsupport::WriteFileText(dir.File("lib.xml"), Library(kTracks, playlists));
    testsupport::CapturedLog log;
    ImportedPlaylists imported;
    ImportITunesPlaylists(imported, dir.WFile("lib.xml"));
    ASSERT_EQ(2u, imported.size());
    EXPECT_EQ(L"Road", imported[0].name);
    EXPECT_EQ(L"ABCD", imported[0].persistentId);
    EXPECT_EQ(std::vector<std::wstring>({L"/m/caf\u00e9.mp3", L"/m/a b.mp3"}), imported[0].trackPaths);
    // A playlist none of whose tracks is local is still handed over.
    EXPECT_EQ(L"Gone", imported[1].name);
    EXPECT_TRUE(imported[1].trackPaths.empty());
    EXPECT_TRUE(log.Contains(
        "(INFO): completed playlists from iTunes XML. Found 2 valid user playlists and 2 old MV playlists"))
        << log.Text();
}

TEST(ITunesImportTest, UnreadableLibrariesGiveNothingAndTheirLine) {
    TempDir dir;
    testsupport::WriteFileText(dir.File("broken.xml"), Library(kTracks, "").substr(0, 300) + "</nope>");
    std::filesystem::create_directories(dir.File("folder.xml"));
    const struct {
        const char* name;
        const char* line;
    } cases[] = {
        {"missing.xml", "(INFO): iTunes file "},
        {"broken.xml", "(ERR): Error parsing XML. Error code:"},
        {"folder.xml", "(ERR): Error reading iTunes file "},
    };
    for (const auto& c : cases) {
        testsupport::CapturedLog log;
        ITunesPlayCounts counts;
        ImportITunesPlayCounts(counts, dir.WFile(c.name));
        ImportedPlaylists playlists;
        ImportITunesPlaylists(playlists, dir.WFile(c.name));
        EXPECT_TRUE(counts.empty()) << c.name;
        EXPECT_TRUE(playlists.empty()) << c.name;
        EXPECT_TRUE(log.Contains(c.line)) << c.name << "\n" << log.Text();
        EXPECT_TRUE(log.Contains("(ERR): could not get playcounts from iTunes XML")) << c.name;
        EXPECT_TRUE(log.Contains("(ERR): could not get playlists from iTunes XML")) << c.name;
    }
}

TEST(ITunesImportTest, OverlongTextsKeepTheirFirstBytesAndTheKeysAroundThem) {
    TempDir dir;
    // 4095 bytes are kept, cut before a character that does not fit whole.
    std::string accents;
    for (int i = 0; i < 3000; ++i)
        accents += "\xc3\xa9";
    std::wstring keptAccents(2038, L'\u00e9');
    const std::string tracks = Key(std::string(5000, 'k')) + Value("integer", "1") + kTracks +
                               TrackXml(6, Location("file://localhost/x" + accents) + PlayCount(4));
    const std::string playlists = PlaylistXml(std::string(5000, 'n'), "", {1});
    testsupport::WriteFileText(dir.File("lib.xml"), Library(tracks, playlists));
    testsupport::CapturedLog log;
    ITunesPlayCounts counts;
    ImportITunesPlayCounts(counts, dir.WFile("lib.xml"));
    ImportedPlaylists imported;
    ImportITunesPlaylists(imported, dir.WFile("lib.xml"));

    EXPECT_EQ(4u, counts.size());
    EXPECT_EQ(7, counts[L"/m/a b.mp3"]);
    EXPECT_EQ(4, counts[L"/x" + keptAccents]);
    ASSERT_EQ(1u, imported.size());
    EXPECT_EQ(std::wstring(4095, L'n'), imported[0].name);
    EXPECT_EQ(std::vector<std::wstring>{L"/m/a b.mp3"}, imported[0].trackPaths);
    EXPECT_TRUE(log.Contains("(ERR): Got XML text value larger than currentValue size; ignoring"));
}

TEST(ITunesImportTest, LocationsOfLocalFilesBecomePaths) {
    const struct {
        std::wstring location;
        std::wstring path;
    } cases[] = {
        {L"file://localhost/home/u/x.mp3", L"/home/u/x.mp3"},
        {L"file://localhost/Caf%C3%A9/%e2%82%AC.m4a", L"/Caf\u00e9/\u20ac.m4a"},
        // Escapes that are not whole stay as they are.
        {L"file://localhost/a%", L"/a%"},
        {L"file://localhost/a%4", L"/a%4"},
        {L"file://localhost/a%zz%41", L"/a%zzA"},
        {L"file://localhost/%25%32%35", L"/%25"},
        {L"http://localhost/x.mp3", L""},
        {L"file://localhost", L""},
        {L"/x/file://localhost/y.mp3", L""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.path, LocationToPath(c.location));
}

TEST(ITunesImportTest, PlayCountImportRunsOnItsOwnThreadOneAtATime) {
    testsupport::CoreHarness h;
    h.realPlayCountImport = true;
    ASSERT_TRUE(h.Start());
    std::filesystem::create_directories(h.dir.File("Music/iTunes"));
    testsupport::WriteFileText(h.dir.File("Music/iTunes/iTunes Music Library.xml"),
                               Library(TrackXml(1, Location("file://localhost/m/a.mp3") + PlayCount(4)), ""));
    h.core->SetPlayCountSettings(true, 24);
    h.core->RequestPlaycountReport();
    h.core->RequestPlaycountReport();
    ASSERT_TRUE(testsupport::WaitUntil([&h] {
        h.core->ProcessUiRequests();
        return !h.scanner->importedCounts.empty();
    }));
    EXPECT_EQ(1u, h.playCountImports.size());
    EXPECT_EQ(ITunesPlayCounts({{L"/m/a.mp3", 4}}), h.scanner->importedCounts[0]);
    // The result has come, so the next report starts another import.
    h.core->RequestPlaycountReport();
    ASSERT_TRUE(testsupport::WaitUntil([&h] {
        h.core->ProcessUiRequests();
        return h.scanner->importedCounts.size() == 2;
    }));
    EXPECT_EQ(2u, h.playCountImports.size());
}
