#include "client/protocol/mvMessage.h"

#include "include/io/Buf.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

void Put(Buf& buf, const std::vector<uint8_t>& bytes) {
    ASSERT_TRUE(buf.WriteBytes(bytes.data(), static_cast<int64_t>(bytes.size())));
}

std::vector<uint8_t> Unread(const Buf& buf) {
    return std::vector<uint8_t>(buf.GetReadPtr(), buf.GetReadPtr() + buf.GetNumUsedBytes());
}

} // namespace

TEST(mvMessageTest, HeaderIsMagicLengthAndSixteenBitTypeBigEndian) {
    Buf out(64);
    ASSERT_TRUE(WriteHeader(out, MesgHeader{0x1234, 3}));
    EXPECT_EQ((std::vector<uint8_t>{0xDE, 0xED, 0x00, 0x07, 0x12, 0x34}), Unread(out));
    EXPECT_FALSE(out.HasFailed());
}

TEST(mvMessageTest, PayloadsThatCannotBeFramedAreRefusedWhole) {
    Buf out(128);
    EXPECT_FALSE(WriteHeader(out, MesgHeader{1, 65532}));
    EXPECT_EQ(0, out.GetNumUsedBytes());
    EXPECT_TRUE(WriteHeader(out, MesgHeader{1, 65531}));
}

// canHoldMesg is true exactly when header and payload can be written, and a
// header that does not fit leaves nothing behind. Buffers are partly filled
// so the free count is size - write position - 1, not just size - 1.
TEST(mvMessageTest, FrameIsWrittenWholeExactlyWhenCanHoldSaysSo) {
    constexpr int kSize = 40;
    for (uint32_t payload : {0u, 5u}) {
        for (int freeBytes = 0; freeBytes <= kMesgHeaderBytes + static_cast<int>(payload) + 1; ++freeBytes) {
            Buf out(kSize);
            const std::vector<uint8_t> filler(static_cast<size_t>(kSize - 1 - freeBytes), 0x55);
            Put(out, filler);
            ASSERT_EQ(freeBytes, out.GetNumFreeBytes());
            const MesgHeader header{0x0102, payload};
            const bool fits = freeBytes >= kMesgHeaderBytes + static_cast<int>(payload);
            EXPECT_EQ(fits, canHoldMesg(out, header)) << payload << " in " << freeBytes;

            const bool headerWritten = WriteHeader(out, header);
            EXPECT_EQ(freeBytes >= kMesgHeaderBytes, headerWritten) << freeBytes;
            EXPECT_EQ(static_cast<int>(filler.size()) + (headerWritten ? kMesgHeaderBytes : 0),
                      out.GetNumUsedBytes())
                << "header in " << freeBytes << " free bytes";
            const std::vector<uint8_t> body(payload, 0xAA);
            const bool bodyWritten =
                headerWritten && out.WriteBytes(body.data(), static_cast<int64_t>(body.size()));
            EXPECT_EQ(fits, bodyWritten && !out.HasFailed()) << payload << " in " << freeBytes;
        }
    }
}

TEST(mvMessageTest, FrameIsCompleteExactlyAtLengthPlusTwo) {
    bool bad = true;
    Buf in(64);
    Put(in, {0xDE, 0xED, 0x00, 0x04, 0x00});
    EXPECT_FALSE(hasFullMesg(in, bad)); // 5 bytes are never a frame
    EXPECT_FALSE(bad);
    Put(in, {0x09});
    ASSERT_TRUE(hasFullMesg(in, bad)); // length 4: empty payload
    EXPECT_EQ(4u, in.PeekNum(2, 0));   // read position at the length field

    Buf partial(64);
    Put(partial, {0xDE, 0xED, 0x00, 0x07, 0x00, 0x01, 0xAA, 0xBB}); // L + 1 bytes
    EXPECT_FALSE(hasFullMesg(partial, bad));
    EXPECT_FALSE(bad);
    EXPECT_EQ(8, partial.GetNumUsedBytes());
    Put(partial, {0xCC});
    EXPECT_TRUE(hasFullMesg(partial, bad));
}

TEST(mvMessageTest, MalformedFramesAreBadAndLeftUntouched) {
    struct Case {
        const char* what;
        std::vector<uint8_t> bytes;
    };
    const Case cases[] = {
        {"bad magic", {0xBE, 0xEF, 0x00, 0x04, 0x00, 0x01}},
        {"length 0", {0xDE, 0xED, 0x00, 0x00, 0x00, 0x01}},
        {"length 3", {0xDE, 0xED, 0x00, 0x03, 0x00, 0x01}},
        {"larger than the buffer can hold", {0xDE, 0xED, 0x23, 0x28, 0x00, 0x01}}, // 9000
    };
    for (const Case& c : cases) {
        Buf in(8192);
        Put(in, c.bytes);
        bool bad = false;
        EXPECT_FALSE(hasFullMesg(in, bad)) << c.what;
        EXPECT_TRUE(bad) << c.what;
        EXPECT_EQ(static_cast<int>(c.bytes.size()), in.GetNumUsedBytes()) << c.what;
    }
}

TEST(mvMessageTest, SeveralFramesInOneBufferAreFoundInTurn) {
    Buf in(64);
    Put(in, {0xDE, 0xED, 0x00, 0x05, 0x00, 0x02, 0x7F, 0xDE, 0xED, 0x00, 0x04, 0x00, 0x03});
    bool bad = false;
    ASSERT_TRUE(hasFullMesg(in, bad));
    EXPECT_EQ(5u, in.ReadUInt16());
    EXPECT_EQ(2u, in.ReadUInt16());
    EXPECT_EQ(0x7F, in.ReadByte());
    ASSERT_TRUE(hasFullMesg(in, bad));
    EXPECT_EQ(4u, in.ReadUInt16());
    EXPECT_EQ(3u, in.ReadUInt16());
    EXPECT_FALSE(hasFullMesg(in, bad));
    EXPECT_FALSE(bad);
}

TEST(mvMessageTest, TransferIdRoundTripsAndPrintsUnsigned) {
    TransferId id{0, 4294967295u, 7, 12};
    EXPECT_EQ(L"0-4294967295-7-12", id.ToText());
    Buf buf(64);
    id.Write(buf);
    EXPECT_EQ((std::vector<uint8_t>{0, 16, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 7, 0, 0, 0, 12}),
              Unread(buf));
    TransferId back;
    EXPECT_TRUE(back.Read(buf));
    EXPECT_EQ(id, back);
    EXPECT_NE(id, (TransferId{0, 4294967295u, 7, 13}));
}

TEST(mvMessageTest, TransferIdWithAWrongCountOrShortBytesFails) {
    Buf wrongCount(64);
    Put(wrongCount, {0, 12, 0, 0, 0, 1, 0, 0, 0, 2, 0, 0, 0, 3, 0, 0, 0, 4});
    TransferId id;
    EXPECT_FALSE(id.Read(wrongCount));
    EXPECT_TRUE(wrongCount.HasFailed());

    Buf shortBytes(64);
    Put(shortBytes, {0, 16, 0, 0, 0, 1});
    EXPECT_FALSE(id.Read(shortBytes));
    EXPECT_TRUE(shortBytes.HasFailed());
}
