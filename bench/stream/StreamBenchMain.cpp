// The song server against a plain web server, in one run: the listener
// serves a library made for benchmarks without the core (a scanner over a
// fresh database and a stand-in server link), and the same load client
// fetches whole songs chosen at random, each on a new HTTP/1.0 connection,
// from it and from a web server over the same folder. Prints requests/s,
// MB/s and the median time to the first byte for 1 and for many clients,
// with the ratios, then the memory each open stream holds beyond its two
// buffers (direct and transcoded).
//
//   melvane-stream-bench LIBRARY WORKDIR [--web-port P] [--seconds S]
//                        [--repeats R] [--clients N]
//
// The web server listens on 127.0.0.1:P with LIBRARY as its root; without
// --web-port only the song server is measured. Each figure is the median of
// R rounds, the two servers taking turns in each.
#include "bench/stream/LoadClient.h"
#include "bench/support/BenchDatabase.h"
#include "bench/support/BenchFigures.h"
#include "bench/support/StatWalk.h"
#include "client/core/LoginUrl.h"
#include "client/library/FileScanner.h"
#include "client/library/MusicFile.h"
#include "client/media/FFmpegInit.h"
#include "client/stream/FileStreamer.h"
#include "client/stream/HttpConn.h"
#include "include/digest/Md5.h"
#include "include/log/Logger.h"
#include "include/net/Sockets.h"
#include "include/text/Utf8.h"
#include "platform/lib/sqlite/SqliteDb.h"
#include "tests/support/core/FakeServerLink.h"
#include "tests/support/library/ScanDriver.h"
#include "tests/support/stream/StreamerLoop.h"

#include <malloc.h>
#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr char kSalt[] = "benchsalt";
// The program's memory log.
constexpr int kLogBufferBytes = 262144;
constexpr int kManyThreads = 4;
// Streams held open for the memory figure; below the listener's limit.
constexpr int kStalledStreams = 48;
// How long the held streams get to settle before memory is read.
constexpr auto kSettle = std::chrono::milliseconds(1500);
// Looks, 10 ms apart, without a connection before the listener counts as idle.
constexpr int kQuietLooks = 50;
constexpr double kKiB = 1024.0;

struct Arguments {
    std::string library;
    std::string work;
    uint16_t webPort = 0;
    double seconds = 3;
    int repeats = 3;
    int clients = 50;
};

bool ParseArguments(int argc, char** argv, Arguments& args) {
    std::vector<std::string> positional;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--web-port" && hasValue)
            args.webPort = static_cast<uint16_t>(std::atoi(argv[++i]));
        else if (arg == "--seconds" && hasValue)
            args.seconds = std::atof(argv[++i]);
        else if (arg == "--repeats" && hasValue)
            args.repeats = std::atoi(argv[++i]);
        else if (arg == "--clients" && hasValue)
            args.clients = std::atoi(argv[++i]);
        else if (arg[0] != '-')
            positional.push_back(arg);
        else
            return false;
    }
    if (positional.size() != 2 || args.seconds <= 0 || args.repeats <= 0 || args.clients <= 0)
        return false;
    args.library = positional[0];
    args.work = positional[1];
    return true;
}

// Reads no audio: size and time from stat and a digest from the path, so the
// library is scanned in moments. The song server reads each file itself.
bool ReadByStat(FileMetaData& md) {
    struct stat st {};
    if (stat(md.utf8Path.c_str(), &st) != 0)
        return false;
    md.size = static_cast<uint32_t>(st.st_size);
    md.lastModDate = static_cast<uint32_t>(st.st_mtime);
    md.digest = Md5HexOfBuffer(md.utf8Path.data(), static_cast<int>(md.utf8Path.size()));
    md.lengthSecs = 1;
    md.bitRate = 1;
    md.tagTitle = "Title";
    md.tagArtist = "Artist";
    return true;
}

// The path with each of its parts percent-encoded.
std::string PercentEncodedPath(const std::string& path) {
    std::string encoded;
    size_t start = 0;
    for (size_t slash; (slash = path.find('/', start)) != std::string::npos; start = slash + 1)
        encoded += PercentEncode(path.substr(start, slash - start)) + '/';
    return encoded + PercentEncode(path.substr(start));
}

std::string RequestHead(const std::string& target, uint16_t port) {
    return "GET " + target + " HTTP/1.0\r\nHost: 127.0.0.1:" + std::to_string(port) + "\r\n\r\n";
}

struct Song {
    uint32_t cfID = 0;
    std::string relative;
    uint64_t bytes = 0;
    uint32_t encType = ENC_OTHER;
};

std::string SongTarget(const Song& song, const char* extra = "") {
    return "/0?cfID=" + std::to_string(song.cfID) + "&mvsalt=" + kSalt + extra;
}

