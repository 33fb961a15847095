#include "platform/net/SocketCalls.h"

#include "platform/net/Resolver.h"
#include "tests/support/LoopbackSockets.h"

#include <fcntl.h>

#include <gtest/gtest.h>

#include <cerrno>

using platform::UniqueFd;
using testsupport::LoopbackPair;

namespace {

bool IsCloseOnExec(int fd) {
    return (fcntl(fd, F_GETFD) & FD_CLOEXEC) != 0;
}

} // namespace

TEST(SocketCallsTest, IgnoredSigpipeProtectsPlainWrites) {
    testsupport::ScopedDefaultSigpipe defaultSigpipe;
    ASSERT_EQ(0, platform::IgnoreSigpipe());
    LoopbackPair pair;
    ASSERT_TRUE(pair.Ok());
    pair.server.Reset();
    ssize_t result = 0;
    for (int i = 0; i < 100 && result >= 0; ++i)
        result = write(pair.client.Get(), "data", 4);
    EXPECT_EQ(-1, result);
}

TEST(SocketCallsTest, SocketsAreCloseOnExec) {
    platform::UniqueFd fd(platform::OpenTcpSocket());
    ASSERT_GE(fd.Get(), 0);
    EXPECT_TRUE(IsCloseOnExec(fd.Get()));

    testsupport::LoopbackListener listener;
    platform::UniqueFd client(socket(AF_INET, SOCK_STREAM, 0));
    sockaddr_in address = listener.Address();
    ASSERT_EQ(0, connect(client.Get(), reinterpret_cast<sockaddr*>(&address), sizeof address));
    sockaddr_in peer{};
    socklen_t length = sizeof peer;
    platform::UniqueFd accepted(
        platform::AcceptCloexec(listener.fd.Get(), reinterpret_cast<sockaddr*>(&peer), &length));
    ASSERT_GE(accepted.Get(), 0);
    EXPECT_TRUE(IsCloseOnExec(accepted.Get()));
    EXPECT_EQ("127.0.0.1", platform::NumericHost(reinterpret_cast<sockaddr*>(&peer), length));
}

TEST(SocketCallsTest, ResolvesDottedAddressesAndNames) {
    in_addr address{};
    ASSERT_EQ(0, platform::ResolveIPv4("10.1.2.3", &address));
    EXPECT_EQ(htonl(0x0a010203), address.s_addr);
    ASSERT_EQ(0, platform::ResolveIPv4("localhost", &address));
    EXPECT_EQ(127u, ntohl(address.s_addr) >> 24);
    EXPECT_NE(0, platform::ResolveIPv4("", &address));
    EXPECT_NE(0, platform::ResolveIPv4(nullptr, &address));
}
