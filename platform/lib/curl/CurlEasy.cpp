#include "platform/lib/curl/CurlEasy.h"

#include <memory>
#include <mutex>
#include <new>
#include <utility>

namespace platform {

namespace {

// libcurl's global set-up is not thread-safe; it runs once, before the first
// handle, and is never undone (other threads may still hold handles at exit).
bool GlobalInit() noexcept {
    static std::once_flag once;
    static CURLcode result = CURLE_FAILED_INIT;
    try {
        std::call_once(once, [] { result = curl_global_init(CURL_GLOBAL_DEFAULT); });
    } catch (...) {
        return false;
    }
    return result == CURLE_OK;
}

struct SlistDeleter {
    void operator()(curl_slist* list) const noexcept { curl_slist_free_all(list); }
};
using Slist = std::unique_ptr<curl_slist, SlistDeleter>;

struct SinkContext {
    CURL* curl;
    const CurlRequest* request;
    const CurlBodySink* sink;
    bool responseSeen;
};

size_t WriteBody(char* data, size_t size, size_t count, void* user) noexcept {
    const size_t bytes = size * count;
    const CurlBodySink* sink = static_cast<SinkContext*>(user)->sink;
    if (!sink || !*sink)
        return bytes;
    try {
        return (*sink)(data, bytes) ? bytes : 0;
    } catch (...) {
        return 0;
    }
}

// Every header line, the blank one that ends a response's headers included.
// A 1xx response's headers come before the final ones and are passed over.
size_t TakeHeader(char* data, size_t size, size_t count, void* user) noexcept {
    const size_t bytes = size * count;
    auto* context = static_cast<SinkContext*>(user);
    const bool headersEnd =
        (bytes == 2 && data[0] == '\r' && data[1] == '\n') || (bytes == 1 && data[0] == '\n');
    long status = 0;
    if (!headersEnd || context->responseSeen ||
        curl_easy_getinfo(context->curl, CURLINFO_RESPONSE_CODE, &status) != CURLE_OK || status < 200)
        return bytes;
    context->responseSeen = true;
    try {
        if (context->request->onResponse)
            context->request->onResponse(status);
        return bytes;
    } catch (...) {
        return 0;
    }
}

bool HasLineEnd(const std::string& header) {
    return header.find_first_of("\r\n") != std::string::npos;
}

CURLcode SetOptions(CURL* curl, const CurlRequest& request, curl_slist* headers, SinkContext* context,
                    char* errorBuffer) {
    CURLcode code = CURLE_OK;
    auto set = [&](CURLoption option, auto value) {
        if (code == CURLE_OK)
            code = curl_easy_setopt(curl, option, value);
    };
    set(CURLOPT_ERRORBUFFER, errorBuffer);
    set(CURLOPT_NOSIGNAL, 1L);
    set(CURLOPT_CONNECTTIMEOUT, kCurlConnectTimeoutSecs);
    set(CURLOPT_TIMEOUT, request.totalTimeoutSecs);
    if (request.idleTimeoutSecs > 0) {
        set(CURLOPT_LOW_SPEED_LIMIT, 1L);
        set(CURLOPT_LOW_SPEED_TIME, request.idleTimeoutSecs);
    }
    set(CURLOPT_PROTOCOLS_STR, "http,https");
    set(CURLOPT_URL, request.url.c_str());
    if (!request.userAgent.empty())
        set(CURLOPT_USERAGENT, request.userAgent.c_str());
    if (request.http10)
        set(CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_0));
    if (!request.caFile.empty())
        set(CURLOPT_CAINFO, request.caFile.c_str());
    if (request.post) {
        set(CURLOPT_POST, 1L);
        set(CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(request.body.size()));
        set(CURLOPT_POSTFIELDS, request.body.data());
    }
    if (headers)
        set(CURLOPT_HTTPHEADER, headers);
    set(CURLOPT_WRITEFUNCTION, WriteBody);
    set(CURLOPT_WRITEDATA, static_cast<void*>(context));
    if (request.onResponse) {
        set(CURLOPT_HEADERFUNCTION, TakeHeader);
        set(CURLOPT_HEADERDATA, static_cast<void*>(context));
    }
    return code;
}

CurlResult Failure(CURLcode code, const char* text) {
    CurlResult result;
    result.code = code;
    result.errorText = text && *text ? text : curl_easy_strerror(code);
    return result;
}

} // namespace

CurlEasy::CurlEasy() noexcept {
    if (GlobalInit())
        m_curl = curl_easy_init();
}

CurlEasy::~CurlEasy() {
    if (m_curl)
        curl_easy_cleanup(m_curl);
}

CurlEasy::CurlEasy(CurlEasy&& other) noexcept : m_curl(std::exchange(other.m_curl, nullptr)) {}

CurlEasy& CurlEasy::operator=(CurlEasy&& other) noexcept {
    if (this != &other) {
        if (m_curl)
            curl_easy_cleanup(m_curl);
        m_curl = std::exchange(other.m_curl, nullptr);
    }
    return *this;
}

CurlResult CurlEasy::Perform(const CurlRequest& request, const CurlBodySink& sink) noexcept {
    try {
        if (!m_curl)
            return Failure(CURLE_FAILED_INIT, nullptr);
        curl_easy_reset(m_curl);
        Slist headers;
        for (const std::string& header : request.headers) {
            if (HasLineEnd(header))
                return Failure(CURLE_BAD_FUNCTION_ARGUMENT, "header with a line end");
            curl_slist* longer = curl_slist_append(headers.get(), header.c_str());
            if (!longer)
                return Failure(CURLE_OUT_OF_MEMORY, nullptr);
            (void)headers.release();
            headers.reset(longer);
        }
        char errorBuffer[CURL_ERROR_SIZE] = {};
        SinkContext context{m_curl, &request, &sink, false};
        CURLcode code = SetOptions(m_curl, request, headers.get(), &context, errorBuffer);
        if (code == CURLE_OK)
            code = curl_easy_perform(m_curl);
        CurlResult result;
        (void)curl_easy_getinfo(m_curl, CURLINFO_RESPONSE_CODE, &result.status);
        // The handle must not keep pointers into this call's buffers.
        curl_easy_reset(m_curl);
        if (code != CURLE_OK) {
            CurlResult failed = Failure(code, errorBuffer);
            failed.status = result.status;
            return failed;
        }
        return result;
    } catch (...) {
        CurlResult failed;
        failed.code = CURLE_OUT_OF_MEMORY;
        return failed;
    }
}

} // namespace platform
