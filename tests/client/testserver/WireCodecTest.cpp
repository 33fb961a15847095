#include "tests/support/testserver/Frame.h"
#include "tests/support/testserver/MessageCatalogue.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using namespace testsupport;

std::string Bytes(std::initializer_list<int> bytes) {
    std::string text;
    for (int byte : bytes)
        text.push_back(static_cast<char>(byte));
    return text;
}

TEST(TestServerWire, GoldenFramesOfPingPongStatusAndFirstSecurityStringRequest) {
    EXPECT_EQ(Bytes({0xDE, 0xED, 0x00, 0x04, 0x00, 0x08}), FrameOf(msg::Ping{}));
    EXPECT_EQ(Bytes({0xDE, 0xED, 0x00, 0x04, 0x00, 0x07}), FrameOf(msg::Pong{}));

    // No transfers: 8 body bytes, idle time and power state unknown.
    msg::Status idle{0xFFFFFFFF, 255, 255, {}};
    EXPECT_EQ(Bytes({0xDE, 0xED, 0x00, 0x0C, 0x00, 0x05, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00}),
              FrameOf(idle));

    msg::Status busy{30, 1, 87, {msg::TransferRate{{1, 2, 3, 0xA0B0C0D0}, 1000, 5}}};
    EXPECT_EQ(Bytes({0xDE, 0xED, 0x00, 0x26, 0x00, 0x05, 0x00, 0x00, 0x00, 0x1E, 0x01, 0x57, 0x00, 0x01,
                     0x00, 0x10, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x02, 0x00, 0x00, 0x00, 0x03,
                     0xA0, 0xB0, 0xC0, 0xD0, 0x00, 0x00, 0x03, 0xE8, 0x00, 0x00, 0x00, 0x05}),
              FrameOf(busy));

    // The first request carries server value 0 and the number of files.
    EXPECT_EQ(Bytes({0xDE, 0xED, 0x00, 0x0C, 0x00, 0x24, 0, 0, 0, 0, 0x00, 0x01, 0x02, 0x03}),
              FrameOf(msg::SecurityStringRequest{0, 0x010203}));
}

TEST(TestServerWire, StringsCountBytesAndWideNumbersAreHighWordFirst) {
    msg::Redirect redirect{0x12345678, "h\xC3\xA9"};
    EXPECT_EQ(Bytes({0x12, 0x34, 0x56, 0x78, 0x00, 0x03, 'h', 0xC3, 0xA9}), EncodeBody(redirect));
    msg::StartChanges start{7};
    EXPECT_EQ(Bytes({0, 0, 0, 7}), EncodeBody(start));
    msg::FileRemoved removed{2, 9, 0x0102030405060708ull};
    EXPECT_EQ(Bytes({2, 0, 0, 0, 9, 1, 2, 3, 4, 5, 6, 7, 8}), EncodeBody(removed));
    // Play counts announce the number of u32 values, twice the pairs.
    msg::PlayCounts counts{{{5, 6}}};
    EXPECT_EQ(Bytes({0, 0, 0, 2, 0, 0, 0, 5, 0, 0, 0, 6}), EncodeBody(counts));
}

TEST(TestServerWire, FrameReaderCutsFramesWhateverTheChunks) {
    std::string stream =
        FrameOf(msg::Ping{}) + FrameOf(msg::Redirect{443, "a.example"}) + FrameOf(msg::Rescan{});
    for (size_t chunk : {size_t(1), size_t(5), size_t(6), size_t(7), stream.size()}) {
        FrameReader reader;
        std::vector<Frame> frames;
        for (size_t at = 0; at < stream.size(); at += chunk) {
            reader.Append(std::string_view(stream).substr(at, chunk));
            Frame frame;
            while (reader.Next(frame) == FrameReader::FR_FRAME)
                frames.push_back(frame);
        }
        ASSERT_EQ(3u, frames.size()) << "chunk " << chunk;
        EXPECT_EQ(8, frames[0].type);
        EXPECT_EQ(4, frames[0].declaredLength);
        EXPECT_EQ("", frames[0].payload);
        EXPECT_EQ(7, frames[1].type);
        EXPECT_EQ(EncodeBody(msg::Redirect{443, "a.example"}), frames[1].payload);
        EXPECT_EQ(68, frames[2].type);
        EXPECT_EQ(0u, reader.PendingBytes());
    }
}

