#include "tests/support/testserver/TestServerState.h"

#include <sys/eventfd.h>
#include <unistd.h>

namespace testsupport {

using detail::Command;

TestServer::TestServer(TestServerOptions options) : m_state(std::make_unique<State>(std::move(options))) {}

TestServer::~TestServer() {
    Stop();
}

bool TestServer::Start() {
    State& s = *m_state;
    if (s.thread.joinable())
        return false;
    if (s.options.useTls) {
        s.certificate = std::make_unique<TestCertificate>();
        if (!s.certificate->IsValid())
            return false;
        s.tls.reset(s.certificate->NewServerContext());
        if (!s.tls)
            return false;
        s.caPem = s.certificate->CertificatePem();
        s.caDir = std::make_unique<TempDir>();
        s.caFile = s.caDir->File("ca.pem");
        WriteFileText(s.caFile, s.caPem);
    }
    std::string error;
    if (!s.sessionListener.Open(s.options.port, error) ||
        (s.options.withRedirector && !s.redirectorListener.Open(s.options.redirectorPort, error))) {
        s.Event("cannot start: " + error);
        return false;
    }
    s.wakeFd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (s.wakeFd < 0)
        return false;
    s.thread = std::thread([&s] { s.Run(); });
    return true;
}

void TestServer::Stop() {
    State& s = *m_state;
    {
        std::lock_guard<std::mutex> lock(s.mutex);
        s.stopping = true;
    }
    s.Wake();
    if (s.thread.joinable())
        s.thread.join();
    if (s.wakeFd >= 0) {
        close(s.wakeFd);
        s.wakeFd = -1;
    }
    s.sessionListener.Close();
    s.redirectorListener.Close();
}

uint16_t TestServer::Port() const {
    return m_state->sessionListener.Port();
}

uint16_t TestServer::RedirectorPort() const {
    return m_state->redirectorListener.Port();
}

bool TestServer::UsesTls() const {
    return m_state->options.useTls;
}

std::string TestServer::CaPem() const {
    return m_state->caPem;
}

std::string TestServer::CaFile() const {
    return m_state->caFile;
}

int TestServer::AcceptedCount() const {
    std::lock_guard<std::mutex> lock(m_state->mutex);
    return m_state->accepted;
}

int TestServer::RedirectorAcceptedCount() const {
    std::lock_guard<std::mutex> lock(m_state->mutex);
    return m_state->redirectorAccepted;
}

int TestServer::OpenConnectionCount() const {
    std::lock_guard<std::mutex> lock(m_state->mutex);
    return static_cast<int>(m_state->open.size());
}

bool TestServer::IsOpen(uint64_t connection) const {
    std::lock_guard<std::mutex> lock(m_state->mutex);
    return m_state->open.count(connection) > 0;
}

uint64_t TestServer::CurrentConnection() const {
    std::lock_guard<std::mutex> lock(m_state->mutex);
    return m_state->CurrentLocked();
}

std::optional<ReceivedMessage> TestServer::PopNext() {
    std::lock_guard<std::mutex> lock(m_state->mutex);
    if (m_state->cursor >= m_state->history.size())
        return std::nullopt;
    return m_state->history[m_state->cursor++];
}

std::optional<ReceivedMessage> TestServer::PeekNext() const {
    std::lock_guard<std::mutex> lock(m_state->mutex);
    if (m_state->cursor >= m_state->history.size())
        return std::nullopt;
    return m_state->history[m_state->cursor];
}

std::optional<ReceivedMessage> TestServer::PopNextOf(ClientMsg type) {
    std::lock_guard<std::mutex> lock(m_state->mutex);
    for (size_t i = m_state->cursor; i < m_state->history.size(); ++i) {
        if (m_state->history[i].Is(type)) {
            m_state->cursor = i + 1;
            return m_state->history[i];
        }
    }
    return std::nullopt;
}

bool TestServer::HasReceived(ClientMsg type) const {
    return CountReceived(type) > 0;
}

int TestServer::CountReceived(ClientMsg type) const {
    std::lock_guard<std::mutex> lock(m_state->mutex);
    int count = 0;
    for (const ReceivedMessage& received : m_state->history)
        count += received.Is(type) ? 1 : 0;
    return count;
}

std::vector<ReceivedMessage> TestServer::History() const {
    std::lock_guard<std::mutex> lock(m_state->mutex);
    return m_state->history;
}

void TestServer::Send(const ServerMessage& message) {
    SendTo(0, message);
}

void TestServer::SendTo(uint64_t connection, const ServerMessage& message) {
    {
        std::lock_guard<std::mutex> lock(m_state->mutex);
        m_state->commands.push_back(Command{detail::CMD_SEND, connection, message, std::string()});
    }
    m_state->Wake();
}

void TestServer::SendRaw(const std::string& bytes) {
    {
        std::lock_guard<std::mutex> lock(m_state->mutex);
        m_state->commands.push_back(Command{detail::CMD_SEND_RAW, 0, std::nullopt, bytes});
    }
    m_state->Wake();
}

void TestServer::Redirect(uint32_t port, const std::string& address) {
    Send(msg::Redirect{port, address});
}

void TestServer::CloseConnection() {
    {
        std::lock_guard<std::mutex> lock(m_state->mutex);
        m_state->commands.push_back(Command{detail::CMD_CLOSE, 0, std::nullopt, std::string()});
    }
    m_state->Wake();
}

void TestServer::SetAutoReplies(const AutoReplies& replies) {
    std::lock_guard<std::mutex> lock(m_state->mutex);
    m_state->replies = replies;
}

void TestServer::SetExpectedAccount(const ExpectedAccount& account) {
    std::lock_guard<std::mutex> lock(m_state->mutex);
    m_state->account = account;
}

std::vector<std::string> TestServer::Problems() const {
    std::lock_guard<std::mutex> lock(m_state->mutex);
    return m_state->problems;
}

std::vector<std::string> TestServer::Events() const {
    std::lock_guard<std::mutex> lock(m_state->mutex);
    return std::vector<std::string>(m_state->events.begin(), m_state->events.end());
}

} // namespace testsupport
