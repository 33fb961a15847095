#include "client/stream/HttpConn.h"

#include "client/library/FileScanner.h"
#include "client/stream/Encoder.h"
#include "client/stream/HttpRequest.h"
#include "client/stream/HttpResources.h"
#include "client/stream/HttpResponse.h"
#include "include/log/Logger.h"
#include "include/text/AppStrings.h"
#include "include/text/Utf8.h"
#include "platform/time/Clock.h"

#include <string_view>

HttpConn::HttpConn(const std::string& salt, uint16_t port, const std::string& userName, FileScanner* scanner,
                   IServerLink* serverLink, bool localOnly)
    : m_salt(salt), m_port(port), m_userName(userName), m_quality(Encoder::kDefaultQuality),
      m_scanner(scanner), m_serverLink(serverLink), m_localOnly(localOnly),
      m_openedMs(platform::MonotonicMs()), m_lastProgressMs(m_openedMs) {
    m_conn.SetBufSizes(kBufBytes, kBufBytes);
    // HTTP/1.0 clients often half-close once their request is sent.
    m_conn.KeepSendingAfterPeerEnd();
}

HttpConn::~HttpConn() = default;

void HttpConn::SetState(int state) {
    MVLOG(LOG_VERB, "HttpConn for songID %d(%p) changing from %d to %d", static_cast<int>(m_songID),
          static_cast<void*>(this), m_state, state);
    m_state = state;
}

void HttpConn::SetResult(int result) {
    if (m_result != HCR_NONE)
        return;
    MVLOG(LOG_INFO, "HttpConn for songID %d(%p) complete - result %d", static_cast<int>(m_songID),
          static_cast<void*>(this), result);
    m_result = result;
}

void HttpConn::Abort(int result) {
    SetResult(result);
    SetState(HC_CLOSING);
    m_conn.Close();
}

void HttpConn::NoteProgress(uint64_t now) {
    const uint32_t bytesRead = m_conn.inBuf.GetStats().bytesIn;
    const uint32_t bytesSent = m_conn.outBuf.GetStats().bytesConsumed;
    // A body waiting for its pace is not stalled; once all is queued, only
    // traffic counts, so a player that never closes is let go too.
    if (bytesRead != m_bytesReadSeen || bytesSent != m_bytesSentSeen ||
        (m_state == HC_SENDING && !m_conn.outBuf.HasData())) {
        m_bytesReadSeen = bytesRead;
        m_bytesSentSeen = bytesSent;
        m_lastProgressMs = now;
    }
}

bool HttpConn::IsStalled() {
    const uint64_t now = platform::MonotonicMs();
    NoteProgress(now);
    // Bytes of a head do not hold off its deadline: one a minute would hold
    // a place for good.
    if (m_state == HC_READING)
        return now - m_openedMs >= kHeadTimeoutMs;
    return now - m_lastProgressMs >= kIdleTimeoutMs;
}

bool HttpConn::MayGiveWay(uint64_t now) {
    NoteProgress(now);
    const uint64_t waited = now - GetWaitingSinceMs();
    return waited >= (m_state == HC_READING ? kHeadGraceMs : kGiveWayIdleMs);
}

void HttpConn::GiveWay() {
    MVLOG(LOG_INFO,
          "HttpConn %p has waited on its player for %llu ms in state %d; closing it for a new request",
          static_cast<void*>(this),
          static_cast<unsigned long long>(platform::MonotonicMs() - GetWaitingSinceMs()), m_state);
    Abort(m_state == HC_READING ? HCR_REFUSED : HCR_PEER_CLOSED);
}

void HttpConn::HandleHttpRequest() {
    if (m_conn.GetState() == TC_FAILED) {
        SetResult(HCR_CONN_FAILED);
        m_conn.Close();
    }
    if (m_conn.GetState() == TC_CLOSED) {
        if (m_state == HC_SENDING)
            SetResult(HCR_PEER_CLOSED);
        m_done = true;
        return;
    }
    if (IsStalled()) {
        if (m_state == HC_READING)
            MVLOG(LOG_INFO, "HttpConn %p: no whole request head within %llu s; closing",
                  static_cast<void*>(this), static_cast<unsigned long long>(kHeadTimeoutMs / 1000));
        else
            MVLOG(LOG_INFO, "HttpConn %p made no progress for %llu s in state %d; closing",
                  static_cast<void*>(this), static_cast<unsigned long long>(kIdleTimeoutMs / 1000), m_state);
        Abort(m_state == HC_READING ? HCR_REFUSED : HCR_PEER_CLOSED);
        m_done = true;
        return;
    }

    switch (m_state) {
    case HC_READING:
        if (m_conn.GetState() == TC_CONNECTED)
            ReadRequest();
        break;
    case HC_SENDING:
        PumpBody();
        break;
    case HC_ERROR_QUEUED:
        // The error line goes out before the sending side shuts.
        SetState(HC_CLOSING);
        if (m_conn.GetState() == TC_CONNECTED)
            m_conn.ShutdownWhenSent();
        else
            m_conn.Close();
        break;
    case HC_CLOSING:
        // Once the error line is out, the place is not held for a player
        // that does not close.
        if (m_conn.GetState() == TC_WR_SHUTDOWN)
            m_conn.Close();
        break;
    default:
        break;
    }
}

