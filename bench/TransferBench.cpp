// Throughput of a peer transfer: a sending and a receiving transfer move one
// MP3 file over loopback, each on a thread of its own as on two machines,
// both hashing every byte. Prints the size, the time and MB/s.
//
//   melvane_transfer_bench [megabytes]     (default 256, at least 200)
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

namespace fs = std::filesystem;

namespace {

constexpr size_t kTagBytes = 2000;
constexpr size_t kFrameBytes = 417;
constexpr long kMinMegabytes = 200;
constexpr long kDefaultMegabytes = 256;

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

// The core loop's work for one transfer, until it is finished. The
// listening side also accepts (only its thread touches the listen ports).
void Run(FileTransfer& transfer, bool listens) {
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
}

} // namespace

int main(int argc, char** argv) {
    std::setlocale(LC_CTYPE, "C.UTF-8");
    const long megabytes = argc > 1 ? std::atol(argv[1]) : kDefaultMegabytes;
    if (megabytes < kMinMegabytes) {
        std::fprintf(stderr, "usage: %s [megabytes, at least %ld]\n", argv[0], kMinMegabytes);
        return 2;
    }
    char pattern[] = "/tmp/melvane-bench-XXXXXX";
    if (!mkdtemp(pattern))
        return 1;
    const std::string root = pattern;
    setenv("XDG_CACHE_HOME", (root + "/cache").c_str(), 1);
    fs::create_directories(root + "/dl");
    (void)startNetworking();
    const std::string source = root + "/song.mp3";
    int status = 1;
    if (WriteFixture(source, static_cast<size_t>(megabytes) << 20)) {
        FileMetaData md;
        md.SetPath(Utf8ToWide(source));
        uint64_t fileSetID = 0;
        if (md.ReadQuickInfo() && FileSetIdOfDigest(md.GetDigest(), fileSetID)) {
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
            if (sender.StartPassive(upload) == FileTransfer::kStartGoingOn &&
                receiver.StartActive(download) == FileTransfer::kStartGoingOn) {
                const auto started = std::chrono::steady_clock::now();
                std::thread sending([&] { Run(sender, true); });
                Run(receiver, false);
                sending.join();
                const double seconds =
                    std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
                const double mb = static_cast<double>(md.size) / 1e6;
                std::printf("transfer: %.1f MB in %.2f s, %.1f MB/s (results %d and %d)\n", mb, seconds,
                            mb / seconds, sender.GetResult(), receiver.GetResult());
                status = sender.GetResult() == TS_SUCCESS && receiver.GetResult() == TS_SUCCESS ? 0 : 1;
            }
        }
    }
    std::error_code ignored;
    fs::remove_all(root, ignored);
    return status;
}
