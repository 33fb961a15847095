// A small HTTP/1.0 load client for the stream benchmark: a number of
// connections over loopback, each fetching whole bodies one request after
// another, each request on a new connection and chosen at random from a list.
// Connections are spread over a few threads, each driving its share with
// epoll, so that the client is not what limits a fast server.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace bench {

struct LoadResult {
    double seconds = 0;
    uint64_t requests = 0; // answered with 200 and the whole announced body
    uint64_t failures = 0; // any other answer, or a connection that failed
    // Of the failures: requests the server closed or reset without a byte
    // of an answer.
    uint64_t refused = 0;
    uint64_t bodyBytes = 0;
    // Milliseconds from the start of each completed request's connect to the
    // first byte of its answer.
    std::vector<double> firstByteMs;

    double RequestsPerSecond() const { return seconds > 0 ? static_cast<double>(requests) / seconds : 0; }
    double MegabytesPerSecond() const {
        return seconds > 0 ? static_cast<double>(bodyBytes) / 1e6 / seconds : 0;
    }
};

struct LoadPlan {
    uint16_t port = 0;
    // Whole request heads; each request takes one at random.
    std::vector<std::string> requests;
    int connections = 1;
    int threads = 1;
    double seconds = 3;
    uint32_t seed = 1;
};

// Runs the plan against 127.0.0.1; bytes received while the time runs count,
// requests that were still open at its end do not.
LoadResult RunLoad(const LoadPlan& plan);

// Opens `count` connections that each send `request` and then never read,
// with small receive buffers, so that the server holds each answer open.
// The descriptors stay open until CloseStalled.
std::vector<int> OpenStalled(uint16_t port, const std::string& request, int count);
void CloseStalled(std::vector<int>& fds);

} // namespace bench
