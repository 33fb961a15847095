// Feeds the peer transfer sub-protocol from the peer's side. The first byte
// picks what is fed with the rest:
//   0  the message reader alone, the bytes arriving in pieces the input
//      sizes: a read waits without consuming, refuses without consuming, or
//      takes exactly one message whose fields are in bounds and which the
//      writer puts back as the same length, type and payload;
//   1  a receiving transfer connected over loopback to this target, which
//      sends the bytes as the sender's answers: it ends with a code of its
//      own, never writes more than the tag limit and the announced size, and
//      writes nothing but its temporary file and its destination;
//   2  a sending transfer of a fixture file, which gets the bytes as the
//      receiver's requests: everything it sends reads as whole messages, and
//      no header announces more than its region holds.
// Time is a fixed clock, logging is off, crash reports are off.
#include "client/stream/FileTransfer.h"
#include "client/stream/TransferMessage.h"
#include "client/stream/TransferTempFile.h"
#include "include/crash/CrashReport.h"
#include "include/digest/Md5.h"
#include "include/io/Buf.h"
#include "include/net/Sockets.h"
#include "include/text/Utf8.h"
#include "tests/fuzz/support/FuzzInput.h"
#include "tests/fuzz/support/FuzzSupport.h"
#include "tests/support/ManualClock.h"
#include "tests/support/TempDir.h"
#include "tests/support/core/FakeLibrary.h"
#include "tests/support/media/Mp3Fixture.h"
#include "tests/support/testserver/ListenSocket.h"

#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

using fuzzsupport::FuzzInput;
using namespace testsupport;
namespace fs = std::filesystem;

namespace {

enum Mode : uint8_t { MODE_READER = 0, MODE_RECEIVER = 1, MODE_SENDER = 2 };

constexpr size_t kFixtureTagBytes = 2000;
constexpr int kFixtureFrames = 40;
// Passes without anything moving after which a transfer is taken to wait
// for more than the input holds.
constexpr int kQuietPasses = 20;
constexpr int kMaxPasses = 5000;

// What every input shares: folders, the fixture file, the listener the
// transfers connect to, a fixed clock and no reports.
struct World {
    TempDir root;
    ManualClock clock;
    ListenSocket listener;
    std::string fixture = PatternedMp3(kFixtureFrames, kFixtureTagBytes);
    std::wstring source = root.WFile("music/song.mp3");
    uint64_t fileSetID = 0;

    World() {
        setenv("XDG_CACHE_HOME", root.File("cache").c_str(), 1);
        EnableCrashReports(false);
        (void)startNetworking();
        fs::create_directories(root.File("music"));
        fs::create_directories(root.File("dl"));
        std::ofstream(root.File("music/song.mp3"), std::ios::binary) << fixture;
        FileMetaData md;
        md.SetPath(source);
        std::string error;
        if (!md.ReadQuickInfo() || !FileSetIdOfDigest(md.GetDigest(), fileSetID) ||
            !listener.Open(0, error)) {
            std::fprintf(stderr, "Fuzz set-up failed %s\n", error.c_str());
            std::abort();
        }
    }

