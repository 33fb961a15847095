// The response heads the song server writes: the 200 header block and the
// one-line error responses.
#pragma once

#include <cstdint>
#include <string>

class Buf;

enum HttpStatus {
    HTTP_OK = 200,
    HTTP_BAD_REQUEST = 400,
    HTTP_NOT_FOUND = 404,
    HTTP_SERVER_ERROR = 500,
};

// "Thu, 02 Jan 2025 03:04:05 GMT" for seconds since 1970, in UTC with
// English day and month names whatever the locale.
std::string FormatHttpDate(int64_t unixSeconds);

// The 200 header block, dated now: "Content-Length" and "Accept-Ranges:
// bytes", or with `sourceLength` only "Source-Content-Length" (the length of
// the file a transcoded body is made from).
std::string OkHeaders(const std::string& contentType, int64_t length, bool sourceLength);

// "HTTP/1.0 <code> <reason>" with an empty plain-text body; the reason is
// "Bad Request", "File not found" or "Internal Server Error".
std::string ErrorResponse(int code);

// Appends all of `text` or nothing; false when it does not fit.
[[nodiscard]] bool AppendText(Buf& out, const std::string& text);
