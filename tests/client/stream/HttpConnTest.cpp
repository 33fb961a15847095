#include "client/stream/HttpConn.h"

#include "include/text/AppStrings.h"
#include "include/text/Utf8.h"
#include "tests/client/stream/StreamHarness.h"
#include "tests/support/ManualClock.h"

#include <gtest/gtest.h>

using testsupport::HttpGet;
using testsupport::HttpTestPlayer;
using testsupport::StreamHarness;

namespace {

const std::string kBadRequest =
    "HTTP/1.0 400 Bad Request\r\nContent-Type: text/plain\r\nContent-Length: 0\r\n\r\n";

// The manual clock's wall time.
const std::string kDate = "Tue, 14 Nov 2023 22:13:20 GMT";

std::string OkHead(const std::string& type, size_t length) {
    return "HTTP/1.0 200 OK\r\nDate: " + kDate + "\r\nLast-Modified: " + kDate + "\r\nContent-Type: " + type +
           "\r\nContent-Length: " + std::to_string(length) + "\r\nAccept-Ranges: bytes\r\n\r\n";
}

} // namespace

TEST(HttpConnTest, SmallResourcesAnswerWithExactHeaders) {
    testsupport::ManualClock clock;
    StreamHarness h;
    h.WriteSong("a.mp3", 3);
    h.Start();
    h.GiveSongId("a.mp3", 77);
    const std::string identify = "var localUsername = 'it\\'s a\\\\name'; var localVersion = '" +
                                 WideToUtf8(GetAppString(AS_VERSION)) + "';";
    const std::string policy = "<?xml version='1.0'?><!DOCTYPE cross-domain-policy SYSTEM "
                               "'http://www.adobe.com/xml/dtds/cross-domain-policy.dtd'><cross-domain-policy>"
                               "<allow-access-from domain='*' secure='false' /></cross-domain-policy>";
    const struct {
        std::string request;
        std::string answer;
    } cases[] = {
        {h.Request("random"), OkHead("application/x-javascript", 24) + "var randomSongID = '77';"},
        {"GET /random?a&b=c&mvsalt=" + std::string(testsupport::kTestSalt) +
             " HTTP/1.0\nHOST:127.0.0.1:" + std::to_string(h.port) + "\n\n",
         OkHead("application/x-javascript", 24) + "var randomSongID = '77';"},
        {h.Request("identify"), OkHead("application/x-javascript", identify.size()) + identify},
        // The policy needs neither salt nor Host.
        {HttpGet("/crossdomain.xml"), OkHead("text/xml", policy.size()) + policy},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.answer, h.Fetch(c.request).Received()) << c.request;
    // The connections' own lines name the port they were accepted on.
    EXPECT_TRUE(h.lib.db.log.Contains("(127.0.0.1:" + std::to_string(h.port) + ")"));
}

TEST(HttpConnTest, BadHeadsAndRequestsWithoutTheSaltOrTheLocalHostAreRefused) {
    StreamHarness h;
    h.Start();
    const std::string port = std::to_string(h.port);
    const std::string other = std::to_string(h.port + 1);
    const std::string salt = testsupport::kTestSalt;
    const std::string cases[] = {
        HttpGet(StreamHarness::Salted("random")),
        HttpGet(StreamHarness::Salted("random"), {"Host: 127.0.0.1:" + other}),
        HttpGet(StreamHarness::Salted("random"), {"Host: localhost:" + port}),
        HttpGet(StreamHarness::Salted("random"), {"Host: 127.0.0.1:" + port + "x"}),
        HttpGet("/random?mvsalt=0a1b2c3e", {h.HostHeader()}),
        HttpGet("/random?MVSALT=" + salt, {h.HostHeader()}),
        HttpGet("/random?mvsalt=" + salt + "0", {h.HostHeader()}),
        HttpGet("/random", {h.HostHeader()}),
        HttpGet(StreamHarness::Salted(""), {h.HostHeader()}),
        // (Shorter heads never reach the server: the port waits for 8 bytes.)
        "GET \r\n\r\n",
        "GET /x\n\n",
        "GET /random?mvsalt=" + salt + " HTTP/1.0\nHost\n\n",
    };
    for (const std::string& request : cases)
        EXPECT_EQ(kBadRequest, h.Fetch(request).Received()) << request;
    // A head that fills the input buffer without an end is closed unanswered.
    const std::string line = "GET /random?mvsalt=" + salt + " HTTP/1.0\r\n";
    EXPECT_EQ("", h.Fetch(line + std::string(HttpConn::kBufBytes - 1 - line.size(), 'h')).Received());
}

