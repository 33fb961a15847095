#include "client/net/TcpConn.h"

#include "client/net/ConnPreamble.h"
#include "client/net/ListenPort.h"
#include "include/net/Sockets.h"
#include "platform/fs/UniqueFd.h"
#include "platform/lib/openssl/SslContext.h"
#include "tests/support/LoopbackSockets.h"
#include "tests/support/ManualClock.h"
#include "tests/support/TempDir.h"
#include "tests/support/TestCertificate.h"

#include <fcntl.h>
#include <poll.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

using platform::UniqueFd;

// Runs passes of a select loop over the given connections and every shared
// listening port, as the core thread does.
class Pump {
  public:
    void Add(TcpConn* conn) { m_conns.push_back(conn); }

    void Pass() {
        SocketSet readSet, writeSet, exceptSet;
        int maxFd = -1;
        bool any = false;
        bool pending = false;
        for (TcpConn* conn : m_conns) {
            conn->AddToFdSets(maxFd, any, readSet, writeSet, exceptSet);
            pending = pending || conn->HasPendingInput();
        }
        TcpConn::FillListenFdSets(readSet, maxFd);
        timeval timeout{0, pending ? 0 : 5000};
        selectSockets(maxFd + 1, &readSet, &writeSet, &exceptSet, &timeout);
        for (TcpConn* conn : m_conns)
            conn->HandleSelect(readSet, writeSet, exceptSet);
        TcpConn::Accept(readSet);
    }

    bool Until(const std::function<bool()>& done, int passes = 400) {
        for (int i = 0; i < passes; ++i) {
            if (done())
                return true;
            Pass();
        }
        return done();
    }

  private:
    std::vector<TcpConn*> m_conns;
};

uint16_t FreePort() {
    testsupport::LoopbackListener probe;
    return probe.port;
}

platform::UniqueFd ConnectRaw(uint16_t port) {
    platform::UniqueFd fd(socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    sockaddr_in address = testsupport::LoopbackAddress(port);
    if (connect(fd.Get(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0)
        fd.Reset();
    return fd;
}

void SendRaw(const platform::UniqueFd& fd, const std::string& bytes) {
    ASSERT_EQ(static_cast<ssize_t>(bytes.size()), send(fd.Get(), bytes.data(), bytes.size(), MSG_NOSIGNAL));
}

// True when the peer has closed the connection (reads end of stream).
bool PeerClosed(const platform::UniqueFd& fd) {
    pollfd pfd{fd.Get(), POLLIN, 0};
    if (poll(&pfd, 1, 0) <= 0)
        return false;
    char byte;
    return recv(fd.Get(), &byte, 1, MSG_DONTWAIT) <= 0;
}

std::string Preamble(const std::wstring& id) {
    Buf buf(2048);
    EXPECT_TRUE(WriteConnPreamble(buf, id));
    return std::string(reinterpret_cast<const char*>(buf.GetReadPtr()),
                       static_cast<size_t>(buf.GetNumUsedBytes()));
}

std::string Unread(Buf& buf) {
    return std::string(reinterpret_cast<const char*>(buf.GetReadPtr()),
                       static_cast<size_t>(buf.GetNumUsedBytes()));
}

void Queue(Buf& buf, const std::string& text) {
    ASSERT_TRUE(buf.WriteBytes(text.data(), text.size()));
}

struct FactoryRecord {
    std::vector<std::unique_ptr<TcpConn>> made;
    uint16_t port = 0;
};

TcpConn* MakeHttpConn(void* context, uint16_t port) {
    auto* record = static_cast<FactoryRecord*>(context);
    record->port = port;
    auto conn = std::make_unique<TcpConn>();
    conn->SetBufSizes(65536, 65536);
    conn->PrepareForHandOver("127.0.0.1", port);
    record->made.push_back(std::move(conn));
    return record->made.back().get();
}

class TcpConnTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_EQ(0, startNetworking()); }
    void TearDown() override { TcpConn::CloseAllListenPorts(); }
};

} // namespace

