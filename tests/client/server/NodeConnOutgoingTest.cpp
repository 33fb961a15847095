// What the server link sends on its own: play counts, playlists, the change
// upload and the end of a listing, the local port.
#include "tests/client/server/LinkHarness.h"

#include <gtest/gtest.h>

using namespace testsupport;

namespace {

class NodeConnOutgoingTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(h.serverStarted);
        ASSERT_TRUE(h.Connect());
        ASSERT_TRUE(h.PumpUntil([&] { return h.link->CanSendChanges(); }));
    }

    static TestServerOptions Options() {
        TestServerOptions options = DefaultServerOptions();
        options.replies.startChangesWindow = 10;
        return options;
    }

    LinkHarness h{Options()};
};

} // namespace

TEST_F(NodeConnOutgoingTest, PlayCountsGoOutNineHundredPerMessage) {
    PlayCountMap counts;
    for (uint32_t song = 1; song <= 1000; ++song)
        counts[song] = song % 7 + 1;
    ASSERT_TRUE(h.link->SendPlayCounts(counts));
    EXPECT_EQ(100u, counts.size());
    EXPECT_EQ(901u, counts.begin()->first);
    ASSERT_TRUE(h.link->SendPlayCounts(counts));
    EXPECT_TRUE(counts.empty());
    EXPECT_FALSE(h.link->SendPlayCounts(counts));
    ASSERT_TRUE(h.PumpUntil([&] { return h.server.CountReceived(ClientMsg::MSG_PLAYCOUNTS) == 2; }));
    std::optional<ReceivedMessage> first = h.server.PopNextOf(ClientMsg::MSG_PLAYCOUNTS);
    ASSERT_TRUE(first && first->As<msg::PlayCounts>()) << first->Describe();
    EXPECT_EQ(std::string("\0\0\x07\x08", 4), first->payload.substr(0, 4)); // 2 x 900
    ASSERT_EQ(900u, first->As<msg::PlayCounts>()->counts.size());
    std::optional<ReceivedMessage> second = h.server.PopNextOf(ClientMsg::MSG_PLAYCOUNTS);
    ASSERT_TRUE(second && second->As<msg::PlayCounts>());
    EXPECT_EQ(100u, second->As<msg::PlayCounts>()->counts.size());
    EXPECT_TRUE(h.server.Problems().empty());
}

TEST_F(NodeConnOutgoingTest, PlaylistsThatCanNeverFitAreDroppedAndTheRestGoOut) {
    // Frames of 6 header bytes, two prefixed texts, the count and the entries:
    // "Edge" needs 32768 bytes, one more than an empty output buffer takes;
    // "Fit" needs exactly that.
    std::list<ResolvedPlaylist> playlists;
    playlists.push_back({L"Huge", L"H", std::vector<uint32_t>(9000, 1)});
    playlists.push_back({L"Edge", L"E1", std::vector<uint32_t>(8187, 2)});
    playlists.push_back({L"Fit", L"F1", std::vector<uint32_t>(8187, 3)});
    playlists.push_back({L"Road", L"ID-1", {3, 4, 5}});
    // As the core loop does: one call per pass.
    for (int pass = 0; pass < 3000 && !playlists.empty(); ++pass) {
        (void)h.link->SendPlaylist(playlists);
        h.Pass();
    }
    EXPECT_TRUE(playlists.empty());
    EXPECT_TRUE(h.log.Contains("Playlist Huge is too large - not sending"));
    EXPECT_TRUE(
        h.log.Contains("Playlist Edge is too large - not sending. Bytes needed:32768, outBuf size:32768"));
    EXPECT_FALSE(h.log.Contains("Playlist Fit is too large"));
    ASSERT_TRUE(h.PumpUntil([&] { return h.server.CountReceived(ClientMsg::MSG_PLAYLIST) == 2; }));
    std::optional<ReceivedMessage> fit = h.server.PopNextOf(ClientMsg::MSG_PLAYLIST);
    ASSERT_TRUE(fit && fit->As<msg::Playlist>());
    EXPECT_EQ("Fit", fit->As<msg::Playlist>()->firstText);
    EXPECT_EQ(8187u, fit->As<msg::Playlist>()->entries.size());
    std::optional<ReceivedMessage> road = h.server.PopNextOf(ClientMsg::MSG_PLAYLIST);
    ASSERT_TRUE(road && road->As<msg::Playlist>());
    EXPECT_EQ("Road", road->As<msg::Playlist>()->firstText);
    EXPECT_EQ("ID-1", road->As<msg::Playlist>()->secondText);
    EXPECT_EQ(std::vector<uint32_t>({3, 4, 5}), road->As<msg::Playlist>()->entries);
}

TEST_F(NodeConnOutgoingTest, ChangeUploadStopsAfterThreeSecondsAndGoesOnNextPass) {
    for (uint32_t cfID = 1; cfID <= 5; ++cfID)
        h.scanner.queue.push_back({SYNC_DEL, cfID, 1});
    h.scanner.onPop = [&] { h.clock.Advance(1000); };
    h.link->SendChangeQueue(h.scanner);
    EXPECT_EQ(2u, h.scanner.queue.size());
    h.link->SendChangeQueue(h.scanner);
    EXPECT_TRUE(h.scanner.queue.empty());
    ASSERT_TRUE(h.PumpUntil([&] { return h.server.CountReceived(ClientMsg::MSG_FILE_REMOVED) == 5; }));
    std::optional<ReceivedMessage> removed = h.server.PopNextOf(ClientMsg::MSG_FILE_REMOVED);
    ASSERT_TRUE(removed && removed->As<msg::FileRemoved>());
    EXPECT_EQ(1u, removed->As<msg::FileRemoved>()->cfID);
    EXPECT_EQ(1, removed->As<msg::FileRemoved>()->kind);
    EXPECT_EQ(h.scanner.GetChangeStamp() - 4, removed->As<msg::FileRemoved>()->changeStamp);
}

