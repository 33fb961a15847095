// Owns one libcurl easy handle for one HTTP exchange at a time: a GET, or a
// POST of a body given as one buffer. Connect time-out 30 s, 300 s in all
// unless the request sets its own limits, no signals, the proxy from the
// environment (libcurl's own rules), http and https only. Nothing here logs
// or throws: failures come back as libcurl's code with its error text.
#pragma once

#include <curl/curl.h>

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

constexpr long kCurlConnectTimeoutSecs = 30;
constexpr long kCurlTotalTimeoutSecs = 300;

struct CurlRequest {
    std::string url;
    std::string userAgent;
    // Sent as a POST when set; otherwise a GET.
    bool post = false;
    // The POST body; it must stay valid until Perform returns.
    std::string_view body;
    // Whole header lines without line ends, e.g. "Content-Type: text/plain".
    std::vector<std::string> headers;
    bool http10 = false;
    // PEM file of extra trusted CAs for https; empty: the system store.
    std::string caFile;
    // The exchange fails when it lasts longer in all; 0: no such limit.
    long totalTimeoutSecs = kCurlTotalTimeoutSecs;
    // The exchange fails when it moves less than a byte a second for this
    // long; 0: no such limit.
    long idleTimeoutSecs = 0;
    // Called once the final response's headers are in, before its body, with
    // its status.
    std::function<void(long status)> onResponse;
};

struct CurlResult {
    CURLcode code = CURLE_OK;
    // libcurl's error text for a failure, else empty.
    std::string errorText;
    // The response's HTTP status; 0 when none arrived.
    long status = 0;

    bool Ok() const { return code == CURLE_OK; }
};

// Takes each piece of the response body in order; false stops the transfer
// (CURLE_WRITE_ERROR).
using CurlBodySink = std::function<bool(const char* data, size_t size)>;

class CurlEasy {
  public:
    CurlEasy() noexcept;
    ~CurlEasy();
    CurlEasy(CurlEasy&& other) noexcept;
    CurlEasy& operator=(CurlEasy&& other) noexcept;
    CurlEasy(const CurlEasy&) = delete;
    CurlEasy& operator=(const CurlEasy&) = delete;

    // False when libcurl could not be set up; Perform then fails with
    // CURLE_FAILED_INIT.
    bool IsValid() const noexcept { return m_curl != nullptr; }

    // Runs one exchange. The body goes to `sink` when one is given and is
    // dropped otherwise. Any HTTP status counts as a completed exchange; the
    // caller judges it.
    [[nodiscard]] CurlResult Perform(const CurlRequest& request, const CurlBodySink& sink) noexcept;

  private:
    CURL* m_curl = nullptr;
};

} // namespace platform