TEST(ConnPreambleTest, PreambleIsSizeVersionAndId) {
    EXPECT_EQ(std::string("\0\0\0\x0d\0\0\0\x01\0\x03xyz", 13), Preamble(L"xyz"));
}

namespace {

// A preamble as a peer may send it: size and version fields, the id's length
// prefix, the id bytes and whatever the stream carries behind it.
std::string RawPreamble(uint32_t size, uint32_t version, uint16_t idLength, const std::string& rest) {
    Buf buf(4096);
    buf.WriteUInt32(size);
    buf.WriteUInt32(version);
    buf.WriteUInt16(idLength);
    buf.WriteBytes(rest.data(), static_cast<int64_t>(rest.size()));
    return Unread(buf);
}

} // namespace

TEST(ConnPreambleTest, PreambleMustMatchItsDeclaredSizeVersionAndId) {
    {
        Buf in(4096);
        Queue(in, RawPreamble(13, 1, 3, "xyzdata"));
        std::wstring id;
        EXPECT_EQ(SNIFF_IDENTIFIED, SniffHttp(in, id));
        EXPECT_EQ(L"xyz", id);
        EXPECT_EQ("data", Unread(in)); // the stream behind the preamble stays
    }
    struct Case {
        const char* what;
        std::string bytes;
        SniffResult expected;
    };
    const Case cases[] = {
        {"id not all there yet", RawPreamble(13, 1, 3, "xy"), SNIFF_NOT_YET},
        {"size 0", RawPreamble(0, 1, 0, ""), SNIFF_BAD},
        {"size below the fixed fields", RawPreamble(9, 1, 0, ""), SNIFF_BAD},
        {"empty id", RawPreamble(10, 1, 0, "data"), SNIFF_BAD},
        {"id above 1024 bytes", RawPreamble(10 + 1025, 1, 1025, std::string(1025, 'x')), SNIFF_BAD},
        {"size 0xFFFFFFFF", RawPreamble(0xFFFFFFFFu, 1, 3, "xyz"), SNIFF_BAD},
        {"version 0", RawPreamble(13, 0, 3, "xyz"), SNIFF_BAD},
        {"version 2, seen before the id arrives", RawPreamble(13, 2, 3, "").substr(0, 8), SNIFF_BAD},
        {"id shorter than the preamble", RawPreamble(14, 1, 3, "xyz!data"), SNIFF_BAD},
        {"id runs into the stream", RawPreamble(12, 1, 3, "xyzdata"), SNIFF_BAD},
        {"id prefix far past the preamble", RawPreamble(12, 1, 500, std::string(2, '\0')), SNIFF_BAD},
        {"NUL in the id", RawPreamble(13, 1, 3, std::string("a\0b", 3)), SNIFF_BAD},
    };
    for (const Case& c : cases) {
        Buf in(4096);
        Queue(in, c.bytes);
        std::wstring id;
        EXPECT_EQ(c.expected, SniffHttp(in, id)) << c.what;
    }
}

TEST_F(TcpConnTest, AppConnectionFindsItsListenerAndEchoes) {
    const uint16_t port = FreePort();
    TcpConn server;
    server.ListenForApp(L"app-1", port);
    ASSERT_EQ(TC_LISTENING, server.GetState());
    TcpConn client;
    client.ConnectApp(L"app-1", "127.0.0.1", port);
    Queue(client.outBuf, "hello");

    Pump pump;
    pump.Add(&server);
    pump.Add(&client);
    ASSERT_TRUE(pump.Until([&] { return server.inBuf.GetNumUsedBytes() == 5; }));
    EXPECT_EQ(TC_CONNECTED, server.GetState());
    EXPECT_EQ(TC_CONNECTED, client.GetState());
    EXPECT_EQ("hello", Unread(server.inBuf));
    EXPECT_EQ("127.0.0.1", server.GetHost());

    server.inBuf.Consume(5);
    Queue(server.outBuf, "world");
    ASSERT_TRUE(pump.Until([&] { return client.inBuf.GetNumUsedBytes() == 5; }));
    EXPECT_EQ("world", Unread(client.inBuf));

    // The last listener has left, so the port is closed.
    platform::UniqueFd late = ConnectRaw(port);
    EXPECT_EQ(-1, late.Get());

    client.Close();
    ASSERT_TRUE(pump.Until([&] { return server.GetState() == TC_CLOSED; }));
}

