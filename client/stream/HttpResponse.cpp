#include "client/stream/HttpResponse.h"

#include "include/io/Buf.h"
#include "platform/time/Clock.h"

#include <ctime>

namespace {

constexpr const char* kDayNames[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
constexpr const char* kMonthNames[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                       "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

const char* ReasonText(int code) {
    switch (code) {
    case HTTP_NOT_FOUND:
        return "File not found";
    case HTTP_SERVER_ERROR:
        return "Internal Server Error";
    default:
        return "Bad Request";
    }
}

std::string TwoDigits(int value) {
    return {static_cast<char>('0' + value / 10 % 10), static_cast<char>('0' + value % 10)};
}

} // namespace

std::string FormatHttpDate(int64_t unixSeconds) {
    const time_t seconds = static_cast<time_t>(unixSeconds);
    tm utc{};
    if (!gmtime_r(&seconds, &utc))
        return "Thu, 01 Jan 1970 00:00:00 GMT";
    return std::string(kDayNames[utc.tm_wday % 7]) + ", " + TwoDigits(utc.tm_mday) + " " +
           kMonthNames[utc.tm_mon % 12] + " " + std::to_string(utc.tm_year + 1900) + " " +
           TwoDigits(utc.tm_hour) + ":" + TwoDigits(utc.tm_min) + ":" + TwoDigits(utc.tm_sec) + " GMT";
}

std::string OkHeaders(const std::string& contentType, int64_t length, bool sourceLength) {
    const std::string date = FormatHttpDate(platform::WallSeconds());
    std::string head = "HTTP/1.0 200 OK\r\nDate: " + date + "\r\nLast-Modified: " + date +
                       "\r\nContent-Type: " + contentType + "\r\n";
    if (sourceLength)
        head += "Source-Content-Length: " + std::to_string(length) + "\r\n";
    else
        head += "Content-Length: " + std::to_string(length) + "\r\nAccept-Ranges: bytes\r\n";
    return head + "\r\n";
}

std::string ErrorResponse(int code) {
    return "HTTP/1.0 " + std::to_string(code) + " " + ReasonText(code) +
           "\r\nContent-Type: text/plain\r\nContent-Length: 0\r\n\r\n";
}

bool AppendText(Buf& out, const std::string& text) {
    out.Compact();
    if (out.GetNumFreeBytes() < static_cast<int64_t>(text.size()))
        return false;
    return out.WriteBytes(text.data(), static_cast<int64_t>(text.size()));
}
