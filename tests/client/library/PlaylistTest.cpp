#include "client/library/Playlist.h"
#include "client/library/FileScanner.h"
#include "client/server/NodeConn.h"
#include "include/fs/PathUtil.h"
#include "include/io/Buf.h"
#include "include/text/Utf8.h"
#include "tests/support/CapturedLog.h"
#include "tests/support/DeathTestDir.h"
#include "tests/support/TempDir.h"
#include "tests/support/testserver/MessageCatalogue.h"

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <set>
#include <sstream>

using namespace testsupport;
namespace fs = std::filesystem;

namespace {

constexpr wchar_t kListPath[] = L"/pl/x.m3u";

// "path|song id|seconds|title" of each entry.
std::vector<std::string> Describe(const Playlist& playlist) {
    std::vector<std::string> out;
    for (const PlaylistEntry& e : playlist.GetEntries())
        out.push_back(WideToUtf8(e.GetPath()) + "|" + std::to_string(e.GetSongId()) + "|" +
                      std::to_string(e.GetSeconds()) + "|" + WideToUtf8(e.GetTitle()));
    return out;
}

std::string Lines(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines)
        text += line + "\r\n";
    return text;
}

// `count` tracks known only by song id, from 1.
std::string SongIdLines(int count) {
    std::string text;
    for (int i = 1; i <= count; ++i)
        text += "#MVINF:" + std::to_string(i) + "\r\n";
    return text;
}

// The names in a folder.
std::set<std::string> Names(const std::string& folder) {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.insert(entry.path().filename().string());
    return names;
}

// Fills song 700 of the playlist p.m3u in `dir` in a process whose files may
// not grow past 100 bytes, as on a full disk: 0 when the rewrite failed and
// its caller said so.
int FillUnderSizeLimit(const std::string& dir) {
    signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{100, 100};
    setrlimit(RLIMIT_FSIZE, &limit);
    CapturedLog log;
    Playlist playlist;
    if (!playlist.LoadPlaylist(Utf8ToWide(dir), L"p.m3u") || !playlist.CanRewrite())
        return 2;
    if (playlist.FillEntriesForSong(700, L"/m/" + std::wstring(200, L'a') + L".mp3", L"a", 1) != 1)
        return 3;
    return log.Contains("(ERR): Could not rewrite playlist") ? 0 : 4;
}

// A scanner whose lookups a test fills; it records the waiting song ids.
class LookupScanner final : public FileScanner {
  public:
    LookupScanner() : FileScanner(nullptr) {}
    uint32_t GetCfIdForPath(const std::wstring& path) override {
        auto it = cfIds.find(path);
        return it == cfIds.end() ? 0 : it->second;
    }
    bool GetSongIdForCfId(uint32_t cfID, uint32_t& songId) override {
        auto it = songIds.find(cfID);
        songId = it == songIds.end() ? 0 : it->second;
        return it != songIds.end();
    }
    bool GetFileInfoByCfId(uint32_t cfID, SongFileInfo& info) override { return Find(byCfId, cfID, info); }
    bool GetSongFileBySongId(uint32_t songId, SongFileInfo& info) override {
        return Find(bySongId, songId, info);
    }
    void AddWaitingPlaylist(Playlist*, uint32_t songId) override { waiting.insert(songId); }
    void RemoveWaitingPlaylist(Playlist*, uint32_t songId) override { waiting.erase(songId); }

    std::map<std::wstring, uint32_t> cfIds;
    std::map<uint32_t, uint32_t> songIds;
    std::map<uint32_t, SongFileInfo> byCfId, bySongId;
    std::set<uint32_t> waiting;

  private:
    static bool Find(const std::map<uint32_t, SongFileInfo>& map, uint32_t key, SongFileInfo& info) {
        auto it = map.find(key);
        if (it != map.end())
            info = it->second;
        return it != map.end();
    }
};

} // namespace