TEST_F(TcpConnTest, HttpRequestIsHandedToTheFactoryWithItsBytes) {
    const uint16_t port = FreePort();
    FactoryRecord record;
    TcpConn listener;
    ASSERT_TRUE(listener.ListenHttp(port, MakeHttpConn, &record));
    platform::UniqueFd peer = ConnectRaw(port);
    ASSERT_NE(-1, peer.Get());
    const std::string request = "GET /1234?cfID=5 HTTP/1.0\r\nHost: 127.0.0.1\r\n\r\n";
    SendRaw(peer, request);

    Pump pump;
    ASSERT_TRUE(pump.Until([&] { return !record.made.empty(); }));
    TcpConn& conn = *record.made.front();
    EXPECT_EQ(port, record.port);
    EXPECT_EQ(TC_CONNECTED, conn.GetState());
    EXPECT_EQ(request, Unread(conn.inBuf));
    // The listener itself owns no socket; the port stays open for more.
    platform::UniqueFd second = ConnectRaw(port);
    EXPECT_NE(-1, second.Get());
}

// The factory's context may be freed with its listener, so a request after
// the listener has gone must not reach the factory.
TEST_F(TcpConnTest, ClosingTheHttpListenerTakesItsFactoryOffTheSharedPort) {
    const uint16_t port = FreePort();
    FactoryRecord record;
    TcpConn app;
    app.ListenForApp(L"app", port);
    {
        TcpConn listener;
        ASSERT_TRUE(listener.ListenHttp(port, MakeHttpConn, &record));
        // A stale listener of the same port leaves the factory alone.
        TcpConn stale;
        stale.ListenForApp(L"stale", port);
        stale.Close();
        platform::UniqueFd first = ConnectRaw(port);
        SendRaw(first, "GET / HTTP/1.0\r\n\r\n");
        Pump pump;
        ASSERT_TRUE(pump.Until([&] { return record.made.size() == 1; }));
    }
    platform::UniqueFd late = ConnectRaw(port);
    ASSERT_NE(-1, late.Get()) << "the application listener keeps the port open";
    SendRaw(late, "GET / HTTP/1.0\r\n\r\n");
    Pump pump;
    pump.Add(&app);
    ASSERT_TRUE(pump.Until([&] { return PeerClosed(late); }));
    EXPECT_EQ(1u, record.made.size());
    EXPECT_EQ(TC_LISTENING, app.GetState());
}

TEST_F(TcpConnTest, PreambleSplitOverThreeWritesIsIdentifiedWhenWhole) {
    const uint16_t port = FreePort();
    TcpConn server;
    server.ListenForApp(L"transfer-77", port);
    platform::UniqueFd peer = ConnectRaw(port);
    const std::string preamble = Preamble(L"transfer-77") + "data";
    Pump pump;
    pump.Add(&server);
    SendRaw(peer, preamble.substr(0, 3));
    for (int i = 0; i < 20; ++i)
        pump.Pass();
    SendRaw(peer, preamble.substr(3, 9));
    for (int i = 0; i < 20; ++i)
        pump.Pass();
    EXPECT_EQ(TC_LISTENING, server.GetState());
    SendRaw(peer, preamble.substr(12));
    ASSERT_TRUE(
        pump.Until([&] { return server.GetState() == TC_CONNECTED && server.inBuf.GetNumUsedBytes() == 4; }));
    EXPECT_EQ("data", Unread(server.inBuf));
}

