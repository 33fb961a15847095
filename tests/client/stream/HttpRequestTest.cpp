#include "client/stream/HttpRequest.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<std::string> Pairs(const std::array<HttpHeaderPair, HttpRequest::kMaxQueryPairs>& pairs,
                               int count) {
    std::vector<std::string> out;
    for (int i = 0; i < count; ++i)
        out.push_back(pairs[static_cast<size_t>(i)].name + "=" + pairs[static_cast<size_t>(i)].value);
    return out;
}

} // namespace

TEST(HttpRequestTest, HeadEndsAtTheFirstBlankLineOfEitherForm) {
    const struct {
        std::string bytes;
        size_t end;
    } cases[] = {
        {"GET /1 HTTP/1.0\r\nHost: x\r\n\r\nrest", 28},
        {"GET /1 HTTP/1.0\n\nrest", 17},
        {"GET /1 HTTP/1.0\r\n\nrest", 18},
        {"GET /1 HTTP/1.0\r\nHost: x\r\n", 0},
        {"GET /1 HTTP/1.0\r\n\r", 0},
        {"", 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.end, FindHeadEnd(c.bytes)) << c.bytes;
}

TEST(HttpRequestTest, PairsAndHeadersPastTheLimitsAreIgnored) {
    std::string head = "GET /1?a=1&b=2&c=3&d=4&e=5&f=6 HTTP/1.0\r\n";
    for (int i = 1; i <= HttpRequest::kMaxHeaders + 1; ++i)
        head += "H" + std::to_string(i) + ": v\r\n";
    HttpRequest request;
    ASSERT_TRUE(ParseRequest(head + "\r\n", request));
    EXPECT_EQ(HttpRequest::kMaxQueryPairs, request.numQuery);
    EXPECT_FALSE(HasQueryValue(request, "f"));
    EXPECT_EQ(HttpRequest::kMaxHeaders, request.numHeaders);
    EXPECT_NE(nullptr, FindHeader(request, "H32"));
    EXPECT_EQ(nullptr, FindHeader(request, "H33"));
}

TEST(HttpRequestTest, MalformedHeadsAreRefusedOrReadWithoutTheirBrokenParts) {
    const struct {
        std::string head;
        bool parses;
    } cases[] = {
        {"GET\n\n", false},
        {"GET /x\n\n", false},
        {"\r\n\r\n", false},
        {"GET /x HTTP/1.0 extra\r\n\r\n", false},
        {"GET  /x HTTP/1.0\r\n\r\n", false},
        {"POST /x HTTP/1.0\r\n\r\n", false},
        {"get /x HTTP/1.0\r\n\r\n", false},
        {"GET / HTTP/1.0\r\n\r\n", false},
        {"GET x1 HTTP/1.0\r\n\r\n", false},
        {"GET /x FTP/1.0\r\n\r\n", false},
        {"GET /x HTTP/1.0\nHost\n\n", true},
        {"GET /x?a&b=c HTTP/1.0\n\n", true},
        {"GET /x?&& HTTP/1.0\n\n", true},
        {"GET /? HTTP/1.0\n\n", true},
        {"GET /x HTTP/1.0\r\n:\r\n\r\n", true},
    };
    for (const auto& c : cases) {
        HttpRequest request;
        EXPECT_EQ(c.parses, ParseRequest(c.head, request)) << c.head;
    }
    HttpRequest request;
    ASSERT_TRUE(ParseRequest("GET /x?a&b=c&q=a=b HTTP/1.0\nHost\nRange:bytes=1- \n\n", request));
    EXPECT_EQ("/x", request.resource);
    EXPECT_EQ((std::vector<std::string>{"a=", "b=c", "q=a=b"}), Pairs(request.query, request.numQuery));
    ASSERT_EQ(1, request.numHeaders);
    EXPECT_EQ("bytes=1-", request.headers[0].value);
}
