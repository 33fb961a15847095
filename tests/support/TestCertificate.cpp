#include "tests/support/TestCertificate.h"

#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509v3.h>

namespace testsupport {
namespace {

bool AddExtension(X509* cert, int nid, const char* value) {
    X509V3_CTX ctx;
    X509V3_set_ctx_nodb(&ctx);
    X509V3_set_ctx(&ctx, cert, cert, nullptr, nullptr, 0);
    X509_EXTENSION* ext = X509V3_EXT_conf_nid(nullptr, &ctx, nid, value);
    if (!ext)
        return false;
    bool ok = X509_add_ext(cert, ext, -1) == 1;
    X509_EXTENSION_free(ext);
    return ok;
}

} // namespace

TestCertificate::TestCertificate() {
    m_key = EVP_EC_gen("P-256");
    if (!m_key)
        return;
    X509* cert = X509_new();
    X509_set_version(cert, 2);
    ASN1_INTEGER_set(X509_get_serialNumber(cert), 1);
    X509_gmtime_adj(X509_getm_notBefore(cert), -3600);
    X509_gmtime_adj(X509_getm_notAfter(cert), 7 * 24 * 3600);
    X509_set_pubkey(cert, m_key);
    X509_NAME* name = X509_get_subject_name(cert);
    X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC, reinterpret_cast<const unsigned char*>("localhost"),
                               -1, -1, 0);
    X509_set_issuer_name(cert, name);
    bool ok = AddExtension(cert, NID_basic_constraints, "critical,CA:TRUE") &&
              AddExtension(cert, NID_subject_alt_name, "DNS:localhost,IP:127.0.0.1") &&
              X509_sign(cert, m_key, EVP_sha256()) > 0;
    if (!ok) {
        X509_free(cert);
        return;
    }
    m_cert = cert;
}

TestCertificate::~TestCertificate() {
    X509_free(m_cert);
    EVP_PKEY_free(m_key);
}

std::string TestCertificate::CertificatePem() const {
    if (!m_cert)
        return std::string();
    BIO* bio = BIO_new(BIO_s_mem());
    PEM_write_bio_X509(bio, m_cert);
    char* data = nullptr;
    long length = BIO_get_mem_data(bio, &data);
    std::string pem(data, static_cast<size_t>(length));
    BIO_free(bio);
    return pem;
}

SSL_CTX* TestCertificate::NewServerContext() const {
    SSL_CTX* ctx = SSL_CTX_new(TLS_server_method());
    if (!ctx)
        return nullptr;
    if (SSL_CTX_use_certificate(ctx, m_cert) != 1 || SSL_CTX_use_PrivateKey(ctx, m_key) != 1) {
        SSL_CTX_free(ctx);
        return nullptr;
    }
    SSL_CTX_set_mode(ctx, SSL_MODE_ENABLE_PARTIAL_WRITE | SSL_MODE_ACCEPT_MOVING_WRITE_BUFFER);
    return ctx;
}

} // namespace testsupport
