// A loopback HTTP endpoint for tests: a thread with a listening socket on
// 127.0.0.1 at a port the system chose. It records every request (method,
// path, headers, body) and answers as scripted: a status with a body, the
// bytes of a file, a reset connection, or a body cut off part way. After
// Close() the port is shut, so the endpoint stands for a server that is
// absent.
//
// Answers come from the one-shot queue first (in order), then from the answer
// set for the request's path, else 404.
#pragma once

#include "platform/fs/UniqueFd.h"

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace testsupport {

struct RecordedRequest {
    std::string method;
    std::string path;
    std::string version;
    std::vector<std::pair<std::string, std::string>> headers;
    std::string body;

    // The first header of that name (case ignored); "" when absent.
    std::string Header(const std::string& name) const;
};

struct HttpAnswer {
    enum Kind { kStatus, kFile, kReset, kCut };
    Kind kind = kStatus;
    int status = 200;
    // The body for kStatus and kCut; the file's path for kFile.
    std::string text;
    // kCut: the body bytes sent, and how long the connection is then held
    // silent (Close() ends that at once) before it is reset.
    size_t sentBytes = 0;
    int holdMs = 0;

    static HttpAnswer Status(int status, std::string body = std::string()) {
        return {kStatus, status, std::move(body)};
    }
    // 200 with the file's bytes as they are when the request comes.
    static HttpAnswer File(std::string path) { return {kFile, 200, std::move(path)}; }
    // The request is read, then the connection is reset.
    static HttpAnswer Reset() { return {kReset, 0, std::string()}; }
    // 200 announcing all of `body`, of which only the first `sentBytes`
    // come; then the connection is held for `holdMs` and reset.
    static HttpAnswer Cut(std::string body, size_t sentBytes, int holdMs = 0) {
        return {kCut, 200, std::move(body), sentBytes, holdMs};
    }
};

class LocalHttpEndpoint {
  public:
    LocalHttpEndpoint();
    ~LocalHttpEndpoint();
    LocalHttpEndpoint(const LocalHttpEndpoint&) = delete;
    LocalHttpEndpoint& operator=(const LocalHttpEndpoint&) = delete;

    uint16_t Port() const { return m_port; }
    // "http://127.0.0.1:<port>" followed by `path`.
    std::string Url(const std::string& path = std::string()) const;

    void Enqueue(HttpAnswer answer);
    void Serve(const std::string& path, HttpAnswer answer);

    std::vector<RecordedRequest> Requests() const;
    // Waits (bounded) until at least `count` requests were recorded.
    [[nodiscard]] bool WaitForRequests(size_t count) const;

    // Stops answering and shuts the port.
    void Close();

  private:
    void Run();
    void HandleConnection(int fd);
    HttpAnswer ChooseAnswer(const std::string& path);

    platform::UniqueFd m_listener;
    platform::UniqueFd m_wake;
    uint16_t m_port = 0;
    std::thread m_thread;
    mutable std::mutex m_mutex;
    mutable std::condition_variable m_recorded;
    std::deque<HttpAnswer> m_queue;
    std::map<std::string, HttpAnswer> m_routes;
    std::vector<RecordedRequest> m_requests;
};

} // namespace testsupport
