// The player's side of the song server for tests and benchmarks: one
// non-blocking loopback socket that sends a request and collects the answer
// while the caller runs the server's passes on the same thread. It either
// connects to a local port, or accepts the outgoing connection the server
// makes for a remote player and takes its connection preamble off first.
#pragma once

#include "platform/fs/UniqueFd.h"

#include <cstdint>
#include <map>
#include <string>

namespace testsupport {

struct HttpTestResponse {
    int status = 0;
    std::string statusLine;
    // Names lower-cased; the first of each name.
    std::map<std::string, std::string> headers;
    std::string head; // status line and header lines, blank line included
    std::string body;

    bool Has(const std::string& name) const { return headers.count(name) != 0; }
    // The header's value; "" when absent.
    std::string Header(const std::string& name) const;
};

class HttpTestPlayer {
  public:
    // Receive buffer in bytes for the next connection (0: the system's).
    void SetReceiveBuffer(int bytes) { m_receiveBuffer = bytes; }
    // Connects to 127.0.0.1:port; false when refused.
    bool Connect(uint16_t port);
    // Takes the next connection waiting on `listenFd` (non-blocking); false
    // while none has arrived.
    bool AcceptFrom(int listenFd);

    // Sends all of `bytes`; false on failure, also when the socket has had no
    // room for 5 s (nothing reads on the other side).
    bool Send(const std::string& bytes);
    // Reads what has arrived without waiting (nothing while reading is
    // paused). True once the server has closed the connection.
    bool Poll();
    void PauseReading(bool paused) { m_paused = paused; }
    bool IsClosed() const { return m_closed; }
    // Ends this side's sending (a half-close); reading goes on.
    void EndSending();
    // Closes this side.
    void Close() { m_fd.Reset(); }

    // Everything received after the preamble of an outgoing connection.
    const std::string& Received() const { return m_received; }
    // The connection id the preamble named; "" for local connections.
    const std::string& PreambleId() const { return m_preambleId; }
    // The received bytes split into status, headers and body; status 0 when
    // no whole head has arrived.
    HttpTestResponse Response() const;

  private:
    void TakePreamble();

    platform::UniqueFd m_fd;
    int m_receiveBuffer = 0;
    bool m_expectPreamble = false;
    bool m_paused = false;
    bool m_closed = false;
    std::string m_raw;
    std::string m_received;
    std::string m_preambleId;
};

// A request head: "GET <target> HTTP/1.0", the header lines given (each
// without its line end), a blank line.
std::string HttpGet(const std::string& target, std::initializer_list<std::string> headers = {});

} // namespace testsupport
