#include "client/stream/HttpConn.h"

#include "tests/client/stream/StreamHarness.h"
#include "tests/support/ManualClock.h"
#include "tests/support/ProcessReads.h"
#include "tests/support/media/M4aFixture.h"
#include "tests/support/media/OggFrames.h"
#include "tests/support/media/ToneFixture.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <vorbis/vorbisenc.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

using testsupport::HttpTestPlayer;
using testsupport::StreamHarness;

namespace {

std::string ErrorLine(const std::string& status) {
    return "HTTP/1.0 " + status + "\r\nContent-Type: text/plain\r\nContent-Length: 0\r\n\r\n";
}

// Where the audio of a fixture MP3 starts: its first frame.
size_t AudioStart(const std::string& file) {
    return file.find(testsupport::Mp3Frames(1));
}

void ExpectBody(const HttpTestPlayer& player, const std::string& type, const std::string& body,
                const std::string& what) {
    const testsupport::HttpTestResponse response = player.Response();
    EXPECT_EQ(200, response.status) << what;
    EXPECT_EQ(type, response.Header("content-type")) << what;
    EXPECT_EQ(std::to_string(body.size()), response.Header("content-length")) << what;
    EXPECT_EQ("bytes", response.Header("accept-ranges")) << what;
    EXPECT_TRUE(response.body == body)
        << what << ": " << response.body.size() << " bytes, not " << body.size();
}

} // namespace

TEST(SongStreamTest, Mp3StartsAtItsAudioAndSeeksCountFromThere) {
    StreamHarness h;
    const std::string tagged = h.WriteSong("tagged.mp3", 300, 3000);
    const std::string plain = h.WriteSong("plain.mp3", 2398);
    h.WriteSong("huge.mp3", 20);
    h.Start();
    h.GiveSongId("tagged.mp3", 12);
    h.GiveSongId("plain.mp3", 13);
    h.GiveSongId("huge.mp3", 14);
    // Mostly a hole, with frames at its end too, where tag readers look; its
    // answers are judged by their heads alone.
    const int64_t hugeBytes = 2000000100;
    const std::string tail = testsupport::Mp3Frames(20);
    {
        std::ofstream huge(h.lib.music + "/huge.mp3", std::ios::binary | std::ios::in | std::ios::out);
        huge.seekp(hugeBytes - static_cast<int64_t>(tail.size()));
        huge.write(tail.data(), static_cast<std::streamsize>(tail.size()));
    }
    const size_t audio = AudioStart(tagged);
    ASSERT_GT(audio, 3000u);
    ASSERT_EQ(0u, AudioStart(plain));
    const size_t beyond = tagged.size() - audio + 1;
    const struct {
        const char* song;
        std::vector<std::string> headers;
        size_t start; // 0 for the refusal
    } cases[] = {
        {"12", {}, audio},
        {"12", {"Range: bytes=1000-"}, audio + 1000},
        {"12", {"Range: bytes= +1000-"}, audio + 1000},
        {"12", {"range: bytes=1000-2000"}, audio + 1000},
        {"12", {"Source-Range: bytes=1000-"}, audio + 1000},
        {"12", {"Range: bytes=0-"}, audio},
        {"12", {"Range: bytes=-500"}, audio},
        {"12", {"Range: bytes=x-", "Range: bytes=700-"}, audio + 700},
        {"12", {"Range: 1000-", "Range: bytes=700-"}, audio},
        {"12", {"Seek-Percent: 100", "Range: bytes=1000-"}, audio + 1000},
        {"12", {"Seek-Percent: abc", "Seek-Percent: 10"}, audio + (tagged.size() - audio) / 100 * 10},
        {"12", {"Range: bytes=" + std::to_string(beyond) + "-"}, 0},
        {"13", {"Seek-Percent: 50"}, 499950},
        // In single precision: 20,000,001 × 50 is 1,000,000,000.
        {"14", {"Seek-Percent: 50"}, 1000000000},
    };
    for (const auto& c : cases) {
        const std::string request = h.Request(c.song, "", c.headers);
        if (std::string(c.song) == "14") {
            const testsupport::HttpTestResponse head = h.FetchHead(request);
            EXPECT_EQ(200, head.status);
            EXPECT_EQ(std::to_string(hugeBytes - static_cast<int64_t>(c.start)),
                      head.Header("content-length"));
            continue;
        }
        const HttpTestPlayer& player = h.Fetch(request);
        if (c.start == 0) {
            EXPECT_EQ(ErrorLine("400 Bad Request"), player.Received()) << request;
            continue;
        }
        const std::string& file = std::string(c.song) == "12" ? tagged : plain;
        ExpectBody(player, "audio/mpeg", file.substr(c.start), request);
    }
}

