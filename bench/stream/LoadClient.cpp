#include "bench/stream/LoadClient.h"

#include "tests/support/LoopbackSockets.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/epoll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <random>
#include <thread>

namespace bench {

namespace {

using Clock = std::chrono::steady_clock;

constexpr size_t kReadBytes = 256 * 1024;
constexpr int kMaxEvents = 64;
constexpr int kWaitMs = 5;
// What a stalled connection lets the kernel hold for it.
constexpr int kStalledReceiveBytes = 4096;
// The longest response head looked at.
constexpr size_t kMaxHeadBytes = 4096;

double MillisBetween(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double, std::milli>(to - from).count();
}

// One request on one connection.
struct Exchange {
    int fd = -1;
    bool sent = false;
    bool gotFirstByte = false;
    Clock::time_point started;
    double firstByteMs = 0;
    std::string head;
    bool headDone = false;
    bool ok = false;
    int64_t contentLength = -1;
    uint64_t bodyBytes = 0;
};

// Takes the response head once it is whole: 200 and its Content-Length.
void ReadHead(Exchange& exchange, const char* bytes, size_t count, LoadResult& result) {
    const size_t before = exchange.head.size();
    exchange.head.append(bytes, std::min(count, kMaxHeadBytes - std::min(before, kMaxHeadBytes)));
    const size_t end = exchange.head.find("\r\n\r\n");
    if (end == std::string::npos)
        return;
    exchange.headDone = true;
    exchange.ok =
        exchange.head.compare(0, 8, "HTTP/1.0") == 0 || exchange.head.compare(0, 8, "HTTP/1.1") == 0;
    exchange.ok = exchange.ok && exchange.head.compare(8, 5, " 200 ") == 0;
    const size_t length = exchange.head.find("\r\nContent-Length: ");
    if (length != std::string::npos && length < end)
        exchange.contentLength = std::atoll(exchange.head.c_str() + length + 18);
    const size_t body = end + 4 - before;
    if (body < count) {
        exchange.bodyBytes += count - body;
        result.bodyBytes += count - body;
    }
}

class Worker {
  public:
    Worker(const LoadPlan& plan, int connections, uint32_t seed)
        : m_plan(plan), m_connections(connections), m_random(seed), m_buffer(kReadBytes) {}

    LoadResult Run(Clock::time_point start, Clock::time_point end) {
        m_epoll = epoll_create1(EPOLL_CLOEXEC);
        m_exchanges.resize(static_cast<size_t>(m_connections));
        for (Exchange& exchange : m_exchanges)
            Begin(exchange);
        epoll_event events[kMaxEvents];
        while (Clock::now() < end) {
            const int count = epoll_wait(m_epoll, events, kMaxEvents, kWaitMs);
            for (int i = 0; i < count; ++i)
                Step(*static_cast<Exchange*>(events[i].data.ptr), events[i].events);
        }
        for (Exchange& exchange : m_exchanges)
            Drop(exchange);
        close(m_epoll);
        m_result.seconds = std::chrono::duration<double>(end - start).count();
        return m_result;
    }

