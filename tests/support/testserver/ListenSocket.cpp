#include "tests/support/testserver/ListenSocket.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace testsupport {

ListenSocket::~ListenSocket() {
    Close();
}

void ListenSocket::Close() {
    if (m_fd >= 0)
        close(m_fd);
    m_fd = -1;
}

bool ListenSocket::Open(uint16_t port, std::string& error) {
    m_fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (m_fd < 0) {
        error = std::string("socket: ") + std::strerror(errno);
        return false;
    }
    int on = 1;
    setsockopt(m_fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    socklen_t length = sizeof address;
    if (bind(m_fd, reinterpret_cast<sockaddr*>(&address), length) != 0 || listen(m_fd, 16) != 0 ||
        getsockname(m_fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        error = "listen on 127.0.0.1:" + std::to_string(port) + ": " + std::strerror(errno);
        close(m_fd);
        m_fd = -1;
        return false;
    }
    m_port = ntohs(address.sin_port);
    return true;
}

int ListenSocket::Accept(std::string& peerAddress) {
    sockaddr_in address{};
    socklen_t length = sizeof address;
    int fd = accept4(m_fd, reinterpret_cast<sockaddr*>(&address), &length, SOCK_CLOEXEC | SOCK_NONBLOCK);
    if (fd < 0)
        return -1;
    char text[INET_ADDRSTRLEN] = "";
    inet_ntop(AF_INET, &address.sin_addr, text, sizeof text);
    peerAddress = text;
    return fd;
}

} // namespace testsupport
