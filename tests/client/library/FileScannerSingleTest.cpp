#include "client/library/FileScanner.h"

#include "tests/client/library/ScanHarness.h"

#include <gtest/gtest.h>

#include <optional>

using testsupport::ScanHarness;

namespace {

void GiveSongId(ScanHarness& h, const std::string& name, uint32_t songId) {
    SongInfo info;
    info.songID = songId;
    h.Scanner().SetSongInfo(h.CfId(name), info);
}

} // namespace

TEST(FileScannerSingleTest, ASingleFileWaitsForTheRunningScanUnlessItsSongIsKnown) {
    const struct {
        uint32_t songId;
        bool addedAtOnce;
        uint32_t scans;
    } cases[] = {{0, false, 2}, {55, true, 1}};
    for (const auto& c : cases) {
        ScanHarness h;
        h.Write("a.mp3");
        h.Write("dl/new.mp3");
        h.Scanner().initScan(false);
        h.Scanner().ScanSingleFile(h.Path("dl/new.mp3"), c.songId);
        EXPECT_EQ(c.addedAtOnce, h.CfId("dl/new.mp3") != 0) << c.songId;
        testsupport::FinishScans(h.Scanner());
        EXPECT_EQ(c.scans, h.Scanner().GetNumScans()) << c.songId;
        EXPECT_EQ(c.songId, h.db.Value("select songID from FileMetadata_v9 where fileName = 'new.mp3'"));
    }
}

TEST(FileScannerSingleTest, PlayCountsReportOnlyIncreasesOfIdentifiedFiles) {
    const struct {
        const char* name;
        uint32_t songId;
        std::optional<int32_t> before;
        int32_t imported;
    } cases[] = {
        {"a.mp3", 10, std::nullopt, 5}, // none known: the whole count
        {"b.mp3", 11, 3, 5},            // the difference
        {"c.mp3", 12, 5, 3},            // down: stored, not reported
        {"d.mp3", 0, std::nullopt, 4},  // no song: stored, not reported
        {"e.mp3", 13, 7, 7},            // unchanged
    };
    ScanHarness h;
    for (const auto& c : cases)
        h.Write(c.name);
    h.Scan();
    ITunesPlayCounts before, imported;
    for (const auto& c : cases) {
        GiveSongId(h, c.name, c.songId);
        if (c.before)
            before[h.Path(c.name)] = *c.before;
        imported[h.Path(c.name)] = c.imported;
    }
    imported[h.Path("unknown.mp3")] = 9;
    std::vector<PlayCountDelta> increases;
    h.Scanner().UpdatePlayCounts(before, increases);
    increases.clear();

    h.Scanner().UpdatePlayCounts(imported, increases);
    ASSERT_EQ(2u, increases.size());
    EXPECT_EQ(10u, increases[0].songId);
    EXPECT_EQ(5u, increases[0].increase);
    EXPECT_EQ(11u, increases[1].songId);
    EXPECT_EQ(2u, increases[1].increase);
    EXPECT_TRUE(h.db.log.Contains("updated playcounts, recorded 4 changes"));
    for (const auto& c : cases)
        EXPECT_EQ(c.imported, h.db.CommittedValue(std::string("select playCount from FileMetadata_v9 where "
                                                              "fileName = '") +
                                                  c.name + "'"))
            << c.name;
}