TEST(SongStreamTest, AacIsAlwaysSentWhole) {
    StreamHarness h;
    const std::string bytes = testsupport::FixturePicture(50000);
    testsupport::WriteFileText(h.lib.music + "/song.m4a", bytes);
    h.Start();
    h.GiveSongId("song.m4a", 20);
    for (const char* header : {"Range: bytes=1000-", "Seek-Percent: 50"})
        ExpectBody(h.Fetch(h.Request("20", "", {header})), "audio/aac", bytes, header);
}

// A request by file id alone names no song to seek in, and an MP3 that
// shares its song with another copy starts at its own audio.
TEST(SongStreamTest, TheFileTheRequestNamesIsSentFromItsOwnAudioStart) {
    StreamHarness h;
    const std::string unknown = h.WriteSong("unknown.mp3", 100, 1000);
    const std::string first = h.WriteSong("first.mp3", 100, 100);
    const std::string second = h.WriteSong("second.mp3", 100, 6000);
    h.Start();
    h.GiveSongId("first.mp3", 9);
    h.GiveSongId("second.mp3", 9);
    ASSERT_NE(AudioStart(first), AudioStart(second));
    const struct {
        std::string song;
        std::string query;
        const std::string& file;
    } cases[] = {
        {"0", "cfID=" + std::to_string(h.lib.CfId("unknown.mp3")), unknown},
        {"9", "cfID=" + std::to_string(h.lib.CfId("second.mp3")), second},
        {"9", "CFID=" + std::to_string(h.lib.CfId("first.mp3")), first},
    };
    for (const auto& c : cases) {
        const std::string request = h.Request(c.song, c.query, {"Range: bytes=100-"});
        const size_t start = AudioStart(c.file) + (c.song == "0" ? 0 : 100);
        ExpectBody(h.Fetch(request), "audio/mpeg", c.file.substr(start), request);
    }
}

// Songs replaced since the scan by a link (to a file of the user's beside
// the music folder, audio with a cover as it happens), a folder or a FIFO
// are refused before any header, as the scanner would refuse them; one
// deleted since the scan has no size to send.
TEST(SongStreamTest, FailedSongRequestsGetExactlyOneErrorLine) {
    StreamHarness h;
    h.WriteSong("bare.mp3", 20);
    h.WriteSong("emptied.mp3", 20);
    testsupport::WriteFileText(h.lib.music + "/noise.mp3", std::string(5000, 'n'));
    h.WriteSong("../key.mp3", 20, 0, 1000);
    for (const char* name : {"linked.mp3", "folder.mp3", "fifo.mp3", "deleted.mp3"})
        h.WriteSong(name, 20, 0, 1000);
    h.Start();
    h.GiveSongId("bare.mp3", 12);
    h.GiveSongId("emptied.mp3", 30);
    h.GiveSongId("noise.mp3", 31);
    h.GiveSongId("linked.mp3", 32);
    h.GiveSongId("folder.mp3", 33);
    h.GiveSongId("fifo.mp3", 34);
    h.GiveSongId("deleted.mp3", 35);
    std::filesystem::resize_file(h.lib.music + "/emptied.mp3", 0);
    h.lib.Remove("linked.mp3");
    std::filesystem::create_symlink(h.lib.music + "/../key.mp3", h.lib.music + "/linked.mp3");
    h.lib.Remove("folder.mp3");
    std::filesystem::create_directory(h.lib.music + "/folder.mp3");
    h.lib.Remove("fifo.mp3");
    ASSERT_EQ(0, mkfifo((h.lib.music + "/fifo.mp3").c_str(), 0600));
    h.lib.Remove("deleted.mp3");
    const struct {
        std::string target;
        std::string query;
        std::string status;
        std::string logLine = {}; // empty: not looked for
    } cases[] = {
        {"0", "", "400 Bad Request"},
        {"abc", "cfID=x", "400 Bad Request"},
        {"999", "", "400 Bad Request"},
        {"30", "", "500 Internal Server Error", "Unable to retrieve contentLength for songID 30"},
        {"12", "art=1", "404 File not found"},
        {"999", "art", "404 File not found"},
        {"31", "os=ogg", "500 Internal Server Error"},
        // A song that has its id is not found by file id alone.
        {"0", "cfID=" + std::to_string(h.lib.CfId("bare.mp3")), "400 Bad Request"},
        {"32", "", "500 Internal Server Error", "Unable to open " + h.lib.music + "/linked.mp3"},
        {"32", "os=ogg", "500 Internal Server Error"},
        {"32", "art=1", "404 File not found"},
        {"33", "", "500 Internal Server Error"},
        {"34", "", "500 Internal Server Error"},
        {"34", "art=1", "404 File not found"},
        {"35", "", "500 Internal Server Error", "Unable to retrieve contentLength for songID 35"},
        {"35", "os=ogg", "500 Internal Server Error"},
    };
    for (const auto& c : cases) {
        const std::string request = h.Request(c.target, c.query);
        EXPECT_EQ(ErrorLine(c.status), h.Fetch(request).Received()) << request;
        EXPECT_TRUE(c.logLine.empty() || h.lib.db.log.Contains(c.logLine)) << request << ": " << c.logLine;
    }
}