TEST(PlaylistTest, M3uTextIsReadAsItsEntries) {
    const std::string longLine = "/music/" + std::string(1100, 'a') + ",b.mp3";
    struct Case {
        const char* name;
        std::string text;
        bool loads;
        std::wstring title;
        std::vector<std::string> entries;
        bool canRewrite;
    };
    const std::vector<Case> cases = {
        {"the header in small letters",
         "#extm3u\n#MVNAME:Road\n/m/a.mp3\n",
         true,
         L"Road",
         {"/m/a.mp3|0|0|"},
         true},
        {"a blank first line", "\n#EXTM3U\n#MVNAME:Road\n", false, L"", {}, false},
        {"an empty file", "", false, L"", {}, false},
        {"no name line: the second line is the first track",
         Lines({"#EXTM3U", "/m/a.mp3", "/m/b.mp3"}),
         true,
         L"Unknown Playlist",
         {"/m/a.mp3|0|0|", "/m/b.mp3|0|0|"},
         false},
        {"an #MVINF ends the length and title before it",
         Lines({"#EXTM3U", "#MVNAME:Road", "#MVINF:0", "#EXTINF:5,Gone", "#MVINF:7", "/m/b.mp3"}),
         true,
         L"Road",
         {"/m/b.mp3|7|0|"},
         false},
        {"song ids without paths, info with commas and colons, relative paths",
         Lines({"#EXTM3U", "#MVNAME: Road ", "#MVINF:1234", "#EXTINF:215,First, song: one", "sub/a.mp3",
                "#MVINF:5678", "#EXTINF:0,", "", "#MVINF:9", "#EXTINF:-3,Nine", "#comment", "/abs/b.mp3",
                "#MVINF:10"}),
         true,
         L"Road",
         {"/pl/sub/a.mp3|1234|215|First, song: one", "|5678|0|", "/abs/b.mp3|9|0|Nine", "|10|0|"},
         false},
        {"song ids are unsigned 32-bit numbers, held to that range",
         Lines(
             {"#EXTM3U", "#MVNAME:Big", "#MVINF:4000000000", "#MVINF:99999999999", "#MVINF:-5", "/m/a.mp3"}),
         true,
         L"Big",
         {"|4000000000|0|", "|4294967295|0|", "/m/a.mp3|0|0|"},
         true},
        {"a line longer than the limit is skipped whole",
         Lines({"#EXTM3U", "#MVNAME:Road", "#EXTINF:1,One", longLine, "/m/c.mp3"}),
         true,
         L"Road",
         {"/m/c.mp3|0|1|One"},
         false},
        {"a path holding a line break is skipped",
         Lines({"#EXTM3U", "#MVNAME:Road", "#MVINF:4", "/m/a\rb.mp3", "/m/c.mp3"}),
         true,
         L"Road",
         {"/m/c.mp3|0|0|"},
         false},
        {"control characters in titles read as blanks",
         Lines({"#EXTM3U",
                "#MVNAME:Ro\x01"
                "ad",
                "#EXTINF:2,One\rTwo\x7F", "/m/a.mp3"}),
         true,
         L"Ro ad",
         {"/m/a.mp3|0|2|One Two"},
         true},
        {"an overlong name line names nothing",
         Lines({"#EXTM3U", "#MVNAME:" + std::string(1100, 'n'), "/m/a.mp3"}),
         true,
         L"Unknown Playlist",
         {"/m/a.mp3|0|0|"},
         false},
        // Written back, each byte that is not UTF-8 becomes U+FFFD: three
        // bytes that name no file, and a line past the limit.
        {"a name line that is not UTF-8",
         Lines({"#EXTM3U", "#MVNAME:" + std::string(407, '\xE9'), "/m/a.mp3"}),
         true,
         Utf8ToWide(std::string(407, '\xE9')),
         {"/m/a.mp3|0|0|"},
         false},
        {"a path line that is not UTF-8",
         Lines({"#EXTM3U", "#MVNAME:Road", "/m/caf\xE9.mp3"}),
         true,
         L"Road",
         {"/m/caf\xEF\xBF\xBD.mp3|0|0|"},
         false},
        {"an entry title that would grow past the line limit",
         Lines({"#EXTM3U", "#MVNAME:Road", "#EXTINF:1," + std::string(400, '\xE9'), "/m/a.mp3"}),
         true,
         L"Road",
         {"/m/a.mp3|0|1|" + WideToUtf8(std::wstring(400, kReplacementChar))},
         false},
        {"a negative length is an unknown one",
         Lines({"#EXTM3U", "#MVNAME:Road", "#EXTINF:-1,Title", "/m/a.mp3"}),
         true,
         L"Road",
         {"/m/a.mp3|0|0|Title"},
         true},
        {"a byte-order mark before the header",
         "\xEF\xBB\xBF" + Lines({"#EXTM3U", "#MVNAME:Road", "/m/a.mp3"}),
         true,
         L"Road",
         {"/m/a.mp3|0|0|"},
         false},
        {"a byte-order mark without the header", "\xEF\xBB\xBF" + Lines({"/m/a.mp3"}), false, L"", {}, false},
    };
    CapturedLog log;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Playlist playlist;
        std::istringstream in(c.text);
        ASSERT_EQ(c.loads, playlist.LoadFromStream(kListPath, in));
        if (!c.loads)
            continue;
        EXPECT_EQ(c.title, playlist.GetTitle());
        EXPECT_EQ(c.entries, Describe(playlist));
        EXPECT_EQ(c.canRewrite, playlist.CanRewrite());
    }
}

