#include "platform/lib/openssl/SslContext.h"

#include <openssl/err.h>

namespace platform {

std::unique_ptr<SslContext> SslContext::CreateClient(const TlsClientSettings& settings,
                                                     unsigned long* error) {
    ERR_clear_error();
    SSL_CTX* ctx = SSL_CTX_new(TLS_client_method());
    bool ok = ctx != nullptr;
    if (ok) {
        SSL_CTX_set_mode(ctx, SSL_MODE_ENABLE_PARTIAL_WRITE | SSL_MODE_ACCEPT_MOVING_WRITE_BUFFER);
        SSL_CTX_set_min_proto_version(ctx, TLS1_2_VERSION);
        if (settings.verifyPeer) {
            SSL_CTX_set_verify(ctx, SSL_VERIFY_PEER, nullptr);
            ok = SSL_CTX_set_default_verify_paths(ctx) == 1;
            if (ok && !settings.caFile.empty())
                ok = SSL_CTX_load_verify_locations(ctx, settings.caFile.c_str(), nullptr) == 1;
        } else {
            SSL_CTX_set_verify(ctx, SSL_VERIFY_NONE, nullptr);
        }
    }
    if (!ok) {
        if (error)
            *error = ERR_get_error();
        SSL_CTX_free(ctx);
        return nullptr;
    }
    return std::unique_ptr<SslContext>(new SslContext(ctx, settings.verifyPeer));
}

SslContext::~SslContext() {
    SSL_CTX_free(m_ctx);
}

} // namespace platform
