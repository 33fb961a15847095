#include "platform/lib/curl/CurlEasy.h"

#include "tests/support/LocalHttpEndpoint.h"

#include <gtest/gtest.h>

using platform::CurlEasy;
using platform::CurlRequest;
using platform::CurlResult;
using testsupport::HttpAnswer;
using testsupport::LocalHttpEndpoint;

namespace {

CurlResult Fetch(const CurlRequest& request, std::string* body = nullptr) {
    CurlEasy curl;
    return curl.Perform(request, [body](const char* data, size_t size) {
        if (body)
            body->append(data, size);
        return true;
    });
}

} // namespace

TEST(CurlEasyTest, PostCarriesBodyHeadersAndVersionAndReturnsStatusAndBody) {
    LocalHttpEndpoint endpoint;
    endpoint.Serve("/api/x", HttpAnswer::Status(500, "busy"));
    CurlRequest request;
    request.url = endpoint.Url("/api/x");
    request.userAgent = "Agent";
    request.post = true;
    const std::string payload("a\0b\r\n", 5);
    request.body = payload;
    request.headers = {"Content-Type: multipart/form-data; boundary=zz", "X-Extra: 1"};
    request.http10 = true;
    std::string body;
    CurlResult result = Fetch(request, &body);
    ASSERT_TRUE(result.Ok()) << result.errorText;
    EXPECT_EQ(500, result.status);
    EXPECT_EQ("busy", body);

    ASSERT_EQ(1u, endpoint.Requests().size());
    const testsupport::RecordedRequest sent = endpoint.Requests()[0];
    EXPECT_EQ("POST", sent.method);
    EXPECT_EQ("HTTP/1.0", sent.version);
    EXPECT_EQ(payload, sent.body);
    EXPECT_EQ("5", sent.Header("Content-Length"));
    EXPECT_EQ("multipart/form-data; boundary=zz", sent.Header("Content-Type"));
    EXPECT_EQ("1", sent.Header("X-Extra"));
    EXPECT_EQ("Agent", sent.Header("User-Agent"));
}

TEST(CurlEasyTest, FailuresComeBackAsCodeAndText) {
    LocalHttpEndpoint endpoint;
    endpoint.Serve("/reset", HttpAnswer::Reset());
    endpoint.Serve("/ok", HttpAnswer::Status(200, "body"));
    endpoint.Serve("/stall", HttpAnswer::Cut("body", 2, 10000));
    LocalHttpEndpoint absent;
    absent.Close();

    struct Case {
        const char* what;
        std::string url;
        std::vector<std::string> headers;
        bool sinkAccepts;
        long idleTimeoutSecs;
        CURLcode code;
    } cases[] = {
        {"reset", endpoint.Url("/reset"), {}, true, 0, CURLE_RECV_ERROR},
        {"absent", absent.Url("/x"), {}, true, 0, CURLE_COULDNT_CONNECT},
        {"line end in a header", endpoint.Url("/ok"), {"X: a\r\nY: b"}, true, 0, CURLE_BAD_FUNCTION_ARGUMENT},
        {"sink refuses", endpoint.Url("/ok"), {}, false, 0, CURLE_WRITE_ERROR},
        {"other scheme", "file:///etc/passwd", {}, true, 0, CURLE_UNSUPPORTED_PROTOCOL},
        {"stalled past the idle limit", endpoint.Url("/stall"), {}, true, 1, CURLE_OPERATION_TIMEDOUT},
    };
    for (const Case& c : cases) {
        CurlRequest request;
        request.url = c.url;
        request.headers = c.headers;
        request.idleTimeoutSecs = c.idleTimeoutSecs;
        CurlEasy curl;
        CurlResult result = curl.Perform(request, [&](const char*, size_t) { return c.sinkAccepts; });
        EXPECT_EQ(c.code, result.code) << c.what << ": " << result.errorText;
        EXPECT_FALSE(result.errorText.empty()) << c.what;
    }
}
