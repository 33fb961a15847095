// The head of one HTTP/1.0 request as the song server reads it: the request
// line, at most five query pairs and at most 32 header lines. Lines end in
// "\r\n" or "\n"; nothing is URL-decoded. The parser only splits at
// separators it has found, so no input can make it read out of bounds.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

struct HttpHeaderPair {
    std::string name;
    std::string value;
};

struct HttpRequest {
    static constexpr int kMaxQueryPairs = 5;
    static constexpr int kMaxHeaders = 32;

    std::string method;
    std::string resource; // without its query
    std::string version;
    std::array<HttpHeaderPair, kMaxQueryPairs> query;
    int numQuery = 0;
    std::array<HttpHeaderPair, kMaxHeaders> headers;
    int numHeaders = 0;
};

// The length of the head, blank line included: the bytes up to the end of
// the first empty line. 0 while no empty line has arrived.
size_t FindHeadEnd(std::string_view bytes);

// Parses a whole head. False (the request is refused) unless the request
// line is exactly three fields separated by single blanks, the method is
// "GET", the resource starts with "/" and has at least 2 characters, and the
// version starts with "HTTP/". Pairs split at '&' and then at the first '='
// (a pair without '=' has an empty value); header lines split at the first
// ':' with blanks around the value dropped; a line without ':' is ignored.
// Pairs and headers past the limits are ignored.
[[nodiscard]] bool ParseRequest(std::string_view head, HttpRequest& request);

// The value of the first query pair whose name equals `name` ignoring ASCII
// case.
bool GetQueryValue(const HttpRequest& request, std::string_view name, std::string& value);
bool HasQueryValue(const HttpRequest& request, std::string_view name);

// The first header whose name equals `name` (or, with `prefix`, starts with
// it) ignoring ASCII case; null when there is none.
const HttpHeaderPair* FindHeader(const HttpRequest& request, std::string_view name, bool prefix = false);

// The number a text starts with, read as "%d" reads it: blanks, an optional
// sign and decimal digits. False when there are no digits or the number does
// not fit.
bool ParseLeadingInt(std::string_view text, int64_t& value);

// Whether the first "Host" header that names 127.0.0.1 names it with `port`
// (decimal digits only).
bool HostNamesLocalPort(const HttpRequest& request, uint16_t port);

// ASCII case-insensitive comparisons of header and query names.
bool AsciiEqualsNoCase(std::string_view a, std::string_view b);
bool AsciiStartsWithNoCase(std::string_view text, std::string_view prefix);