TEST(FileScannerSingleTest, LookupsAnswerFromRowsThatLoad) {
    ScanHarness h;
    for (const char* name : {"a.mp3", "b.mp3", "c.mp3", "list.m3u"})
        h.Write(name);
    testsupport::WriteFileText(h.music + "/list.m3u", "#EXTM3U\r\n");
    h.Scan();
    GiveSongId(h, "a.mp3", 20);
    GiveSongId(h, "b.mp3", 20);
    GiveSongId(h, "c.mp3", 30);
    FileScanner& s = h.Scanner();

    SongFileInfo info;
    EXPECT_FALSE(s.GetFileInfoByCfId(h.CfId("list.m3u"), info));

    // A stale cfID, or one of another song, is answered by a file of the song.
    std::wstring path;
    uint32_t encType = 0;
    EXPECT_TRUE(s.GetSongFile(20, 999, path, encType));
    EXPECT_EQ(h.Path("a.mp3"), path);
    EXPECT_TRUE(s.GetSongFile(30, h.CfId("a.mp3"), path, encType));
    EXPECT_EQ(h.Path("c.mp3"), path);
    EXPECT_EQ(static_cast<uint32_t>(MP3), encType);
    const uint32_t random = s.GetRandomSongId();
    EXPECT_TRUE(random == 20 || random == 30) << random;

    // A row that fails its checksum answers nothing.
    ASSERT_TRUE(
        ExecQuery(h.db.db.Get(), "update FileMetadata_v9 set crc = crc + 1 where fileName = 'c.mp3'"));
    EXPECT_FALSE(s.GetFileInfoByCfId(h.CfId("c.mp3"), info));
    EXPECT_FALSE(s.GetSongFileBySongId(30, info));
    EXPECT_FALSE(s.GetSongFile(30, h.CfId("c.mp3"), path, encType));

    FileScanner empty(nullptr);
    EXPECT_EQ(0u, empty.GetRandomSongId());
}

TEST(FileScannerSingleTest, AWaitingPlaylistIsRewrittenWhenItsSongArrives) {
    ScanHarness h;
    h.db.host.playlistDir = h.Path("Melvane Playlists");
    h.Write("song.mp3");
    h.Write("Melvane Playlists/Road.m3u");
    h.Write("Melvane Playlists Old/Other.m3u");
    const std::string road = h.music + "/Melvane Playlists/Road.m3u";
    testsupport::WriteFileText(road, "#EXTM3U\r\n#MVNAME:Road\r\n#MVINF:77\r\n#EXTINF:0,\r\n");
    EXPECT_EQ(2u, h.Scan().size());
    EXPECT_EQ(0u, h.CfId("Melvane Playlists Old/Other.m3u"));
    EXPECT_TRUE(h.db.log.Contains("becuase it's not in MV directory"));
    const uint32_t playlist = h.CfId("Melvane Playlists/Road.m3u");
    ASSERT_NE(0u, playlist);

    GiveSongId(h, "song.mp3", 77);
    const std::vector<SyncDelta> deltas = testsupport::TakeDeltas(h.Scanner());
    ASSERT_EQ(1u, deltas.size());
    EXPECT_EQ(static_cast<uint32_t>(SYNC_NEW), deltas[0].m_type);
    EXPECT_EQ(playlist, deltas[0].cfID);
    EXPECT_EQ("#EXTM3U\r\n#MVNAME:Road\r\n#MVINF:77\r\n#EXTINF:100,song\r\n" + h.music + "/song.mp3\r\n",
              testsupport::ReadFileText(road));

    // The rewrite is the playlist's own: the next scan finds nothing changed.
    EXPECT_TRUE(h.Scan().empty());
    EXPECT_EQ(playlist, h.CfId("Melvane Playlists/Road.m3u"));
}

TEST(FileScannerSingleTest, ImportedPlaylistsKeepTheirKnownTracksInOrder) {
    ScanHarness h;
    h.Write("a.mp3");
    h.Write("b.mp3");
    h.Scan();
    const ImportedPlaylists imported = {
        {L"Mix", L"P1", {h.Path("b.mp3"), h.Path("unknown.mp3"), h.Path("a.mp3")}},
        {L"Elsewhere", L"P2", {L"/nowhere/c.mp3"}},
    };
    std::list<ResolvedPlaylist> resolved;
    h.Scanner().ResolveImportedPlaylists(imported, resolved);
    ASSERT_EQ(1u, resolved.size());
    EXPECT_EQ(L"Mix", resolved.front().name);
    EXPECT_EQ(L"P1", resolved.front().persistentId);
    EXPECT_EQ(std::vector<uint32_t>({h.CfId("b.mp3"), h.CfId("a.mp3")}), resolved.front().cfIds);
}
