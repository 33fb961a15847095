#include "include/io/Buf.h"

#include "include/digest/Md5.h"
#include "include/io/BufStrings.h"
#include "tests/support/CapturedLog.h"
#include "tests/support/LoopbackSockets.h"
#include "tests/support/TempDir.h"

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

// Expected encodings are built here by hand, not by Buf, so that a fault in
// Buf's byte order cannot be mirrored by its own reader.
void AppendBigEndian(Bytes& out, uint64_t value, int width) {
    for (int shift = (width - 1) * 8; shift >= 0; shift -= 8)
        out.push_back(static_cast<uint8_t>(value >> shift));
}

Bytes BigEndian(uint64_t value, int width) {
    Bytes out;
    AppendBigEndian(out, value, width);
    return out;
}

// A u16 length, then the bytes.
Bytes Prefixed(const std::string& text) {
    Bytes out = BigEndian(text.size(), 2);
    out.insert(out.end(), text.begin(), text.end());
    return out;
}

Bytes UnreadBytes(const Buf& buf) {
    return Bytes(buf.GetReadPtr(), buf.GetReadPtr() + buf.GetNumUsedBytes());
}

void Load(Buf& buf, const Bytes& bytes) {
    ASSERT_TRUE(buf.WriteBytes(bytes.data(), static_cast<int64_t>(bytes.size())));
}

} // namespace

TEST(BufTest, OneByteOfTheStorageIsNeverWritten) {
    Buf buf(8);
    EXPECT_EQ(7, buf.GetNumFreeBytes());
    EXPECT_TRUE(buf.WriteUInt32(1));
    EXPECT_TRUE(buf.WriteUInt16(2));
    EXPECT_EQ(1, buf.GetNumFreeBytes());
    // wPos 6 + 2 is not below 8.
    EXPECT_FALSE(buf.WriteUInt16(3));
    EXPECT_EQ(6, buf.GetNumUsedBytes());
    EXPECT_TRUE(buf.HasFailed());
    EXPECT_TRUE(buf.WriteByte(4));
    EXPECT_FALSE(buf.HasSpace());
    EXPECT_FALSE(buf.WriteByte(5));
    EXPECT_EQ(7, buf.GetNumUsedBytes());
    EXPECT_TRUE(buf.HasFailed());

    Buf exact(9);
    EXPECT_TRUE(exact.WriteUInt64(0));
    Buf tooSmall(8);
    EXPECT_FALSE(tooSmall.WriteUInt64(0));
    EXPECT_EQ(0, tooSmall.GetNumUsedBytes());
}

TEST(BufTest, EveryWidthIsWrittenAndReadBigEndian) {
    Bytes expected = {0xA5};
    AppendBigEndian(expected, 0x1234, 2);
    AppendBigEndian(expected, 0xDEADBEEF, 4);
    AppendBigEndian(expected, 0x0102030405060708ULL, 8);
    expected.push_back(1);
    expected.push_back(0);

    Buf out(64);
    EXPECT_TRUE(out.WriteByte(0xA5));
    EXPECT_TRUE(out.WriteUInt16(0x1234));
    EXPECT_TRUE(out.WriteUInt32(0xDEADBEEF));
    EXPECT_TRUE(out.WriteUInt64(0x0102030405060708ULL));
    EXPECT_TRUE(out.WriteBool(7));
    EXPECT_TRUE(out.WriteBool(false));
    EXPECT_EQ(expected, UnreadBytes(out));

    Buf in(64);
    Load(in, expected);
    EXPECT_EQ(0xA5, in.ReadByte());
    EXPECT_EQ(0x1234, in.ReadUInt16());
    EXPECT_EQ(0xDEADBEEFu, in.ReadUInt32());
    EXPECT_EQ(0x0102030405060708ULL, in.ReadUInt64());
    EXPECT_TRUE(in.ReadBool());
    EXPECT_FALSE(in.ReadBool());
    EXPECT_FALSE(in.HasData());
    EXPECT_FALSE(in.HasFailed());

    // Any non-zero byte reads as true.
    Buf flags(8);
    Load(flags, {0x80});
    EXPECT_TRUE(flags.ReadBool());
}

