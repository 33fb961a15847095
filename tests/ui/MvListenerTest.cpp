#include "ui/MvListener.h"

#include "platform/net/UnixListener.h"
#include "tests/support/TempDir.h"
#include "ui/kernel/MessageLoop.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <vector>

namespace uitest {
namespace {

// Silent clients the listener keeps at once.
constexpr int kClientLimit = 8;

class MvListenerTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(listener.Create(loop, socketPath));
        ASSERT_EQ(0, pipe2(m_ready, O_CLOEXEC));
        ASSERT_EQ(1, write(m_ready[1], "x", 1));
    }
    void TearDown() override {
        listener.Destroy();
        for (int fd : m_clients)
            close(fd);
        close(m_ready[0]);
        close(m_ready[1]);
    }

    // Lets the loop take every connection made so far: they are queued at the
    // socket, so one pass over the ready descriptors accepts them all.
    void TakeConnections() {
        bool passed = false;
        ASSERT_TRUE(loop.Watch(m_ready[0], [&passed] { passed = true; }));
        loop.RunModal([&passed] { return passed; });
        loop.Unwatch(m_ready[0]);
    }
    int Connect() {
        int fd = platform::ConnectUnixSocket(socketPath);
        EXPECT_GE(fd, 0);
        m_clients.push_back(fd);
        return fd;
    }
    // True when the listener has closed its end of the client's connection.
    static bool Dropped(int fd) {
        char byte;
        return recv(fd, &byte, 1, MSG_DONTWAIT) == 0;
    }

    testsupport::TempDir dir;
    std::string socketPath = dir.File("listener");
    MessageLoop loop{MessageQueue::Create()};
    CMvListener listener;

  private:
    int m_ready[2] = {-1, -1};
    std::vector<int> m_clients;
};

TEST_F(MvListenerTest, OverTheLimitTheOldestSilentClientIsDropped) {
    // Two free low descriptor numbers once the first client is in, so the
    // listener's end of the second client gets a lower number than the
    // first's: the oldest is not the lowest.
    int low[2] = {open("/dev/null", O_RDONLY | O_CLOEXEC), open("/dev/null", O_RDONLY | O_CLOEXEC)};
    const int oldest = Connect();
    TakeConnections();
    close(low[0]);
    close(low[1]);
    const int second = Connect();
    TakeConnections();
    for (int i = 2; i < kClientLimit; ++i)
        Connect();
    TakeConnections();
    EXPECT_FALSE(Dropped(oldest));

    Connect();
    TakeConnections();
    EXPECT_TRUE(Dropped(oldest));
    EXPECT_FALSE(Dropped(second));
}

} // namespace
} // namespace uitest
