#include "include/net/Sockets.h"

#include "tests/support/CapturedLog.h"
#include "tests/support/LoopbackSockets.h"
#include "tests/support/WaitUntil.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <string>

using platform::UniqueFd;
using testsupport::LoopbackPair;

namespace {

sockaddr* AsAddress(sockaddr_in* address) {
    return reinterpret_cast<sockaddr*>(address);
}

// Waits (up to a generous bound) until `fd` is ready in the given set.
bool WaitFor(int fd, bool forRead) {
    for (int pass = 0; pass < 50; ++pass) {
        SocketSet set;
        EXPECT_TRUE(set.Add(fd));
        timeval wait{0, 200000};
        if (selectSockets(fd + 1, forRead ? &set : nullptr, forRead ? nullptr : &set, nullptr, &wait) > 0)
            return true;
    }
    return false;
}

int LastErrorClass() {
    return classifySocketError(getLastSocketError());
}

} // namespace

TEST(SocketsTest, NonBlockingRoundTripOverLoopback) {
    testsupport::CapturedLog log;
    platform::UniqueFd listener(createSocket());
    ASSERT_GE(listener.Get(), 0);
    ASSERT_EQ(0, setReuseAddress(listener.Get()));
    sockaddr_in address = testsupport::LoopbackAddress(0);
    ASSERT_EQ(0, bindSocket(listener.Get(), AsAddress(&address), sizeof address));
    ASSERT_EQ(0, listenSocket(listener.Get(), 10));
    socklen_t length = sizeof address;
    ASSERT_EQ(0, getsockname(listener.Get(), AsAddress(&address), &length));
    ASSERT_EQ(0, setNonBlocking(listener.Get()));

    EXPECT_EQ(-1, acceptSocket(listener.Get(), nullptr, nullptr)) << "nothing is pending yet";
    EXPECT_EQ(SOCKERR_WOULDBLOCK, LastErrorClass());

    platform::UniqueFd client(createSocket());
    ASSERT_EQ(0, setNonBlocking(client.Get()));
    EXPECT_EQ(0, disableKeepAlive(client.Get()));
    setSocketBufferSizes(client.Get(), 16384);
    int connected = connectSocket(client.Get(), AsAddress(&address), sizeof address);
    EXPECT_TRUE(connected == 0 || connected == SOCKERR_WOULDBLOCK) << connected;
    ASSERT_TRUE(WaitFor(client.Get(), false));
    EXPECT_EQ(0, connectSocket(client.Get(), AsAddress(&address), sizeof address)) << "already connected";

    ASSERT_TRUE(WaitFor(listener.Get(), true));
    sockaddr_in peer{};
    length = sizeof peer;
    platform::UniqueFd server(acceptSocket(listener.Get(), AsAddress(&peer), &length));
    ASSERT_GE(server.Get(), 0);
    ASSERT_EQ(0, setNonBlocking(server.Get()));

    char buffer[64];
    EXPECT_EQ(-1, recvSocket(server.Get(), buffer, sizeof buffer, 0)) << "nothing to read yet";
    EXPECT_EQ(SOCKERR_WOULDBLOCK, LastErrorClass());

    EXPECT_EQ(5, sendSocket(client.Get(), "hello", 5, 0));
    ASSERT_TRUE(WaitFor(server.Get(), true));
    ASSERT_EQ(5, recvSocket(server.Get(), buffer, sizeof buffer, 0));
    EXPECT_EQ("hello", std::string(buffer, 5));

    EXPECT_EQ(0, shutdownSocketWrite(client.Get()));
    ASSERT_TRUE(WaitFor(server.Get(), true));
    EXPECT_EQ(0, recvSocket(server.Get(), buffer, sizeof buffer, 0)) << "the peer has closed";
    EXPECT_FALSE(log.Contains("(ERR)")) << log.Text();
}

TEST(SocketsTest, SendOnFullSocketReturnsZero) {
    LoopbackPair pair;
    ASSERT_TRUE(pair.Ok());
    ASSERT_EQ(0, setNonBlocking(pair.client.Get()));
    setSocketBufferSizes(pair.client.Get(), 4096);
    setSocketBufferSizes(pair.server.Get(), 4096);
    static char chunk[16384];
    int sent = 1;
    for (int i = 0; i < 10000 && sent > 0; ++i)
        sent = sendSocket(pair.client.Get(), chunk, sizeof chunk, 0);
    EXPECT_EQ(0, sent);
    EXPECT_EQ(SOCKERR_WOULDBLOCK, LastErrorClass());
}