TEST(PlaylistTest, AtMostOneHundredEntriesAreRead) {
    struct Case {
        int tracks;
        std::string tail;
        size_t entries;
        bool canRewrite;
    };
    const std::vector<Case> cases = {
        {100, "\r\n\r\n", 100, true},
        {101, "", 100, false},
        {150, "", 100, false},
        {100, "/m/last.mp3\r\n", 100, true},
        {100, "/m/last.mp3\r\n/m/more.mp3\r\n", 100, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.tracks);
        Playlist playlist;
        std::istringstream in("#EXTM3U\r\n#MVNAME:Big\r\n" + SongIdLines(c.tracks) + c.tail);
        ASSERT_TRUE(playlist.LoadFromStream(kListPath, in));
        ASSERT_EQ(c.entries, playlist.GetEntries().size());
        EXPECT_EQ(100u, playlist.GetEntries().back().GetSongId());
        EXPECT_EQ(c.canRewrite, playlist.CanRewrite());
    }
}

TEST(PlaylistTest, SavedFileIsTheSevenLineDialectAndReadsBack) {
    TempDir dir;
    const std::wstring track = dir.WFile("First song.mp3");
    WriteFileText(dir.File("First song.mp3"), "x");
    Playlist saved;
    saved.SetTitle(L"Road");
    saved.AddEntry(track, 1234, 0, 215, L"First song");
    saved.AddEntry(L"", 5678, 0, 0, L"");
    ASSERT_TRUE(saved.SaveInDirectory(dir.WPath(), false));
    const std::string file = dir.File("Road.m3u");
    EXPECT_EQ(Lines({"#EXTM3U", "#MVNAME:Road", "#MVINF:1234", "#EXTINF:215,First song",
                     dir.File("First song.mp3"), "#MVINF:5678", "#EXTINF:0,"}),
              ReadFileText(file));
    EXPECT_EQ(fs::file_size(file), saved.GetSize());

    Playlist read;
    ASSERT_TRUE(read.LoadPlaylist(dir.WPath(), L"Road.m3u"));
    EXPECT_EQ(L"Road", read.GetTitle());
    EXPECT_EQ(Describe(saved), Describe(read));
    EXPECT_TRUE(read.GetEntries()[0].GetExists());
    EXPECT_FALSE(read.GetEntries()[1].GetExists());
    EXPECT_EQ(saved.GetSize(), read.GetSize());
    EXPECT_EQ(saved.GetLastModDate(), read.GetLastModDate());

    // Line breaks in a title become blanks; a path holding one is left out.
    Playlist broken;
    broken.SetTitle(L"Broken");
    broken.AddEntry(L"/m/a\nb.mp3", 9, 0, 1, L"a\r\nb");
    ASSERT_TRUE(broken.SaveInDirectory(dir.WPath(), false));
    EXPECT_EQ(Lines({"#EXTM3U", "#MVNAME:Broken", "#MVINF:9", "#EXTINF:1,a  b"}),
              ReadFileText(dir.File("Broken.m3u")));

    // Whatever this program writes reads back as written, and can be
    // rewritten.
    struct Written {
        std::wstring path;
        uint32_t songId;
        int32_t seconds;
        std::wstring title;
    };
    const std::vector<std::pair<std::wstring, std::vector<Written>>> playlists = {
        {L"Road: the B-sides", {{L"/m/a.mp3", 1, 215, L"A"}}},
        {L"Length only", {{L"/m/b.mp3", 0, 215, L""}, {L"", 2, 215, L""}}},
        {L"Blank ends", {{L"/m/c.mp3 ", 3, 1, L"c"}, {L"/m/d.mp3\t", 0, 2, L"d"}}},
    };
    for (const auto& [title, entries] : playlists) {
        SCOPED_TRACE(WideToUtf8(title));
        Playlist playlist;
        playlist.SetTitle(title);
        for (const Written& entry : entries)
            playlist.AddEntry(entry.path, entry.songId, 0, entry.seconds, entry.title);
        ASSERT_TRUE(playlist.SaveInDirectory(dir.WPath(), false));
        std::wstring folder, name;
        ASSERT_TRUE(SplitPath(playlist.GetPath(), folder, name));
        Playlist back;
        ASSERT_TRUE(back.LoadPlaylist(dir.WPath(), name));
        EXPECT_EQ(title, back.GetTitle());
        EXPECT_EQ(Describe(playlist), Describe(back));
        EXPECT_TRUE(back.CanRewrite());
    }
}

