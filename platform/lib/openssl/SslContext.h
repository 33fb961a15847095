// An OpenSSL client context: TLS client method, partial writes allowed, the
// write buffer allowed to move between retries (buffers compact under a
// pending write), and server certificates verified against the system store
// or a given CA file.
#pragma once

#include <openssl/ssl.h>

#include <memory>
#include <string>

namespace platform {

struct TlsClientSettings {
    // PEM file of extra trusted CAs (a test server's); empty: system store only.
    std::string caFile;
    // Off only for local test servers: no certificate or name check at all.
    bool verifyPeer = true;
};

class SslContext {
  public:
    // Null on failure, with the OpenSSL error code in `*error`.
    static std::unique_ptr<SslContext> CreateClient(const TlsClientSettings& settings, unsigned long* error);
    ~SslContext();
    SslContext(const SslContext&) = delete;
    SslContext& operator=(const SslContext&) = delete;

    SSL_CTX* Get() const { return m_ctx; }
    bool VerifiesPeer() const { return m_verifyPeer; }

  private:
    SslContext(SSL_CTX* ctx, bool verifyPeer) : m_ctx(ctx), m_verifyPeer(verifyPeer) {}

    SSL_CTX* m_ctx;
    bool m_verifyPeer;
};

} // namespace platform