TEST(SongStreamTest, OggIsTranscodedAtTheClampedQualityWithTheSourceLength) {
    StreamHarness h;
    const std::string path = h.lib.music + "/tone.m4a";
    const double seconds = 2.0;
    ASSERT_TRUE(testsupport::WriteTone(path, {"ipod", "aac", 44100, 2, seconds}));
    // A long MP3 behind a cover four times its size (a hole): seeking into it
    // by time reads more than the seek may, and by bytes counts its audio
    // alone.
    const int longFrames = 12000;
    const auto longAudioBytes = static_cast<uint32_t>(longFrames * testsupport::kMp3FrameBytes);
    ASSERT_TRUE(testsupport::WriteMp3WithHollowPicture(h.lib.music + "/long.mp3", {{"TIT2", "Song", ""}},
                                                       4 * longAudioBytes, {}, longFrames));
    h.Start();
    h.GiveSongId("tone.m4a", 40);
    h.GiveSongId("long.mp3", 41);
    const std::string source = testsupport::ReadFileText(path);
    const uintmax_t longBytes = std::filesystem::file_size(h.lib.music + "/long.mp3");
    const struct {
        std::string song;
        uintmax_t sourceBytes;
        std::string query;
        std::string header;
        int quality;
        double seconds;
    } cases[] = {
        {"40", source.size(), "os=ogg&q=9", "", 6, seconds},
        {"40", source.size(), "os=ogg&q=x", "", 0, seconds},
        {"40", source.size(), "os=ogg", "Seek-Percent: 50", 2, seconds / 2},
        {"40", source.size(), "os=ogg", "Range: bytes=" + std::to_string(source.size() / 2) + "-", 2,
         seconds / 2},
        {"41", longBytes, "os=ogg", "Seek-Percent: 95", 2, longFrames * 0.05 * 1152 / 44100},
    };
    for (const auto& c : cases) {
        const std::string request = h.Request(c.song, c.query, {c.header});
        const testsupport::HttpTestResponse ogg = h.Fetch(request).Response();
        EXPECT_EQ(200, ogg.status) << request;
        EXPECT_EQ("audio/ogg", ogg.Header("content-type")) << request;
        EXPECT_EQ(std::to_string(c.sourceBytes), ogg.Header("source-content-length")) << request;
        EXPECT_FALSE(ogg.Has("content-length")) << request;
        EXPECT_FALSE(ogg.Has("accept-ranges")) << request;
        std::vector<testsupport::OggFrame> frames;
        ASSERT_TRUE(testsupport::SplitOggFrames(ogg.body, frames)) << request;
        ASSERT_GT(frames.size(), 4u) << request;
        EXPECT_TRUE(frames.back().page.empty()) << request << ": no end marker";
        std::string pages;
        for (const testsupport::OggFrame& frame : frames)
            pages += frame.page;
        testsupport::DecodedOgg decoded;
        ASSERT_TRUE(testsupport::DecodeOgg(pages, decoded)) << request;
        vorbis_info expected;
        vorbis_info_init(&expected);
        ASSERT_EQ(0, vorbis_encode_init_vbr(&expected, 2, 44100, static_cast<float>(c.quality) / 10.0f));
        EXPECT_EQ(expected.bitrate_nominal, decoded.nominalBitrate) << request;
        vorbis_info_clear(&expected);
        EXPECT_NEAR(static_cast<double>(decoded.samples.size()) / 2 / 44100, c.seconds, 0.15) << request;
    }

    // "q" alone asks for nothing.
    ExpectBody(h.Fetch(h.Request("40", "q=9")), "audio/aac", source, "q alone");
}