TEST(PlaylistTest, SaveInDirectoryNeverReplacesAnotherFileNorFollowsALink) {
    struct Case {
        const char* name;
        std::wstring title;
        bool overwrite;
        bool saves;
        std::string written; // the file that holds the playlist
    };
    const std::string cut(200, 'x');
    const std::vector<Case> cases = {
        {"next free number", L"Mix", false, true, "Mix-3.m3u"},
        {"overwrite the first name", L"Mix", true, true, "Mix.m3u"},
        {"a link is passed over", L"Link", false, true, "Link-2.m3u"},
        {"a link is never written through", L"Link", true, false, ""},
        {"a dangling link is passed over", L"Dangling", false, true, "Dangling-2.m3u"},
        {"a folder is never written", L"Folder", true, false, ""},
        {"a long title is cut to a name of 200 bytes", Utf8ToWide(cut + "yyy"), false, true, cut + ".m3u"},
    };
    CapturedLog log;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        WriteFileText(dir.File("Mix.m3u"), "keep");
        WriteFileText(dir.File("Mix-2.m3u"), "keep");
        WriteFileText(dir.File("target"), "keep");
        fs::create_symlink(dir.File("target"), dir.File("Link.m3u"));
        fs::create_symlink(dir.File("missing"), dir.File("Dangling.m3u"));
        fs::create_directory(dir.File("Folder.m3u"));

        Playlist playlist;
        playlist.SetTitle(c.title);
        EXPECT_EQ(c.saves, playlist.SaveInDirectory(dir.WPath(), c.overwrite));
        EXPECT_EQ("keep", ReadFileText(dir.File("target")));
        EXPECT_FALSE(fs::exists(dir.File("missing")));
        if (!c.saves)
            continue;
        EXPECT_EQ(dir.WFile(c.written), playlist.GetPath());
        EXPECT_EQ("#EXTM3U\r\n#MVNAME:" + WideToUtf8(c.title) + "\r\n", ReadFileText(dir.File(c.written)));
        if (c.written != "Mix.m3u") {
            EXPECT_EQ("keep", ReadFileText(dir.File("Mix.m3u")));
        }
        EXPECT_EQ("keep", ReadFileText(dir.File("Mix-2.m3u")));
    }
}

TEST(PlaylistTest, TitlesBecomeOneSafeFileNameComponent) {
    const std::string multibyte = std::string(199, 'a') + "\xc3\xa9"; // 201 bytes, 'é' last
    const std::vector<std::pair<std::wstring, std::wstring>> named = {
        {L"Road Trip", L"Road Trip"},
        {L"../../up", L".._.._up"},
        {L"a\\b/c", L"a_b_c"},
        {std::wstring(L"n\0l\r\n\x85", 6), L"n_l___"},
        {L"...", L"..."},
        {Utf8ToWide(multibyte), Utf8ToWide(std::string(199, 'a'))},
    };
    for (const auto& [title, expected] : named) {
        std::wstring base;
        ASSERT_TRUE(Playlist::FileBaseForTitle(title, base)) << WideToUtf8(title);
        EXPECT_EQ(expected, base);
    }
    for (const std::wstring& title : {std::wstring(), std::wstring(L"."), std::wstring(L"..")}) {
        std::wstring base = L"unchanged";
        EXPECT_FALSE(Playlist::FileBaseForTitle(title, base)) << WideToUtf8(title);
        EXPECT_EQ(L"unchanged", base);
    }
    EXPECT_FALSE(Playlist::DeletePlaylistFile(L"/tmp", L"../x.m3u"));

    const std::wstring folder = L"/home/u/Melvane Playlists";
    EXPECT_TRUE(Playlist::IsInPlaylistsFolder(folder + L"/", folder));
    EXPECT_TRUE(Playlist::IsInPlaylistsFolder(folder + L"/sub/", folder));
    EXPECT_FALSE(Playlist::IsInPlaylistsFolder(L"/home/u/Melvane Playlists Old/", folder));
    EXPECT_FALSE(Playlist::IsInPlaylistsFolder(L"/home/u/", folder));
}

