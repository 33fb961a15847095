#include "tests/support/stream/HttpTestPlayer.h"

#include "tests/support/LoopbackSockets.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdlib>

namespace testsupport {

namespace {

constexpr size_t kPreambleFixedBytes = 10;
// How long Send waits for room in the socket.
constexpr std::chrono::seconds kSendLimit{5};

uint32_t BigEndian32(const std::string& bytes, size_t at) {
    uint32_t value = 0;
    for (size_t i = 0; i < 4; ++i)
        value = value << 8 | static_cast<unsigned char>(bytes[at + i]);
    return value;
}

} // namespace

std::string HttpTestResponse::Header(const std::string& name) const {
    auto it = headers.find(name);
    return it == headers.end() ? std::string() : it->second;
}

bool HttpTestPlayer::Connect(uint16_t port) {
    m_fd.Reset(socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (m_receiveBuffer > 0)
        setsockopt(m_fd.Get(), SOL_SOCKET, SO_RCVBUF, &m_receiveBuffer, sizeof m_receiveBuffer);
    sockaddr_in address = LoopbackAddress(port);
    if (connect(m_fd.Get(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        m_fd.Reset();
        return false;
    }
    fcntl(m_fd.Get(), F_SETFL, fcntl(m_fd.Get(), F_GETFL) | O_NONBLOCK);
    return true;
}

bool HttpTestPlayer::AcceptFrom(int listenFd) {
    fcntl(listenFd, F_SETFL, fcntl(listenFd, F_GETFL) | O_NONBLOCK);
    platform::UniqueFd fd(accept4(listenFd, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK));
    if (!fd.IsValid())
        return false;
    if (m_receiveBuffer > 0)
        setsockopt(fd.Get(), SOL_SOCKET, SO_RCVBUF, &m_receiveBuffer, sizeof m_receiveBuffer);
    m_fd = std::move(fd);
    m_expectPreamble = true;
    return true;
}

bool HttpTestPlayer::Send(const std::string& bytes) {
    // The server runs on this thread, so a full socket would never drain.
    const auto deadline = std::chrono::steady_clock::now() + kSendLimit;
    size_t sent = 0;
    while (sent < bytes.size()) {
        const ssize_t n = send(m_fd.Get(), bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n > 0) {
            sent += static_cast<size_t>(n);
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EINTR)
            return false;
        const auto left =
            std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            return false;
        pollfd writable{m_fd.Get(), POLLOUT, 0};
        if (poll(&writable, 1, static_cast<int>(left.count())) < 0 && errno != EINTR)
            return false;
    }
    return true;
}

void HttpTestPlayer::EndSending() {
    shutdown(m_fd.Get(), SHUT_WR);
}

bool HttpTestPlayer::Poll() {
    char chunk[65536];
    while (!m_paused && !m_closed && m_fd.IsValid()) {
        const ssize_t n = recv(m_fd.Get(), chunk, sizeof chunk, MSG_DONTWAIT);
        if (n > 0) {
            m_raw.append(chunk, static_cast<size_t>(n));
            continue;
        }
        if (n == 0 || (errno != EAGAIN && errno != EINTR))
            m_closed = true;
        break;
    }
    TakePreamble();
    return m_closed;
}

void HttpTestPlayer::TakePreamble() {
    if (m_expectPreamble) {
        if (m_raw.size() < kPreambleFixedBytes || m_raw.size() < BigEndian32(m_raw, 0))
            return;
        const size_t size = BigEndian32(m_raw, 0);
        m_preambleId = m_raw.substr(kPreambleFixedBytes, size - kPreambleFixedBytes);
        m_raw.erase(0, size);
        m_expectPreamble = false;
    }
    m_received += m_raw;
    m_raw.clear();
}

HttpTestResponse HttpTestPlayer::Response() const {
    HttpTestResponse response;
    const size_t end = m_received.find("\r\n\r\n");
    if (end == std::string::npos)
        return response;
    response.head = m_received.substr(0, end + 4);
    response.body = m_received.substr(end + 4);
    size_t lineStart = 0;
    for (size_t lineEnd = m_received.find("\r\n"); lineEnd <= end;
         lineEnd = m_received.find("\r\n", lineStart)) {
        const std::string line = m_received.substr(lineStart, lineEnd - lineStart);
        lineStart = lineEnd + 2;
        if (response.statusLine.empty()) {
            response.statusLine = line;
            if (line.size() > 12)
                response.status = std::atoi(line.c_str() + 9);
            continue;
        }
        const size_t colon = line.find(": ");
        if (colon == std::string::npos)
            continue;
        std::string name = line.substr(0, colon);
        std::transform(name.begin(), name.end(), name.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        response.headers.emplace(name, line.substr(colon + 2));
    }
    return response;
}

std::string HttpGet(const std::string& target, std::initializer_list<std::string> headers) {
    std::string head = "GET " + target + " HTTP/1.0\r\n";
    for (const std::string& header : headers)
        head += header + "\r\n";
    return head + "\r\n";
}

} // namespace testsupport
