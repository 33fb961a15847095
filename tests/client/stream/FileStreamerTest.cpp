#include "client/stream/FileStreamer.h"

#include "tests/client/stream/StreamHarness.h"
#include "tests/support/ManualClock.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

using testsupport::HttpTestPlayer;
using testsupport::StreamHarness;

namespace {

// The request a remote player sends for the random-song snippet.
std::string Random() {
    return testsupport::HttpGet(StreamHarness::Salted("random"));
}

} // namespace

TEST(FileStreamerTest, ListensOnTheFirstPortItCanHaveAndTellsTheServer) {
    StreamHarness h;
    testsupport::LoopbackListener taken;
    FileStreamer streamer({taken.port, 0});
    streamer.Start(h.lib.Scanner(), h.link, testsupport::kTestSalt);
    EXPECT_TRUE(streamer.IsListening());
    const uint16_t port = streamer.GetPort();
    EXPECT_NE(0u, port);
    EXPECT_NE(taken.port, port);
    EXPECT_EQ(port, h.link.localPort);
    EXPECT_TRUE(h.lib.db.log.Contains("Unable to listen on port " + std::to_string(taken.port)));

    testsupport::FakeServerLink later;
    streamer.Start(h.lib.Scanner(), later, "other");
    EXPECT_EQ(port, streamer.GetPort());
    EXPECT_EQ(0u, later.localPort);
}

// Without a local port, or after losing it, the program goes on and remote
// players are still served.
TEST(FileStreamerTest, AMissingOrLostPortIsReportedOnceAndRemotePlayersAreStillServed) {
    for (bool lose : {false, true}) {
        StreamHarness h;
        testsupport::LoopbackListener taken1, taken2;
        FileStreamer streamer(lose ? testsupport::AnyFreePort()
                                   : std::vector<uint16_t>{taken1.port, taken2.port});
        testsupport::StreamerLoop loop(streamer);
        streamer.Start(h.lib.Scanner(), h.link, testsupport::kTestSalt);
        EXPECT_EQ(lose, streamer.IsListening());
        if (lose)
            TcpConn::CloseAllListenPorts();
        loop.Passes(5);
        const std::string expected = lose ? "Localhost streaming port listener is closed" : "Listen err";
        EXPECT_EQ(1u, testsupport::CountOccurrences(
                          testsupport::ReadFileText(h.lib.db.dir.File("reports.txt")), expected))
            << lose;
        EXPECT_TRUE(h.lib.db.log.Contains(lose ? "Localhost streaming port listener is closed"
                                               : "Failed all attempts to listen on localhost"));

        EXPECT_EQ(200, h.FetchRemote(streamer, loop, Random()).Response().status) << lose;
    }
}

