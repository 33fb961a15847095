#include "platform/net/PollSelect.h"

#include "tests/support/LoopbackSockets.h"

#include <fcntl.h>
#include <sys/resource.h>

#include <gtest/gtest.h>

#include <cerrno>

using platform::PollSelect;
using platform::SocketSet;
using platform::UniqueFd;
using testsupport::LoopbackPair;

namespace {

void Enter(SocketSet& set, int fd) {
    ASSERT_TRUE(set.Add(fd));
}

} // namespace

TEST(PollSelectTest, LeavesOnlyTheReadyMembersInEachSet) {
    LoopbackPair pair;
    ASSERT_TRUE(pair.Ok());
    ASSERT_EQ(1, write(pair.client.Get(), "x", 1));

    SocketSet readSet, writeSet, exceptSet;
    Enter(readSet, pair.client.Get());
    Enter(readSet, pair.server.Get());
    Enter(writeSet, pair.client.Get());
    Enter(exceptSet, pair.client.Get());
    timeval wait{5, 0};
    EXPECT_EQ(2, PollSelect(&readSet, &writeSet, &exceptSet, &wait));
    EXPECT_EQ(1, readSet.Count());
    EXPECT_TRUE(readSet.Contains(pair.server.Get()));
    EXPECT_TRUE(writeSet.Contains(pair.client.Get()));
    EXPECT_TRUE(exceptSet.IsEmpty()) << "a healthy connected socket is not exceptional";
}

TEST(PollSelectTest, TimeOutReturnsZeroWithEmptySets) {
    LoopbackPair pair;
    ASSERT_TRUE(pair.Ok());
    SocketSet readSet;
    Enter(readSet, pair.server.Get());
    timeval none{0, 0};
    EXPECT_EQ(0, PollSelect(&readSet, nullptr, nullptr, &none));
    EXPECT_TRUE(readSet.IsEmpty());
}

TEST(PollSelectTest, DescriptorAbove1024Works) {
    constexpr int kHighFd = 1500;
    rlimit saved{};
    ASSERT_EQ(0, getrlimit(RLIMIT_NOFILE, &saved));
    if (saved.rlim_max != RLIM_INFINITY && saved.rlim_max <= kHighFd)
        GTEST_SKIP() << "descriptor limit " << saved.rlim_max << " is too low";
    rlimit raised = saved;
    if (raised.rlim_cur == RLIM_INFINITY || raised.rlim_cur <= kHighFd)
        raised.rlim_cur = kHighFd + 1;
    ASSERT_EQ(0, setrlimit(RLIMIT_NOFILE, &raised));

    LoopbackPair pair;
    ASSERT_TRUE(pair.Ok());
    ASSERT_EQ(-1, fcntl(kHighFd, F_GETFD)) << "descriptor " << kHighFd << " is already taken";
    platform::UniqueFd high(dup3(pair.server.Get(), kHighFd, O_CLOEXEC));
    ASSERT_EQ(kHighFd, high.Get());
    pair.server.Reset();

    SocketSet readSet, writeSet;
    Enter(readSet, kHighFd);
    timeval none{0, 0};
    EXPECT_EQ(0, PollSelect(&readSet, nullptr, nullptr, &none));

    ASSERT_EQ(1, write(pair.client.Get(), "x", 1));
    Enter(readSet, kHighFd);
    Enter(writeSet, kHighFd);
    timeval wait{5, 0};
    EXPECT_EQ(2, PollSelect(&readSet, &writeSet, nullptr, &wait));
    EXPECT_TRUE(readSet.Contains(kHighFd));
    EXPECT_TRUE(writeSet.Contains(kHighFd));

    high.Reset();
    setrlimit(RLIMIT_NOFILE, &saved);
}

TEST(PollSelectTest, FailureReportsNothingReady) {
    LoopbackPair pair;
    ASSERT_TRUE(pair.Ok());
    int closedFd = pair.server.Release();
    close(closedFd);

    SocketSet readSet, writeSet, exceptSet;
    Enter(readSet, closedFd);
    Enter(writeSet, pair.client.Get());
    Enter(exceptSet, pair.client.Get());
    timeval none{0, 0};
    errno = 0;
    EXPECT_EQ(-1, PollSelect(&readSet, &writeSet, &exceptSet, &none));
    EXPECT_EQ(EBADF, errno);
    EXPECT_TRUE(readSet.IsEmpty());
    EXPECT_TRUE(writeSet.IsEmpty()) << "a failed select must not make callers think sockets are ready";
    EXPECT_TRUE(exceptSet.IsEmpty());

    timeval negative{-1, 0};
    Enter(readSet, pair.client.Get());
    EXPECT_EQ(-1, PollSelect(&readSet, nullptr, nullptr, &negative));
    EXPECT_EQ(EINVAL, errno);
}
