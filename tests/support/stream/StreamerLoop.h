// Runs the song server's part of the core loop without the core: service the
// connections, fill the select sets (listening ports too), select, socket
// I/O, accept. Players given to it read what arrived after every pass.
#pragma once

#include "client/net/TcpConn.h"
#include "client/stream/FileStreamer.h"
#include "include/net/Sockets.h"
#include "tests/support/stream/HttpTestPlayer.h"

#include <functional>
#include <vector>

namespace testsupport {

class StreamerLoop {
  public:
    explicit StreamerLoop(FileStreamer& streamer) : m_streamer(streamer) {}

    void Watch(HttpTestPlayer& player) { m_players.push_back(&player); }

    void Pass(int waitMicros = 2000) {
        SocketSet readSet, writeSet, exceptSet;
        int maxFd = 0;
        bool any = false;
        m_streamer.ServiceConns();
        m_streamer.FillSelectSets(maxFd, any, readSet, writeSet, exceptSet);
        TcpConn::FillListenFdSets(readSet, maxFd);
        timeval timeout{0, m_streamer.HasWorkWithoutWaiting() ? 0 : waitMicros};
        selectSockets(maxFd + 1, &readSet, &writeSet, &exceptSet, &timeout);
        m_streamer.ProcessSelectResults(readSet, writeSet, exceptSet);
        TcpConn::Accept(readSet);
        for (HttpTestPlayer* player : m_players)
            player->Poll();
    }

    void Passes(int count) {
        for (int i = 0; i < count; ++i)
            Pass();
    }

    // Passes until `done` holds; false when it never did.
    bool Until(const std::function<bool()>& done, int maxPasses = 5000) {
        for (int i = 0; i < maxPasses; ++i) {
            if (done())
                return true;
            Pass();
        }
        return done();
    }

  private:
    FileStreamer& m_streamer;
    std::vector<HttpTestPlayer*> m_players;
};

} // namespace testsupport
