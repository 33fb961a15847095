#include "crashreport/DumpTruck.h"

#include "crashreport/CrashBody.h"

#include <utility>

namespace {

constexpr char kUserAgent[] = "DumpTruck";

// Failures before any byte of the request could go out.
bool IsConnectFailure(int code) {
    return code == CURLE_COULDNT_RESOLVE_PROXY || code == CURLE_COULDNT_RESOLVE_HOST ||
           code == CURLE_COULDNT_CONNECT;
}

} // namespace

DumpTruck::DumpTruck(UploadTarget target) : m_target(std::move(target)) {}

void DumpTruck::NoteFailure(const char* what, int code) {
    m_lastError = code;
    m_errorText += what;
    m_errorText += std::to_string(code);
}

bool DumpTruck::Connect() {
    m_connected = m_curl.IsValid();
    if (!m_connected)
        NoteFailure("InternetOpen failed, err ", CURLE_FAILED_INIT);
    return m_connected;
}

bool DumpTruck::CouldNotConnect() const {
    // A refused connection; a failed name lookup or a time-out is no sign of
    // a firewall.
    return m_lastError == CURLE_COULDNT_CONNECT;
}

bool DumpTruck::Send(const std::string& body, const std::string& boundary) {
    if (!m_connected)
        return false;
    platform::CurlRequest request;
    request.url = m_target.url;
    request.userAgent = kUserAgent;
    request.post = true;
    request.body = body;
    request.http10 = true;
    request.caFile = m_target.caFile;
    request.headers = {"Content-Type: " + CrashBodyContentType(boundary),
                       "Content-Length: " + std::to_string(body.size())};
    // The answer's body is not read.
    const platform::CurlResult result = m_curl.Perform(request, nullptr);
    if (!result.Ok()) {
        const int code = static_cast<int>(result.code);
        NoteFailure(
            IsConnectFailure(code) ? "InternetConnect failed, err " : "HttpSendRequestEx failed, err ", code);
        return false;
    }
    if (result.status < 200 || result.status > 299) {
        m_lastError = 0;
        m_errorText += "Crash server answered HTTP status " + std::to_string(result.status);
        return false;
    }
    return true;
}
