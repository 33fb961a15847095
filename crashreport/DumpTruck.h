// One try at posting a crash report: a fresh HTTP client, one HTTP/1.0 POST
// of the whole body. Errors are kept as text and as the last error code.
#pragma once

#include "platform/lib/curl/CurlEasy.h"

#include <string>

struct UploadTarget {
    std::string url;    // http:// or https:// with the path
    std::string caFile; // extra trusted CAs for https; empty: the system's
};

class DumpTruck {
  public:
    explicit DumpTruck(UploadTarget target);

    // Sets up the client; false when that fails.
    [[nodiscard]] bool Connect();
    // Posts `body`; true only when the server answered with a 2xx status.
    [[nodiscard]] bool Send(const std::string& body, const std::string& boundary);

    // libcurl's code of the last failure (0 when the server refused the
    // report with its status).
    int LastError() const { return m_lastError; }
    // Whether the last failure was a connection the other side refused (or
    // something on the way blocked), the likely work of a firewall.
    bool CouldNotConnect() const;
    const std::string& ErrorText() const { return m_errorText; }

  private:
    void NoteFailure(const char* what, int code);

    UploadTarget m_target;
    platform::CurlEasy m_curl;
    bool m_connected = false;
    int m_lastError = 0;
    std::string m_errorText;
};