TEST_F(TcpConnTest, UnknownIdIsClosedAndTheListenerKeepsWaiting) {
    const uint16_t port = FreePort();
    TcpConn server;
    server.ListenForApp(L"expected", port);
    platform::UniqueFd peer = ConnectRaw(port);
    SendRaw(peer, Preamble(L"someone-else"));
    Pump pump;
    pump.Add(&server);
    ASSERT_TRUE(pump.Until([&] { return PeerClosed(peer); }));
    EXPECT_EQ(TC_LISTENING, server.GetState());
}

TEST_F(TcpConnTest, UnidentifiedConnectionIsDroppedSixtySecondsAfterItsAcceptWhateverItSends) {
    struct Send {
        int64_t atSecs;
        std::string bytes;
    };
    struct Case {
        const char* what;
        std::vector<Send> sends;
    };
    const std::string preamble = Preamble(L"expected");
    const Case cases[] = {
        {"silent", {}},
        {"fewer than 8 bytes", {{0, "abc"}}},
        {"incomplete preamble", {{0, preamble.substr(0, 12)}}},
        {"preamble trickled to keep it busy",
         {{0, preamble.substr(0, 9)}, {30, preamble.substr(9, 2)}, {59, preamble.substr(11, 2)}}},
    };
    for (const Case& c : cases) {
        testsupport::ManualClock clock;
        const uint16_t port = FreePort();
        TcpConn server;
        server.ListenForApp(L"expected", port);
        platform::UniqueFd peer = ConnectRaw(port);
        Pump pump;
        pump.Add(&server);
        int64_t now = 0;
        auto passTo = [&](int64_t secs, const std::string& bytes) {
            clock.Advance((secs - now) * 1000);
            now = secs;
            if (!bytes.empty())
                SendRaw(peer, bytes);
            for (int i = 0; i < 5; ++i)
                pump.Pass();
        };
        passTo(0, "");
        for (const Send& send : c.sends)
            passTo(send.atSecs, send.bytes);
        passTo(ListenPort::kIdentifyTimeoutSecs, "");
        EXPECT_FALSE(PeerClosed(peer)) << c.what;
        passTo(ListenPort::kIdentifyTimeoutSecs + 1, "");
        EXPECT_TRUE(pump.Until([&] { return PeerClosed(peer); })) << c.what;
        EXPECT_EQ(TC_LISTENING, server.GetState()) << c.what;
        server.Close();
        TcpConn::CloseAllListenPorts();
    }
}

// A request no factory can serve gives its place up at once, so a crowd of
// them never keeps an application connection out.
TEST_F(TcpConnTest, HttpRequestsWithoutAFactoryAreClosedAndCannotLockThePortOut) {
    const uint16_t port = FreePort();
    TcpConn server;
    server.ListenForApp(L"expected", port);
    Pump pump;
    pump.Add(&server);
    std::vector<platform::UniqueFd> requests;
    for (size_t i = 0; i < ListenPort::kMaxPending + 8; ++i) {
        requests.push_back(ConnectRaw(port));
        SendRaw(requests.back(), "GET / HTTP/1.0\r\n\r\n");
        pump.Pass();
    }
    ASSERT_TRUE(pump.Until([&] { return std::all_of(requests.begin(), requests.end(), PeerClosed); }));

    platform::UniqueFd app = ConnectRaw(port);
    SendRaw(app, Preamble(L"expected") + "hi");
    ASSERT_TRUE(pump.Until([&] { return server.inBuf.GetNumUsedBytes() == 2; }));
    EXPECT_EQ(TC_CONNECTED, server.GetState());
    EXPECT_EQ("hi", Unread(server.inBuf));
}

