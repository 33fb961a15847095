// Throughput of a peer transfer: a sending and a receiving transfer move one
// MP3 file over loopback, each on a thread of its own as on two machines,
// both hashing every byte; and the md5sum program over the same file, the two
// taking turns. Prints the medians of MB/s and their ratio.
//
//   melvane-transfer-bench [megabytes [repeats]]   (256 and 3; at least 200 MB)
#include "bench/support/BenchFigures.h"
#include "client/media/FileMetaData.h"
#include "client/stream/FileTransfer.h"
#include "client/stream/TransferTempFile.h"
#include "include/net/Sockets.h"
#include "include/text/Utf8.h"
#include "tests/support/core/FakeLibrary.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr size_t kTagBytes = 2000;
constexpr size_t kFrameBytes = 417;
constexpr long kMinMegabytes = 200;
constexpr long kDefaultMegabytes = 256;
constexpr int kDefaultRepeats = 3;

// Zeros up to the audio, then MPEG frames with bodies that vary.
bool WriteFixture(const std::string& path, size_t bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << std::string(kTagBytes, '\0');
    std::string frame(kFrameBytes, '\0');
    for (size_t written = kTagBytes, i = 0; written < bytes; written += kFrameBytes, ++i) {
        frame[0] = '\xFF';
        frame[1] = '\xFB';
        frame[2] = '\x90';
        frame[3] = '\xC0';
        for (size_t j = 4; j < kFrameBytes; ++j)
            frame[j] = static_cast<char>((i * 31 + j * 7) % 251);
        out << frame;
    }
    return static_cast<bool>(out);
}

uint16_t FreePort() {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    const bool bound = bind(fd, reinterpret_cast<sockaddr*>(&address), length) == 0 &&
                       getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0;
    close(fd);
    return bound ? ntohs(address.sin_port) : 0;
}

double ThreadCpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

// The core loop's work for one transfer, until it is finished, and the CPU
// seconds its thread spent. The listening side also accepts (only its thread
// touches the listen ports).
void Run(FileTransfer& transfer, bool listens, double& cpu) {
    const double cpuStart = ThreadCpuSeconds();
    testsupport::FakeScanner scanner;
    while (!transfer.IsFinished()) {
        transfer.TransferTick(scanner);
        SocketSet readSet, writeSet, exceptSet;
        int maxFd = 0;
        bool any = false;
        transfer.GetConn().AddToFdSets(maxFd, any, readSet, writeSet, exceptSet);
        if (listens)
            TcpConn::FillListenFdSets(readSet, maxFd);
        timeval timeout{0, 100000};
        if (selectSockets(maxFd + 1, &readSet, &writeSet, &exceptSet, &timeout) <= 0)
            continue;
        transfer.GetConn().HandleSelect(readSet, writeSet, exceptSet);
        if (listens)
            TcpConn::Accept(readSet);
    }
    cpu = ThreadCpuSeconds() - cpuStart;
}

struct Round {
    double seconds = 0;
    double sendCpu = 0;
    double recvCpu = 0;
};

// One download of `source` into `root`/dl by a receiving transfer from a
// sending one; false unless both end with success.
bool TransferOnce(const std::string& source, const std::string& root, const FileMetaData& md,
                  uint64_t fileSetID, Round& round) {
    std::error_code ignored;
    fs::remove_all(root + "/dl", ignored);
    fs::create_directories(root + "/dl", ignored);
    TransferStart upload;
    upload.id = TransferId{1, 2, 3, 4};
    upload.direction = SEND;
    upload.path = Utf8ToWide(source);
    upload.fileSetID = fileSetID;
    upload.connID = L"bench";
    upload.address = "127.0.0.1";
    upload.port = FreePort();
    TransferStart download = upload;
    download.direction = RECV;
    download.path = Utf8ToWide(root + "/dl");
    download.fileName = L"song.mp3";
    download.size = md.size;

    FileTransfer sender(nullptr), receiver(nullptr);
    if (sender.StartPassive(upload) != FileTransfer::kStartGoingOn ||
        receiver.StartActive(download) != FileTransfer::kStartGoingOn)
        return false;
    const auto started = std::chrono::steady_clock::now();
    std::thread sending([&] { Run(sender, true, round.sendCpu); });
    Run(receiver, false, round.recvCpu);
    sending.join();
    round.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    return sender.GetResult() == TS_SUCCESS && receiver.GetResult() == TS_SUCCESS;
}

// Seconds the md5sum program takes over `path`; negative when it fails.
double Md5sumSeconds(const std::string& path) {
    const std::string command = "md5sum '" + path + "' >/dev/null";
    const auto started = std::chrono::steady_clock::now();
    if (std::system(command.c_str()) != 0)
        return -1;
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
}

} // namespace

int main(int argc, char** argv) {
    std::setlocale(LC_CTYPE, "C.UTF-8");
    const long megabytes = argc > 1 ? std::atol(argv[1]) : kDefaultMegabytes;
    const int repeats = argc > 2 ? std::atoi(argv[2]) : kDefaultRepeats;
    if (megabytes < kMinMegabytes || repeats < 1) {
        std::fprintf(stderr, "usage: %s [megabytes, at least %ld] [repeats]\n", argv[0], kMinMegabytes);
        return 2;
    }
    char pattern[] = "/tmp/melvane-bench-XXXXXX";
    if (!mkdtemp(pattern))
        return 1;
    const std::string root = pattern;
    setenv("XDG_CACHE_HOME", (root + "/cache").c_str(), 1);
    (void)startNetworking();
    const std::string source = root + "/song.mp3";
    FileMetaData md;
    md.SetPath(Utf8ToWide(source));
    uint64_t fileSetID = 0;
    int status = 1;
    if (WriteFixture(source, static_cast<size_t>(megabytes) << 20) && md.ReadQuickInfo() &&
        FileSetIdOfDigest(md.GetDigest(), fileSetID)) {
        status = 0;
        const double mb = static_cast<double>(md.size) / 1e6;
        std::vector<double> ours, theirs, sendCpu, recvCpu;
        // Taking turns, so that a change in the machine's load falls on both.
        for (int i = 0; i < repeats && status == 0; ++i) {
            Round round;
            const double md5 = Md5sumSeconds(source);
            if (!TransferOnce(source, root, md, fileSetID, round) || md5 <= 0) {
                std::fprintf(stderr, "transfer or md5sum failed\n");
                status = 1;
                break;
            }
            ours.push_back(mb / round.seconds);
            theirs.push_back(mb / md5);
            sendCpu.push_back(round.sendCpu);
            recvCpu.push_back(round.recvCpu);
        }
        if (status == 0) {
            char text[160];
            std::snprintf(text, sizeof text, "%.1f MB/s (cpu send %.2f s, receive %.2f s)",
                          bench::Median(ours), bench::Median(sendCpu), bench::Median(recvCpu));
            bench::PrintLine("transfer " + std::to_string(static_cast<long>(mb)) + " MB", text);
            std::snprintf(text, sizeof text, "%.1f MB/s", bench::Median(theirs));
            bench::PrintLine("md5sum", text);
            std::snprintf(text, sizeof text, "%.2f", bench::Median(ours) / bench::Median(theirs));
            bench::PrintLine("ratio transfer/md5sum", text);
        }
    }
    std::error_code ignored;
    fs::remove_all(root, ignored);
    return status;
}
