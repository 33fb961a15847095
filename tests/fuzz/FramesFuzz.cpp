// Feeds what a peer sends first to the frame reader (`hasFullMesg`, with
// `TransferId::Read` on each frame's body) and to the connection sniffer
// (`SniffHttp`), in pieces as a socket delivers them. Input: a byte choosing
// the input buffer's size, a byte choosing the piece size, then the stream.
#include "client/net/ConnPreamble.h"
#include "client/net/TcpConn.h"
#include "client/protocol/mvMessage.h"
#include "include/io/Buf.h"
#include "include/text/Utf8.h"
#include "tests/fuzz/support/FuzzInput.h"
#include "tests/fuzz/support/FuzzSupport.h"
#include "tests/support/testserver/Frame.h"

#include <string>
#include <vector>

using fuzzsupport::FuzzInput;
using testsupport::EncodeFrame;

namespace {

// Input buffer sizes: from the smallest that holds a header and a short
// body to the server connection's own.
constexpr int kBufSizes[] = {8, 9, 24, 64, 300, 1024, 8192};
constexpr size_t kNumBufSizes = sizeof kBufSizes / sizeof kBufSizes[0];

// Moves up to `piece` bytes of `stream` from `pos` into the free space.
void Deliver(Buf& in, const std::string& stream, size_t& pos, size_t piece) {
    in.Compact();
    const size_t room = in.GetNumFreeBytes() > 0 ? static_cast<size_t>(in.GetNumFreeBytes()) : 0;
    size_t n = stream.size() - pos;
    n = n < piece ? n : piece;
    n = n < room ? n : room;
    FUZZ_CHECK(in.WriteBytes(stream.data() + pos, static_cast<int64_t>(n)));
    pos += n;
}

// The 18 bytes of a transfer id are taken (read and the buffer sound) only
// when they say 16, and written back unchanged.
void CheckTransferId(const std::string& body) {
    Buf in(static_cast<int64_t>(body.size()) + 1);
    FUZZ_CHECK(in.WriteBytes(body.data(), static_cast<int64_t>(body.size())));
    TransferId id;
    const bool read = id.Read(in);
    const bool failed = in.HasFailed();
    const bool expected = body.size() >= 18 && body[0] == 0 && body[1] == 16;
    FUZZ_CHECK((read && !failed) == expected);
    if (!expected)
        return;
    Buf out(19);
    id.Write(out);
    FUZZ_CHECK(!out.HasFailed() &&
               std::string(reinterpret_cast<char*>(out.GetReadPtr()), 18) == body.substr(0, 18));
}

// Frames until the stream ends or turns bad. A frame is taken whole or not at
// all, a bad one consumes nothing, and the buffer never fills with a frame
// that can never be complete.
void ReadFrames(int bufSize, size_t piece, const std::string& stream) {
    Buf in(bufSize);
    size_t pos = 0;
    for (;;) {
        Deliver(in, stream, pos, piece);
        bool badMessage = false;
        int before = in.GetNumUsedBytes();
        while (hasFullMesg(in, badMessage)) {
            FUZZ_CHECK(in.GetNumUsedBytes() == before - 2);
            const int length = in.ReadUInt16();
            FUZZ_CHECK(length >= static_cast<int>(kMesgLengthOverhead) && in.GetNumUsedBytes() >= length - 2);
            (void)in.ReadUInt16();
            const int bodyBytes = length - static_cast<int>(kMesgLengthOverhead);
            CheckTransferId(
                std::string(reinterpret_cast<char*>(in.GetReadPtr()), static_cast<size_t>(bodyBytes)));
            FUZZ_CHECK(in.Consume(bodyBytes) && !in.HasFailed());
            before = in.GetNumUsedBytes();
        }
        FUZZ_CHECK(in.GetNumUsedBytes() == before);
        if (badMessage)
            return;
        if (pos == stream.size())
            return;
        in.Compact();
        FUZZ_CHECK(in.HasSpace());
    }
}

// What a shared listening port does with a new connection's first bytes.
void SniffConnection(int bufSize, size_t piece, const std::string& stream) {
    Buf in(bufSize);
    size_t pos = 0;
    for (;;) {
        Deliver(in, stream, pos, piece);
        const int before = in.GetNumUsedBytes();
        std::wstring connID;
        const SniffResult result = SniffHttp(in, connID);
        const bool httpRequest = stream.compare(0, 4, "GET ") == 0;
        if (result == SNIFF_NOT_YET) {
            FUZZ_CHECK(in.GetNumUsedBytes() == before && connID.empty());
            FUZZ_CHECK(!httpRequest || before < kSniffMinBytes);
            if (pos == stream.size() || !in.HasSpace())
                return;
            continue;
        }
        if (httpRequest) {
            // The request stays in the buffer for the HTTP connection.
            FUZZ_CHECK(result == SNIFF_IDENTIFIED && connID == kHttpConnId && in.GetNumUsedBytes() == before);
            return;
        }
        if (result == SNIFF_BAD)
            return;
        // A preamble: consumed, and its id announced again reads back the same.
        FUZZ_CHECK(in.GetNumUsedBytes() < before);
        Buf again(2 * kMaxConnIdBytes);
        if (!WriteConnPreamble(again, connID))
            return;
        std::wstring reread;
        FUZZ_CHECK(SniffHttp(again, reread) == SNIFF_IDENTIFIED && reread == connID && !again.HasData());
        return;
    }
}

std::string U32(uint32_t value) {
    return {static_cast<char>(value >> 24), static_cast<char>(value >> 16), static_cast<char>(value >> 8),
            static_cast<char>(value)};
}

} // namespace

std::vector<std::string> fuzzsupport::Seeds() {
    // Buffer size index and piece size first: the link's 8192-byte buffer
    // in pieces of 256 bytes or of one byte, and a 24-byte buffer.
    const std::string large("\x06\xFF", 2);
    const std::string bytewise("\x06\x00", 2);
    const std::string small("\x02\x05", 2);
    const std::string id = std::string("\x00\x10", 2) + U32(1) + U32(2) + U32(3) + U32(4);
    const std::string preamble = U32(10 + 7) + U32(1) + std::string("\x00\x07", 2) + "stream1";
    const std::string preambleUtf8 = U32(10 + 6) + U32(1) + std::string("\x00\x06", 2) + "caf\xC3\xA9!";
    return {
        large + EncodeFrame(8, ""),
        bytewise + EncodeFrame(11, id) + EncodeFrame(16, U32(3) + "abc") + EncodeFrame(8, ""),
        small + EncodeFrame(52, id + std::string("\x00\x01x", 3)),
        large + std::string("\xDE\xED\x00\x03\x00\x08", 6),
        large + std::string("\xDE\xED\x23\x28\x00\x10", 6) + std::string(100, 'x'),
        large + "GET /stream?id=1 HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n",
        bytewise + preamble + EncodeFrame(8, ""),
        large + preambleUtf8,
    };
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput input(data, size);
    const int bufSize = kBufSizes[input.Byte() % kNumBufSizes];
    const size_t piece = static_cast<size_t>(input.Byte()) + 1;
    const std::string stream = input.Rest();
    ReadFrames(bufSize, piece, stream);
    SniffConnection(bufSize, piece, stream);
    return 0;
}