TEST(PlaylistTest, ArrivingSongRewritesOnlyWholeFilesOfOurOwn) {
    struct Case {
        const char* name;
        std::string text;
        const char* rewrittenTitle; // null: the file stays as it is
        std::wstring songTitle = L"seven";
    };
    const std::vector<Case> cases = {
        {"our own file", Lines({"#EXTM3U", "#MVNAME:Road", "#MVINF:700", "#EXTINF:0,"}), "Road"},
        {"no name line", Lines({"#EXTM3U", "", "#MVINF:700", "#EXTINF:0,"}), nullptr},
        {"more than the entry limit", "#EXTM3U\r\n#MVNAME:Big\r\n#MVINF:700\r\n" + SongIdLines(120), nullptr},
        {"an overlong line", Lines({"#EXTM3U", "#MVNAME:Road", "#MVINF:700", std::string(2000, 'z')}),
         nullptr},
        {"a line of another dialect", Lines({"#EXTM3U", "#MVNAME:Road", "#EXTGENRE:Jazz", "#MVINF:700"}),
         nullptr},
        {"an #EXTINF no entry takes",
         Lines({"#EXTM3U", "#MVNAME:Road", "#MVINF:700", "#MVINF:0", "#EXTINF:9,Nine"}), nullptr},
        {"an #EXTINF replaced before its entry",
         Lines({"#EXTM3U", "#MVNAME:Road", "#MVINF:700", "#EXTINF:8,Eight", "#EXTINF:9,Nine"}), nullptr},
        {"a relative path", Lines({"#EXTM3U", "#MVNAME:Road", "#MVINF:700", "#MVINF:1", "near.mp3"}),
         nullptr},
        {"a colon in the name", Lines({"#EXTM3U", "#MVNAME:Road:Trip", "#MVINF:700", "#EXTINF:0,"}),
         "Road:Trip"},
        {"a name that is not UTF-8", Lines({"#EXTM3U", "#MVNAME:Caf\xE9", "#MVINF:700", "#EXTINF:0,"}),
         nullptr},
        // The song's title would make a line the reader skips.
        {"a song title too long for a line", Lines({"#EXTM3U", "#MVNAME:Road", "#MVINF:700", "#EXTINF:0,"}),
         nullptr, std::wstring(1100, L't')},
    };
    CapturedLog log;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        WriteFileText(dir.File("p.m3u"), c.text);
        fs::permissions(dir.File("p.m3u"),
                        fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
        Playlist playlist;
        ASSERT_TRUE(playlist.LoadPlaylist(dir.WPath(), L"p.m3u"));
        EXPECT_EQ(0, playlist.FillEntriesForSong(800, L"/m/other.mp3", L"other", 1));
        EXPECT_EQ(c.text, ReadFileText(dir.File("p.m3u")));

        EXPECT_EQ(1, playlist.FillEntriesForSong(700, L"/m/seven.mp3", c.songTitle, 42));
        const PlaylistEntry& entry = playlist.GetEntries()[0];
        EXPECT_EQ(L"/m/seven.mp3", entry.GetPath());
        EXPECT_TRUE(entry.GetExists());
        const std::string after = ReadFileText(dir.File("p.m3u"));
        if (c.rewrittenTitle) {
            EXPECT_EQ(Lines({"#EXTM3U", std::string("#MVNAME:") + c.rewrittenTitle, "#MVINF:700",
                             "#EXTINF:42,seven", "/m/seven.mp3"}),
                      after);
            EXPECT_EQ(fs::file_size(dir.File("p.m3u")), playlist.GetSize());
        } else {
            EXPECT_EQ(c.text, after);
        }
        // Replaced whole, the file keeps its mode and nothing is left beside it.
        EXPECT_EQ(fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read,
                  fs::status(dir.File("p.m3u")).permissions());
        EXPECT_EQ(std::set<std::string>{"p.m3u"}, Names(dir.Path()));
    }
}