// A skip into a long MPEG-4 song whose packets the demuxer has not indexed
// yet (a fragmented file with an index of its fragments) reads a share of a pass's budget each pass and
// gives the player nothing meanwhile, so the song server has the loop run
// those passes without waiting for a socket.
TEST(SongStreamTest, AnOggSkipRunsItsPassesWithoutWaiting) {
    StreamHarness h;
    const std::string path = h.lib.music + "/long.m4a";
    ASSERT_TRUE(testsupport::WriteTone(path, {"mov", "pcm_s16le", 44100, 2, 12.0},
                                       "movflags=empty_moov+global_sidx:frag_duration=1000000"));
    h.Start();
    h.GiveSongId("long.m4a", 42);
    const uintmax_t skipTo = std::filesystem::file_size(path) * 3 / 4;
    HttpTestPlayer player;
    ASSERT_TRUE(player.Connect(h.port));
    ASSERT_TRUE(
        player.Send(h.Request("42", "os=ogg", {"Source-Range: bytes=" + std::to_string(skipTo) + "-"})));
    h.loop.Watch(player);
    ASSERT_TRUE(h.loop.Until([&] { return player.Response().status != 0; }));
    int passes = 0;
    for (; h.streamer.HasWorkWithoutWaiting() && passes < 100; ++passes)
        h.loop.Pass();
    EXPECT_GE(passes, 2);
    EXPECT_FALSE(h.streamer.HasWorkWithoutWaiting());
    EXPECT_TRUE(h.loop.Until([&] { return player.IsClosed(); }));
    EXPECT_EQ(200, player.Response().status);
}

TEST(SongStreamTest, CoverArtIsSentWithItsType) {
    StreamHarness h;
    // The larger image does not fit the output buffer as it is.
    const size_t sizes[] = {1000, 2 * HttpConn::kBufBytes};
    for (size_t size : sizes)
        h.WriteSong("art" + std::to_string(size) + ".mp3", 20, 0, size);
    h.Start();
    for (size_t size : sizes) {
        const std::string name = "art" + std::to_string(size) + ".mp3";
        h.GiveSongId(name, static_cast<uint32_t>(size));
        ExpectBody(h.Fetch(h.Request(std::to_string(size), "art=1")), "image/jpeg",
                   testsupport::FixturePicture(size), name);
    }
}