    TransferStart Start(int direction) const {
        TransferStart start;
        start.id = TransferId{9, 0, 0, 0};
        start.direction = direction;
        start.fileSetID = fileSetID;
        start.size = static_cast<uint32_t>(fixture.size());
        start.path = direction == SEND ? source : root.WFile("dl");
        start.dirName = L"Album";
        start.fileName = L"song.mp3";
        start.connID = L"fuzz";
        start.address = "127.0.0.1";
        start.port = listener.Port();
        return start;
    }
};

World& GetWorld() {
    static World world;
    return world;
}

std::string BufBytes(const Buf& buf) {
    return std::string(reinterpret_cast<const char*>(buf.GetReadPtr()),
                       static_cast<size_t>(buf.GetNumUsedBytes()));
}

std::string Encoded(const TransferMessage& message) {
    Buf out(256);
    FUZZ_CHECK(WriteTransferMessage(out, message));
    return BufBytes(out);
}

void FeedReader(FuzzInput& input) {
    Buf in(4096);
    while (!input.Empty()) {
        const std::string piece = input.Bytes(input.Byte() % 64 + 1);
        in.Compact();
        if (static_cast<int64_t>(piece.size()) > in.GetNumFreeBytes())
            return;
        FUZZ_CHECK(in.WriteBytes(piece.data(), static_cast<int64_t>(piece.size())));
        while (true) {
            const std::string before = BufBytes(in);
            TransferMessage message;
            const TransferRead read = ReadTransferMessage(in, message);
            if (read != TR_MESSAGE) {
                FUZZ_CHECK(BufBytes(in) == before);
                if (read == TR_BAD)
                    return;
                FUZZ_CHECK(before.size() < kMaxTransferMessageBytes);
                break;
            }
            const size_t taken = before.size() - static_cast<size_t>(in.GetNumUsedBytes());
            FUZZ_CHECK(message.type >= FT_REQUEST_TAG && message.type <= FT_CHECKSUM);
            FUZZ_CHECK(message.digest.size() <= static_cast<size_t>(kMaxTransferDigestChars));
            const std::string again = Encoded(message);
            FUZZ_CHECK(again.size() == taken);
            FUZZ_CHECK(again.compare(0, 4, before, 0, 4) == 0 && again.compare(8, 4, before, 8, 4) == 0);
            FUZZ_CHECK(again.compare(kTransferHeaderBytes, std::string::npos, before, kTransferHeaderBytes,
                                     taken - kTransferHeaderBytes) == 0);
        }
    }
}

// Runs the transfer against the peer bytes; what it sent comes back.
std::string Converse(FileTransfer& transfer, const std::string& peerBytes) {
    World& world = GetWorld();
    FakeScanner scanner;
    platform::UniqueFd peer;
    size_t sent = 0;
    std::string received;
    int quiet = 0;
    for (int pass = 0; pass < kMaxPasses && !transfer.IsFinished() && quiet < kQuietPasses; ++pass) {
        const int stateBefore = transfer.GetState();
        const int unreadBefore = transfer.GetConn().inBuf.GetNumUsedBytes();
        transfer.TransferTick(scanner);
        SocketSet readSet, writeSet, exceptSet;
        int maxFd = 0;
        bool any = false;
        transfer.GetConn().AddToFdSets(maxFd, any, readSet, writeSet, exceptSet);
        timeval none{0, 0};
        if (any && selectSockets(maxFd + 1, &readSet, &writeSet, &exceptSet, &none) > 0)
            transfer.GetConn().HandleSelect(readSet, writeSet, exceptSet);
        std::string address;
        if (!peer.IsValid())
            peer.Reset(world.listener.Accept(address));
        bool moved = false;
        if (peer.IsValid()) {
            if (sent < peerBytes.size()) {
                const ssize_t n = send(peer.Get(), peerBytes.data() + sent, peerBytes.size() - sent,
                                       MSG_NOSIGNAL | MSG_DONTWAIT);
                moved = n > 0;
                sent += n > 0 ? static_cast<size_t>(n) : 0;
            }
            char buffer[65536];
            const ssize_t got = recv(peer.Get(), buffer, sizeof buffer, MSG_DONTWAIT);
            if (got > 0) {
                received.append(buffer, static_cast<size_t>(got));
                moved = true;
            }
        }
        moved = moved || transfer.GetState() != stateBefore ||
                transfer.GetConn().inBuf.GetNumUsedBytes() != unreadBefore || !peer.IsValid();
        quiet = moved ? 0 : quiet + 1;
    }
    transfer.Close();
    // Connections this input left unaccepted must not meet the next one.
    std::string address;
    for (int stale = world.listener.Accept(address); stale >= 0; stale = world.listener.Accept(address))
        close(stale);
    return received;
}

void FeedReceiver(const std::string& bytes) {
    World& world = GetWorld();
    FileTransfer transfer(nullptr);
    const TransferStart start = world.Start(RECV);
    FUZZ_CHECK(transfer.StartActive(start) == FileTransfer::kStartGoingOn);
    (void)Converse(transfer, bytes);
    if (transfer.IsFinished()) {
        static const std::set<int> kCodes = {TS_SUCCESS,   TS_READ_ERROR,  TS_EBADF,
                                             TS_HASH_DIFF, TS_MOVE_FAILED, TS_UITS_FAILED};
        FUZZ_CHECK(kCodes.count(transfer.GetResult()) == 1);
    }
    const std::string temp = WideToUtf8(transfer.GetTempPath());
    const std::string destination = WideToUtf8(transfer.GetFilePath());
    for (const auto& entry : fs::recursive_directory_iterator(world.root.Path())) {
        if (!entry.is_regular_file())
            continue;
        const std::string path = entry.path().string();
        FUZZ_CHECK(path == temp || path == destination || path == WideToUtf8(world.source));
        if (path == temp)
            FUZZ_CHECK(entry.file_size() <= FileTransfer::kMaxTagBytes + start.size);
        if (path == destination)
            FUZZ_CHECK(transfer.IsFinished() && transfer.GetResult() == TS_SUCCESS);
        if (path != WideToUtf8(world.source))
            fs::remove(entry.path());
    }
}

void FeedSender(const std::string& bytes) {
    World& world = GetWorld();
    FileTransfer transfer(nullptr);
    FUZZ_CHECK(transfer.StartActive(world.Start(SEND)) == FileTransfer::kStartGoingOn);
    const std::string received = Converse(transfer, bytes);
    const int64_t region = static_cast<int64_t>(world.fixture.size() - kFixtureTagBytes);
    // The preamble first; a transfer that ended at once may have sent none.
    if (received.size() < 4)
        return;
    size_t preamble = 0;
    for (size_t i = 0; i < 4; ++i)
        preamble = (preamble << 8) | static_cast<unsigned char>(received[i]);
    if (received.size() < preamble)
        return;
    Buf out(static_cast<int64_t>(received.size()) + 1);
    FUZZ_CHECK(out.WriteBytes(received.data() + preamble, static_cast<int64_t>(received.size() - preamble)));
    while (true) {
        TransferMessage message;
        const TransferRead read = ReadTransferMessage(out, message);
        FUZZ_CHECK(read != TR_BAD);
        if (read == TR_INCOMPLETE)
            break;
        FUZZ_CHECK(message.type == FT_TAG_HEADER || message.type == FT_DATA_HEADER ||
                   message.type == FT_CHECKSUM);
        if (message.type == FT_TAG_HEADER)
            FUZZ_CHECK(message.length == static_cast<int64_t>(kFixtureTagBytes));
        if (message.type == FT_DATA_HEADER)
            FUZZ_CHECK(message.length >= 0 && message.length <= region);
        if (message.type != FT_CHECKSUM && !out.Consume(message.length))
            break;
    }
}

std::string Stream(const std::vector<TransferMessage>& messages, const std::vector<std::string>& raw) {
    std::string bytes;
    for (size_t i = 0; i < messages.size(); ++i)
        bytes += Encoded(messages[i]) + (i < raw.size() ? raw[i] : std::string());
    return bytes;
}

TransferMessage Message(uint32_t type, int64_t a = 0, int64_t b = 0, const std::string& digest = "") {
    TransferMessage message;
    message.type = type;
    message.length = a;
    message.start = a;
    message.count = b;
    message.hashedBytes = a;
    message.digest = digest;
    return message;
}

std::string Md5Of(const std::string& bytes) {
    return Md5HexOfBuffer(bytes.data(), static_cast<int>(bytes.size()));
}

} // namespace

