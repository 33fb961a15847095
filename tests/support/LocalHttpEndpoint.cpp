#include "tests/support/LocalHttpEndpoint.h"

#include "tests/support/LoopbackSockets.h"
#include "tests/support/TempDir.h"
#include "tests/support/WaitUntil.h"

#include <poll.h>
#include <strings.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <sys/time.h>

#include <cstdlib>

namespace testsupport {

namespace {

constexpr size_t kMaxHeaderBytes = 64 * 1024;
constexpr int kSocketTimeoutSecs = 10;

bool SendText(int fd, const std::string& text) {
    size_t sent = 0;
    while (sent < text.size()) {
        ssize_t n = send(fd, text.data() + sent, text.size() - sent, MSG_NOSIGNAL);
        if (n <= 0)
            return false;
        sent += static_cast<size_t>(n);
    }
    return true;
}

// Reads more bytes into `buffer`; false at the end or on an error.
bool ReadMore(int fd, std::string& buffer) {
    char chunk[16384];
    ssize_t n = recv(fd, chunk, sizeof chunk, 0);
    if (n <= 0)
        return false;
    buffer.append(chunk, static_cast<size_t>(n));
    return true;
}

std::string Trim(const std::string& text) {
    size_t start = text.find_first_not_of(" \t");
    size_t end = text.find_last_not_of(" \t");
    return start == std::string::npos ? std::string() : text.substr(start, end - start + 1);
}

// Parses the request line and headers of `head` (without the blank line).
bool ParseHead(const std::string& head, RecordedRequest& request) {
    size_t lineEnd = head.find("\r\n");
    std::string line = head.substr(0, lineEnd);
    size_t first = line.find(' ');
    size_t second = line.rfind(' ');
    if (first == std::string::npos || second == first)
        return false;
    request.method = line.substr(0, first);
    request.path = line.substr(first + 1, second - first - 1);
    request.version = line.substr(second + 1);
    while (lineEnd != std::string::npos) {
        size_t start = lineEnd + 2;
        lineEnd = head.find("\r\n", start);
        line = head.substr(start, lineEnd == std::string::npos ? std::string::npos : lineEnd - start);
        size_t colon = line.find(':');
        if (colon != std::string::npos)
            request.headers.emplace_back(line.substr(0, colon), Trim(line.substr(colon + 1)));
    }
    return true;
}

std::string StatusHead(int status, size_t length) {
    return "HTTP/1.0 " + std::to_string(status) + " Scripted\r\nContent-Length: " + std::to_string(length) +
           "\r\nConnection: close\r\n\r\n";
}

void ResetConnection(int fd) {
    linger abortive{1, 0};
    setsockopt(fd, SOL_SOCKET, SO_LINGER, &abortive, sizeof abortive);
}

} // namespace

std::string RecordedRequest::Header(const std::string& name) const {
    for (const auto& [key, value] : headers) {
        if (strcasecmp(key.c_str(), name.c_str()) == 0)
            return value;
    }
    return std::string();
}

LocalHttpEndpoint::LocalHttpEndpoint() : m_wake(eventfd(0, EFD_CLOEXEC)) {
    LoopbackListener listener;
    m_port = listener.port;
    m_listener = std::move(listener.fd);
    m_thread = std::thread([this] { Run(); });
}

LocalHttpEndpoint::~LocalHttpEndpoint() {
    Close();
}

std::string LocalHttpEndpoint::Url(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(m_port) + path;
}

void LocalHttpEndpoint::Enqueue(HttpAnswer answer) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_queue.push_back(std::move(answer));
}

void LocalHttpEndpoint::Serve(const std::string& path, HttpAnswer answer) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_routes[path] = std::move(answer);
}

std::vector<RecordedRequest> LocalHttpEndpoint::Requests() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_requests;
}

bool LocalHttpEndpoint::WaitForRequests(size_t count) const {
    std::unique_lock<std::mutex> lock(m_mutex);
    return m_recorded.wait_for(lock, kWaitTimeout, [&] { return m_requests.size() >= count; });
}

void LocalHttpEndpoint::Close() {
    if (!m_thread.joinable())
        return;
    uint64_t one = 1;
    (void)!write(m_wake.Get(), &one, sizeof one);
    m_thread.join();
    m_listener.Reset();
}

void LocalHttpEndpoint::Run() {
    for (;;) {
        pollfd fds[2] = {{m_listener.Get(), POLLIN, 0}, {m_wake.Get(), POLLIN, 0}};
        if (poll(fds, 2, -1) < 0)
            continue;
        if (fds[1].revents)
            return;
        platform::UniqueFd conn(accept4(m_listener.Get(), nullptr, nullptr, SOCK_CLOEXEC));
        if (conn.IsValid())
            HandleConnection(conn.Get());
    }
}

HttpAnswer LocalHttpEndpoint::ChooseAnswer(const std::string& path) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_queue.empty()) {
        HttpAnswer answer = std::move(m_queue.front());
        m_queue.pop_front();
        return answer;
    }
    auto route = m_routes.find(path);
    return route != m_routes.end() ? route->second : HttpAnswer::Status(404, "not found");
}

void LocalHttpEndpoint::HandleConnection(int fd) {
    timeval timeout{kSocketTimeoutSecs, 0};
    setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof timeout);
    std::string buffer;
    size_t headEnd;
    while ((headEnd = buffer.find("\r\n\r\n")) == std::string::npos) {
        if (buffer.size() > kMaxHeaderBytes || !ReadMore(fd, buffer))
            return;
    }
    RecordedRequest request;
    if (!ParseHead(buffer.substr(0, headEnd), request))
        return;
    if (strcasecmp(request.Header("Expect").c_str(), "100-continue") == 0)
        SendText(fd, "HTTP/1.1 100 Continue\r\n\r\n");
    const size_t length = std::strtoul(request.Header("Content-Length").c_str(), nullptr, 10);
    request.body = buffer.substr(headEnd + 4);
    while (request.body.size() < length && ReadMore(fd, request.body)) {
    }
    const HttpAnswer answer = ChooseAnswer(request.path);
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_requests.push_back(std::move(request));
    }
    m_recorded.notify_all();
    switch (answer.kind) {
    case HttpAnswer::kStatus:
        SendText(fd, StatusHead(answer.status, answer.text.size()) + answer.text);
        break;
    case HttpAnswer::kFile: {
        const std::string bytes = ReadFileText(answer.text);
        SendText(fd, StatusHead(answer.status, bytes.size()) + bytes);
        break;
    }
    case HttpAnswer::kReset:
        ResetConnection(fd);
        break;
    case HttpAnswer::kCut: {
        SendText(fd, StatusHead(answer.status, answer.text.size()) + answer.text.substr(0, answer.sentBytes));
        pollfd wake{m_wake.Get(), POLLIN, 0};
        (void)poll(&wake, 1, answer.holdMs);
        ResetConnection(fd);
        break;
    }
    }
}

} // namespace testsupport
