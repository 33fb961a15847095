#include "client/stream/HttpRequest.h"

#include <limits>

namespace {

// The blanks scanf and atoi skip ahead of a number.
bool IsCBlank(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

constexpr std::string_view kLocalHostPrefix = "127.0.0.1:";

char AsciiLower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// Cuts the next line off `rest`, without its "\n" or "\r\n"; false when no
// line end is left.
bool NextLine(std::string_view& rest, std::string_view& line) {
    const size_t end = rest.find('\n');
    if (end == std::string_view::npos)
        return false;
    line = rest.substr(0, end);
    if (!line.empty() && line.back() == '\r')
        line.remove_suffix(1);
    rest.remove_prefix(end + 1);
    return true;
}

std::string_view TrimBlanks(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    return text;
}

// "method resource version", each field non-empty.
bool SplitRequestLine(std::string_view line, HttpRequest& request) {
    const size_t first = line.find(' ');
    if (first == std::string_view::npos)
        return false;
    const size_t second = line.find(' ', first + 1);
    if (second == std::string_view::npos || line.find(' ', second + 1) != std::string_view::npos)
        return false;
    request.method = line.substr(0, first);
    request.resource = line.substr(first + 1, second - first - 1);
    request.version = line.substr(second + 1);
    return !request.method.empty() && !request.resource.empty() && !request.version.empty();
}

void SplitQuery(std::string_view query, HttpRequest& request) {
    while (request.numQuery < HttpRequest::kMaxQueryPairs) {
        const size_t amp = query.find('&');
        const std::string_view pair = query.substr(0, amp);
        const size_t eq = pair.find('=');
        HttpHeaderPair& out = request.query[static_cast<size_t>(request.numQuery++)];
        out.name = pair.substr(0, eq);
        out.value = eq == std::string_view::npos ? std::string_view() : pair.substr(eq + 1);
        if (amp == std::string_view::npos)
            return;
        query.remove_prefix(amp + 1);
    }
}

void AddHeader(std::string_view line, HttpRequest& request) {
    const size_t colon = line.find(':');
    if (colon == std::string_view::npos || request.numHeaders >= HttpRequest::kMaxHeaders)
        return;
    HttpHeaderPair& out = request.headers[static_cast<size_t>(request.numHeaders++)];
    out.name = line.substr(0, colon);
    out.value = TrimBlanks(line.substr(colon + 1));
}

} // namespace

size_t FindHeadEnd(std::string_view bytes) {
    for (size_t end = bytes.find('\n'); end != std::string_view::npos; end = bytes.find('\n', end + 1)) {
        if (end + 1 < bytes.size() && bytes[end + 1] == '\n')
            return end + 2;
        if (end + 2 < bytes.size() && bytes[end + 1] == '\r' && bytes[end + 2] == '\n')
            return end + 3;
    }
    return 0;
}

bool ParseRequest(std::string_view head, HttpRequest& request) {
    request = HttpRequest();
    std::string_view line;
    if (!NextLine(head, line) || !SplitRequestLine(line, request))
        return false;
    if (request.method != "GET" || request.resource.size() < 2 || request.resource[0] != '/' ||
        request.version.rfind("HTTP/", 0) != 0)
        return false;

    const size_t mark = request.resource.find('?');
    if (mark != std::string::npos) {
        SplitQuery(std::string_view(request.resource).substr(mark + 1), request);
        request.resource.resize(mark);
    }
    while (NextLine(head, line) && !line.empty())
        AddHeader(line, request);
    return true;
}

bool AsciiEqualsNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && AsciiStartsWithNoCase(a, b);
}

bool AsciiStartsWithNoCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size())
        return false;
    for (size_t i = 0; i < prefix.size(); ++i) {
        if (AsciiLower(text[i]) != AsciiLower(prefix[i]))
            return false;
    }
    return true;
}

bool GetQueryValue(const HttpRequest& request, std::string_view name, std::string& value) {
    for (int i = 0; i < request.numQuery; ++i) {
        const HttpHeaderPair& pair = request.query[static_cast<size_t>(i)];
        if (AsciiEqualsNoCase(pair.name, name)) {
            value = pair.value;
            return true;
        }
    }
    return false;
}

bool HasQueryValue(const HttpRequest& request, std::string_view name) {
    std::string ignored;
    return GetQueryValue(request, name, ignored);
}

const HttpHeaderPair* FindHeader(const HttpRequest& request, std::string_view name, bool prefix) {
    for (int i = 0; i < request.numHeaders; ++i) {
        const HttpHeaderPair& header = request.headers[static_cast<size_t>(i)];
        if (prefix ? AsciiStartsWithNoCase(header.name, name) : AsciiEqualsNoCase(header.name, name))
            return &header;
    }
    return nullptr;
}

bool ParseLeadingInt(std::string_view text, int64_t& value) {
    while (!text.empty() && IsCBlank(text.front()))
        text.remove_prefix(1);
    const bool negative = !text.empty() && text.front() == '-';
    if (!text.empty() && (text.front() == '-' || text.front() == '+'))
        text.remove_prefix(1);
    int64_t number = 0;
    size_t digits = 0;
    for (; digits < text.size() && text[digits] >= '0' && text[digits] <= '9'; ++digits) {
        const int digit = text[digits] - '0';
        if (number > (std::numeric_limits<int64_t>::max() - digit) / 10)
            return false;
        number = number * 10 + digit;
    }
    if (digits == 0)
        return false;
    value = negative ? -number : number;
    return true;
}

bool HostNamesLocalPort(const HttpRequest& request, uint16_t port) {
    for (int i = 0; i < request.numHeaders; ++i) {
        const HttpHeaderPair& header = request.headers[static_cast<size_t>(i)];
        if (!AsciiEqualsNoCase(header.name, "Host") || header.value.rfind(kLocalHostPrefix, 0) != 0)
            continue;
        const std::string_view number = std::string_view(header.value).substr(kLocalHostPrefix.size());
        int64_t value = 0;
        return number.find_first_not_of("0123456789") == std::string_view::npos &&
               ParseLeadingInt(number, value) && value == port;
    }
    return false;
}
