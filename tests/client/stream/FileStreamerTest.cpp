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
// streams the server pairs with remote players.
TEST(FileStreamerTest, ConnectionsBeyondTheirPlacesAreClosedAtOnce) {
    StreamHarness h;
    h.Start();
    const size_t localPlaces = FileStreamer::kMaxConns - FileStreamer::kRemoteOnlyConns;
    std::vector<std::unique_ptr<HttpTestPlayer>> players;
    for (size_t i = 0; i <= localPlaces; ++i) {
        players.push_back(std::make_unique<HttpTestPlayer>());
        ASSERT_TRUE(players.back()->Connect(h.port));
        ASSERT_TRUE(players.back()->Send("GET /random?mvsalt="));
        h.loop.Watch(*players.back());
        h.loop.Pass();
    }
    ASSERT_TRUE(h.loop.Until([&] { return players.back()->IsClosed(); }));
    h.loop.Passes(20);
    EXPECT_EQ(localPlaces, h.streamer.GetNumConns());
    for (size_t i = 0; i < localPlaces; ++i)
        EXPECT_FALSE(players[i]->IsClosed()) << i;
    EXPECT_EQ(200, h.FetchRemote(h.streamer, h.loop, Random()).Response().status);

    // A place that frees up is taken again.
    players.front()->Close();
    ASSERT_TRUE(h.loop.Until([&] { return h.streamer.GetNumConns() == localPlaces - 1; }));
    EXPECT_EQ(200, h.Fetch(h.Request("random")).Response().status);

    // Remote players fill every place; one more is closed.
    testsupport::LoopbackListener remote;
    while (h.streamer.GetNumConns() < FileStreamer::kMaxConns)
        h.streamer.AddConn(h.RemoteConn(remote.port));
    h.streamer.AddConn(h.RemoteConn(remote.port));
    EXPECT_EQ(FileStreamer::kMaxConns, h.streamer.GetNumConns());
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