TEST(BufTest, AShortReadFailsAndEveryLaterReadFailsUntilTheOwnerChecks) {
    testsupport::CapturedLog log;
    Buf buf(16);
    Load(buf, {1, 2, 3});
    EXPECT_EQ(0u, buf.ReadUInt32());
    EXPECT_EQ(3, buf.GetNumUsedBytes());
    // A byte is there, but the failure is sticky.
    EXPECT_EQ(0, buf.ReadByte());
    EXPECT_EQ(0, buf.ReadUInt16());
    EXPECT_FALSE(buf.WriteByte(9));
    EXPECT_EQ(3, buf.GetNumUsedBytes());
    EXPECT_TRUE(log.Contains("has failed since last check"));

    EXPECT_TRUE(buf.HasFailed());
    EXPECT_FALSE(buf.HasFailed());
    EXPECT_EQ(1, buf.ReadByte());
}

TEST(BufTest, AFailedStringReadLeavesTheMessageFailed) {
    // A truncated message: a string that claims 10 bytes and brings 4.
    Buf buf(64);
    Bytes truncated = BigEndian(10, 2);
    truncated.insert(truncated.end(), {'a', 'b', 'c', 'd'});
    Load(buf, truncated);

    EXPECT_EQ("", buf.ReadStdString(100));
    EXPECT_EQ(6, buf.GetNumUsedBytes());
    EXPECT_EQ(L"", buf.ReadWString(100));
    EXPECT_EQ(nullptr, buf.ReadStringMalloc(100));
    char dst[16];
    std::strcpy(dst, "stale");
    EXPECT_FALSE(buf.ReadString(dst, 15));
    EXPECT_STREQ("", dst);
    EXPECT_EQ(6, buf.GetNumUsedBytes());
    EXPECT_TRUE(buf.HasFailed());

    // A complete string after an earlier failure in the same message fails too.
    Buf message(64);
    Load(message, Prefixed("ok"));
    EXPECT_EQ(0u, message.ReadUInt64());
    EXPECT_EQ("", message.ReadStdString(100));
    EXPECT_EQ(4, message.GetNumUsedBytes());
    EXPECT_TRUE(message.HasFailed());

    // An empty buffer has no string's length: the failure is kept for the
    // message check.
    Buf empty(16);
    EXPECT_EQ(nullptr, empty.ReadStringMalloc(10));
    EXPECT_EQ("", empty.ReadStdString(10));
    EXPECT_TRUE(empty.HasFailed());
}

TEST(BufTest, StringsLongerThanMaxLenAreCutAndConsumedWhole) {
    testsupport::CapturedLog log;
    std::string text;
    for (int i = 0; i < 300; ++i)
        text += static_cast<char>('a' + i % 26);
    Bytes wire = Prefixed(text);
    AppendBigEndian(wire, 0xCAFEF00D, 4);

    Buf buf(1024);
    Load(buf, wire);
    EXPECT_EQ(text.substr(0, 255), buf.ReadStdString(255));
    EXPECT_EQ(0xCAFEF00Du, buf.ReadUInt32());
    EXPECT_FALSE(buf.HasFailed());
    EXPECT_TRUE(log.Contains("In ReadStringCommon, cur string length (300) > maxLen (255)"));

    Buf arrays(1024);
    Load(arrays, wire);
    char dst[11];
    EXPECT_TRUE(arrays.ReadString(dst, 10));
    EXPECT_EQ(text.substr(0, 10), dst);
    EXPECT_EQ(0xCAFEF00Du, arrays.ReadUInt32());

    Buf exact(1024);
    Load(exact, Prefixed("abc"));
    EXPECT_EQ("abc", exact.ReadStdString(3));
    EXPECT_FALSE(exact.HasData());
}