TEST(SocketsTest, SendToClosedPeerFailsAndTheProcessSurvives) {
    testsupport::ScopedDefaultSigpipe defaultSigpipe;
    LoopbackPair pair;
    ASSERT_TRUE(pair.Ok());
    pair.server.Reset();
    int sent = 0;
    for (int i = 0; i < 100 && sent >= 0; ++i)
        sent = sendSocket(pair.client.Get(), "data", 4, 0);
    EXPECT_EQ(-1, sent);
    EXPECT_EQ(SOCKERR_CONNECTION, LastErrorClass());
}

TEST(SocketsTest, StartNetworkingIgnoresSigpipe) {
    testsupport::ScopedDefaultSigpipe defaultSigpipe;
    ASSERT_EQ(0, startNetworking());
    struct sigaction current {};
    ASSERT_EQ(0, sigaction(SIGPIPE, nullptr, &current));
    EXPECT_EQ(SIG_IGN, current.sa_handler);
}

TEST(SocketsTest, RefusedConnectShowsInTheExceptionSetOnly) {
    platform::UniqueFd refused(createSocket());
    platform::UniqueFd accepted(createSocket());
    testsupport::LoopbackListener listener;
    sockaddr_in closedAddress = testsupport::ClosedLoopbackAddress();
    sockaddr_in openAddress = listener.Address();
    ASSERT_EQ(0, setNonBlocking(refused.Get()));
    ASSERT_EQ(0, setNonBlocking(accepted.Get()));
    int result = connectSocket(refused.Get(), AsAddress(&closedAddress), sizeof closedAddress);
    EXPECT_TRUE(result == SOCKERR_WOULDBLOCK || result == -1) << result;
    result = connectSocket(accepted.Get(), AsAddress(&openAddress), sizeof openAddress);
    EXPECT_TRUE(result == SOCKERR_WOULDBLOCK || result == 0) << result;

    SocketSet writeSet, exceptSet;
    // Until both connects have settled: the refused one is reported at once
    // and would end each select early.
    EXPECT_TRUE(testsupport::WaitUntil([&] {
        writeSet.Clear();
        exceptSet.Clear();
        for (int fd : {refused.Get(), accepted.Get()})
            EXPECT_TRUE(writeSet.Add(fd) && exceptSet.Add(fd));
        timeval wait{0, 100000};
        return selectSockets(0, nullptr, &writeSet, &exceptSet, &wait) >= 0 &&
               exceptSet.Contains(refused.Get()) && writeSet.Contains(accepted.Get());
    }));
    EXPECT_TRUE(exceptSet.Contains(refused.Get()));
    EXPECT_FALSE(writeSet.Contains(refused.Get()));
    EXPECT_TRUE(writeSet.Contains(accepted.Get()));
    EXPECT_FALSE(exceptSet.Contains(accepted.Get()));
}

TEST(SocketsTest, BadArgumentsFailWithoutHarm) {
    testsupport::CapturedLog log;
    LoopbackPair pair;
    ASSERT_TRUE(pair.Ok());
    char buffer[8];
    EXPECT_EQ(-1, sendSocket(pair.client.Get(), buffer, -1, 0));
    EXPECT_EQ(-1, recvSocket(pair.client.Get(), buffer, -8, 0));
    EXPECT_EQ(SOCKERR_INVALID, LastErrorClass());

    int closedFd = pair.server.Release();
    close(closedFd);
    SocketSet readSet;
    ASSERT_TRUE(readSet.Add(closedFd));
    timeval none{0, 0};
    EXPECT_EQ(-1, selectSockets(closedFd + 1, &readSet, nullptr, nullptr, &none));
    EXPECT_EQ(EBADF, getLastSocketError());
    EXPECT_TRUE(readSet.IsEmpty());
    EXPECT_TRUE(log.Contains("(ERR): 9  Bad file descriptor\n")) << log.Text();
}
