#include "platform/net/SocketCalls.h"

#include <fcntl.h>
#include <netinet/in.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>

namespace platform {

int OpenTcpSocket() noexcept {
    return socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, IPPROTO_TCP);
}

int ConnectTo(int fd, const sockaddr* address, socklen_t length) noexcept {
    int result = connect(fd, address, length);
    if (result < 0 && errno == EINTR)
        errno = EINPROGRESS;
    return result;
}

int AcceptCloexec(int fd, sockaddr* address, socklen_t* length) noexcept {
    for (;;) {
        socklen_t capacity = length ? *length : 0;
        int result = accept4(fd, address, length, SOCK_CLOEXEC);
        if (result >= 0 || errno != EINTR)
            return result;
        if (length)
            *length = capacity;
    }
}

ssize_t SendNoSignal(int fd, const void* data, size_t length) noexcept {
    for (;;) {
        ssize_t result = send(fd, data, length, MSG_NOSIGNAL);
        if (result >= 0 || errno != EINTR)
            return result;
    }
}

ssize_t Receive(int fd, void* buffer, size_t length, int flags) noexcept {
    for (;;) {
        ssize_t result = recv(fd, buffer, length, flags);
        if (result >= 0 || errno != EINTR)
            return result;
    }
}

int CloseSocket(int fd) noexcept {
    int result = close(fd);
    return result < 0 && errno == EINTR ? 0 : result;
}

int SetNonBlockingMode(int fd) noexcept {
    int flags = fcntl(fd, F_GETFL);
    if (flags < 0)
        return -1;
    if (flags & O_NONBLOCK)
        return 0;
    return fcntl(fd, F_SETFL, flags | O_NONBLOCK);
}

int SetSocketIntOption(int fd, int level, int option, int value) noexcept {
    return setsockopt(fd, level, option, &value, sizeof value);
}

int TakeSocketError(int fd) noexcept {
    int error = 0;
    socklen_t length = sizeof error;
    if (getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) != 0)
        return -1;
    return error;
}

int IgnoreSigpipe() noexcept {
    struct sigaction action {};
    action.sa_handler = SIG_IGN;
    sigemptyset(&action.sa_mask);
    return sigaction(SIGPIPE, &action, nullptr);
}

} // namespace platform