TEST(BufTest, WideStringsTravelAsUtf8) {
    const std::wstring text = L"h\u00e9llo \u20ac \U0001F3B5";
    const std::string utf8 = "h\xc3\xa9llo \xe2\x82\xac \xf0\x9f\x8e\xb5";

    Buf out(64);
    EXPECT_TRUE(out.WriteWString(text));
    EXPECT_TRUE(out.WriteWCString(L"x"));
    EXPECT_TRUE(out.WriteCString("yz"));
    EXPECT_TRUE(out.WriteString(""));
    Bytes expected = Prefixed(utf8);
    for (const char* s : {"x", "yz", ""}) {
        Bytes part = Prefixed(s);
        expected.insert(expected.end(), part.begin(), part.end());
    }
    EXPECT_EQ(expected, UnreadBytes(out));

    EXPECT_EQ(text, out.ReadWString(100));
    EXPECT_EQ(L"x", out.ReadWString(100));
    EXPECT_EQ("yz", out.ReadStdString(100));
    EXPECT_EQ("", out.ReadStdString(100));
    EXPECT_FALSE(out.HasFailed());
}

TEST(BufTest, StringsTooLongForTheLengthPrefixAreRefusedWhole) {
    testsupport::CapturedLog log;
    Buf buf(200000);
    EXPECT_FALSE(buf.WriteString(std::string(65536, 'a')));
    EXPECT_EQ(0, buf.GetNumUsedBytes());
    EXPECT_TRUE(buf.HasFailed());
    EXPECT_TRUE(log.Contains("too long for its 16-bit length"));

    // 21846 euro signs are 65538 bytes of UTF-8.
    EXPECT_FALSE(buf.WriteWString(std::wstring(21846, L'\u20ac')));
    EXPECT_EQ(0, buf.GetNumUsedBytes());
    EXPECT_TRUE(buf.HasFailed());

    EXPECT_TRUE(buf.WriteString(std::string(65535, 'b')));
    EXPECT_EQ(BigEndian(65535, 2), Bytes(buf.GetReadPtr(), buf.GetReadPtr() + 2));
    EXPECT_EQ(65537, buf.GetNumUsedBytes());

    // A string that does not fit leaves no length behind.
    Buf small(8);
    EXPECT_FALSE(small.WriteString("abcdef"));
    EXPECT_EQ(0, small.GetNumUsedBytes());
    EXPECT_TRUE(small.HasFailed());
}

TEST(BufTest, PeekNumReadsInsideTheUnreadBytesOnly) {
    Buf buf(32);
    Bytes bytes = BigEndian(0xDEED, 2);
    AppendBigEndian(bytes, 0x0004, 2);
    Load(buf, bytes);
    EXPECT_EQ(0xDEEDu, buf.PeekNum(2, 0));
    EXPECT_EQ(0x0004u, buf.PeekNum(2, 2));
    EXPECT_EQ(0xDEED0004u, buf.PeekNum(4, 0));
    EXPECT_EQ(0xEDu, buf.PeekNum(1, 1));
    EXPECT_EQ(4, buf.GetNumUsedBytes());
    EXPECT_FALSE(buf.HasFailed());

    EXPECT_EQ(0u, buf.PeekNum(2, 3));
    EXPECT_TRUE(buf.HasFailed());
    EXPECT_EQ(0u, buf.PeekNum(1, -1));
    EXPECT_TRUE(buf.HasFailed());
    EXPECT_EQ(0u, buf.PeekNum(4, 1LL << 33));
    EXPECT_TRUE(buf.HasFailed());

    // After a read the offsets count from the read position.
    EXPECT_EQ(0xDEu, buf.ReadByte());
    EXPECT_EQ(0xED00u, buf.PeekNum(2, 0));
}