// Silent connections cannot keep a real one out: over the cap, the one that
// has waited longest makes room.
TEST_F(TcpConnTest, OverTheCapTheOldestUnidentifiedConnectionMakesRoom) {
    const uint16_t port = FreePort();
    TcpConn server;
    server.ListenForApp(L"expected", port);
    Pump pump;
    pump.Add(&server);
    std::vector<platform::UniqueFd> peers;
    for (int i = 0; i < 40; ++i) {
        peers.push_back(ConnectRaw(port));
        pump.Pass();
    }
    for (int i = 0; i < 20; ++i)
        pump.Pass();
    const size_t extras = peers.size() - ListenPort::kMaxPending;
    for (size_t i = 0; i < peers.size(); ++i)
        EXPECT_EQ(i < extras, PeerClosed(peers[i])) << i;

    // The oldest now says what it is as another arrives: it is read before
    // the newcomer is let in, so it is not the one closed.
    SendRaw(peers[extras], Preamble(L"expected") + "hi");
    peers.push_back(ConnectRaw(port));
    EXPECT_TRUE(pump.Until([&] { return server.inBuf.GetNumUsedBytes() == 2; }));
}

namespace {

int OpenDescriptorCount() {
    int count = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/fd"))
        ++count;
    return count;
}

} // namespace

// Listen socket, pending connections (handed over, refused, bad, left
// waiting), a failed connect and closes before destruction: every
// descriptor is closed once. A descriptor opened after the closes takes a
// freed number, so a second close of that number would take it away.
TEST_F(TcpConnTest, EveryPathClosesEachDescriptorExactlyOnce) {
    const int before = OpenDescriptorCount();
    platform::UniqueFd sentinel;
    {
        const uint16_t port = FreePort();
        FactoryRecord record;
        TcpConn httpListener;
        ASSERT_TRUE(httpListener.ListenHttp(port, MakeHttpConn, &record));
        TcpConn app;
        app.ListenForApp(L"app", port);
        TcpConn client;
        client.ConnectApp(L"app", "127.0.0.1", port);
        TcpConn refused;
        refused.Connect("127.0.0.1", FreePort());
        platform::UniqueFd http = ConnectRaw(port);
        SendRaw(http, "GET / HTTP/1.0\r\n\r\n");
        platform::UniqueFd bad = ConnectRaw(port);
        SendRaw(bad, RawPreamble(13, 2, 3, "xyz"));
        platform::UniqueFd silent = ConnectRaw(port);
        Pump pump;
        for (TcpConn* conn : {&app, &client, &refused})
            pump.Add(conn);
        ASSERT_TRUE(pump.Until([&] {
            return app.GetState() == TC_CONNECTED && !record.made.empty() &&
                   refused.GetState() == TC_FAILED && PeerClosed(bad);
        }));
        // The pending record that handed its socket over is gone by now.
        Queue(client.outBuf, "ping");
        ASSERT_TRUE(pump.Until([&] { return app.inBuf.GetNumUsedBytes() == 4; }));

        app.Close();
        client.Close();
        httpListener.Close();
        TcpConn::CloseAllListenPorts();
        EXPECT_TRUE(PeerClosed(silent));
        sentinel.Reset(open("/dev/null", O_RDONLY | O_CLOEXEC));
        ASSERT_TRUE(sentinel.IsValid());
    }
    EXPECT_NE(-1, fcntl(sentinel.Get(), F_GETFD));
    sentinel.Reset();
    EXPECT_EQ(before, OpenDescriptorCount());
}

TEST_F(TcpConnTest, RefusedConnectEndsFailed) {
    const uint16_t port = FreePort();
    TcpConn client;
    client.Connect("127.0.0.1", port);
    Pump pump;
    pump.Add(&client);
    ASSERT_TRUE(pump.Until([&] { return client.GetState() == TC_FAILED; }));
    EXPECT_EQ(-1, client.GetSocket());
}

