#include "tests/support/testserver/ServerConnection.h"

#include <openssl/err.h>

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace testsupport {
namespace {

constexpr size_t kChunk = 16384;

std::string TlsErrorText() {
    unsigned long code = ERR_get_error();
    ERR_clear_error();
    if (code == 0)
        return "TLS error";
    char text[256];
    ERR_error_string_n(code, text, sizeof text);
    return text;
}

} // namespace

ServerConnection::ServerConnection(int fd, SSL_CTX* tls) : m_fd(fd) {
    if (!tls)
        return;
    m_ssl = SSL_new(tls);
    m_netIn = BIO_new(BIO_s_mem());
    m_netOut = BIO_new(BIO_s_mem());
    if (!m_ssl || !m_netIn || !m_netOut) {
        BIO_free(m_netIn);
        BIO_free(m_netOut);
        m_netIn = m_netOut = nullptr;
        End("cannot make a TLS session");
        return;
    }
    SSL_set_bio(m_ssl, m_netIn, m_netOut);
    SSL_set_accept_state(m_ssl);
}

ServerConnection::~ServerConnection() {
    if (m_fd >= 0)
        close(m_fd);
    SSL_free(m_ssl);
}

short ServerConnection::PollEvents() const {
    return static_cast<short>(POLLIN | (m_rawOut.empty() ? 0 : POLLOUT));
}

std::string ServerConnection::TakeInput() {
    std::string input;
    input.swap(m_plainIn);
    return input;
}

void ServerConnection::Service(short revents) {
    if (Finished())
        return;
    if (revents & (POLLIN | POLLHUP | POLLERR))
        ReadSocket();
    if (m_ssl && !Finished())
        RunTls();
    else if (!Finished()) {
        m_rawOut += m_plainOut;
        m_plainOut.clear();
    }
    if (!Finished())
        WriteSocket();
    if (Finished())
        return;
    if (m_closeWhenFlushed && m_plainOut.empty() && m_rawOut.empty()) {
        if (m_ssl && m_handshakeDone) {
            // Best effort close notice; the socket closes right after.
            SSL_shutdown(m_ssl);
            SendTlsLeftovers();
        }
        End("closed by server");
    } else if (m_peerClosed) {
        End("closed by peer");
    }
}

void ServerConnection::ReadSocket() {
    char buffer[kChunk];
    while (true) {
        ssize_t n = recv(m_fd, buffer, sizeof buffer, 0);
        if (n > 0) {
            if (m_ssl)
                BIO_write(m_netIn, buffer, static_cast<int>(n));
            else
                m_plainIn.append(buffer, static_cast<size_t>(n));
            continue;
        }
        if (n == 0) {
            m_peerClosed = true;
        } else if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) {
            if (errno == ECONNRESET)
                m_peerClosed = true;
            else
                End(std::string("receive failed: ") + std::strerror(errno));
        } else if (errno == EINTR) {
            continue;
        }
        return;
    }
}

void ServerConnection::RunTls() {
    if (!m_handshakeDone) {
        int result = SSL_do_handshake(m_ssl);
        if (result == 1) {
            m_handshakeDone = true;
        } else {
            int error = SSL_get_error(m_ssl, result);
            if (error != SSL_ERROR_WANT_READ && error != SSL_ERROR_WANT_WRITE) {
                std::string reason = "TLS handshake failed: " + TlsErrorText();
                // Let the alert reach the peer before closing.
                SendTlsLeftovers();
                End(reason);
                return;
            }
        }
    }
    if (m_handshakeDone) {
        char buffer[kChunk];
        while (true) {
            int n = SSL_read(m_ssl, buffer, sizeof buffer);
            if (n > 0) {
                m_plainIn.append(buffer, static_cast<size_t>(n));
                continue;
            }
            int error = SSL_get_error(m_ssl, n);
            if (error == SSL_ERROR_ZERO_RETURN) {
                m_peerClosed = true;
            } else if (error != SSL_ERROR_WANT_READ && error != SSL_ERROR_WANT_WRITE) {
                End("TLS read failed: " + TlsErrorText());
                return;
            }
            break;
        }
        while (!m_plainOut.empty()) {
            // Memory BIOs take everything, so a write completes at once.
            int n =
                SSL_write(m_ssl, m_plainOut.data(), static_cast<int>(std::min(m_plainOut.size(), kChunk)));
            if (n <= 0) {
                End("TLS write failed: " + TlsErrorText());
                return;
            }
            m_plainOut.erase(0, static_cast<size_t>(n));
        }
    }
    char buffer[kChunk];
    int n;
    while ((n = BIO_read(m_netOut, buffer, sizeof buffer)) > 0)
        m_rawOut.append(buffer, static_cast<size_t>(n));
}

void ServerConnection::WriteSocket() {
    while (!m_rawOut.empty()) {
        ssize_t n = send(m_fd, m_rawOut.data(), m_rawOut.size(), MSG_NOSIGNAL);
        if (n > 0) {
            m_rawOut.erase(0, static_cast<size_t>(n));
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            return;
        if (errno == EPIPE || errno == ECONNRESET)
            End("closed by peer");
        else
            End(std::string("send failed: ") + std::strerror(errno));
        return;
    }
}

void ServerConnection::SendTlsLeftovers() {
    char buffer[512];
    int n;
    while ((n = BIO_read(m_netOut, buffer, sizeof buffer)) > 0)
        if (send(m_fd, buffer, static_cast<size_t>(n), MSG_NOSIGNAL) < 0)
            return;
}

void ServerConnection::End(const std::string& reason) {
    if (m_fd < 0)
        return;
    close(m_fd);
    m_fd = -1;
    m_endReason = reason;
}

} // namespace testsupport