TEST(BufTest, NegativeAndHugeCountsAreRefused) {
    const int64_t wraps32 = (int64_t{1} << 32) + 2; // 2 when cut to 32 bits
    const int64_t peerCount = static_cast<int64_t>(0xFFFFFFFFFFFFFFF0ULL);
    uint8_t bytes[8] = {};

    struct Case {
        const char* what;
        std::function<bool(Buf&)> call;
    };
    const Case cases[] = {
        {"ReadBytes -1", [&](Buf& b) { return b.ReadBytes(bytes, -1); }},
        {"ReadBytes 2^32+2", [&](Buf& b) { return b.ReadBytes(bytes, wraps32); }},
        {"ReadBytes peer u64", [&](Buf& b) { return b.ReadBytes(bytes, peerCount); }},
        {"PeekBytes 2^32+2", [&](Buf& b) { return b.PeekBytes(bytes, wraps32); }},
        {"Consume -1", [&](Buf& b) { return b.Consume(-1); }},
        {"Consume 2^32+2", [&](Buf& b) { return b.Consume(wraps32); }},
        {"WriteBytes -1", [&](Buf& b) { return b.WriteBytes(bytes, -1); }},
        {"WriteBytes 2^32+2", [&](Buf& b) { return b.WriteBytes(bytes, wraps32); }},
        {"CommitWrite -1", [&](Buf& b) { return b.CommitWrite(-1); }},
        {"CommitWrite 2^32+2", [&](Buf& b) { return b.CommitWrite(wraps32); }},
        {"CommitWrite free+1", [&](Buf& b) { return b.CommitWrite(b.GetNumFreeBytes() + 1); }},
        {"ReadString maxLen -1", [&](Buf& b) { return b.ReadString(reinterpret_cast<char*>(bytes), -1); }},
        {"ReadStringMalloc maxLen -5", [&](Buf& b) { return b.ReadStringMalloc(-5) != nullptr; }},
    };
    for (const Case& c : cases) {
        Buf buf(64);
        Load(buf, Prefixed("abcd"));
        EXPECT_FALSE(c.call(buf)) << c.what;
        EXPECT_EQ(Prefixed("abcd"), UnreadBytes(buf)) << c.what;
        EXPECT_TRUE(buf.HasFailed()) << c.what;
    }
}

TEST(BufTest, CommitWriteTakesBytesWrittenThroughTheWritePointer) {
    Buf buf(16);
    const Bytes bytes = {9, 8, 7};
    std::memcpy(buf.GetWritePtr(), bytes.data(), bytes.size());
    EXPECT_TRUE(buf.CommitWrite(3));
    EXPECT_EQ(bytes, UnreadBytes(buf));

    // Received bytes are kept while a parse failure waits for its check.
    (void)buf.ReadUInt64();
    buf.GetWritePtr()[0] = 6;
    EXPECT_TRUE(buf.CommitWrite(1));
    EXPECT_TRUE(buf.HasFailed());
    EXPECT_EQ(Bytes({9, 8, 7, 6}), UnreadBytes(buf));

    EXPECT_TRUE(buf.CommitWrite(buf.GetNumFreeBytes()));
    EXPECT_FALSE(buf.HasSpace());
    EXPECT_FALSE(buf.CommitWrite(1));
}

TEST(BufTest, CompactMovesTheUnreadBytesToTheStart) {
    Buf buf(8);
    Load(buf, {1, 2, 3, 4, 5, 6});
    EXPECT_EQ(0x0102u, buf.ReadUInt16());
    EXPECT_TRUE(buf.Consume(2));
    EXPECT_EQ(1, buf.GetNumFreeBytes());
    buf.Compact();
    EXPECT_EQ(Bytes({5, 6}), UnreadBytes(buf));
    EXPECT_EQ(buf.GetReadPtr(), buf.GetWritePtr() - 2);
    EXPECT_EQ(5, buf.GetNumFreeBytes());
    EXPECT_EQ(1u, buf.GetStats().compactions);
    buf.Compact();
    EXPECT_EQ(1u, buf.GetStats().compactions);
    EXPECT_TRUE(buf.WriteUInt32(0x0708090A));
    EXPECT_EQ(Bytes({5, 6, 7, 8, 9, 10}), UnreadBytes(buf));
}