TEST(PlaylistTest, AFailedRewriteLeavesTheFileAsItWas) {
    DeathTestDir dir;
    const std::string text = Lines({"#EXTM3U", "#MVNAME:Road", "#MVINF:700", "#EXTINF:0,"});
    WriteFileText(dir.File("p.m3u"), text);
    // The rewrite, with a long path, outgrows the limit; the file does not.
    EXPECT_EXIT(std::_Exit(FillUnderSizeLimit(dir.Path())), ::testing::ExitedWithCode(0), "");
    EXPECT_EQ(text, ReadFileText(dir.File("p.m3u")));
    EXPECT_EQ(std::set<std::string>{"p.m3u"}, Names(dir.Path()));
}

TEST(PlaylistTest, EntriesResolveMatchAndWaitThroughTheScanner) {
    LookupScanner scanner;
    scanner.byCfId[21] = {L"/m/by-cfid.mp3", L"by-cfid", 1, 200};
    scanner.bySongId[3] = {L"/m/by-song.m4a", L"by-song", 2, 300};
    scanner.bySongId[1] = {L"/m/wrong.mp3", L"wrong", 1, 9};

    // From the server: entry 0 has a cfID, entry 1 only a song id, entry 2
    // is unknown.
    Playlist sent;
    Buf body(1024);
    const std::string bytes =
        EncodeBody(msg::SavePlaylist{.title = "Mix", .songIDs = {1, 3, 4}, .cfIDs = {21}});
    ASSERT_TRUE(body.WriteBytes(bytes.data(), static_cast<int64_t>(bytes.size())));
    ASSERT_TRUE(sent.ReadFromMessage(body));
    sent.ResolveEntries(scanner);
    EXPECT_EQ(
        (std::vector<std::string>{"/m/by-cfid.mp3|1|200|by-cfid", "/m/by-song.m4a|3|300|by-song", "|4|0|"}),
        Describe(sent));
    EXPECT_EQ((std::vector<std::wstring>{L"/m/by-cfid.mp3", L"/m/by-song.m4a"}), sent.GetEntryPaths());
    sent.RegisterWaitingEntries(scanner);
    EXPECT_EQ((std::set<uint32_t>{4}), scanner.waiting);

    // Read from disk: known files lend their song ids; one the server has not
    // identified yet lends nothing.
    Playlist found;
    std::istringstream in(Lines({"#EXTM3U", "#MVNAME:Found", "#MVINF:50", "/m/a.mp3", "/m/b.mp3", "/m/c.mp3",
                                 "#MVINF:60", "/m/d.mp3", "#MVINF:70", "/m/e.mp3"}));
    ASSERT_TRUE(found.LoadFromStream(kListPath, in));
    scanner.cfIds = {
        {L"/m/a.mp3", 31}, {L"/m/b.mp3", 32}, {L"/m/c.mp3", 33}, {L"/m/d.mp3", 34}, {L"/m/e.mp3", 35}};
    scanner.songIds = {{31, 51}, {32, 0}, {34, 60}, {35, 0}};
    EXPECT_EQ(1, found.MatchEntriesToFiles(scanner));
    EXPECT_EQ(51u, found.GetEntries()[0].GetSongId());
    EXPECT_EQ(31u, found.GetEntries()[0].GetCfId());
    EXPECT_EQ(0u, found.GetEntries()[1].GetSongId());
    EXPECT_EQ(0u, found.GetEntries()[3].GetCfId());
    EXPECT_EQ(70u, found.GetEntries()[4].GetSongId());
    found.RegisterWaitingEntries(scanner);
    EXPECT_EQ((std::set<uint32_t>{4, 51, 60, 70}), scanner.waiting);
    found.UnregisterEntries(scanner);
    sent.UnregisterEntries(scanner);
    EXPECT_TRUE(scanner.waiting.empty());
}

