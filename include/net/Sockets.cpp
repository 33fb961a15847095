#include "include/net/Sockets.h"

#include "include/crash/Assert.h"
#include "platform/net/PollSelect.h"
#include "platform/net/SocketCalls.h"

#include <cerrno>

namespace {

// -1 after translateError, else the call's own result.
int Checked(int result) {
    if (result == -1)
        translateError(result);
    return result;
}

// A negative length is refused as the system would refuse a bad buffer.
int RefuseLength() {
    errno = EINVAL;
    translateError(-1);
    return -1;
}

} // namespace

int startNetworking() {
    return platform::IgnoreSigpipe() == 0 ? 0 : errno;
}

int createSocket() {
    return Checked(platform::OpenTcpSocket());
}

int closeSocket(int fd) {
    return Checked(platform::CloseSocket(fd));
}

int bindSocket(int fd, const sockaddr* address, socklen_t length) {
    int result = Checked(bind(fd, address, length));
    if (result != -1)
        MV_ASSERT(result == 0);
    return result;
}

int listenSocket(int fd, int backlog) {
    int result = Checked(listen(fd, backlog));
    if (result != -1)
        MV_ASSERT(result == 0);
    return result;
}

int connectSocket(int fd, const sockaddr* address, socklen_t length) {
    int result = platform::ConnectTo(fd, address, length);
    if (result == 0)
        return 0;
    switch (translateError(result)) {
    case SOCKERR_ISCONN:
        return 0;
    case SOCKERR_WOULDBLOCK:
        return SOCKERR_WOULDBLOCK;
    default:
        return -1;
    }
}

int acceptSocket(int fd, sockaddr* address, socklen_t* length) {
    return Checked(platform::AcceptCloexec(fd, address, length));
}

int selectSockets(int /*n*/, SocketSet* readSet, SocketSet* writeSet, SocketSet* exceptSet,
                  const timeval* timeout) {
    return Checked(platform::PollSelect(readSet, writeSet, exceptSet, timeout));
}

int sendSocket(int fd, const void* data, int length, int /*flags*/) {
    if (length < 0)
        return RefuseLength();
    int result = static_cast<int>(platform::SendNoSignal(fd, data, static_cast<size_t>(length)));
    if (result >= 0)
        return result;
    return translateError(result) == SOCKERR_WOULDBLOCK ? 0 : -1;
}

int recvSocket(int fd, void* buffer, int length, int flags) {
    if (length < 0)
        return RefuseLength();
    return Checked(static_cast<int>(platform::Receive(fd, buffer, static_cast<size_t>(length), flags)));
}

int shutdownSocketWrite(int fd) {
    return Checked(shutdown(fd, SHUT_WR));
}

int disableKeepAlive(int fd) {
    return Checked(platform::SetSocketIntOption(fd, SOL_SOCKET, SO_KEEPALIVE, 0));
}

int setReuseAddress(int fd) {
    return Checked(platform::SetSocketIntOption(fd, SOL_SOCKET, SO_REUSEADDR, 1));
}

void setSocketBufferSizes(int fd, int bytes) {
    int result = Checked(platform::SetSocketIntOption(fd, SOL_SOCKET, SO_RCVBUF, bytes));
    MV_ASSERT(result == 0);
    result = Checked(platform::SetSocketIntOption(fd, SOL_SOCKET, SO_SNDBUF, bytes));
    MV_ASSERT(result == 0);
}

int setNonBlocking(int fd) {
    return Checked(platform::SetNonBlockingMode(fd));
}
