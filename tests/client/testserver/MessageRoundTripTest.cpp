#include "tests/support/testserver/Frame.h"
#include "tests/support/testserver/MessageCatalogue.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

namespace {

using namespace testsupport;

const msg::TransferId kId{1, 0xFFFFFFFF, 7, 12};

// One message of every server type, every field set to a value that is not
// its default.
std::vector<ServerMessage> ServerSamples() {
    return {
        msg::Redirect{8443, "127.0.0.1"},
        msg::Ping{},
        msg::FileListingRequest{},
        msg::Transfer{kId, true, false, "10.1.2.3", 40000, 17, "Rock\\Band", 123456, 0x0102030405060708ull,
                      "tid-9", "song.mp3", 555, "owner", "tag-text"},
        msg::AbortTransfer{kId},
        msg::AccountStatus{3},
        msg::PlayFile{17, 99, 2},
        msg::Echo{std::string("\x00\x01\xFFzz", 5)},
        msg::AccountCheckResult{16, "credential"},
        msg::DeleteTempFile{kId, "mv-1.temp"},
        msg::PlayList{1, {{17, 0}, {18, 5}}},
        msg::SecurityString{"salt", "second", 4711},
        msg::ServerText{"hello there"},
        msg::Upgrade{"/up/upgrader.exe", "0123456789abcdef0123456789abcdef", "/up/manifest.txt",
                     "fedcba9876543210fedcba9876543210", 600},
        msg::SendLog{2},
        msg::Ignored60{},
        msg::SongInfo{17, 555, 66, 0x1122334455667788ull, 1700000000, 90, 77, 78, "Song", "Artist",
                      "Album Artist", "Album", 1, 2, 3, 4},
        msg::FileDetailsRequest{17, true},
        msg::Ignored63{},
        msg::SavePlaylist{"Road", {1234, 5678}, {17}, true},
        msg::NewFileAck{17},
        msg::StatusRequest{},
        msg::PlaycountSettings{true, 24, true},
        msg::Rescan{},
        msg::StartChanges{50},
        msg::ConnectStream{8080, "192.168.1.5", "conn-42"},
        msg::DeletePlaylist{"Road"},
        msg::ShowFolders{},
        msg::ImportItunesPlaylists{},
    };
}

msg::NewFile MusicNewFile() {
    msg::NewFile file;
    file.kind = msg::kRecordMusic;
    file.music = msg::MusicRecord{17,
                                  "0123456789abcdef0123456789abcdef4096",
                                  555,
                                  0x0A0B0C0D0E0F1011ull,
                                  1700000000,
                                  80,
                                  true,
                                  3000000,
                                  320,
                                  215,
                                  1690000000,
                                  66,
                                  0x99887766554433ull,
                                  3,
                                  1,
                                  77,
                                  78,
                                  "Song",
                                  "Artist",
                                  "Album Artist",
                                  "Album",
                                  1,
                                  2,
                                  3,
                                  4};
    file.changeStamp = 0x6553F10000000005ull;
    return file;
}

msg::NewFile PlaylistNewFile() {
    msg::NewFile file;
    file.kind = msg::kRecordPlaylist;
    file.playlist = msg::PlaylistRecord{
        18, "Road.m3u", true, 1690000001, {{1234, 215, "", true}, {0, 0, "Unknown track", false}}};
    file.changeStamp = 6;
    return file;
}

msg::FileDetails FoundDetails(uint16_t mask) {
    msg::FileDetails details;
    details.kind = msg::kRecordMusic;
    details.contentMask = mask;
    details.cfID = 17;
    details.details.fileName = "song.mp3";
    details.details.directory = "Rock\\Band";
    details.details.size = 3100000;
    details.details.dataLen = 3000000;
    details.details.bitRate = 320;
    details.details.printSecs = 215;
    details.details.lastModDate = 1690000000;
    details.details.digest = "0123456789abcdef0123456789abcdef4096";
    details.details.auxText = "aux";
    if (mask & msg::kHasId3) {
        details.details.id3v1Title = "t1";
        details.details.id3v1Artist = "a1";
        details.details.id3v1Album = "b1";
    }
    if (mask & msg::kHasId3v2) {
        details.details.id3v2Title = "t2";
        details.details.id3v2Artist = "a2";
        details.details.id3v2Album = "b2";
        details.details.trackNum = 4;
        details.details.tpe2 = "band";
        details.details.artSize = 12000;
        details.details.artHash = 0xABCDEF;
    }
    details.details.printText = "print";
    details.details.downloaded = true;
    details.changeStamp = 7;
    return details;
}

std::vector<ClientMessage> ClientSamples() {
    msg::FileDetails notFound;
    notFound.cfID = 99;
    notFound.changeStamp = 8;
    return {
        msg::Hello{12345, 77, "alice", "0123456789abcdef0123456789abcdef", "3.0.1.46", "127.0.0.1", "host", 1,
                   2, 35, "6.1.b0 Debian GNU/Linux 12 (bookworm), 64-bit", "one-time", "0badcafe", "Player",
                   "Other Player", 40123, 0x6553F10000000002ull, true},
        msg::FileRemoved{2, 18, 9},
        msg::Status{30, 1, 87, {{kId, 1000, 5}, {msg::TransferId{5, 6, 7, 8}, 0, 0}}},
        msg::TransferStatus{kId, 3},
        msg::Pong{},
        msg::AccountCheck{"3.0.1.46", 35, "alice", "secret", 1},
        FoundDetails(msg::kMaskAlwaysSet | msg::kHasId3 | msg::kHasId3v2),
        msg::TempFileDeleted{kId, 1},
        msg::SecurityStringRequest{4711, 3},
        msg::EchoReply{std::string("\x00\x01\xFFzz", 5)},
        msg::SyncComplete{},
        MusicNewFile(),
        msg::LocalPort{40123},
        msg::PlayCounts{{{17, 3}, {18, 1}}},
        msg::SharesChanged{},
        msg::Playlist{"Mix", "pl-id", {17, 18, 19}},
        // Further forms of the same types.
        PlaylistNewFile(),
        notFound,
        FoundDetails(msg::kMaskAlwaysSet),
        FoundDetails(msg::kMaskAlwaysSet | msg::kHasId3v2),
    };
}

// Every prefix of a body that has fields is too short for them.
template <class DecodeFn>
void ExpectEveryTruncationMalformed(const std::string& body, uint16_t type, DecodeFn decode) {
    for (size_t length = 0; length < body.size(); ++length)
        EXPECT_FALSE(decode(type, std::string_view(body).substr(0, length)).Ok())
            << "type " << type << " cut to " << length << " of " << body.size();
}

TEST(TestServerMessages, SamplesCoverEveryTypeOfBothDirections) {
    std::set<uint16_t> serverTypes, clientTypes;
    for (const ServerMessage& message : ServerSamples())
        serverTypes.insert(TypeOf(message));
    for (const ClientMessage& message : ClientSamples())
        clientTypes.insert(TypeOf(message));
    EXPECT_EQ(std::variant_size_v<ServerMessage>, serverTypes.size());
    EXPECT_EQ(std::variant_size_v<ClientMessage>, clientTypes.size());
    EXPECT_EQ(29u, serverTypes.size());
    EXPECT_EQ(16u, clientTypes.size());
}

TEST(TestServerMessages, ServerMessagesRoundTripThroughTheirFrames) {
    for (const ServerMessage& message : ServerSamples()) {
        FrameReader reader;
        reader.Append(FrameOf(message));
        Frame frame;
        ASSERT_EQ(FrameReader::FR_FRAME, reader.Next(frame));
        EXPECT_EQ(frame.payload.size() + 4, frame.declaredLength);
        Decoded<ServerMessage> decoded = DecodeServerMessage(frame.type, frame.payload);
        ASSERT_TRUE(decoded.Ok()) << Describe(message) << ": " << decoded.error;
        EXPECT_TRUE(*decoded.message == message)
            << Describe(message) << " came back as " << Describe(*decoded.message);
        ExpectEveryTruncationMalformed(frame.payload, frame.type, DecodeServerMessage);
        EXPECT_FALSE(DecodeServerMessage(frame.type, frame.payload + '\0').Ok()) << Describe(message);
    }
}

TEST(TestServerMessages, ClientMessagesRoundTripThroughTheirFrames) {
    for (const ClientMessage& message : ClientSamples()) {
        FrameReader reader;
        reader.Append(FrameOf(message));
        Frame frame;
        ASSERT_EQ(FrameReader::FR_FRAME, reader.Next(frame));
        EXPECT_EQ(frame.payload.size() + 4, frame.declaredLength);
        Decoded<ClientMessage> decoded = DecodeClientMessage(frame.type, frame.payload);
        ASSERT_TRUE(decoded.Ok()) << Describe(message) << ": " << decoded.error;
        EXPECT_TRUE(*decoded.message == message)
            << Describe(message) << " came back as " << Describe(*decoded.message);
        ExpectEveryTruncationMalformed(frame.payload, frame.type, DecodeClientMessage);
        EXPECT_FALSE(DecodeClientMessage(frame.type, frame.payload + '\0').Ok()) << Describe(message);
    }
}

TEST(TestServerMessages, DetailsGroupsFollowTheContentMask) {
    size_t plain = EncodeBody(FoundDetails(msg::kMaskAlwaysSet)).size();
    size_t withId3 = EncodeBody(FoundDetails(msg::kMaskAlwaysSet | msg::kHasId3)).size();
    size_t withBoth = EncodeBody(FoundDetails(msg::kMaskAlwaysSet | msg::kHasId3 | msg::kHasId3v2)).size();
    // Three strings of 2 bytes each; then three strings, u16, a 4-byte
    // string, u32 and u64.
    EXPECT_EQ(plain + 3 * (2 + 2), withId3);
    EXPECT_EQ(withId3 + 3 * (2 + 2) + 2 + (2 + 4) + 4 + 8, withBoth);
}

TEST(TestServerMessages, NamesAndReadableFormFollowTheDirection) {
    EXPECT_STREQ("MSG_REDIRECT", ServerMessageName(7));
    EXPECT_STREQ("MSG_PONG", ClientMessageName(7));
    EXPECT_EQ(nullptr, ServerMessageName(12));
    EXPECT_EQ(nullptr, ClientMessageName(8));
    std::string text = Describe(ClientMessage(msg::Status{30, 1, 87, {{kId, 1000, 5}}}));
    EXPECT_EQ("MSG_STATUS idleSecs=30 acLineStatus=1 batteryPercent=87 transfers=[1] "
              "{id=1-4294967295-7-12 rate=1000 done=5}",
              text);
    EXPECT_EQ("MSG_SERVER_TEXT text=\"a\\x0a\\\"b\"", Describe(ServerMessage(msg::ServerText{"a\n\"b"})));
}

} // namespace
