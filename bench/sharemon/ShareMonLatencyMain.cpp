// Times the share monitor from a file's creation in a watched folder to the
// scan request it hands the core: each of N files is created once the
// previous one's request has been taken.
//
//   melvane-bench-sharemon [N]
#include "bench/support/BenchFigures.h"
#include "client/library/ShareMon.h"
#include "include/text/Utf8.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr int kDefaultFiles = 200;
// Between looks at the monitor's requests; short, so the figure is the
// monitor's and not the wait's.
constexpr std::chrono::microseconds kLookPause{20};
constexpr double kGiveUpSeconds = 5;

// Seconds until the request for `path` arrives; negative when it never does.
double TimeOneFile(ShareMon& monitor, const std::string& path) {
    const std::wstring wide = Utf8ToWide(path);
    bench::Stopwatch watch;
    const int fd = open(path.c_str(), O_CREAT | O_WRONLY | O_CLOEXEC, 0644);
    if (fd < 0)
        return -1;
    close(fd);
    std::list<std::unique_ptr<ScanFileRequest>> taken;
    while (watch.Seconds() < kGiveUpSeconds) {
        monitor.TakeChanges(taken);
        for (const auto& request : taken) {
            if (request->GetType() == SINGLE_FILE && request->GetPath() == wide)
                return watch.Seconds();
        }
        taken.clear();
        std::this_thread::sleep_for(kLookPause);
    }
    return -1;
}

std::string Millis(double seconds) {
    char text[32];
    std::snprintf(text, sizeof text, "%.3f ms", seconds * 1000);
    return text;
}

} // namespace

int main(int argc, char** argv) {
    const int files = argc > 1 ? std::atoi(argv[1]) : kDefaultFiles;
    if (files <= 0) {
        std::fprintf(stderr, "usage: %s [N]\n", argv[0]);
        return 2;
    }
    char pattern[] = "/tmp/melvane-bench-sharemon-XXXXXX";
    if (!mkdtemp(pattern)) {
        std::perror("mkdtemp");
        return 1;
    }
    const std::string folder = pattern;
    std::vector<double> latencies;
    {
        ShareMon monitor;
        monitor.Start();
        monitor.SetShares({Utf8ToWide(folder)});
        for (int i = 0; i < files; ++i) {
            const double seconds = TimeOneFile(monitor, folder + "/song" + std::to_string(i) + ".mp3");
            if (seconds < 0) {
                std::fprintf(stderr, "No request for file %d\n", i);
                break;
            }
            latencies.push_back(seconds);
        }
    }
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
    if (latencies.size() != static_cast<size_t>(files))
        return 1;
    std::sort(latencies.begin(), latencies.end());
    bench::PrintLine("creation to request",
                     std::to_string(files) + " files: median " + Millis(latencies[latencies.size() / 2]) +
                         ", 95th percentile " + Millis(latencies[latencies.size() * 95 / 100]) + ", most " +
                         Millis(latencies.back()));
    return 0;
}