// Local players cannot take the last places: those are kept for the
// streams the server pairs with remote players. Within their own places a
// closed connection holds no place, and when all are live the local one that
// has waited longest gives way, if it may: a player that stopped reading, or
// a head unfinished after its grace however its bytes trickle. Players that
// take their answers keep their places and the new request is refused.
TEST(FileStreamerTest, WhenTheLocalPlacesAreFullTheConnectionWithoutProgressLongestGivesWay) {
    testsupport::ManualClock clock;
    StreamHarness h;
    // About 10 MB: no player reads it whole within the passes below.
    const size_t songBytes = h.WriteSong("long.mp3", 25000).size();
    h.Start();
    h.GiveSongId("long.mp3", 6);
    const size_t localPlaces = FileStreamer::kMaxConns - FileStreamer::kRemoteOnlyConns;
    // Players that ask for the song and never read, 100 ms apart.
    std::vector<std::unique_ptr<HttpTestPlayer>> players;
    auto addStalled = [&] {
        HttpTestPlayer& player = *players.emplace_back(std::make_unique<HttpTestPlayer>());
        player.SetReceiveBuffer(4096);
        player.PauseReading(true);
        ASSERT_TRUE(player.Connect(h.port));
        ASSERT_TRUE(player.Send(h.Request("6")));
        h.loop.Watch(player);
        h.loop.Passes(10);
        clock.Advance(100);
    };
    for (size_t i = 0; i < localPlaces; ++i)
        addStalled();
    ASSERT_EQ(localPlaces, h.streamer.GetNumLiveConns());
    EXPECT_EQ(200, h.FetchRemote(h.streamer, h.loop, Random()).Response().status);

    // A player resets its connection in the pass that brings a new request.
    HttpTestPlayer late;
    ASSERT_TRUE(late.Connect(h.port));
    h.loop.Watch(late);
    h.loop.Pass();
    players.back()->Close();
    ASSERT_TRUE(late.Send(h.Request("random")));
    ASSERT_TRUE(h.loop.Until([&] { return late.IsClosed(); }));
    EXPECT_EQ(200, late.Response().status);
    late.Close();

    // Full again; the first player reads, so the second has waited longest.
    addStalled();
    ASSERT_EQ(localPlaces, h.streamer.GetNumLiveConns());
    clock.Advance(HttpConn::kGiveWayIdleMs);
    players.front()->PauseReading(false);
    h.loop.Passes(5);
    EXPECT_EQ(200, h.Fetch(h.Request("random")).Response().status);
    for (auto& player : players)
        player->PauseReading(false);
    ASSERT_TRUE(h.loop.Until([&] { return players[1]->IsClosed(); }));
    h.loop.Passes(50);
    for (size_t i = 0; i < players.size(); ++i)
        EXPECT_EQ(i == 1, players[i]->IsClosed()) << i;
    EXPECT_LT(players[1]->Response().body.size(), songBytes);
    EXPECT_EQ(1u, h.lib.db.log.Count("closing it for a new request"));

    // Every place taken by a player reading steadily, long after each began.
    addStalled();
    players.back()->PauseReading(false);
    ASSERT_EQ(localPlaces, h.streamer.GetNumLiveConns());
    auto step = [&](uint64_t ms, std::vector<HttpTestPlayer*> tricklers = {}) {
        for (uint64_t waited = 0; waited < ms; waited += 500) {
            clock.Advance(500);
            for (HttpTestPlayer* trickler : tricklers)
                ASSERT_TRUE(trickler->Send("0"));
            h.loop.Passes(2);
        }
    };
    step(HttpConn::kGiveWayIdleMs + 1000);
    EXPECT_EQ(0, h.Fetch(h.Request("random")).Response().status);
    EXPECT_EQ(1u, h.lib.db.log.Count("players; refusing another on port"));

    // A client trickles two heads into freed places: they give way once the
    // grace has passed, not before, and the players reading are never cut.
    players[0]->Close();
    players[2]->Close();
    ASSERT_TRUE(h.loop.Until([&] { return h.streamer.GetNumLiveConns() == localPlaces - 2; }));
    HttpTestPlayer trickler1, trickler2;
    for (HttpTestPlayer* trickler : {&trickler1, &trickler2}) {
        ASSERT_TRUE(trickler->Connect(h.port));
        ASSERT_TRUE(trickler->Send("GET /6?mvsalt="));
        h.loop.Watch(*trickler);
    }
    h.loop.Passes(5);
    ASSERT_EQ(localPlaces, h.streamer.GetNumLiveConns());
    step(HttpConn::kHeadGraceMs / 2, {&trickler1, &trickler2});
    EXPECT_EQ(0, h.Fetch(h.Request("random")).Response().status);
    step(HttpConn::kHeadGraceMs, {&trickler1, &trickler2});
    // Two players that stay take their places.
    for (int i = 0; i < 2; ++i) {
        addStalled();
        players.back()->PauseReading(false);
    }
    h.loop.Passes(5);
    EXPECT_TRUE(trickler1.IsClosed());
    EXPECT_TRUE(trickler2.IsClosed());
    for (size_t i = 3; i < players.size(); ++i) {
        if (i == localPlaces - 1)
            continue; // it reset its connection
        EXPECT_EQ(200, players[i]->Response().status) << i;
        EXPECT_FALSE(players[i]->IsClosed()) << i;
    }
    EXPECT_EQ(3u, h.lib.db.log.Count("closing it for a new request"));
    EXPECT_EQ(2u, h.lib.db.log.Count("players; refusing another on port"));

    // Remote players fill every place; one more is closed.
    testsupport::LoopbackListener remote;
    while (h.streamer.GetNumLiveConns() < FileStreamer::kMaxConns)
        h.streamer.AddConn(h.RemoteConn(remote.port));
    h.streamer.AddConn(h.RemoteConn(remote.port));
    EXPECT_EQ(FileStreamer::kMaxConns, h.streamer.GetNumLiveConns());
    EXPECT_TRUE(
        h.lib.db.log.Contains("players; closing the stream to 127.0.0.1:" + std::to_string(remote.port)));
}

TEST(FileStreamerTest, DestroyingTheStreamerClosesEveryConnection) {
    testsupport::ManualClock clock;
    StreamHarness h;
    h.StartWithBigSong();
    auto streamer = std::make_unique<FileStreamer>(testsupport::AnyFreePort());
    testsupport::StreamerLoop loop(*streamer);
    streamer->Start(h.lib.Scanner(), h.link, testsupport::kTestSalt);
    HttpTestPlayer sending, waiting;
    ASSERT_TRUE(sending.Connect(streamer->GetPort()));
    ASSERT_TRUE(sending.Send(testsupport::HttpGet(
        StreamHarness::Salted("5"), {"Host: 127.0.0.1:" + std::to_string(streamer->GetPort())})));
    ASSERT_TRUE(waiting.Connect(streamer->GetPort()));
    ASSERT_TRUE(waiting.Send("GET /5?mvsalt="));
    loop.Watch(sending);
    loop.Watch(waiting);
    // The body waits for the clock after its lead.
    ASSERT_TRUE(loop.Until([&] { return sending.Response().body.size() == HttpConn::kLeadBytes; }));
    EXPECT_EQ(2u, streamer->GetNumConns());
    streamer.reset();
    sending.Poll();
    waiting.Poll();
    EXPECT_TRUE(sending.IsClosed());
    EXPECT_TRUE(waiting.IsClosed());
}
