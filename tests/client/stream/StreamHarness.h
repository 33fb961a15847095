// A song server on a loopback port the system picks, over a scanner of a
// real music folder, with a stand-in server link and the passes of the core
// loop run by the test. Players are the tests' own (tests/support/stream).
#pragma once

#include "client/net/TcpConn.h"
#include "client/stream/FileStreamer.h"
#include "include/net/Sockets.h"
#include "tests/client/library/ScanHarness.h"
#include "tests/support/LoopbackSockets.h"
#include "tests/support/core/FakeServerLink.h"
#include "tests/support/media/Mp3Fixture.h"
#include "tests/support/stream/HttpTestPlayer.h"
#include "tests/support/stream/StreamerLoop.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace testsupport {

inline constexpr char kTestSalt[] = "0a1b2c3d";

// The port list that has the streamer listen on any free port.
inline std::vector<uint16_t> AnyFreePort() {
    return {0};
}

class StreamHarness {
  public:
    StreamHarness() : streamer(AnyFreePort()) {
        EXPECT_EQ(0, startNetworking());
        link.userName = "it's a\\name";
    }
    ~StreamHarness() { TcpConn::CloseAllListenPorts(); }
    StreamHarness(const StreamHarness&) = delete;
    StreamHarness& operator=(const StreamHarness&) = delete;

    // Scans the music folder and starts listening; `port` is known from now.
    void Start() {
        lib.Scan();
        streamer.Start(lib.Scanner(), link, kTestSalt);
        ASSERT_TRUE(streamer.IsListening());
        port = streamer.GetPort();
    }

    // An MP3 of `frames` silent frames in the music folder, behind an ID3v2
    // tag of at least `tagBytes` bytes (0: none); the file's bytes.
    std::string WriteSong(const std::string& name, int frames, size_t tagBytes = 0, size_t artBytes = 0) {
        Mp3Tags tags;
        if (tagBytes > 0 || artBytes > 0) {
            tags.v2 = true;
            tags.title = "Song " + name;
            if (tagBytes > 0)
                tags.frames.push_back({"TXXX", "padding", std::string(tagBytes, 'p')});
            if (artBytes > 0)
                tags.frames.push_back({"APIC", "image/jpeg", "", artBytes});
        }
        EXPECT_TRUE(WriteMp3(lib.music + "/" + name, "", frames, tags));
        return ReadFileText(lib.music + "/" + name);
    }
    // Starts with one song of about a megabyte, song id kBigSongId, longer
    // than the lead a body may take ahead of its pace; its bytes.
    static constexpr uint32_t kBigSongId = 5;
    std::string StartWithBigSong() {
        std::string file = WriteSong("big.mp3", 2500);
        Start();
        GiveSongId("big.mp3", kBigSongId);
        return file;
    }
    // An outgoing connection to a remote player on `remotePort`, connecting
    // as the server link makes them.
    std::unique_ptr<HttpConn> RemoteConn(uint16_t remotePort) {
        auto conn =
            std::make_unique<HttpConn>(kTestSalt, remotePort, "listener", &lib.Scanner(), &link, false);
        conn->GetConn().ConnectApp(L"stream-1", "127.0.0.1", remotePort);
        return conn;
    }
    // An outgoing connection from `to` to a remote player listening on
    // `remote`; true once `player` has accepted it.
    bool ConnectRemote(FileStreamer& to, LoopbackListener& remote, HttpTestPlayer& player) {
        to.AddConn(RemoteConn(remote.port));
        StreamerLoop remoteLoop(to);
        return remoteLoop.Until([&] { return player.AcceptFrom(remote.fd.Get()); });
    }
    void GiveSongId(const std::string& name, uint32_t songId) {
        SongInfo info;
        info.songID = songId;
        lib.Scanner().SetSongInfo(lib.CfId(name), info);
    }

    std::string HostHeader() const { return "Host: 127.0.0.1:" + std::to_string(port); }
    // "/resource?query&mvsalt=<salt>"
    static std::string Salted(const std::string& resource, const std::string& query = "") {
        return "/" + resource + "?" + (query.empty() ? "" : query + "&") + "mvsalt=" + kTestSalt;
    }
    // A local request with the salt, the Host header and `headers`.
    std::string Request(const std::string& resource, const std::string& query = "",
                        const std::vector<std::string>& headers = {}) const {
        std::string head = "GET " + Salted(resource, query) + " HTTP/1.0\r\n" + HostHeader() + "\r\n";
        for (const std::string& header : headers)
            head += header + "\r\n";
        return head + "\r\n";
    }

    // A local player that sends `request` (then half-closes, when asked to),
    // reads until the server closes and then closes too; it lives as long as
    // the harness.
    HttpTestPlayer& Fetch(const std::string& request, bool endSending = false) {
        HttpTestPlayer& player = NewPlayer();
        EXPECT_TRUE(player.Connect(port));
        EXPECT_TRUE(player.Send(request));
        if (endSending)
            player.EndSending();
        loop.Watch(player);
        EXPECT_TRUE(loop.Until([&] { return player.IsClosed(); })) << request;
        player.Close();
        return player;
    }
    // The same, but the player closes once the answer's head has come.
    testsupport::HttpTestResponse FetchHead(const std::string& request) {
        HttpTestPlayer& player = NewPlayer();
        EXPECT_TRUE(player.Connect(port));
        EXPECT_TRUE(player.Send(request));
        loop.Watch(player);
        EXPECT_TRUE(loop.Until([&] { return player.Response().status != 0 || player.IsClosed(); }))
            << request;
        player.Close();
        return player.Response();
    }
    // The same for a remote player that `to` connects to, as the server
    // orders it.
    HttpTestPlayer& FetchRemote(FileStreamer& to, StreamerLoop& toLoop, const std::string& request) {
        HttpTestPlayer& player = NewPlayer();
        LoopbackListener remote;
        EXPECT_TRUE(ConnectRemote(to, remote, player));
        EXPECT_TRUE(player.Send(request));
        toLoop.Watch(player);
        EXPECT_TRUE(toLoop.Until([&] { return player.IsClosed(); })) << request;
        player.Close();
        return player;
    }

    ScanHarness lib;
    FakeServerLink link;
    uint16_t port = 0;
    FileStreamer streamer;
    StreamerLoop loop{streamer};

  private:
    HttpTestPlayer& NewPlayer() { return *m_players.emplace_back(std::make_unique<HttpTestPlayer>()); }

    std::vector<std::unique_ptr<HttpTestPlayer>> m_players;
};

} // namespace testsupport