TEST(HttpConnTest, AHeadIsAnsweredOnlyOnceItsBlankLineArrives) {
    StreamHarness h;
    h.Start();
    const std::string request = h.Request("random");
    HttpTestPlayer player;
    ASSERT_TRUE(player.Connect(h.port));
    h.loop.Watch(player);
    for (char byte : request.substr(0, request.size() - 1)) {
        ASSERT_TRUE(player.Send(std::string(1, byte)));
        h.loop.Passes(2);
    }
    EXPECT_EQ("", player.Received());
    ASSERT_TRUE(player.Send(request.substr(request.size() - 1)));
    ASSERT_TRUE(h.loop.Until([&] { return player.IsClosed(); }));
    EXPECT_EQ(200, player.Response().status);
}

// HTTP/1.0 clients often end their sending once the request is out.
TEST(HttpConnTest, APlayerThatHalfClosesAfterItsRequestStillGetsTheWholeAnswer) {
    StreamHarness h;
    const std::string song = h.StartWithBigSong();
    const struct {
        std::string request;
        int status;
        std::string body;
    } cases[] = {
        {h.Request("5"), 200, song},
        {h.Request("random"), 200, "var randomSongID = '5';"},
        {HttpGet("/random"), 400, ""},
        // A head that can no longer be finished ends at once.
        {"GET /5?mvsalt=", 0, ""},
    };
    for (const auto& c : cases) {
        const testsupport::HttpTestResponse response = h.Fetch(c.request, true).Response();
        EXPECT_EQ(c.status, response.status) << c.request;
        EXPECT_TRUE(response.body == c.body) << c.request << ": " << response.body.size() << " bytes";
    }
}

TEST(HttpConnTest, EachWayAConnectionEndsHasItsResult) {
    enum Kind {
        PARTIAL_HEAD,
        TRICKLED_HEAD,
        STOPPED_READING,
        NEVER_CLOSES,
        BAD_REQUEST,
        CLOSED_IN_BODY,
        REFUSED
    };
    const struct {
        const char* what;
        Kind kind;
        bool after90s; // closed only once 90 s have passed
        int result;
    } cases[] = {
        // The whole head must come within 90 s, however it trickles in.
        {"partial head", PARTIAL_HEAD, true, HCR_REFUSED},
        {"head trickled in", TRICKLED_HEAD, true, HCR_REFUSED},
        {"player stopped reading", STOPPED_READING, true, HCR_PEER_CLOSED},
        // The whole answer went out; the result stays.
        {"player never closes", NEVER_CLOSES, true, HCR_COMPLETE},
        // An error line is closed once it is out, though the player stays.
        {"bad request", BAD_REQUEST, false, HCR_REFUSED},
        {"player closed during the body", CLOSED_IN_BODY, false, HCR_PEER_CLOSED},
        {"connect refused", REFUSED, false, HCR_CONN_FAILED},
    };
    for (const auto& c : cases) {
        testsupport::ManualClock clock;
        StreamHarness h;
        h.StartWithBigSong();
        HttpTestPlayer player;
        player.SetReceiveBuffer(4096);
        if (c.kind == REFUSED) {
            h.streamer.AddConn(h.RemoteConn(ntohs(testsupport::ClosedLoopbackAddress().sin_port)));
        } else {
            ASSERT_TRUE(player.Connect(h.port));
            player.PauseReading(c.kind == STOPPED_READING);
            const bool partial = c.kind == PARTIAL_HEAD || c.kind == TRICKLED_HEAD;
            ASSERT_TRUE(player.Send(partial                  ? "GET /5?mvsalt="
                                    : c.kind == NEVER_CLOSES ? h.Request("random")
                                    : c.kind == BAD_REQUEST  ? HttpGet("/random")
                                                             : h.Request("5")));
            h.loop.Watch(player);
        }
        h.loop.Passes(200);
        if (c.kind == CLOSED_IN_BODY) {
            ASSERT_TRUE(h.loop.Until(
                [&] { return player.Response().body.size() == static_cast<size_t>(HttpConn::kLeadBytes); }));
            player.Close();
            // Its end of input may be a half-close: the close shows once more
            // of the body goes out.
            clock.Advance(1000);
        }
        if (c.after90s) {
            clock.Advance(HttpConn::kIdleTimeoutMs - 1000);
            if (c.kind == TRICKLED_HEAD) {
                ASSERT_TRUE(player.Send("0"));
            }
            h.loop.Passes(20);
            EXPECT_EQ(1u, h.streamer.GetNumConns()) << c.what;
            clock.Advance(1000);
        }
        ASSERT_TRUE(h.loop.Until([&] { return h.streamer.GetNumConns() == 0; })) << c.what;
        EXPECT_EQ(1u, h.lib.db.log.Count("complete - result")) << c.what;
        EXPECT_TRUE(h.lib.db.log.Contains("complete - result " + std::to_string(c.result))) << c.what;
    }
}