TEST_F(TcpConnTest, ClosingAListenerAfterItsPortIsGoneIsSafe) {
    const uint16_t port = FreePort();
    auto listener = std::make_unique<TcpConn>();
    listener->ListenForApp(L"late", port);
    TcpConn::CloseAllListenPorts();
    EXPECT_EQ(-1, ConnectRaw(port).Get()) << "the port was not closed";
    listener->Close();
    EXPECT_EQ(TC_CLOSED, listener->GetState());

    // A listener that outlived its port leaves a newer port of the same
    // number alone when it goes.
    auto stale = std::make_unique<TcpConn>();
    stale->ListenForApp(L"late", port);
    TcpConn::CloseAllListenPorts();
    TcpConn fresh;
    fresh.ListenForApp(L"fresh", port);
    ASSERT_EQ(TC_LISTENING, fresh.GetState());
    stale.reset(); // destroyed while still listening
    EXPECT_EQ(TC_LISTENING, fresh.GetState());
    EXPECT_NE(-1, ConnectRaw(port).Get()) << "the newer port was closed";
}

namespace {

// A blocking TLS server that waits for one request line and answers with a
// burst of `size` bytes.
class BurstServer {
  public:
    BurstServer(SSL_CTX* ctx, size_t size) : m_ctx(ctx), m_size(size) {
        m_port = m_listener.port;
        m_thread = std::thread([this] { Serve(); });
    }
    ~BurstServer() {
        m_thread.join();
        SSL_CTX_free(m_ctx);
    }
    uint16_t Port() const { return m_port; }
    static std::string Payload(size_t size) {
        std::string data(size, '\0');
        for (size_t i = 0; i < size; ++i)
            data[i] = static_cast<char>((i * 131 + i / 256) & 0xFF);
        return data;
    }

  private:
    void Serve() {
        int fd = accept(m_listener.fd.Get(), nullptr, nullptr);
        if (fd < 0)
            return;
        SSL* ssl = SSL_new(m_ctx);
        SSL_set_fd(ssl, fd);
        if (SSL_accept(ssl) == 1) {
            char request[16];
            if (SSL_read(ssl, request, sizeof request) > 0) {
                std::string data = Payload(m_size);
                size_t sent = 0;
                while (sent < data.size()) {
                    int n = SSL_write(ssl, data.data() + sent, static_cast<int>(data.size() - sent));
                    if (n <= 0)
                        break;
                    sent += static_cast<size_t>(n);
                }
                char ignored;
                SSL_read(ssl, &ignored, 1); // until the client goes
            }
        }
        SSL_free(ssl);
        close(fd);
    }

    SSL_CTX* m_ctx;
    size_t m_size;
    testsupport::LoopbackListener m_listener;
    uint16_t m_port = 0;
    std::thread m_thread;
};

} // namespace

TEST_F(TcpConnTest, TlsBurstArrivesIntactThroughASmallInputBuffer) {
    testsupport::TestCertificate cert;
    ASSERT_TRUE(cert.IsValid());
    testsupport::TempDir dir;
    testsupport::WriteFileText(dir.File("ca.pem"), cert.CertificatePem());
    auto context = platform::SslContext::CreateClient({dir.File("ca.pem"), true}, nullptr);
    ASSERT_TRUE(context);

    const size_t burst = 100 * 1024;
    BurstServer server(cert.NewServerContext(), burst);
    TcpConn client;
    client.SetBufSizes(8192, 32768);
    ASSERT_TRUE(client.EnableSsl(*context));
    client.Connect("localhost", server.Port());
    Queue(client.outBuf, "go");

    std::string received;
    Pump pump;
    pump.Add(&client);
    ASSERT_TRUE(pump.Until(
        [&] {
            received += Unread(client.inBuf);
            client.inBuf.Consume(client.inBuf.GetNumUsedBytes());
            return received.size() >= burst || client.GetState() == TC_CLOSED;
        },
        5000));
    EXPECT_EQ(TC_CONNECTED, client.GetState());
    EXPECT_TRUE(received == BurstServer::Payload(burst));
    client.Close();
}