// Rounds of one kind: the medians of their figures.
struct Rounds {
    std::vector<double> requestsPerSecond;
    std::vector<double> megabytesPerSecond;
    std::vector<double> firstByteMs;
    uint64_t failures = 0;
    uint64_t refused = 0;

    void Add(const bench::LoadResult& result) {
        requestsPerSecond.push_back(result.RequestsPerSecond());
        megabytesPerSecond.push_back(result.MegabytesPerSecond());
        firstByteMs.push_back(bench::Median(result.firstByteMs));
        failures += result.failures;
        refused += result.refused;
    }
    double MBps() const { return bench::Median(megabytesPerSecond); }
    double Rps() const { return bench::Median(requestsPerSecond); }
    double FirstByte() const { return bench::Median(firstByteMs); }
};

std::string Figures(const Rounds& rounds) {
    char text[160];
    std::snprintf(text, sizeof text, "%9.1f req/s  %8.1f MB/s  first byte %.3f ms", rounds.Rps(),
                  rounds.MBps(), rounds.FirstByte());
    std::string line = text;
    line += "  " + std::to_string(rounds.refused) + " refused";
    if (rounds.failures > rounds.refused)
        line += ", " + std::to_string(rounds.failures - rounds.refused) + " failed otherwise";
    return line;
}

void PrintComparison(const std::string& label, const Rounds& ours, const Rounds* web) {
    bench::PrintLine(label + " melvane", Figures(ours));
    if (!web)
        return;
    bench::PrintLine(label + " web server", Figures(*web));
    char ratio[96];
    std::snprintf(ratio, sizeof ratio, "%.2f of its MB/s, %.2f of its req/s", ours.MBps() / web->MBps(),
                  ours.Rps() / web->Rps());
    bench::PrintLine(label + " ratio", ratio);
}

// Everything the load rounds and the memory figures need from the server
// loop running on the main thread.
struct Shared {
    std::atomic<bool> stop{false};
    std::atomic<size_t> conns{0};
};

// Bytes malloc holds in the main arena (the server loop's) and in mappings.
uint64_t HeapBytes() {
    const struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd;
}