void HttpConn::ReadRequest() {
    Buf& in = m_conn.inBuf;
    const std::string_view bytes(reinterpret_cast<const char*>(in.GetReadPtr()),
                                 static_cast<size_t>(in.GetNumUsedBytes()));
    const size_t headLength = FindHeadEnd(bytes);
    if (headLength == 0) {
        in.Compact();
        if (m_conn.HasPeerEnded()) {
            MVLOG(LOG_INFO, "HttpConn %p: the player ended its input within the request head; closing",
                  static_cast<void*>(this));
            Abort(HCR_REFUSED);
        } else if (!in.HasSpace()) {
            MVLOG(LOG_ERR, "HttpConn %p: request head of %i bytes has no end; closing",
                  static_cast<void*>(this), in.GetNumUsedBytes());
            Abort(HCR_REFUSED);
        }
        return;
    }
    const std::string head(bytes.substr(0, headLength));
    (void)in.Consume(static_cast<int64_t>(headLength));

    HttpRequest request;
    const bool answered = ParseRequest(head, request) && AnswerRequest(request);
    if (!answered && m_state != HC_ERROR_QUEUED) {
        MVLOG(LOG_INFO, "Sending error response code 400 for HttpConn %p", static_cast<void*>(this));
        FailRequest(HTTP_BAD_REQUEST, HCR_REFUSED);
    }
}

bool HttpConn::AnswerRequest(const HttpRequest& request) {
    const std::string name = request.resource.substr(1);
    MVLOG(LOG_VERB, "Received request for resource %s", name.c_str());
    if (!CheckSalt(request)) {
        if (name == "crossdomain.xml")
            return SendSmallResource("text/xml", CrossDomainPolicy());
        return false;
    }
    if (name == "random")
        return SendSmallResource("application/x-javascript",
                                 RandomSongScript(m_scanner ? m_scanner->GetRandomSongId() : 0));
    if (name == "identify")
        return SendSmallResource("application/x-javascript",
                                 IdentifyScript(m_userName, WideToUtf8(GetAppString(AS_VERSION))));
    return SendSongResponse(name, request);
}

bool HttpConn::CheckSalt(const HttpRequest& request) const {
    bool salted = false;
    for (int i = 0; i < request.numQuery && !salted; ++i) {
        const HttpHeaderPair& pair = request.query[static_cast<size_t>(i)];
        salted = !m_salt.empty() && pair.name == "mvsalt" && pair.value == m_salt;
    }
    if (!salted) {
        MVLOG(LOG_ERR, "no salt match, dropping request");
        return false;
    }
    return !m_localOnly || HostNamesLocalPort(request, m_port);
}

bool HttpConn::SendSmallResource(const char* contentType, const std::string& body) {
    if (!WriteOkHeaders(contentType, static_cast<int64_t>(body.size()), false) ||
        !AppendText(m_conn.outBuf, body)) {
        MVLOG(LOG_ERR, "HttpConn %p: no room for a %zu-byte answer", static_cast<void*>(this), body.size());
        m_conn.outBuf.Reset();
        return false;
    }
    SetResult(HCR_COMPLETE);
    m_conn.ShutdownWhenSent();
    SetState(HC_SENT);
    return true;
}

void HttpConn::SendErrorResponse(int code) {
    if (!AppendText(m_conn.outBuf, ErrorResponse(code)))
        MVLOG(LOG_ERR, "HttpConn %p: no room for the %d response", static_cast<void*>(this), code);
    SetState(HC_ERROR_QUEUED);
}

bool HttpConn::FailRequest(int code, int result) {
    SendErrorResponse(code);
    SetResult(result);
    return false;
}

bool HttpConn::WriteOkHeaders(const std::string& contentType, int64_t length, bool sourceLength) {
    return AppendText(m_conn.outBuf, OkHeaders(contentType, length, sourceLength));
}
