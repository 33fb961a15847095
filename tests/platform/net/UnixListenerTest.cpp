#include "platform/net/UnixListener.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

TEST(UnixListenerTest, ClientOfTheSameUserIsAcceptedAndNamed) {
    testsupport::TempDir dir;
    platform::UnixListener listener;
    ASSERT_EQ(0, listener.Listen(dir.File("sock")));
    platform::UniqueFd client(platform::ConnectUnixSocket(dir.File("sock")));
    ASSERT_TRUE(client.IsValid());
    pollfd pfd{listener.Get(), POLLIN, 0};
    ASSERT_EQ(1, poll(&pfd, 1, 10000));
    platform::UniqueFd accepted(listener.Accept());
    ASSERT_TRUE(accepted.IsValid());
    uid_t uid = 12345;
    ASSERT_EQ(0, platform::PeerUserId(accepted.Get(), &uid));
    EXPECT_EQ(geteuid(), uid);
    EXPECT_EQ(-1, listener.Accept());
    EXPECT_EQ(EAGAIN, errno);

    listener.Close();
    struct stat info {};
    EXPECT_NE(0, lstat(dir.File("sock").c_str(), &info));
}

TEST(UnixListenerTest, StaleSocketFileIsReplacedButNoOtherFile) {
    testsupport::TempDir dir;
    {
        int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::string path = dir.File("sock");
        std::copy(path.begin(), path.end(), address.sun_path);
        ASSERT_EQ(0, bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address));
        close(fd);
    }
    platform::UnixListener listener;
    EXPECT_EQ(0, listener.Listen(dir.File("sock")));

    testsupport::WriteFileText(dir.File("plain"), "keep");
    platform::UnixListener other;
    EXPECT_EQ(-1, other.Listen(dir.File("plain")));
    EXPECT_EQ("keep", testsupport::ReadFileText(dir.File("plain")));
}

TEST(UnixListenerTest, PathTooLongForASocketAddress) {
    platform::UnixListener listener;
    EXPECT_EQ(-1, listener.Listen("/tmp/" + std::string(200, 'x')));
    EXPECT_EQ(ENAMETOOLONG, errno);
    EXPECT_EQ(-1, platform::ConnectUnixSocket("/tmp/" + std::string(200, 'x')));
}

} // namespace
