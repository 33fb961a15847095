// Feeds the song server's request reader with the bytes a player sends: the
// head end, the parse, the Host check and the readers of the song options.
// Checks that the head never runs past the input, that an accepted request
// holds what a refusal would have caught, that no line end survives in a
// field, that a Host header passes for one port at most, and that the
// options stay in their ranges and a seek within the file.
#include "client/stream/HttpRequest.h"
#include "client/stream/SongRequest.h"
#include "tests/fuzz/support/FuzzSupport.h"

#include <cstdint>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

namespace {

// The port of the seeds' Host headers.
constexpr uint16_t kPort = 51569;

// Files the seeks are tried on: where their audio starts and their length.
struct FileShape {
    int64_t audioStart;
    int64_t length;
};
constexpr FileShape kFiles[] = {
    {0, 1},
    {4096, 1000000},
    {0, 2000000100},
    // Past what single precision holds to the byte, and still room to add.
    {1000, std::numeric_limits<int64_t>::max() / 2},
};

bool HasLineEnd(const std::string& text) {
    return text.find('\n') != std::string::npos;
}

} // namespace

std::vector<std::string> fuzzsupport::Seeds() {
    return {
        "GET /123?cfID=5&mvsalt=0a1b2c3d&os=ogg&q=9 HTTP/1.0\r\nHost: 127.0.0.1:51569\r\n"
        "Range: bytes=1000-\r\nSeek-Percent: 50\r\n\r\n",
        "GET /random?a&b=c&mvsalt=x HTTP/1.0\nHost\nSource-Range: bytes=-5\n\nrest",
        "GET\n\nGET /x\n\n",
        "GET /1?a=1&b=2&c=3&d=4&e=5&f=6 HTTP/1.0\r\n" + std::string(40, 'H') + ": v\r\n\r\n",
        "GET /crossdomain.xml HTTP/1.1\r\nrange: bytes=\r\nSeek-Percent: nan\r\n\r\n",
    };
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const size_t end = FindHeadEnd(bytes);
    FUZZ_CHECK(end <= size);
    HttpRequest request;
    if (!ParseRequest(end > 0 ? bytes.substr(0, end) : bytes, request))
        return 0;
    FUZZ_CHECK(request.method == "GET");
    FUZZ_CHECK(!request.resource.empty() && request.resource[0] == '/');
    FUZZ_CHECK(request.version.rfind("HTTP/", 0) == 0);
    FUZZ_CHECK(!HasLineEnd(request.resource) && !HasLineEnd(request.version));
    bool namesLocalHost = false;
    for (int i = 0; i < request.numHeaders; ++i) {
        const HttpHeaderPair& header = request.headers[static_cast<size_t>(i)];
        FUZZ_CHECK(!HasLineEnd(header.name) && !HasLineEnd(header.value));
        FUZZ_CHECK(header.name.find(':') == std::string::npos);
        namesLocalHost = namesLocalHost || header.value.rfind("127.0.0.1:", 0) == 0;
    }
    for (uint16_t port : {kPort, uint16_t{0}, uint16_t{65535}}) {
        if (!HostNamesLocalPort(request, port))
            continue;
        FUZZ_CHECK(namesLocalHost);
        FUZZ_CHECK(!HostNamesLocalPort(request, static_cast<uint16_t>(port + 1)));
    }
    const TranscodeOptions options = ReadTranscodeOptions(request);
    FUZZ_CHECK(options.quality >= Encoder::kMinQuality && options.quality <= Encoder::kMaxQuality);
    const float percent = GetSeekPercent(request);
    const int64_t rangeStart = GetRangeStart(request);
    for (const FileShape& file : kFiles) {
        const int64_t start = ApplySeek(file.audioStart, file.length, percent, rangeStart);
        FUZZ_CHECK(start >= file.audioStart && start - file.audioStart <= file.length);
        if (IsSeekPercent(percent))
            FUZZ_CHECK(start <= file.length);
    }
    std::string value;
    (void)GetQueryValue(request, "cfID", value);
    return 0;
}