TEST(TestServerWire, FrameIsCompleteAtExactlyLengthPlusTwoBytes) {
    std::string frame = FrameOf(msg::AccountStatus{3});
    FrameReader reader;
    Frame out;
    reader.Append(std::string_view(frame).substr(0, frame.size() - 1));
    EXPECT_EQ(FrameReader::FR_NEED_MORE, reader.Next(out));
    reader.Append(std::string_view(frame).substr(frame.size() - 1));
    EXPECT_EQ(FrameReader::FR_FRAME, reader.Next(out));
}

TEST(TestServerWire, BadMagicAndLengthBelowFourStopTheStream) {
    FrameReader badMagic;
    badMagic.Append(Bytes({0xDE, 0xAD, 0x00, 0x04, 0x00, 0x08}));
    Frame frame;
    EXPECT_EQ(FrameReader::FR_BAD_MAGIC, badMagic.Next(frame));
    EXPECT_EQ(0xDEAD, badMagic.BadMagic());
    badMagic.Append(FrameOf(msg::Ping{}));
    EXPECT_EQ(FrameReader::FR_BAD_MAGIC, badMagic.Next(frame));

    FrameReader shortLength;
    shortLength.Append(Bytes({0xDE, 0xED, 0x00, 0x03, 0x00, 0x08}));
    EXPECT_EQ(FrameReader::FR_BAD_LENGTH, shortLength.Next(frame));
}

TEST(TestServerWire, MalformedBodiesAreReportedNotDecoded) {
    struct Case {
        const char* what;
        bool server;
        uint16_t type;
        std::string body;
    };
    const Case cases[] = {
        {"bytes after the last field", false, 7, "x"},
        {"transfer id count not 16", false, 6,
         Bytes({0, 15, 0, 0, 0, 1, 0, 0, 0, 2, 0, 0, 0, 3, 0, 0, 0, 4, 0, 0, 0, 0})},
        {"odd play-count value count", false, 41, Bytes({0, 0, 0, 1, 0, 0, 0, 5})},
        {"list count beyond the body", false, 43, Bytes({0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 1})},
        {"string count beyond the body", true, 56, Bytes({0x40, 0x00, 'a', 'b'})},
        {"echo count beyond the body", true, 16, Bytes({0, 0, 0x23, 0x28, 1, 2})},
        {"unknown new-file kind", false, 39, Bytes({3, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0})},
        {"not-found details with a mask", false, 33, Bytes({0, 0, 3, 0, 0, 0, 9, 0, 0, 0, 0, 0, 0, 0, 0})},
        {"unknown client type", false, 12, ""},
        {"unknown server type", true, 99, ""},
        {"pong number read as a server message", true, 6, ""},
    };
    for (const Case& c : cases) {
        std::string error =
            c.server ? DecodeServerMessage(c.type, c.body).error : DecodeClientMessage(c.type, c.body).error;
        EXPECT_FALSE(error.empty()) << c.what;
    }
}

TEST(TestServerWire, AccountCheckDeclaredOneByteShortLeavesItsFlagOutOfTheFrame) {
    std::string frame = FrameOf(msg::AccountCheck{"3.0.1.46", 35, "alice", "secret", 1});
    // What a sender that does not count the final flag would declare.
    frame[3] = static_cast<char>(frame[3] - 1);
    FrameReader reader;
    reader.Append(frame + FrameOf(msg::Pong{}));
    Frame out;
    ASSERT_EQ(FrameReader::FR_FRAME, reader.Next(out));
    Decoded<ClientMessage> decoded = DecodeClientMessage(out.type, out.payload);
    EXPECT_FALSE(decoded.Ok());
    EXPECT_NE(std::string::npos, decoded.error.find("asGiven")) << decoded.error;
    // The flag byte is then taken for the next frame's magic.
    EXPECT_EQ(FrameReader::FR_BAD_MAGIC, reader.Next(out));
}

} // namespace
