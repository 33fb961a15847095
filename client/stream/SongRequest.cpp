#include "client/stream/SongRequest.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>

namespace {

constexpr float kFullPercent = 100.0f;
// 2^63: the first value past the 64-bit integers.
constexpr double kInt64Limit = 9223372036854775808.0;

} // namespace

TranscodeOptions ReadTranscodeOptions(const HttpRequest& request) {
    TranscodeOptions options;
    std::string value;
    if (!GetQueryValue(request, "os", value) || value != "ogg")
        return options;
    options.transcode = true;
    if (GetQueryValue(request, "q", value)) {
        // Read as atoi reads it: a value without a number is 0.
        int64_t quality = 0;
        options.quality = Encoder::ClampQuality(ParseLeadingInt(value, quality) ? quality : 0);
    }
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
        const int64_t room = fileLength - audioStart;
        const float hundredth = static_cast<float>(room / 100);
        const double offset = std::floor(hundredth * percent);
        // Single precision may round a huge file's offset past its end.
        if (offset >= kInt64Limit)
            return fileLength;
        return audioStart + std::min(static_cast<int64_t>(offset), room);
    }
    if (IsRangeStart(rangeStart, fileLength))
        return audioStart + rangeStart;
    return audioStart;
}