TEST(BufTest, ResetReallocateAndUnusableSizes) {
    Buf buf(16);
    Load(buf, {1, 2, 3});
    (void)buf.ReadUInt32();
    buf.Reset();
    EXPECT_EQ(0, buf.GetNumUsedBytes());
    EXPECT_FALSE(buf.HasFailed());
    EXPECT_EQ(16, buf.GetSize());

    Load(buf, {1, 2, 3});
    buf.Reallocate(32);
    EXPECT_EQ(32, buf.GetSize());
    EXPECT_EQ(0, buf.GetNumUsedBytes());
    EXPECT_EQ(31, buf.GetNumFreeBytes());

    for (int64_t size : {int64_t{0}, int64_t{-1}, int64_t{1} << 40}) {
        Buf unusable(size);
        EXPECT_EQ(0, unusable.GetSize()) << size;
        EXPECT_FALSE(unusable.HasSpace()) << size;
        EXPECT_FALSE(unusable.WriteByte(1)) << size;
        EXPECT_EQ(0, unusable.ReadByte()) << size;
        EXPECT_EQ(1, unusable.WriteToSocket(-1)) << size;
        EXPECT_EQ(0, unusable.WriteToFile(-1, 10, nullptr)) << size;
    }
}

TEST(BufTest, FileRoundTripFeedsTheDigestWithTheBytesThatPass) {
    testsupport::TempDir dir;
    std::string data;
    for (int i = 0; i < 10000; ++i)
        data += static_cast<char>(i * 7 + i / 256);
    const std::string expected = Md5HexOfBuffer(data.data(), static_cast<int>(data.size()));
    const std::string path = dir.File("data.bin");

    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    ASSERT_GE(fd, 0);
    Md5Context written;
    Md5Init(&written);
    Buf out(4096);
    size_t offset = 0;
    while (offset < data.size() || out.HasData()) {
        int chunk = std::min<int>(out.GetNumFreeBytes(), static_cast<int>(data.size() - offset));
        EXPECT_TRUE(out.WriteBytes(data.data() + offset, chunk));
        offset += static_cast<size_t>(chunk);
        // Writes in pieces of at most 1000 bytes; the rest is compacted.
        int n = out.WriteToFile(fd, 1000, &written);
        ASSERT_GT(n, 0);
        EXPECT_LE(n, 1000);
    }
    EXPECT_EQ(0, out.WriteToFile(fd, 1000, &written));
    close(fd);

    unsigned char digest[kMd5DigestBytes];
    Md5Final(&written, digest);
    EXPECT_EQ(expected, GetDigestStrA(digest, kMd5DigestBytes));

    fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    Md5Context read;
    Md5Init(&read);
    Buf in(3000);
    std::string back;
    for (;;) {
        // A peer-sized limit far beyond the buffer reads only the free space.
        int n = in.ReadFromFile(fd, int64_t{1} << 40, &read);
        ASSERT_GE(n, 0);
        EXPECT_LE(n, 2999);
        if (n == 0)
            break;
        // Leave some bytes unread so the next read compacts first.
        int take = in.GetNumUsedBytes() > 10 ? in.GetNumUsedBytes() - 10 : in.GetNumUsedBytes();
        back.append(reinterpret_cast<const char*>(in.GetReadPtr()), static_cast<size_t>(take));
        EXPECT_TRUE(in.Consume(take));
    }
    back.append(reinterpret_cast<const char*>(in.GetReadPtr()), static_cast<size_t>(in.GetNumUsedBytes()));
    close(fd);
    EXPECT_EQ(data, back);
    Md5Final(&read, digest);
    EXPECT_EQ(expected, GetDigestStrA(digest, kMd5DigestBytes));
    EXPECT_EQ(10000u, in.GetStats().bytesIn);

    // A full buffer reads nothing and is refused without a crash.
    fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    Buf full(4);
    EXPECT_EQ(3, full.ReadFromFile(fd, 100, nullptr));
    EXPECT_EQ(-1, full.ReadFromFile(fd, 100, nullptr));
    close(fd);
}

