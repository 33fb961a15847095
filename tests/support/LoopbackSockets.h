// Loopback TCP sockets for tests of the socket layer and what is built on it.
// Header-only, plain system calls; every descriptor is closed by its owner.
#pragma once

#include "platform/fs/UniqueFd.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <csignal>
#include <cstdint>
#include <utility>

namespace testsupport {

inline sockaddr_in LoopbackAddress(uint16_t port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    return address;
}

// A socket listening on 127.0.0.1 at a port the system chose.
struct LoopbackListener {
    platform::UniqueFd fd;
    uint16_t port = 0;

    LoopbackListener() : fd(socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
        sockaddr_in address = LoopbackAddress(0);
        socklen_t length = sizeof address;
        if (bind(fd.Get(), reinterpret_cast<sockaddr*>(&address), length) == 0 && listen(fd.Get(), 16) == 0 &&
            getsockname(fd.Get(), reinterpret_cast<sockaddr*>(&address), &length) == 0)
            port = ntohs(address.sin_port);
    }
    sockaddr_in Address() const { return LoopbackAddress(port); }
};

// Two blocking sockets connected to each other over loopback.
struct LoopbackPair {
    platform::UniqueFd client;
    platform::UniqueFd server;

    LoopbackPair() {
        LoopbackListener listener;
        sockaddr_in address = listener.Address();
        client.Reset(socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
        if (connect(client.Get(), reinterpret_cast<sockaddr*>(&address), sizeof address) == 0)
            server.Reset(accept4(listener.fd.Get(), nullptr, nullptr, SOCK_CLOEXEC));
    }
    bool Ok() const { return client.Get() >= 0 && server.Get() >= 0; }
};

// Gives SIGPIPE its default action (ending the program) for a scope, so a
// test shows that a send to a closed peer cannot raise it.
class ScopedDefaultSigpipe {
  public:
    ScopedDefaultSigpipe() {
        struct sigaction action {};
        action.sa_handler = SIG_DFL;
        sigemptyset(&action.sa_mask);
        sigaction(SIGPIPE, &action, &m_saved);
    }
    ~ScopedDefaultSigpipe() { sigaction(SIGPIPE, &m_saved, nullptr); }
    ScopedDefaultSigpipe(const ScopedDefaultSigpipe&) = delete;
    ScopedDefaultSigpipe& operator=(const ScopedDefaultSigpipe&) = delete;

  private:
    struct sigaction m_saved {};
};

// A loopback address that nothing listens on (a port just given up).
inline sockaddr_in ClosedLoopbackAddress() {
    LoopbackListener listener;
    return listener.Address();
}

} // namespace testsupport