// Tags that declare a picture of 200 MB, a hole in the file: an MP3's ID3v2
// tag at its start, behind junk or behind a small tag (20 MB for those two,
// since the audio region's digest samples it), an MPEG-4 cover item. The
// scan, the song, its Ogg version, which holds the whole song, and the
// refusal of its picture cost a few reads. (An MP3 whose audio region starts
// inside its tags, and any AAC, are sent whole: their bodies are not asked
// for.)
TEST(SongStreamTest, AHugePictureIsReadForNoAnswer) {
    StreamHarness h;
    const int frames = 100;
    const double mp3Seconds = frames * 1152.0 / 44100;
    const std::string& music = h.lib.music;
    const int64_t readBefore = testsupport::ProcessReadBytes();
    ASSERT_TRUE(testsupport::WriteMp3WithHollowPicture(music + "/huge.mp3", {{"TIT2", "Song", ""}}, 200000000,
                                                       {}, frames));
    ASSERT_TRUE(testsupport::WriteMp3WithHollowPicture(music + "/late.mp3", {{"TIT2", "Song", ""}}, 20000000,
                                                       {}, frames, testsupport::FalseFrameJunk()));
    // The scan finds a frame header in the second tag.
    ASSERT_TRUE(testsupport::WriteMp3WithHollowPicture(
        music + "/second.mp3", {{"PRIV", "sync", testsupport::Mp3Frames(1).substr(0, 4)}}, 20000000, {},
        frames, testsupport::Id3v2TagOf({{"TIT2", "Song", ""}})));
    testsupport::M4aTags tags;
    tags.title = "Song";
    ASSERT_TRUE(testsupport::WriteM4aWithHollowCover(
        music + "/huge.m4a", {2, true, testsupport::M4aCodec::AAC, &tags}, 200000000));
    h.Start();
    const struct {
        const char* name;
        uint32_t songId;
        bool sentFromAudio;
        double seconds;
    } cases[] = {
        {"huge.mp3", 50, true, mp3Seconds},
        {"late.mp3", 51, false, mp3Seconds},
        {"second.mp3", 52, false, mp3Seconds},
        {"huge.m4a", 53, false, 2.0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        h.GiveSongId(c.name, c.songId);
        const std::string song = std::to_string(c.songId);
        if (c.sentFromAudio)
            ExpectBody(h.Fetch(h.Request(song)), "audio/mpeg", testsupport::Mp3Frames(frames), "song");
        const testsupport::HttpTestResponse ogg = h.Fetch(h.Request(song, "os=ogg")).Response();
        std::vector<testsupport::OggFrame> oggFrames;
        EXPECT_EQ(200, ogg.status);
        ASSERT_TRUE(testsupport::SplitOggFrames(ogg.body, oggFrames));
        ASSERT_TRUE(oggFrames.size() > 4 && oggFrames.back().page.empty()) << oggFrames.size() << " frames";
        std::string pages;
        for (const testsupport::OggFrame& frame : oggFrames)
            pages += frame.page;
        testsupport::DecodedOgg decoded;
        ASSERT_TRUE(testsupport::DecodeOgg(pages, decoded));
        EXPECT_NEAR(static_cast<double>(decoded.samples.size()) / 2 / 44100, c.seconds, 0.15);
        EXPECT_EQ(ErrorLine("404 File not found"), h.Fetch(h.Request(song, "art=1")).Received());
    }
    EXPECT_LT(testsupport::ProcessReadBytes() - readBefore, 4 << 20);
}

TEST(SongStreamTest, PacingLetsTheLeadOutAtOnceThenFollowsTheRate) {
    const int64_t lead = HttpConn::kLeadBytes;
    const struct {
        const char* what;
        bool local;
        int64_t advanceMs;
        int64_t after; // body bytes sent after the advance; -1: all
    } cases[] = {
        {"remote, one second", false, 1000, lead + 48000},
        // A 32-bit position would wrap past 16 s and stall the song.
        {"local, twenty seconds", true, 20000, -1},
    };
    for (const auto& c : cases) {
        testsupport::ManualClock clock;
        StreamHarness h;
        const std::string file = h.StartWithBigSong();
        HttpTestPlayer player;
        testsupport::LoopbackListener remote;
        if (c.local) {
            ASSERT_TRUE(player.Connect(h.port));
            ASSERT_TRUE(player.Send(h.Request("5")));
        } else {
            ASSERT_TRUE(h.ConnectRemote(h.streamer, remote, player)) << c.what;
            ASSERT_TRUE(player.Send(testsupport::HttpGet(StreamHarness::Salted("5"))));
        }
        h.loop.Watch(player);
        auto bodyBytes = [&] { return static_cast<int64_t>(player.Response().body.size()); };
        ASSERT_TRUE(h.loop.Until([&] { return bodyBytes() == lead; })) << c.what;
        h.loop.Passes(50);
        EXPECT_EQ(lead, bodyBytes()) << c.what;

        clock.Advance(c.advanceMs);
        const int64_t after = c.after < 0 ? static_cast<int64_t>(file.size()) : c.after;
        ASSERT_TRUE(h.loop.Until([&] { return bodyBytes() == after; })) << c.what << ": " << bodyBytes();
        h.loop.Passes(50);
        EXPECT_EQ(after, bodyBytes()) << c.what;
        EXPECT_EQ(c.local ? "" : "stream-1", player.PreambleId()) << c.what;
    }
}

TEST(SongStreamTest, AFileThatEndsEarlyEndsTheConnectionWithoutErrorText) {
    testsupport::ManualClock clock;
    StreamHarness h;
    const std::string file = h.StartWithBigSong();
    HttpTestPlayer player;
    ASSERT_TRUE(player.Connect(h.port));
    ASSERT_TRUE(player.Send(h.Request("5")));
    h.loop.Watch(player);
    const size_t lead = static_cast<size_t>(HttpConn::kLeadBytes);
    ASSERT_TRUE(h.loop.Until([&] { return player.Response().body.size() == lead; }));
    std::filesystem::resize_file(h.lib.music + "/big.mp3", 100000);
    clock.Advance(1000);
    ASSERT_TRUE(h.loop.Until([&] { return player.IsClosed(); }));
    EXPECT_TRUE(player.Response().body == file.substr(0, lead));
    EXPECT_TRUE(h.lib.db.log.Contains("complete - result 2"));
}