TEST(BufTest, SocketTransfersMoveBytesBothWays) {
    int pair[2];
    ASSERT_EQ(0, socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0, pair));
    platform::UniqueFd near(pair[0]);
    platform::UniqueFd far(pair[1]);

    Buf out(40000);
    EXPECT_EQ(1, out.WriteToSocket(near.Get()));
    std::string data(20000, 'x');
    for (size_t i = 0; i < data.size(); ++i)
        data[i] = static_cast<char>(i % 251);
    EXPECT_TRUE(out.WriteBytes(data.data(), static_cast<int64_t>(data.size())));
    EXPECT_EQ(Buf::kMaxSendBytes, out.WriteToSocket(near.Get()));
    EXPECT_EQ(20000 - Buf::kMaxSendBytes, out.GetNumUsedBytes());

    Buf in(65536);
    std::string received;
    for (int tries = 0; tries < 100 && received.size() < data.size(); ++tries) {
        if (out.HasData()) {
            EXPECT_GE(out.WriteToSocket(near.Get()), 0);
        }
        int n = in.ReadFromSocket(far.Get());
        if (n > 0) {
            received.append(reinterpret_cast<const char*>(in.GetReadPtr()), static_cast<size_t>(n));
            EXPECT_TRUE(in.Consume(n));
        }
    }
    EXPECT_EQ(data, received);
    // Nothing to read on a non-blocking socket.
    EXPECT_EQ(-1, in.ReadFromSocket(far.Get()));

    // A full buffer is reported as a dead connection, not a crash.
    Buf full(4);
    Load(full, {1, 2, 3});
    EXPECT_EQ(0, full.ReadFromSocket(far.Get()));

    // A closed peer: receive gives 0, send fails without raising SIGPIPE.
    far.Reset();
    Buf closed(16);
    EXPECT_EQ(0, closed.ReadFromSocket(near.Get()));
    EXPECT_TRUE(out.WriteByte(1));
    EXPECT_EQ(-1, out.WriteToSocket(near.Get()));
    EXPECT_EQ(1, out.GetNumUsedBytes());
}

TEST(BufTest, TryReadStringsReadOnlyWholeStrings) {
    // Only the two length bytes of an empty string: taken as incomplete.
    Buf emptyOnly(16);
    Load(emptyOnly, BigEndian(0, 2));
    EXPECT_EQ(L"", TryReadWString(emptyOnly));
    EXPECT_EQ("", TryReadString(emptyOnly));
    EXPECT_EQ(2, emptyOnly.GetNumUsedBytes());
    EXPECT_FALSE(emptyOnly.HasFailed());

    Bytes wire = Prefixed("caf\xc3\xa9");
    Buf partial(64);
    Load(partial, Bytes(wire.begin(), wire.end() - 1));
    EXPECT_EQ(L"", TryReadWString(partial));
    EXPECT_EQ(6, partial.GetNumUsedBytes());
    EXPECT_FALSE(partial.HasFailed());

    Load(partial, Bytes(wire.end() - 1, wire.end()));
    EXPECT_EQ(L"caf\u00e9", TryReadWString(partial));
    EXPECT_FALSE(partial.HasData());

    Buf narrow(64);
    Load(narrow, Prefixed("abc"));
    EXPECT_EQ("abc", TryReadString(narrow));
    EXPECT_FALSE(narrow.HasData());
    EXPECT_FALSE(narrow.HasFailed());
}
