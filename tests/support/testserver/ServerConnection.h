// One accepted connection of the test server: a non-blocking socket and,
// with TLS, an SSL object on memory BIOs (so every send goes through
// send() with MSG_NOSIGNAL and a vanished peer cannot raise SIGPIPE).
// Used on the server's own thread only.
#pragma once

#include <openssl/ssl.h>

#include <cstdint>
#include <string>
#include <string_view>

namespace testsupport {

class ServerConnection {
  public:
    // Takes ownership of `fd`. `tls` is null for plain TCP.
    ServerConnection(int fd, SSL_CTX* tls);
    ~ServerConnection();
    ServerConnection(const ServerConnection&) = delete;
    ServerConnection& operator=(const ServerConnection&) = delete;

    int Fd() const { return m_fd; }
    // poll() events worth waiting for.
    short PollEvents() const;

    // Reads what the socket holds (when `revents` says so), runs TLS, and
    // sends what it can.
    void Service(short revents);
    // Plain bytes to send, after the TLS handshake when there is one.
    void Queue(std::string_view bytes) { m_plainOut.append(bytes); }
    // Plain bytes received since the last call.
    std::string TakeInput();
    // Closes once everything queued so far has gone out.
    void CloseAfterFlush() { m_closeWhenFlushed = true; }

    // The peer closed, an error happened or a requested close is done.
    bool Finished() const { return m_fd < 0; }
    // Why it finished: "closed by peer", "closed by server" or an error.
    const std::string& EndReason() const { return m_endReason; }

  private:
    void ReadSocket();
    void RunTls();
    void WriteSocket();
    // One try to send what OpenSSL still holds (an alert or close notice).
    void SendTlsLeftovers();
    void End(const std::string& reason);

    int m_fd;
    SSL* m_ssl = nullptr;
    BIO* m_netIn = nullptr;  // bytes from the socket for OpenSSL (owned by m_ssl)
    BIO* m_netOut = nullptr; // bytes from OpenSSL for the socket (owned by m_ssl)
    bool m_handshakeDone = false;
    bool m_peerClosed = false;
    bool m_closeWhenFlushed = false;
    std::string m_plainIn;
    std::string m_plainOut;
    std::string m_rawOut;
    std::string m_endReason;
};

} // namespace testsupport
