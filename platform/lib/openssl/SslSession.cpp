#include "platform/lib/openssl/SslSession.h"

#include <openssl/err.h>
#include <openssl/x509v3.h>

#include <arpa/inet.h>

namespace platform {
namespace {

constexpr int kCipherDescriptionBytes = 256;

bool IsDottedAddress(const std::string& host) {
    in_addr v4{};
    in6_addr v6{};
    return inet_pton(AF_INET, host.c_str(), &v4) == 1 || inet_pton(AF_INET6, host.c_str(), &v6) == 1;
}

} // namespace

std::unique_ptr<SslSession> SslSession::Create(const SslContext& context) {
    SSL* ssl = SSL_new(context.Get());
    if (!ssl)
        return nullptr;
    BIO* bio = BIO_new(BIO_s_socket());
    if (!bio) {
        SSL_free(ssl);
        return nullptr;
    }
    SSL_set_bio(ssl, bio, bio);
    return std::unique_ptr<SslSession>(new SslSession(ssl, bio, context.VerifiesPeer()));
}

SslSession::~SslSession() {
    SSL_free(m_ssl);
}

bool SslSession::BeginClient(int fd, const std::string& host) {
    ERR_clear_error();
    BIO_set_fd(m_bio, fd, BIO_NOCLOSE);
    SSL_set_connect_state(m_ssl);
    bool dotted = IsDottedAddress(host);
    if (!host.empty() && !dotted && SSL_set_tlsext_host_name(m_ssl, host.c_str()) != 1)
        return false;
    if (!m_verifyPeer)
        return true;
    X509_VERIFY_PARAM* param = SSL_get0_param(m_ssl);
    if (dotted)
        return X509_VERIFY_PARAM_set1_ip_asc(param, host.c_str()) == 1;
    X509_VERIFY_PARAM_set_hostflags(param, X509_CHECK_FLAG_NO_PARTIAL_WILDCARDS);
    return SSL_set1_host(m_ssl, host.c_str()) == 1;
}

int SslSession::Read(void* dst, int n, int* sslError) {
    ERR_clear_error();
    int result = SSL_read(m_ssl, dst, n);
    if (sslError)
        *sslError = result > 0 ? SSL_ERROR_NONE : SSL_get_error(m_ssl, result);
    return result;
}

int SslSession::Write(const void* src, int n, int* sslError) {
    ERR_clear_error();
    int result = SSL_write(m_ssl, src, n);
    if (sslError)
        *sslError = result > 0 ? SSL_ERROR_NONE : SSL_get_error(m_ssl, result);
    return result;
}

std::string SslSession::CipherDescription() const {
    const SSL_CIPHER* cipher = SSL_get_current_cipher(m_ssl);
    if (!cipher)
        return std::string();
    char text[kCipherDescriptionBytes];
    if (!SSL_CIPHER_description(cipher, text, sizeof text))
        return std::string();
    return text;
}

void SslSession::EndConnection() {
    ERR_clear_error();
    // A non-blocking socket may refuse the close notice; the connection is
    // being dropped anyway.
    if (SSL_is_init_finished(m_ssl))
        SSL_shutdown(m_ssl);
    SSL_clear(m_ssl);
    BIO_set_fd(m_bio, -1, BIO_NOCLOSE);
    ERR_clear_error();
}

} // namespace platform
