// Splits a multipart/form-data body the way a server would: by the boundary
// its Content-Type header names.
#pragma once

#include <map>
#include <string>

namespace testsupport {

// The content of each part by its name; empty when the body is not well
// formed for `boundary` (a missing closing line included).
inline std::map<std::string, std::string> MultipartParts(const std::string& body,
                                                         const std::string& boundary) {
    std::map<std::string, std::string> parts;
    const std::string dash = "--" + boundary;
    const std::string between = "\r\n" + dash;
    if (body.rfind(dash + "\r\n", 0) != 0)
        return {};
    size_t at = dash.size() + 2;
    for (;;) {
        const size_t headEnd = body.find("\r\n\r\n", at);
        const size_t next = body.find(between, at);
        if (headEnd == std::string::npos || next == std::string::npos || headEnd > next)
            return {};
        const std::string head = body.substr(at, headEnd - at);
        const size_t name = head.find("name=\"");
        if (name == std::string::npos)
            return {};
        parts[head.substr(name + 6, head.find('"', name + 6) - name - 6)] =
            body.substr(headEnd + 4, next - headEnd - 4);
        at = next + between.size();
        if (body.compare(at, std::string::npos, "--\r\n") == 0)
            return parts;
        if (body.compare(at, 2, "\r\n") != 0)
            return {};
        at += 2;
    }
}

// The boundary named by a Content-Type header value.
inline std::string BoundaryOf(const std::string& contentType) {
    const std::string key = "boundary=";
    const size_t at = contentType.find(key);
    return at == std::string::npos ? std::string() : contentType.substr(at + key.size());
}

} // namespace testsupport
