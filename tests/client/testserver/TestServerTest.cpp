#include "tests/support/testserver/TestServer.h"

#include "tests/support/LoopbackSockets.h"
#include "tests/support/TempDir.h"
#include "tests/support/TestCertificate.h"
#include "tests/support/testserver/Frame.h"

#include <openssl/pem.h>
#include <openssl/ssl.h>
#include <openssl/x509_vfy.h>
#include <sys/socket.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {

using namespace testsupport;

// Blocking reads give up after this, so a fault fails the test instead of
// hanging it; nothing is measured against it.
constexpr int kReadGiveUpSecs = 20;

platform::UniqueFd ConnectTo(uint16_t port) {
    platform::UniqueFd fd(socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    timeval giveUp{kReadGiveUpSecs, 0};
    setsockopt(fd.Get(), SOL_SOCKET, SO_RCVTIMEO, &giveUp, sizeof giveUp);
    sockaddr_in address = LoopbackAddress(port);
    if (connect(fd.Get(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0)
        fd.Reset();
    return fd;
}

// A plain TCP peer standing in for the program.
class RawClient {
  public:
    explicit RawClient(uint16_t port) : m_fd(ConnectTo(port)) {}
    bool Ok() const { return m_fd.Get() >= 0; }
    void Send(const std::string& bytes) {
        ASSERT_EQ(static_cast<ssize_t>(bytes.size()),
                  send(m_fd.Get(), bytes.data(), bytes.size(), MSG_NOSIGNAL));
    }
    void Send(const ClientMessage& message) { Send(FrameOf(message)); }
    // Exactly `count` bytes, or what came before the end of the stream.
    std::string Read(size_t count) {
        std::string bytes(count, '\0');
        size_t got = 0;
        while (got < count) {
            ssize_t n = recv(m_fd.Get(), bytes.data() + got, count - got, 0);
            if (n <= 0)
                break;
            got += static_cast<size_t>(n);
        }
        bytes.resize(got);
        return bytes;
    }
    std::string ReadFrameOf(const ServerMessage& expected) { return Read(FrameOf(expected).size()); }
    bool ReadsEnd() {
        char byte;
        return recv(m_fd.Get(), &byte, 1, 0) == 0;
    }

  private:
    platform::UniqueFd m_fd;
};

TestServerOptions PlainServer() {
    TestServerOptions options;
    options.useTls = false;
    options.withRedirector = false;
    return options;
}

msg::Hello HelloFor(const std::string& user, const std::string& salt, const std::string& credential,
                    uint32_t serial) {
    msg::Hello hello;
    hello.userName = user;
    hello.localIP = "127.0.0.1";
    hello.helloCheck = HelloCheckValue(user, hello.localIP);
    hello.sessionSerial = serial;
    hello.passwordDigest = SaltedDigest(salt, credential);
    hello.protocolVersion = kProtocolVersion;
    hello.sessionSalt = "0badcafe";
    return hello;
}

TEST(TestServer, ScriptedExchangeOverPlainTcp) {
    TestServerOptions options = PlainServer();
    options.replies.startChangesWindow = 25;
    options.replies.requestListing = true;
    options.account = ExpectedAccount{"alice", "", "", "stored-credential"};
    TestServer server(options);
    ASSERT_TRUE(server.Start());
    RawClient client(server.Port());
    ASSERT_TRUE(client.Ok());

    client.Send(msg::SecurityStringRequest{0, 3});
    msg::SecurityString security{options.replies.serverSalt, options.replies.secondString,
                                 options.replies.serverValue};
    EXPECT_EQ(FrameOf(security), client.ReadFrameOf(security));
    EXPECT_EQ(1, server.AcceptedCount());

    client.Send(HelloFor("alice", options.replies.serverSalt, "stored-credential", 9));
    std::string answer = FrameOf(msg::StartChanges{25}) + FrameOf(msg::FileListingRequest{});
    EXPECT_EQ(answer, client.Read(answer.size()));

    std::optional<ReceivedMessage> request = server.PopNext();
    ASSERT_TRUE(request);
    ASSERT_TRUE(request->As<msg::SecurityStringRequest>());
    EXPECT_EQ(3u, request->As<msg::SecurityStringRequest>()->fileCount);
    EXPECT_EQ(12, request->declaredLength);
    std::optional<ReceivedMessage> hello = server.PopNextOf(ClientMsg::MSG_HELLO);
    ASSERT_TRUE(hello && hello->As<msg::Hello>());
    EXPECT_EQ(9u, hello->As<msg::Hello>()->sessionSerial);
    EXPECT_FALSE(server.PeekNext());
    EXPECT_TRUE(server.Problems().empty()) << server.Problems()[0];

    server.Send(msg::Ping{});
    EXPECT_EQ(FrameOf(msg::Ping{}), client.ReadFrameOf(msg::Ping{}));
    server.SendRaw("\xDE\xAD\x01");
    EXPECT_EQ("\xDE\xAD\x01", client.Read(3));
    server.CloseConnection();
    EXPECT_TRUE(client.ReadsEnd());
}

TEST(TestServer, FaultsInWhatTheClientSendsAreCollected) {
    TestServerOptions options = PlainServer();
    options.replies.startChangesWindow = 1;
    TestServer server(options);
    ASSERT_TRUE(server.Start());
    RawClient client(server.Port());
    client.Send(msg::SecurityStringRequest{0, 0});
    msg::SecurityString security{options.replies.serverSalt, options.replies.secondString,
                                 options.replies.serverValue};
    client.ReadFrameOf(security);

    msg::Hello first = HelloFor("bob", options.replies.serverSalt, "c", 5);
    client.Send(first);
    client.ReadFrameOf(msg::StartChanges{1});
    EXPECT_TRUE(server.Problems().empty());

    // A skipped serial and a check value computed for another address.
    msg::Hello second = HelloFor("bob", options.replies.serverSalt, "c", 7);
    second.helloCheck = HelloCheckValue("bob", "10.0.0.1");
    client.Send(second);
    client.ReadFrameOf(msg::StartChanges{1});
    std::vector<std::string> problems = server.Problems();
    ASSERT_EQ(2u, problems.size());
    EXPECT_NE(std::string::npos, problems[0].find("check value"));
    EXPECT_NE(std::string::npos, problems[1].find("session serial 7 after 5"));

    // A body one byte short of its declared length, then a bad magic: the
    // server reports both and closes.
    std::string shortBody =
        EncodeFrame(static_cast<uint16_t>(ClientMsg::MSG_LOCAL_PORT), std::string(3, '\0'));
    client.Send(shortBody + std::string("\xBE\xEF\x00\x04\x00\x07", 6));
    EXPECT_TRUE(client.ReadsEnd());
    problems = server.Problems();
    ASSERT_EQ(4u, problems.size());
    EXPECT_NE(std::string::npos, problems[2].find("MSG_LOCAL_PORT")) << problems[2];
    EXPECT_NE(std::string::npos, problems[3].find("bad frame magic 0xbeef")) << problems[3];
    EXPECT_EQ(1, server.CountReceived(ClientMsg::MSG_LOCAL_PORT));
    EXPECT_EQ(2, server.CountReceived(ClientMsg::MSG_HELLO));
}

TEST(TestServer, RedirectorSendsTheClientToTheSessionPort) {
    TestServerOptions options = PlainServer();
    options.withRedirector = true;
    TestServer server(options);
    ASSERT_TRUE(server.Start());
    ASSERT_NE(0, server.RedirectorPort());
    ASSERT_NE(server.Port(), server.RedirectorPort());

    RawClient toRedirector(server.RedirectorPort());
    toRedirector.Send(msg::SecurityStringRequest{0, 0});
    msg::Redirect redirect{server.Port(), "127.0.0.1"};
    EXPECT_EQ(FrameOf(redirect), toRedirector.ReadFrameOf(redirect));
    EXPECT_EQ(1, server.RedirectorAcceptedCount());
    EXPECT_EQ(0, server.AcceptedCount());
    std::optional<ReceivedMessage> request = server.PopNext();
    ASSERT_TRUE(request);
    EXPECT_TRUE(request->viaRedirector);

    RawClient toServer(server.Port());
    toServer.Send(msg::SecurityStringRequest{options.replies.serverValue, 0});
    msg::SecurityString security{options.replies.serverSalt, options.replies.secondString,
                                 options.replies.serverValue};
    EXPECT_EQ(FrameOf(security), toServer.ReadFrameOf(security));
    EXPECT_EQ(1, server.AcceptedCount());
    EXPECT_EQ(server.CurrentConnection(), server.PopNext()->connection);
}

// An OpenSSL client that trusts `caPem` and requires 127.0.0.1 in the
// server's certificate.
class TlsClient {
  public:
    TlsClient(uint16_t port, const std::string& caPem) : m_fd(ConnectTo(port)) {
        m_ctx.reset(SSL_CTX_new(TLS_client_method()));
        BIO* pem = BIO_new_mem_buf(caPem.data(), static_cast<int>(caPem.size()));
        X509* ca = PEM_read_bio_X509(pem, nullptr, nullptr, nullptr);
        BIO_free(pem);
        X509_STORE_add_cert(SSL_CTX_get_cert_store(m_ctx.get()), ca);
        X509_free(ca);
        SSL_CTX_set_verify(m_ctx.get(), SSL_VERIFY_PEER, nullptr);
        m_ssl.reset(SSL_new(m_ctx.get()));
        X509_VERIFY_PARAM_set1_ip_asc(SSL_get0_param(m_ssl.get()), "127.0.0.1");
        SSL_set_fd(m_ssl.get(), m_fd.Get());
    }
    bool Handshake() {
        return SSL_connect(m_ssl.get()) == 1 && SSL_get_verify_result(m_ssl.get()) == X509_V_OK;
    }
    void Send(const std::string& bytes) {
        SSL_write(m_ssl.get(), bytes.data(), static_cast<int>(bytes.size()));
    }
    std::string Read(size_t count) {
        std::string bytes(count, '\0');
        size_t got = 0;
        while (got < count) {
            int n = SSL_read(m_ssl.get(), bytes.data() + got, static_cast<int>(count - got));
            if (n <= 0)
                break;
            got += static_cast<size_t>(n);
        }
        bytes.resize(got);
        return bytes;
    }

  private:
    struct CtxFree {
        void operator()(SSL_CTX* ctx) const { SSL_CTX_free(ctx); }
    };
    struct SslFree {
        void operator()(SSL* ssl) const { SSL_free(ssl); }
    };
    platform::UniqueFd m_fd;
    std::unique_ptr<SSL_CTX, CtxFree> m_ctx;
    std::unique_ptr<SSL, SslFree> m_ssl;
};

TEST(TestServer, TlsListenerIsTrustedThroughItsOwnCertificateOnly) {
    TestServerOptions options;
    options.withRedirector = false;
    TestServer server(options);
    ASSERT_TRUE(server.Start());
    ASSERT_TRUE(server.UsesTls());
    EXPECT_EQ(server.CaPem(), ReadFileText(server.CaFile()));

    TlsClient client(server.Port(), server.CaPem());
    ASSERT_TRUE(client.Handshake());
    client.Send(FrameOf(msg::SecurityStringRequest{0, 0}));
    msg::SecurityString security{options.replies.serverSalt, options.replies.secondString,
                                 options.replies.serverValue};
    EXPECT_EQ(FrameOf(security), client.Read(FrameOf(security).size()));
    EXPECT_TRUE(server.HasReceived(ClientMsg::MSG_SECURITY_STRING_REQUEST));

    TestCertificate stranger;
    TlsClient distrustful(server.Port(), stranger.CertificatePem());
    EXPECT_FALSE(distrustful.Handshake());
}

TEST(TestServer, SendsWithoutAConnectionAreDroppedAndStopIsClean) {
    TestServer server(PlainServer());
    ASSERT_TRUE(server.Start());
    server.Send(msg::Ping{});
    server.CloseConnection();
    RawClient client(server.Port());
    client.Send(msg::SecurityStringRequest{0, 0});
    msg::SecurityString security{"s4lt-9f3e", "web-login-7", 4711};
    // The ping queued before the connection existed never arrives.
    EXPECT_EQ(FrameOf(security), client.ReadFrameOf(security));
    server.Stop();
    EXPECT_TRUE(client.ReadsEnd());
    EXPECT_EQ(0, server.OpenConnectionCount());
}

} // namespace