TEST(PlaylistTest, SaveMessagesThatOverstateTheirCountsKeepNothing) {
    struct Case {
        const char* name;
        std::string body;
        bool old;
        bool reads;
        std::vector<std::string> entries;
    };
    const std::string cfIdsShort =
        EncodeBody(msg::SavePlaylist{.title = "T", .songIDs = {5, 6}, .cfIDs = {9}});
    std::string overstated = EncodeBody(msg::SavePlaylist{.title = "T", .songIDs = {5}, .cfIDs = {}});
    overstated[3] = 0x7F; // the song-id count's high byte, after the title "T"
    const std::vector<Case> cases = {
        {"fewer cfIDs than songs", cfIdsShort, false, true, {"|5|0|", "|6|0|"}},
        {"old form", cfIdsShort.substr(0, 3 + 4 + 8), true, true, {"|5|0|", "|6|0|"}},
        {"a song count beyond the body", overstated, false, false, {}},
        {"a short body", cfIdsShort.substr(0, 5), false, false, {}},
    };
    CapturedLog log;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Buf body(1024);
        ASSERT_TRUE(body.WriteBytes(c.body.data(), static_cast<int64_t>(c.body.size())));
        Playlist playlist;
        playlist.SetTitle(L"before");
        EXPECT_EQ(c.reads, c.old ? playlist.ReadFromOldMessage(body) : playlist.ReadFromMessage(body));
        EXPECT_EQ(!c.reads, body.HasFailed());
        EXPECT_EQ(c.reads ? L"T" : L"before", playlist.GetTitle());
        EXPECT_EQ(c.entries, Describe(playlist));
    }
    Buf body(1024);
    ASSERT_TRUE(body.WriteBytes(cfIdsShort.data(), static_cast<int64_t>(cfIdsShort.size())));
    Playlist playlist;
    ASSERT_TRUE(playlist.ReadFromMessage(body));
    EXPECT_EQ(9u, playlist.GetEntries()[0].GetCfId());
    EXPECT_EQ(0u, playlist.GetEntries()[1].GetCfId());
}

TEST(PlaylistTest, NewFileRecordCutsTitlesAndAlwaysFitsItsMessage) {
    // The longest file a scan reads: 100 tracks without song ids whose titles
    // fill their lines.
    std::string text = "#EXTM3U\r\n#MVNAME:Long\r\n";
    for (int i = 0; i < 100; ++i)
        text += "#EXTINF:7," + std::string(1000, 't') + "\xc3\xa9\r\n/m/" + std::to_string(i) + ".mp3\r\n";
    Playlist playlist(PathKey(L"Long.m3u", 3), 10, 1234, 42);
    std::istringstream in(text);
    ASSERT_TRUE(playlist.LoadFromStream(L"/pl/" + std::wstring(240, L'n') + L".m3u", in));
    ASSERT_EQ(100u, playlist.GetEntries().size());

    Buf body(NodeConn::kNewFileBodyBytes);
    ASSERT_TRUE(playlist.PutMetadata(body));
    ASSERT_TRUE(body.WriteUInt64(77));
    const std::string bytes(reinterpret_cast<const char*>(body.GetReadPtr()), body.GetNumUsedBytes());
    Decoded<ClientMessage> decoded =
        DecodeClientMessage(static_cast<uint16_t>(ClientMsg::MSG_NEW_FILE), bytes);
    ASSERT_TRUE(decoded.Ok()) << decoded.error;
    const msg::PlaylistRecord& record = std::get<msg::NewFile>(*decoded.message).playlist;
    EXPECT_EQ(42u, record.cfID);
    EXPECT_EQ(std::string(240, 'n') + ".m3u", record.fileName);
    EXPECT_TRUE(record.flag);
    EXPECT_EQ(1234u, record.lastModDate);
    ASSERT_EQ(100u, record.entries.size());
    EXPECT_EQ((msg::PlaylistEntryRecord{0, 7, std::string(Playlist::kMaxRecordTitleBytes, 't'), false}),
              record.entries[99]);

    // A record that still cannot fit is refused, never cut short.
    Buf small(64);
    EXPECT_FALSE(playlist.PutMetadata(small));
    EXPECT_TRUE(small.HasFailed());
}