TEST_F(NodeConnOutgoingTest, NewFilesCarryTheFilesRecordAndReleaseIt) {
    FakeMusicFile file(8, h.scanner);
    h.scanner.queue.push_back({SYNC_NEW, 8, 1});
    h.scanner.queue.push_back({SYNC_NEW, 9, 1}); // unknown by now
    h.link->SendChangeQueue(h.scanner);
    ASSERT_TRUE(h.PumpUntil([&] { return h.server.HasReceived(ClientMsg::MSG_NEW_FILE); }));
    std::optional<ReceivedMessage> newFile = h.server.PopNextOf(ClientMsg::MSG_NEW_FILE);
    ASSERT_TRUE(newFile);
    EXPECT_EQ('\x4E', newFile->payload[0]);
    EXPECT_EQ(std::string("\0\0\0\x08", 4), newFile->payload.substr(1, 4));
    EXPECT_EQ(0, file.refs);
    EXPECT_TRUE(h.log.Contains("Could not find file 9"));
    EXPECT_EQ(1, h.server.CountReceived(ClientMsg::MSG_NEW_FILE));
}

TEST_F(NodeConnOutgoingTest, MessageTypeKeepsAllSixteenBitsOnTheWire) {
    // 0x0127 cut to 8 bits would read as MSG_NEW_FILE.
    constexpr uint16_t kWideType = 0x0127;
    Buf body(8);
    body.WriteUInt16(0xBEEF);
    ASSERT_TRUE(h.link->SendMessage(kWideType, body));
    std::optional<ReceivedMessage> sent;
    ASSERT_TRUE(h.PumpUntil([&] {
        for (const ReceivedMessage& message : h.server.History())
            if (message.payload == "\xBE\xEF")
                sent = message;
        return sent.has_value();
    }));
    EXPECT_EQ(kWideType, sent->type);
}

TEST_F(NodeConnOutgoingTest, DisconnectDeltaClosesTheSession) {
    h.scanner.queue.push_back({SYNC_DISCONNECT, 0, 0});
    h.scanner.queue.push_back({SYNC_DEL, 3, 1});
    h.link->SendChangeQueue(h.scanner);
    EXPECT_EQ(TC_CLOSED, h.link->GetConn().GetState());
    EXPECT_EQ(1u, h.scanner.queue.size());
}

TEST_F(NodeConnOutgoingTest, ListingEndsWithOneSyncCompleteWhenNothingIsLeft) {
    h.scanner.workUnits = true;
    h.server.Send(msg::FileListingRequest{});
    ASSERT_TRUE(h.PumpUntil([&] { return h.link->HasListingRequest(); }));
    h.Pump(30);
    EXPECT_FALSE(h.server.HasReceived(ClientMsg::MSG_SYNC_COMPLETE));
    h.scanner.workUnits = false;
    ASSERT_TRUE(h.PumpUntil([&] { return h.server.HasReceived(ClientMsg::MSG_SYNC_COMPLETE); }));
    h.Pump(30);
    EXPECT_EQ(1, h.server.CountReceived(ClientMsg::MSG_SYNC_COMPLETE));
    EXPECT_FALSE(h.link->HasListingRequest());
    // The library's playlists follow a finished listing.
    EXPECT_EQ(1, h.owner.playlistImports);
}

TEST_F(NodeConnOutgoingTest, LocalPortIsSentWhenConnectedAndRememberedForTheHello) {
    h.link->SendLocalPort(41234);
    EXPECT_TRUE(h.link->SendSharesChanged());
    ASSERT_TRUE(h.PumpUntil([&] { return h.server.HasReceived(ClientMsg::MSG_SHARES_CHANGED); }));
    std::optional<ReceivedMessage> port = h.server.PopNextOf(ClientMsg::MSG_LOCAL_PORT);
    ASSERT_TRUE(port && port->As<msg::LocalPort>());
    EXPECT_EQ(41234u, port->As<msg::LocalPort>()->port);

    h.server.CloseConnection();
    ASSERT_TRUE(h.PumpUntil([&] { return h.link->GetState() != NC_CONNECTED; }));
    h.link->SendLocalPort(5555);
    h.AdvanceSecs(60);
    ASSERT_TRUE(h.PumpUntil([&] { return h.server.CountReceived(ClientMsg::MSG_HELLO) == 2; })) << [&] {
        std::string all;
        for (const std::string& e : h.server.Events())
            all += e + "\n";
        return all + h.log.Text().substr(h.log.Text().size() > 6000 ? h.log.Text().size() - 6000 : 0);
    }();
    // The first hello was taken with the port message.
    std::optional<ReceivedMessage> hello = h.server.PopNextOf(ClientMsg::MSG_HELLO);
    ASSERT_TRUE(hello && hello->As<msg::Hello>());
    EXPECT_EQ(5555u, hello->As<msg::Hello>()->localPort);
    EXPECT_EQ(1, h.server.CountReceived(ClientMsg::MSG_LOCAL_PORT));
}
