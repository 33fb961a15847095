// Feeds the fingerprint (TagLib's length, FFmpeg's demuxing and decoding,
// the skip to the print's start, the resampling and the keys) with a file's
// bytes, written to a temporary .mp3 or .m4a file as the first byte says.
// A print that is made always stands for the full 892 steps.
#include "client/media/FFmpegInit.h"
#include "client/media/PrintSource.h"
#include "include/text/Utf8.h"
#include "tests/fuzz/support/FuzzSupport.h"
#include "tests/support/media/TuneFixture.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr unsigned kPrintSteps = 892;

std::string ScratchFile(bool m4a) {
    const char* dir = std::getenv("TMPDIR");
    return std::string(dir && *dir ? dir : "/tmp") + "/fuzz-print-" + std::to_string(getpid()) +
           (m4a ? ".m4a" : ".mp3");
}

// The first byte chooses the name: odd for .m4a.
std::string ToneBytes(testsupport::TuneFormat format, double seconds, double silentSeconds) {
    const bool m4a = format == testsupport::TUNE_M4A;
    const std::string path = ScratchFile(m4a);
    testsupport::TuneSpec spec;
    spec.format = format;
    spec.seconds = seconds;
    spec.silentSeconds = silentSeconds;
    if (!testsupport::WriteTuneFile(path, spec))
        return std::string();
    std::ifstream in(path, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::remove(path.c_str());
    return std::string(1, m4a ? '\1' : '\0') + bytes;
}

unsigned StepsOf(const std::string& text) {
    std::istringstream runs(text);
    std::string run;
    unsigned steps = 0;
    while (runs >> run) {
        const size_t dash = run.find('-');
        FUZZ_CHECK(dash != std::string::npos && dash > 0);
        steps += static_cast<unsigned>(std::stoul(run.substr(dash + 1), nullptr, 16));
    }
    return steps;
}

} // namespace

std::vector<std::string> fuzzsupport::Seeds() {
    InitFFmpeg();
    return {ToneBytes(testsupport::TUNE_MP3, 3.0, 0.0), ToneBytes(testsupport::TUNE_M4A, 3.0, 0.0),
            ToneBytes(testsupport::TUNE_MP3, 50.0, 1.0)};
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0)
        return 0;
    InitFFmpeg();
    const std::string path = ScratchFile((data[0] & 1) != 0);
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data + 1), static_cast<std::streamsize>(size - 1));
    }
    std::string print;
    uint32_t secs = 0;
    if (CalcPrintInProcess(Utf8ToWide(path), print, secs)) {
        FUZZ_CHECK(StepsOf(print) == kPrintSteps);
        FUZZ_CHECK(secs > 0);
    } else {
        FUZZ_CHECK(print.empty());
    }
    std::remove(path.c_str());
    return 0;
}
