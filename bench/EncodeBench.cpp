// Times the Ogg Vorbis transcoder on one file, draining its output as a
// connection's 64 KiB buffer would be drained:
//   melvane-encode-bench FILE [QUALITY]
// Prints the wall-clock and CPU seconds and the Ogg bytes made. The log goes
// to memory, as the program's does by default. FILE ending
// in ".m4a" is opened as AAC, anything else as MP3; QUALITY is in tenths
// (-1 to 6, default 2).
#include "client/media/FFmpegInit.h"
#include "client/media/FileMetaData.h"
#include "client/stream/Encoder.h"
#include "include/io/Buf.h"
#include "include/log/Logger.h"
#include "platform/fs/FileOps.h"
#include "platform/fs/UniqueFd.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>

namespace {

constexpr int kOutputBytes = 65536;
// The program's memory log.
constexpr int kLogBufferBytes = 262144;

double CpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2 && argc != 3) {
        std::fprintf(stderr, "usage: melvane-encode-bench FILE [QUALITY]\n");
        return 2;
    }
    const std::string path = argv[1];
    const int quality = Encoder::ClampQuality(argc == 3 ? std::atoll(argv[2]) : Encoder::kDefaultQuality);
    const bool aac = path.size() >= 4 && path.compare(path.size() - 4, 4, ".m4a") == 0;
    InitFFmpeg();
    if (g_logger)
        g_logger->Init(false, kLogBufferBytes, std::wstring(), 0);

    const auto wallStart = std::chrono::steady_clock::now();
    const double cpuStart = CpuSeconds();
    Encoder encoder;
    const platform::UniqueFd file(platform::OpenRegularFileRead(path, nullptr));
    if (!encoder.Open(file.Get(), std::wstring(path.begin(), path.end()), aac ? AAC : MP3, quality)) {
        std::fprintf(stderr, "melvane-encode-bench: cannot transcode %s\n", path.c_str());
        return 1;
    }
    Buf out(kOutputBytes);
    long long oggBytes = 0;
    bool more = true;
    while (more) {
        more = encoder.Fill(out);
        oggBytes += out.GetNumUsedBytes();
        out.Reset();
    }
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - wallStart).count();
    std::printf("transcode %s quality %d: %.3f s wall, %.3f s cpu, %lld bytes of framed Ogg\n", path.c_str(),
                quality, wall, CpuSeconds() - cpuStart, oggBytes);
    return 0;
}
