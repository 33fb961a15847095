// A non-blocking listening socket on 127.0.0.1 that closes itself.
#pragma once

#include <cstdint>
#include <string>

namespace testsupport {

class ListenSocket {
  public:
    ListenSocket() = default;
    ~ListenSocket();
    ListenSocket(const ListenSocket&) = delete;
    ListenSocket& operator=(const ListenSocket&) = delete;

    // `port` 0 lets the system choose. False, with `error` set, on failure.
    bool Open(uint16_t port, std::string& error);
    void Close();
    int Fd() const { return m_fd; }
    uint16_t Port() const { return m_port; }
    // A new non-blocking, close-on-exec connection, or -1 when none waits.
    int Accept(std::string& peerAddress);

  private:
    int m_fd = -1;
    uint16_t m_port = 0;
};

} // namespace testsupport