// Waits until the loop holds `count` connections; false after 30 s (each
// Ogg stream opens its decoder and encoder on the loop's thread).
bool WaitForConns(const Shared& shared, size_t count) {
    for (int i = 0; i < 3000; ++i) {
        if (shared.conns.load() == count)
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

// Waits until the loop has held no connection for a while: connections the
// load client closed while they still waited in the listen queue are
// accepted late, and close at once.
bool WaitForIdle(const Shared& shared) {
    for (int quiet = 0, i = 0; i < 3000; ++i) {
        quiet = shared.conns.load() == 0 ? quiet + 1 : 0;
        if (quiet == kQuietLooks)
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

// KiB each of `count` held streams adds beyond its two buffers.
std::string MemoryPerStream(Shared& shared, uint16_t port, const std::string& request, int count) {
    if (!WaitForIdle(shared))
        return "the listener did not become idle";
    const uint64_t before = HeapBytes();
    const uint64_t residentBefore = bench::ResidentBytes();
    std::vector<int> fds = bench::OpenStalled(port, RequestHead(request, port), count);
    const bool held = static_cast<int>(fds.size()) == count && WaitForConns(shared, fds.size());
    std::this_thread::sleep_for(kSettle);
    const size_t open = shared.conns.load();
    const size_t connected = fds.size();
    const bool stillHeld = open == fds.size();
    const double perStream = (static_cast<double>(HeapBytes()) - static_cast<double>(before)) / count;
    const double residentPerStream =
        (static_cast<double>(bench::ResidentBytes()) - static_cast<double>(residentBefore)) / count;
    bench::CloseStalled(fds);
    if (!held || !stillHeld || perStream <= 0) {
        char text[160];
        std::snprintf(text, sizeof text,
                      "not measured: %zu connected, %zu open after %lld ms (heap %+.1f KiB)", connected, open,
                      static_cast<long long>(kSettle.count()), perStream * count / kKiB);
        return text;
    }
    const double buffers = 2.0 * HttpConn::kBufBytes;
    char text[160];
    std::snprintf(text, sizeof text,
                  "%.1f KiB beyond the buffers (heap %.1f KiB, resident %.1f KiB per stream)",
                  (perStream - buffers) / kKiB, perStream / kKiB, residentPerStream / kKiB);
    return text;
}

void RunRounds(const Arguments& args, Shared& shared, uint16_t port, const std::vector<Song>& songs) {
    std::vector<std::string> ours, web;
    for (const Song& song : songs) {
        ours.push_back(RequestHead(SongTarget(song), port));
        web.push_back(RequestHead("/" + PercentEncodedPath(song.relative), args.webPort));
    }
    Rounds oursOne, webOne, oursMany, webMany;
    for (int round = 0; round < args.repeats; ++round) {
        for (const int clients : {1, args.clients}) {
            bench::LoadPlan plan;
            plan.connections = clients;
            plan.threads = clients == 1 ? 1 : kManyThreads;
            plan.seconds = args.seconds;
            plan.seed = static_cast<uint32_t>(round + 1);
            plan.port = port;
            plan.requests = ours;
            (clients == 1 ? oursOne : oursMany).Add(bench::RunLoad(plan));
            if (args.webPort == 0)
                continue;
            plan.port = args.webPort;
            plan.requests = web;
            (clients == 1 ? webOne : webMany).Add(bench::RunLoad(plan));
        }
    }
    const bool compare = args.webPort != 0;
    PrintComparison("1 client", oursOne, compare ? &webOne : nullptr);
    PrintComparison(std::to_string(args.clients) + " clients", oursMany, compare ? &webMany : nullptr);

    // The largest MP3, so that every held stream is still in its body.
    Song largest;
    for (const Song& song : songs) {
        if (song.encType == MP3 && song.bytes > largest.bytes)
            largest = song;
    }
    bench::PrintLine("memory per stream",
                     MemoryPerStream(shared, port, SongTarget(largest), kStalledStreams) + ", " +
                         std::to_string(kStalledStreams) + " held");
    bench::PrintLine("memory per Ogg stream",
                     MemoryPerStream(shared, port, SongTarget(largest, "&os=ogg"), kStalledStreams));
}

} // namespace

int main(int argc, char** argv) {
    std::setlocale(LC_CTYPE, "C.UTF-8");
    Arguments args;
    if (!ParseArguments(argc, argv, args)) {
        std::fprintf(stderr,
                     "usage: %s LIBRARY WORKDIR [--web-port P] [--seconds S] [--repeats R] "
                     "[--clients N]\n",
                     argv[0]);
        return 2;
    }
    std::error_code error;
    const std::string library = std::filesystem::canonical(args.library, error).string();
    if (!error)
        std::filesystem::create_directories(args.work, error);
    if (error) {
        std::fprintf(stderr, "%s or %s is not a usable folder\n", args.library.c_str(), args.work.c_str());
        return 1;
    }
    g_logger->Init(false, kLogBufferBytes, std::wstring(), 0);
    InitFFmpeg();
    (void)startNetworking();

    platform::SqliteDb db;
    if (!bench::OpenFreshDatabase(args.work + "/mv.dat", db)) {
        std::fprintf(stderr, "Could not open a database in %s\n", args.work.c_str());
        return 1;
    }
    MusicFile::SetMetadataReader(ReadByStat);
    testsupport::StandInScanHost host;
    host.shares = {Utf8ToWide(library)};
    FileScanner scanner(&host);
    if (!scanner.InitMetadataDb(host.shares, db.Get())) {
        std::fprintf(stderr, "Could not create the metadata tables\n");
        return 1;
    }
    scanner.initScan(false);
    (void)testsupport::FinishScans(scanner);

    bench::StatWalkResult tree;
    (void)bench::StatWalk(library, tree, true);
    std::vector<Song> songs;
    for (const std::string& path : tree.paths) {
        const uint32_t cfID = scanner.GetCfIdForPath(Utf8ToWide(path));
        struct stat st {};
        if (cfID == 0 || stat(path.c_str(), &st) != 0)
            continue;
        FileMetaData md;
        md.SetPath(Utf8ToWide(path));
        songs.push_back(
            {cfID, path.substr(library.size() + 1), static_cast<uint64_t>(st.st_size), md.GetEncType()});
    }
    if (songs.empty()) {
        std::fprintf(stderr, "%s holds no music the scanner took\n", library.c_str());
        return 1;
    }

    FileStreamer streamer({0});
    testsupport::FakeServerLink link;
    streamer.Start(scanner, link, kSalt);
    if (!streamer.IsListening()) {
        std::fprintf(stderr, "The song server could not listen\n");
        return 1;
    }
    bench::PrintLine("library", library + " (" + std::to_string(songs.size()) + " songs, " +
                                    std::to_string(tree.bytes / 1000000) + " MB)");

    // The server runs on this thread, as on the core thread; the load runs
    // beside it.
    Shared shared;
    std::thread rounds([&] {
        RunRounds(args, shared, streamer.GetPort(), songs);
        shared.stop = true;
    });
    testsupport::StreamerLoop loop(streamer);
    while (!shared.stop.load()) {
        loop.Pass();
        shared.conns = streamer.GetNumConns();
    }
    rounds.join();
    scanner.Cleanup();
    MusicFile::SetMetadataReader({});
    return 0;
}
