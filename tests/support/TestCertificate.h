// A self-signed certificate and key made at run time for local TLS servers in
// tests (no fixture files). It names "localhost" and 127.0.0.1.
#pragma once

#include <openssl/ssl.h>

#include <string>

namespace testsupport {

class TestCertificate {
  public:
    TestCertificate();
    ~TestCertificate();
    TestCertificate(const TestCertificate&) = delete;
    TestCertificate& operator=(const TestCertificate&) = delete;

    bool IsValid() const { return m_key && m_cert; }
    // The certificate as PEM text, to be trusted by a client as its CA file.
    std::string CertificatePem() const;
    // A server context that presents this certificate; the caller frees it.
    SSL_CTX* NewServerContext() const;

  private:
    EVP_PKEY* m_key = nullptr;
    X509* m_cert = nullptr;
};

} // namespace testsupport
