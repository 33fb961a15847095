// One SSL object with its socket BIO, made once and used again for every
// connection of its owner: BeginClient binds it to a new socket, EndConnection
// shuts it down and resets it.
#pragma once

#include "platform/lib/openssl/SslContext.h"

#include <openssl/bio.h>
#include <openssl/ssl.h>

#include <memory>
#include <string>

namespace platform {

class SslSession {
  public:
    static std::unique_ptr<SslSession> Create(const SslContext& context);
    ~SslSession();
    SslSession(const SslSession&) = delete;
    SslSession& operator=(const SslSession&) = delete;

    SSL* Get() const { return m_ssl; }
    BIO* Bio() const { return m_bio; }

    // Binds to the socket (which stays the caller's) in client mode. `host`
    // is sent as the server name and, when the context verifies peers, must
    // match the certificate (a dotted address is matched as an address).
    bool BeginClient(int fd, const std::string& host);

    // SSL_read / SSL_write; `*sslError` receives SSL_get_error's code.
    int Read(void* dst, int n, int* sslError);
    int Write(const void* src, int n, int* sslError);
    // Decrypted bytes held inside OpenSSL, not yet read.
    bool HasPending() const { return SSL_pending(m_ssl) > 0; }
    // The negotiated cipher's description, "" before a handshake.
    std::string CipherDescription() const;
    // Sends the close notice when it can and resets for the next connection.
    void EndConnection();

  private:
    SslSession(SSL* ssl, BIO* bio, bool verifyPeer) : m_ssl(ssl), m_bio(bio), m_verifyPeer(verifyPeer) {}

    SSL* m_ssl;
    BIO* m_bio; // owned by m_ssl
    bool m_verifyPeer;
};

} // namespace platform
