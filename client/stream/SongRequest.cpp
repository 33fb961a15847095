#include "client/stream/SongRequest.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <string>

namespace {

constexpr float kFullPercent = 100.0f;

} // namespace

bool ParseLeadingInt(std::string_view text, int64_t& value) {
    const bool negative = !text.empty() && text.front() == '-';
    if (negative)
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

TranscodeOptions ReadTranscodeOptions(const HttpRequest& request) {
    TranscodeOptions options;
    std::string value;
    if (!GetQueryValue(request, "os", value) || value != "ogg")
        return options;
    options.transcode = true;
    int64_t quality = 0;
    if (GetQueryValue(request, "q", value) && ParseLeadingInt(value, quality))
        options.quality = Encoder::ClampQuality(quality);
    return options;
}

float GetSeekPercent(const HttpRequest& request) {
    for (int i = 0; i < request.numHeaders; ++i) {
        const HttpHeaderPair& header = request.headers[static_cast<size_t>(i)];
        if (!AsciiStartsWithNoCase(header.name, "Seek-Percent") || header.value.empty())
            continue;
        char* end = nullptr;
        const float percent = std::strtof(header.value.c_str(), &end);
        if (end != header.value.c_str())
            return percent;
    }
    return -1.0f;
}

int64_t GetRangeStart(const HttpRequest& request) {
    for (int i = 0; i < request.numHeaders; ++i) {
        const HttpHeaderPair& header = request.headers[static_cast<size_t>(i)];
        if (!AsciiStartsWithNoCase(header.name, "Range") &&
            !AsciiStartsWithNoCase(header.name, "Source-Range"))
            continue;
        const std::string_view value = header.value;
        const size_t eq = value.find('=');
        if (eq == std::string_view::npos)
            return -1;
        const size_t dash = value.find('-', eq + 1);
        if (dash == std::string_view::npos)
            continue;
        int64_t start = 0;
        if (ParseLeadingInt(value.substr(eq + 1, dash - eq - 1), start))
            return start;
    }
    return -1;
}

bool IsSeekPercent(float percent) {
    return percent >= 0.0f && percent < kFullPercent;
}

bool IsRangeStart(int64_t rangeStart, int64_t fileLength) {
    return rangeStart > 0 && rangeStart < fileLength;
}

int64_t ApplySeek(int64_t audioStart, int64_t fileLength, float percent, int64_t rangeStart) {
    if (IsSeekPercent(percent)) {
        if (audioStart >= fileLength)
            return audioStart;
        const float hundredth = static_cast<float>((fileLength - audioStart) / 100);
        return audioStart + static_cast<int64_t>(std::floor(hundredth * percent));
    }
    if (IsRangeStart(rangeStart, fileLength))
        return audioStart + rangeStart;
    return audioStart;
}
