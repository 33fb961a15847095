// A scriptable stand-in for the central server and its redirector, on
// loopback, for tests of the program's server link (and, through the
// melvane-testserver program, for running the program by hand).
//
// How tests use it:
//   TestServerOptions options;             // TLS, redirector + session port
//   options.replies.startChangesWindow = 10;
//   TestServer server(options);
//   ASSERT_TRUE(server.Start());
//   // Point the client at 127.0.0.1:server.RedirectorPort(), trusting
//   // server.CaFile(). The redirector answers the first security-string
//   // request with MSG_REDIRECT to 127.0.0.1:server.Port(); there the
//   // server answers it with MSG_SECURITY_STRING.
//   ASSERT_TRUE(WaitUntil([&] {            // the test's own loop, injected
//       PumpClientOnce();                  // clock, deadline of real time
//       return server.HasReceived(ClientMsg::MSG_HELLO);
//   }));
//   std::optional<ReceivedMessage> hello = server.PopNextOf(ClientMsg::MSG_HELLO);
//   EXPECT_EQ("alice", hello->As<msg::Hello>()->userName);
//   server.Send(msg::Ping{});
//   ... pump until server.HasReceived(ClientMsg::MSG_PONG) ...
//   EXPECT_TRUE(server.Problems().empty());
//
// Threads: the sockets run on the server's own thread. Every public call is
// safe from any thread and returns at once: sends, raw bytes and closes are
// queued and carried out in order on that thread's next pass, so a test
// pumps its client and polls the server's state (HasReceived, PeekNext,
// AcceptedCount, IsOpen) until the effect shows. Nothing here sleeps.
//
// Every received frame is decoded and kept in order. Faults in what the
// program sends (bodies shorter or longer than their declared length, bad
// magic, unknown types, a wrong hello check value, salted digest, local IP
// or session serial, a sign-in check digest that does not match the
// expected account) are collected in Problems().
#pragma once

#include "tests/support/testserver/MessageCatalogue.h"
#include "tests/support/testserver/ProtocolChecks.h"
#include "tests/support/testserver/ReceivedMessage.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace testsupport {

// Answers the server gives by itself; each can be switched off.
struct AutoReplies {
    // Redirector port: the security-string request gets MSG_REDIRECT to the
    // session port. When off, the redirector answers like the server.
    bool redirect = true;
    // The security-string request gets MSG_SECURITY_STRING with these.
    bool securityString = true;
    std::string serverSalt = "s4lt-9f3e";
    std::string secondString = "web-login-7";
    uint32_t serverValue = 4711;
    // MSG_ACCOUNT_CHECK gets MSG_ACCOUNT_CHECK_RESULT(status, text).
    std::optional<uint32_t> accountCheckStatus;
    std::string accountCheckText;
    // MSG_HELLO gets MSG_ACCOUNT_STATUS(status), which ends the session...
    std::optional<uint32_t> helloAccountStatus;
    // ...or else MSG_START_CHANGES(window) and, when asked, a listing request.
    std::optional<uint32_t> startChangesWindow;
    bool requestListing = false;
    // Every MSG_NEW_FILE gets MSG_NEW_FILE_ACK with its cfID.
    bool ackNewFiles = false;
};

struct TestServerOptions {
    bool useTls = true;
    // Session port; 0 lets the system choose.
    uint16_t port = 0;
    bool withRedirector = true;
    uint16_t redirectorPort = 0;
    // The address MSG_REDIRECT names (the certificate is for 127.0.0.1 and
    // localhost).
    std::string redirectAddress = "127.0.0.1";
    AutoReplies replies;
    // What the sign-in checks compare against; empty fields are not checked.
    ExpectedAccount account;
    // Each hello's session serial must be one above the previous hello's
    // that this server received (off when clients may restart in between).
    bool checkSessionSerial = true;
    // MSG_PING to the current connection every so many milliseconds of real
    // time (for the program; tests leave it 0).
    int pingIntervalMs = 0;
    // Further replies to a received message, after the automatic ones. Runs
    // on the server's thread; set before Start.
    std::function<std::vector<ServerMessage>(const ReceivedMessage&)> responder;
    // Every event as a line: accepts, closes, messages both ways, problems.
    // Runs on the server's thread; set before Start.
    std::function<void(const std::string&)> logSink;
};

class TestServer {
  public:
    explicit TestServer(TestServerOptions options = TestServerOptions());
    ~TestServer();
    TestServer(const TestServer&) = delete;
    TestServer& operator=(const TestServer&) = delete;

    // Opens the ports (and makes the certificate) and starts the thread.
    [[nodiscard]] bool Start();
    // Closes everything; also done by the destructor.
    void Stop();

    uint16_t Port() const;
    // 0 without a redirector.
    uint16_t RedirectorPort() const;
    bool UsesTls() const;
    // The self-signed certificate the client trusts as its CA, as PEM text
    // and as a file that lives as long as the server ("" without TLS).
    std::string CaPem() const;
    std::string CaFile() const;

    // Connections accepted so far on the session port and on the redirector.
    int AcceptedCount() const;
    int RedirectorAcceptedCount() const;
    int OpenConnectionCount() const;
    bool IsOpen(uint64_t connection) const;
    // The newest connection that is still open; 0 when none.
    uint64_t CurrentConnection() const;

    // Received messages in order. PopNext takes the next one; PeekNext
    // looks without taking; PopNextOf takes messages up to and including
    // the next of that type (none taken when there is none yet).
    std::optional<ReceivedMessage> PopNext();
    std::optional<ReceivedMessage> PeekNext() const;
    std::optional<ReceivedMessage> PopNextOf(ClientMsg type);
    // Over everything received, taken or not.
    bool HasReceived(ClientMsg type) const;
    int CountReceived(ClientMsg type) const;
    std::vector<ReceivedMessage> History() const;

    // To the current connection (dropped, with an event line, when none).
    void Send(const ServerMessage& message);
    void SendTo(uint64_t connection, const ServerMessage& message);
    // Bytes as they are, for malformed frames.
    void SendRaw(const std::string& bytes);
    // MSG_REDIRECT to the current connection.
    void Redirect(uint32_t port, const std::string& address = "127.0.0.1");
    // Closes the current connection once what was queued before has gone.
    void CloseConnection();

    // Changed while running: the automatic answers and the expected account.
    void SetAutoReplies(const AutoReplies& replies);
    void SetExpectedAccount(const ExpectedAccount& account);

    std::vector<std::string> Problems() const;
    // The last events, as logSink gets them.
    std::vector<std::string> Events() const;

  private:
    struct State;
    std::unique_ptr<State> m_state;
};

} // namespace testsupport
