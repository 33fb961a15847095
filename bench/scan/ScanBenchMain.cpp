// Times the scanner over a library made for benchmarks, in one run: a plain
// stat walk of the library, the first scan into an empty database, a scan
// with nothing changed, a scan after 1% of the files were touched, and the
// peak resident memory. The server's part is played by the stand-in host,
// which takes every change and acknowledges each new file at once.
//
//   melvane-bench-scan LIBRARY WORKDIR
//
// WORKDIR gets a fresh database. The touched files get their times back.
#include "bench/support/BenchDatabase.h"
#include "bench/support/BenchFigures.h"
#include "bench/support/StatWalk.h"
#include "client/library/FileScanner.h"
#include "include/log/Logger.h"
#include "include/text/Utf8.h"
#include "platform/lib/sqlite/SqliteDb.h"
#include "tests/support/library/ScanDriver.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace {

// The program's memory log, so its lines cost what they cost there.
constexpr int kLogBufferBytes = 262144;
constexpr uint32_t kLogFileLimit = 5242880;
// Quick runs are repeated and the best kept, so a stray stall of the
// machine does not decide a ratio.
constexpr int kRepeats = 5;
// One file in this many is touched.
constexpr size_t kTouchEvery = 100;
// Seconds the touched files' modification time moves.
constexpr time_t kTouchSeconds = 10;

struct ScanFigures {
    double seconds = 0;
    size_t changes = 0;
};

ScanFigures TimeScan(FileScanner& scanner) {
    bench::Stopwatch watch;
    scanner.initScan(false);
    const std::vector<SyncDelta> deltas = testsupport::FinishScans(scanner);
    return {watch.Seconds(), deltas.size()};
}

bool MoveModificationTimes(const std::vector<std::string>& paths, time_t seconds) {
    for (const std::string& path : paths) {
        struct stat record {};
        if (stat(path.c_str(), &record) != 0)
            return false;
        const timespec times[2] = {{0, UTIME_OMIT},
                                   {record.st_mtim.tv_sec + seconds, record.st_mtim.tv_nsec}};
        if (utimensat(AT_FDCWD, path.c_str(), times, 0) != 0)
            return false;
    }
    return true;
}

std::string Figure(const char* format, double value) {
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s LIBRARY WORKDIR\n", argv[0]);
        return 2;
    }
    std::error_code error;
    const std::string library = std::filesystem::canonical(argv[1], error).string();
    const std::string work = argv[2];
    if (!error)
        std::filesystem::create_directories(work, error);
    if (error) {
        std::fprintf(stderr, "%s or %s is not a usable folder\n", argv[1], argv[2]);
        return 1;
    }
    g_logger->Init(false, kLogBufferBytes, Utf8ToWide(work + "/melvane.log"), kLogFileLimit);

    // The first walk fills the cache and collects the files to touch later.
    bench::StatWalkResult tree;
    if (!bench::StatWalk(library, tree, true) || tree.files == 0) {
        std::fprintf(stderr, "%s holds no files\n", library.c_str());
        return 1;
    }

    platform::SqliteDb db;
    if (!bench::OpenFreshDatabase(work + "/mv.dat", db)) {
        std::fprintf(stderr, "Could not open a database in %s\n", work.c_str());
        return 1;
    }
    testsupport::StandInScanHost host;
    host.shares = {Utf8ToWide(library)};
    FileScanner scanner(&host);
    if (!scanner.InitMetadataDb(host.shares, db.Get())) {
        std::fprintf(stderr, "Could not create the metadata tables\n");
        return 1;
    }

    const ScanFigures first = TimeScan(scanner);

    // The walk and the scan take turns, so both meet the machine's load alike.
    double walk = 1e9;
    double unchanged = 1e9;
    size_t unchangedDeltas = 0;
    for (int i = 0; i < kRepeats; ++i) {
        bench::Stopwatch watch;
        bench::StatWalkResult again;
        (void)bench::StatWalk(library, again);
        walk = std::min(walk, watch.Seconds());
        const ScanFigures figures = TimeScan(scanner);
        unchangedDeltas += figures.changes;
        unchanged = std::min(unchanged, figures.seconds);
    }

    bench::PrintLine("library", library + " (" + std::to_string(tree.files) + " files, " +
                                    std::to_string(tree.folders) + " folders, " +
                                    Figure("%.2f GB)", static_cast<double>(tree.bytes) / 1e9));
    bench::PrintSeconds("stat walk", walk, 0, "(best of " + std::to_string(kRepeats) + ")");
    bench::PrintSeconds("first scan", first.seconds, walk,
                        Figure("%.0f files/s", static_cast<double>(tree.files) / first.seconds) + ", " +
                            std::to_string(scanner.GetNumFiles()) + " files shared");
    bench::PrintSeconds("no-change scan", unchanged, walk,
                        "(best of " + std::to_string(kRepeats) + ", " + std::to_string(unchangedDeltas) +
                            " changes)");

    std::sort(tree.paths.begin(), tree.paths.end());
    std::vector<std::string> touched;
    for (size_t i = 0; i < tree.paths.size(); i += kTouchEvery)
        touched.push_back(tree.paths[i]);
    if (!MoveModificationTimes(touched, kTouchSeconds)) {
        std::fprintf(stderr, "Could not touch the files\n");
        return 1;
    }
    const ScanFigures after = TimeScan(scanner);
    const bool restored = MoveModificationTimes(touched, -kTouchSeconds);
    bench::PrintSeconds("1% touched scan", after.seconds, walk,
                        std::to_string(touched.size()) + " touched, " + std::to_string(after.changes) +
                            " changes");
    if (!restored)
        std::fprintf(stderr, "Could not give the touched files their times back\n");

    bench::PrintLine("peak resident",
                     Figure("%.1f MB", static_cast<double>(bench::PeakResidentBytes()) / (1024.0 * 1024.0)));
    scanner.Cleanup();
    return restored ? 0 : 1;
}
