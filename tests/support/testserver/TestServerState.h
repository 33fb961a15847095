// The inside of TestServer: what the callers share with the server's thread
// (under the mutex) and what that thread keeps to itself.
#pragma once

#include "tests/support/TempDir.h"
#include "tests/support/TestCertificate.h"
#include "tests/support/testserver/Frame.h"
#include "tests/support/testserver/ListenSocket.h"
#include "tests/support/testserver/ServerConnection.h"
#include "tests/support/testserver/TestServer.h"

#include <chrono>
#include <deque>
#include <memory>
#include <mutex>
#include <set>
#include <thread>

namespace testsupport {
namespace detail {

enum CommandKind { CMD_SEND, CMD_SEND_RAW, CMD_CLOSE };

struct Command {
    CommandKind kind = CMD_SEND;
    // 0: the current connection when the command runs.
    uint64_t target = 0;
    std::optional<ServerMessage> message;
    std::string bytes;
};

struct Peer {
    uint64_t id = 0;
    bool viaRedirector = false;
    std::string address;
    std::unique_ptr<ServerConnection> io;
    FrameReader frames;
    // Salt of the last security string sent here.
    std::optional<std::string> serverSalt;
    // A broken frame was seen: the rest of the stream is not read.
    bool faulted = false;
};

struct SslCtxFree {
    void operator()(SSL_CTX* ctx) const { SSL_CTX_free(ctx); }
};

} // namespace detail

struct TestServer::State {
    using Command = detail::Command;
    using Peer = detail::Peer;

    explicit State(TestServerOptions opts)
        : options(std::move(opts)), replies(options.replies), account(options.account) {}

    void Run();
    void Wake();
    void AcceptFrom(ListenSocket& listener, bool viaRedirector);
    void Apply(const Command& command);
    void Process(Peer& peer);
    void Handle(Peer& peer, const Frame& frame);
    void Check(Peer& peer, const ReceivedMessage& received);
    void Reply(Peer& peer, const ReceivedMessage& received);
    void SendOn(Peer& peer, const ServerMessage& message);
    void SendPing();
    void Reap();
    Peer* FindPeer(uint64_t id);
    void Event(const std::string& line);
    void Problem(uint64_t connection, const std::string& text);
    uint64_t CurrentLocked() const { return open.empty() ? 0 : *open.rbegin(); }

    // Fixed once started.
    TestServerOptions options;
    std::unique_ptr<TestCertificate> certificate;
    std::unique_ptr<SSL_CTX, detail::SslCtxFree> tls;
    std::unique_ptr<TempDir> caDir;
    std::string caPem;
    std::string caFile;
    ListenSocket sessionListener;
    ListenSocket redirectorListener;
    int wakeFd = -1;
    std::thread thread;

    // Shared with the callers, under the mutex.
    mutable std::mutex mutex;
    bool stopping = false;
    std::vector<Command> commands;
    std::vector<ReceivedMessage> history;
    size_t cursor = 0;
    std::vector<std::string> problems;
    std::deque<std::string> events;
    int accepted = 0;
    int redirectorAccepted = 0;
    std::set<uint64_t> open;
    AutoReplies replies;
    ExpectedAccount account;

    // The server thread's own.
    std::vector<std::unique_ptr<Peer>> peers;
    uint64_t nextId = 1;
    std::optional<uint32_t> lastHelloSerial;
    std::chrono::steady_clock::time_point nextPing;
};

} // namespace testsupport