  private:
    void Begin(Exchange& exchange) {
        exchange = Exchange{};
        exchange.started = Clock::now();
        exchange.fd = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        const sockaddr_in address = testsupport::LoopbackAddress(m_plan.port);
        if (exchange.fd < 0 ||
            (connect(exchange.fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 &&
             errno != EINPROGRESS)) {
            ++m_result.failures;
            Drop(exchange);
            return;
        }
        epoll_event event{};
        event.events = EPOLLOUT | EPOLLIN;
        event.data.ptr = &exchange;
        epoll_ctl(m_epoll, EPOLL_CTL_ADD, exchange.fd, &event);
    }

    void Drop(Exchange& exchange) {
        if (exchange.fd >= 0)
            close(exchange.fd);
        exchange.fd = -1;
    }

    // Ends the exchange and starts the connection's next request.
    void Finish(Exchange& exchange, bool complete) {
        const bool whole = complete && exchange.ok &&
                           (exchange.contentLength < 0 ||
                            exchange.bodyBytes == static_cast<uint64_t>(exchange.contentLength));
        if (whole) {
            ++m_result.requests;
            m_result.firstByteMs.push_back(exchange.firstByteMs);
        } else {
            ++m_result.failures;
            if (exchange.sent && !exchange.gotFirstByte)
                ++m_result.refused;
        }
        Drop(exchange);
        Begin(exchange);
    }

    void Step(Exchange& exchange, uint32_t events) {
        if (!exchange.sent && (events & EPOLLOUT)) {
            const std::string& request = m_plan.requests[m_random() % m_plan.requests.size()];
            // A short head fits the new socket's buffer whole.
            if (send(exchange.fd, request.data(), request.size(), MSG_NOSIGNAL) !=
                static_cast<ssize_t>(request.size())) {
                Finish(exchange, false);
                return;
            }
            exchange.sent = true;
            epoll_event event{};
            event.events = EPOLLIN;
            event.data.ptr = &exchange;
            epoll_ctl(m_epoll, EPOLL_CTL_MOD, exchange.fd, &event);
            return;
        }
        if (!(events & (EPOLLIN | EPOLLHUP | EPOLLERR)))
            return;
        const ssize_t got = recv(exchange.fd, m_buffer.data(), m_buffer.size(), 0);
        if (got < 0 && (errno == EAGAIN || errno == EINTR))
            return;
        if (got <= 0) {
            Finish(exchange, got == 0);
            return;
        }
        if (!exchange.gotFirstByte) {
            exchange.gotFirstByte = true;
            exchange.firstByteMs = MillisBetween(exchange.started, Clock::now());
        }
        if (exchange.headDone) {
            exchange.bodyBytes += static_cast<uint64_t>(got);
            m_result.bodyBytes += static_cast<uint64_t>(got);
        } else {
            ReadHead(exchange, m_buffer.data(), static_cast<size_t>(got), m_result);
        }
        // A body of the announced length is whole without waiting for the close.
        if (exchange.headDone && exchange.contentLength >= 0 &&
            exchange.bodyBytes == static_cast<uint64_t>(exchange.contentLength))
            Finish(exchange, true);
    }

    const LoadPlan& m_plan;
    int m_connections;
    std::mt19937 m_random;
    std::vector<char> m_buffer;
    int m_epoll = -1;
    std::vector<Exchange> m_exchanges;
    LoadResult m_result;
};

} // namespace

LoadResult RunLoad(const LoadPlan& plan) {
    const int threads = std::max(1, std::min(plan.threads, plan.connections));
    std::vector<LoadResult> results(static_cast<size_t>(threads));
    std::vector<std::thread> running;
    const Clock::time_point start = Clock::now();
    const Clock::time_point end =
        start + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(plan.seconds));
    for (int t = 0; t < threads; ++t) {
        const int connections = plan.connections / threads + (t < plan.connections % threads ? 1 : 0);
        running.emplace_back([&, t, connections] {
            Worker worker(plan, connections, plan.seed + static_cast<uint32_t>(t));
            results[static_cast<size_t>(t)] = worker.Run(start, end);
        });
    }
    for (std::thread& thread : running)
        thread.join();
    LoadResult total;
    total.seconds = results.front().seconds;
    for (const LoadResult& part : results) {
        total.requests += part.requests;
        total.failures += part.failures;
        total.refused += part.refused;
        total.bodyBytes += part.bodyBytes;
        total.firstByteMs.insert(total.firstByteMs.end(), part.firstByteMs.begin(), part.firstByteMs.end());
    }
    return total;
}

std::vector<int> OpenStalled(uint16_t port, const std::string& request, int count) {
    std::vector<int> fds;
    const sockaddr_in address = testsupport::LoopbackAddress(port);
    for (int i = 0; i < count; ++i) {
        const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (fd < 0)
            break;
        const int bytes = kStalledReceiveBytes;
        setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &bytes, sizeof bytes);
        if (connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
            send(fd, request.data(), request.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(request.size())) {
            close(fd);
            break;
        }
        fds.push_back(fd);
    }
    return fds;
}

void CloseStalled(std::vector<int>& fds) {
    for (int fd : fds)
        close(fd);
    fds.clear();
}

} // namespace bench
