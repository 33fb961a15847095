#include "platform/lib/openssl/SslSession.h"

#include "tests/support/TempDir.h"
#include "tests/support/TestCertificate.h"
#include "tests/support/WaitUntil.h"

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <thread>

namespace {

// A blocking TLS server on loopback that answers one connection by echoing
// one message. Its accept and reads give up after the wait deadline, so a
// client that never comes cannot hang the test in the join.
class EchoServer {
  public:
    explicit EchoServer(SSL_CTX* ctx) : m_ctx(ctx) {
        m_listen = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        GiveUpAfterTheDeadline(m_listen);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bind(m_listen, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
        socklen_t len = sizeof addr;
        getsockname(m_listen, reinterpret_cast<sockaddr*>(&addr), &len);
        m_port = ntohs(addr.sin_port);
        listen(m_listen, 1);
        m_thread = std::thread([this] { Serve(); });
    }
    ~EchoServer() {
        m_thread.join();
        close(m_listen);
        SSL_CTX_free(m_ctx);
    }
    int Port() const { return m_port; }

  private:
    void Serve() {
        int fd = accept(m_listen, nullptr, nullptr);
        if (fd < 0)
            return;
        GiveUpAfterTheDeadline(fd);
        SSL* ssl = SSL_new(m_ctx);
        SSL_set_fd(ssl, fd);
        if (SSL_accept(ssl) == 1) {
            char buffer[256];
            int n = SSL_read(ssl, buffer, sizeof buffer);
            if (n > 0)
                SSL_write(ssl, buffer, n);
            SSL_shutdown(ssl);
        }
        SSL_free(ssl);
        close(fd);
    }

    static void GiveUpAfterTheDeadline(int fd) {
        timeval giveUp{static_cast<time_t>(testsupport::kWaitTimeout.count() / 1000), 0};
        setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &giveUp, sizeof giveUp);
    }

    SSL_CTX* m_ctx;
    int m_listen = -1;
    int m_port = 0;
    std::thread m_thread;
};

int ConnectLoopback(int port) {
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = htons(static_cast<uint16_t>(port));
    if (connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

// Connects to a fresh echo server as `host` and reports whether a message
// made the round trip.
bool RoundTrip(const testsupport::TestCertificate& cert, const platform::TlsClientSettings& settings,
               const std::string& host, std::string* cipher = nullptr) {
    auto context = platform::SslContext::CreateClient(settings, nullptr);
    EXPECT_TRUE(context);
    auto session = platform::SslSession::Create(*context);
    EXPECT_TRUE(session);
    EchoServer server(cert.NewServerContext());
    int fd = ConnectLoopback(server.Port());
    EXPECT_GE(fd, 0);
    bool ok = session->BeginClient(fd, host);
    int error = 0;
    ok = ok && session->Write("hello", 5, &error) == 5;
    char reply[8] = {};
    ok = ok && session->Read(reply, sizeof reply, &error) == 5 && std::string(reply, 5) == "hello";
    if (cipher)
        *cipher = session->CipherDescription();
    session->EndConnection();
    close(fd);
    return ok;
}

} // namespace

TEST(SslSessionTest, VerifiesTheServerAgainstTheGivenCaAndHostName) {
    testsupport::TestCertificate cert;
    ASSERT_TRUE(cert.IsValid());
    testsupport::TempDir dir;
    testsupport::WriteFileText(dir.File("ca.pem"), cert.CertificatePem());
    platform::TlsClientSettings trusting{dir.File("ca.pem"), true};

    std::string cipher;
    EXPECT_TRUE(RoundTrip(cert, trusting, "localhost", &cipher));
    EXPECT_FALSE(cipher.empty());
    EXPECT_TRUE(RoundTrip(cert, trusting, "127.0.0.1"));
    // The certificate does not name this host.
    EXPECT_FALSE(RoundTrip(cert, trusting, "other.example"));
}

TEST(SslSessionTest, UnknownIssuerIsRefusedUnlessVerificationIsOff) {
    testsupport::TestCertificate cert;
    ASSERT_TRUE(cert.IsValid());
    EXPECT_FALSE(RoundTrip(cert, platform::TlsClientSettings{"", true}, "localhost"));
    EXPECT_TRUE(RoundTrip(cert, platform::TlsClientSettings{"", false}, "localhost"));
}

TEST(SslSessionTest, MissingCaFileFailsContextCreation) {
    unsigned long error = 0;
    auto context = platform::SslContext::CreateClient({"/nonexistent/ca.pem", true}, &error);
    EXPECT_FALSE(context);
    EXPECT_NE(0u, error);
}