std::vector<std::string> fuzzsupport::Seeds() {
    const World& world = GetWorld();
    const std::string tag = world.fixture.substr(0, kFixtureTagBytes);
    const std::string data = world.fixture.substr(kFixtureTagBytes);
    const int64_t tagBytes = static_cast<int64_t>(tag.size());
    const int64_t dataBytes = static_cast<int64_t>(data.size());
    const std::string everyType =
        Stream({Message(FT_REQUEST_TAG), Message(FT_TAG_HEADER, 5), Message(FT_REQUEST_DATA, 3, -1),
                Message(FT_DATA_HEADER, 7), Message(FT_CHECKSUM, 7, 0, Md5Of("x"))},
               {});
    const std::string wholeDownload =
        Stream({Message(FT_TAG_HEADER, tagBytes), Message(FT_CHECKSUM, tagBytes, 0, Md5Of(tag)),
                Message(FT_DATA_HEADER, dataBytes), Message(FT_CHECKSUM, dataBytes, 0, Md5Of(data))},
               {tag, "", data});
    return {
        std::string(1, MODE_READER) + everyType,
        std::string(1, MODE_RECEIVER) + wholeDownload,
        std::string(1, MODE_RECEIVER) + Stream({Message(FT_TAG_HEADER, tagBytes)}, {tag.substr(0, 100)}),
        std::string(1, MODE_SENDER) + Stream({Message(FT_REQUEST_TAG), Message(FT_REQUEST_DATA, 0, -1)}, {}),
        std::string(1, MODE_SENDER) + Stream({Message(FT_REQUEST_DATA, -1, 100000)}, {}),
    };
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    (void)GetWorld();
    FuzzInput input(data, size);
    const uint8_t mode = input.Byte();
    if (mode % 3 == MODE_READER)
        FeedReader(input);
    else if (mode % 3 == MODE_RECEIVER)
        FeedReceiver(input.Rest());
    else
        FeedSender(input.Rest());
    return 0;
}
