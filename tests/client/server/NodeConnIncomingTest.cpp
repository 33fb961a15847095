// What the server link does with frames from the server: whole frames only,
// several per read or split over reads; malformed bodies, bad lengths,
// unknown types and out-of-place messages never crash it.
#include "tests/client/server/LinkHarness.h"

#include "include/text/Utf8.h"
#include "platform/time/Clock.h"
#include "tests/support/LocalHttpEndpoint.h"
#include "tests/support/testserver/Frame.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace testsupport;

namespace {

class NodeConnIncomingTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(h.serverStarted); }

    // Connected, skipping whatever back-off a previous close caused.
    bool EnsureConnected() {
        if (h.link->GetConnMode() == NCM_NOT_SET)
            h.link->Start(NCM_NORMAL, L"alice", L"cred-1");
        return h.PumpUntil([&] {
            if (h.link->GetState() == NC_CONNECTED)
                return true;
            const int64_t backOff = h.link->GetNextConnectTime() - platform::MonotonicSeconds();
            if (backOff > 0)
                h.AdvanceSecs(backOff);
            return false;
        });
    }

    // Sends raw bytes; true when the client closed the session over them.
    bool ClosedBy(const std::string& bytes) {
        EXPECT_TRUE(EnsureConnected());
        const int accepted = h.server.AcceptedCount();
        h.server.SendRaw(bytes);
        // A ping behind the bytes: its pong proves they were all handled.
        h.server.Send(msg::Ping{});
        const int pongs = h.server.CountReceived(ClientMsg::MSG_PONG);
        h.PumpUntil([&] {
            return h.server.CountReceived(ClientMsg::MSG_PONG) > pongs ||
                   h.link->GetState() != NC_CONNECTED || h.server.AcceptedCount() != accepted;
        });
        return h.server.CountReceived(ClientMsg::MSG_PONG) == pongs;
    }

    LinkHarness h;
};

// A message with the fields `fill` sets, the rest at their defaults.
template <class T, class F> T With(F fill) {
    T message;
    fill(message);
    return message;
}

std::string Truncated(const ServerMessage& message, size_t keep) {
    return EncodeFrame(TypeOf(message), EncodeBody(message).substr(0, keep));
}

} // namespace

TEST_F(NodeConnIncomingTest, SeveralFramesInOneReadAndOneFrameSplitOverReads) {
    ASSERT_TRUE(EnsureConnected());
    h.server.SendRaw(FrameOf(msg::Ping{}) + FrameOf(msg::Echo{.data = "hello"}) + FrameOf(msg::Ping{}));
    ASSERT_TRUE(h.PumpUntil([&] { return h.server.CountReceived(ClientMsg::MSG_PONG) == 2; }));
    ASSERT_TRUE(h.PumpUntil([&] { return h.server.HasReceived(ClientMsg::MSG_ECHO_REPLY); }));
    std::optional<ReceivedMessage> echo = h.server.PopNextOf(ClientMsg::MSG_ECHO_REPLY);
    ASSERT_TRUE(echo && echo->As<msg::EchoReply>());
    EXPECT_EQ("hello", echo->As<msg::EchoReply>()->data);

    const std::string frame = FrameOf(msg::Echo{.data = "split"});
    h.server.SendRaw(frame.substr(0, 3));
    h.Pump(30);
    h.server.SendRaw(frame.substr(3, 6));
    h.Pump(30);
    EXPECT_EQ(1, h.server.CountReceived(ClientMsg::MSG_ECHO_REPLY));
    h.server.SendRaw(frame.substr(9));
    ASSERT_TRUE(h.PumpUntil([&] { return h.server.CountReceived(ClientMsg::MSG_ECHO_REPLY) == 2; }));
    EXPECT_EQ(NC_CONNECTED, h.link->GetState());
}

TEST_F(NodeConnIncomingTest, ShortBodiesOfEveryTypeCloseWithoutActing) {
    const std::vector<ServerMessage> messages = {
        msg::Redirect{.port = 4000, .address = "127.0.0.1"},
        With<msg::Transfer>([](msg::Transfer& m) {
            m.id = {1, 2, 3, 4};
            m.client = true;
            m.remoteAddress = "127.0.0.1";
            m.remotePort = 9;
            m.dirName = "a";
            m.fileName = "b.mp3";
            m.uitsTag = "t";
        }),
        msg::AbortTransfer{.id = {1, 2, 3, 4}},
        msg::AccountStatus{.status = 3},
        With<msg::PlayFile>([](msg::PlayFile& m) {
            m.cfID = 1;
            m.mode = 2;
        }),
        msg::Echo{.data = "abc"},
        With<msg::DeleteTempFile>([](msg::DeleteTempFile& m) {
            m.id = {1, 2, 3, 4};
            m.fileName = "x";
        }),
        msg::PlayList{.mode = 1, .entries = {{1, 0}, {2, 0}}},
        msg::ServerText{.text = "hi"},
        With<msg::Upgrade>([](msg::Upgrade& m) {
            m.upgraderPath = "/u";
            m.upgraderMd5 = "m";
            m.manifestPath = "/m";
            m.manifestMd5 = "d";
            m.timeoutSecs = 60;
        }),
        msg::SendLog{.kind = 3},
        With<msg::SongInfo>([](msg::SongInfo& m) {
            m.cfID = 1;
            m.songID = 2;
            m.album = "x";
            m.ctn = 5;
        }),
        With<msg::FileDetailsRequest>([](msg::FileDetailsRequest& m) {
            m.cfID = 1;
            m.rescan = true;
        }),
        With<msg::SavePlaylist>([](msg::SavePlaylist& m) {
            m.title = "Road";
            m.songIDs = {1, 2};
            m.cfIDs = {3};
            m.overwrite = true;
        }),
        msg::NewFileAck{.cfID = 1},
        With<msg::PlaycountSettings>([](msg::PlaycountSettings& m) {
            m.enabled = true;
            m.hours = 24;
        }),
        msg::StartChanges{.window = 10},
        With<msg::ConnectStream>([](msg::ConnectStream& m) {
            m.port = 80;
            m.address = "127.0.0.1";
            m.connID = "c";
        }),
        msg::DeletePlaylist{.title = "Road"},
    };
    const std::wstring playlists = h.dir.WFile("lists");
    h.owner.playlistDir = playlists;
    h.owner.downloadDir = h.dir.WFile("dl");
    for (const ServerMessage& message : messages) {
        const size_t size = EncodeBody(message).size();
        for (size_t keep : {size_t{0}, size / 2, size - 1}) {
            EXPECT_TRUE(ClosedBy(Truncated(message, keep))) << Describe(message) << " cut to " << keep;
        }
    }
    // Nothing was acted on.
    EXPECT_TRUE(h.owner.statuses.empty());
    EXPECT_EQ(0, h.owner.playCountSettings);
    EXPECT_TRUE(h.scanner.songInfos.empty());
    EXPECT_TRUE(h.owner.streamer.hosts.empty());
    EXPECT_TRUE(h.owner.upgrades.empty());
    EXPECT_FALSE(h.server.HasReceived(ClientMsg::MSG_TRANSFER_STATUS));
    EXPECT_FALSE(h.server.HasReceived(ClientMsg::MSG_FILE_DETAILS));
    EXPECT_FALSE(h.server.HasReceived(ClientMsg::MSG_ECHO_REPLY));
    EXPECT_FALSE(std::filesystem::exists(WideToUtf8(playlists)));
    EXPECT_EQ(0u, h.scanner.maxOutstanding);
    EXPECT_TRUE(h.log.Contains("Short or malformed body"));
}

TEST_F(NodeConnIncomingTest, BadLengthsAndMagicCloseTheConnection) {
    for (const std::string& bytes :
         {std::string("\xDE\xED\x00\x00\x00\x08", 6), std::string("\xDE\xED\x00\x03\x00\x08", 6),
          std::string("\xDE\xED\x23\x28\x00\x10", 6) + std::string(100, 'x'),
          std::string("\xDE\xAD\x00\x04\x00\x08", 6)}) {
        EXPECT_TRUE(ClosedBy(bytes));
    }
    EXPECT_TRUE(h.log.Contains("badMessage flag was set in processServerBuffer"));
}

TEST_F(NodeConnIncomingTest, UnknownTypesAreSkippedByTheirLength) {
    for (uint16_t type : {0, 6, 12, 13, 17, 50, 54, 57, 74, 300, 65535}) {
        for (const std::string& body :
             {std::string(), std::string("\xDE\xED\x00\x04\x00\x07", 6), std::string(40, 'z')})
            EXPECT_FALSE(ClosedBy(EncodeFrame(type, body))) << type;
    }
    EXPECT_EQ(1, h.server.AcceptedCount());
}

TEST_F(NodeConnIncomingTest, HandshakeMessagesOutOfPlaceClose) {
    EXPECT_TRUE(ClosedBy(FrameOf(With<msg::SecurityString>([](msg::SecurityString& m) {
        m.serverSalt = "x";
        m.secondString = "y";
        m.serverValue = 1;
    }))));
    EXPECT_TRUE(ClosedBy(FrameOf(With<msg::AccountCheckResult>([](msg::AccountCheckResult& m) {
        m.status = 16;
        m.text = "cred";
    }))));
    EXPECT_TRUE(h.owner.answers.empty());
    EXPECT_TRUE(h.log.Contains("got MSG_SECURITY_STRING when server conn was in weird state: 4"));
}

TEST_F(NodeConnIncomingTest, UnusableRedirectsCloseAndCount) {
    for (const msg::Redirect& redirect :
         {msg::Redirect{.port = 0, .address = "127.0.0.1"},
          msg::Redirect{.port = 70000, .address = "127.0.0.1"}, msg::Redirect{.port = 4000, .address = ""}}) {
        const uint32_t failures = h.link->GetFailures();
        EXPECT_TRUE(ClosedBy(FrameOf(redirect)));
        EXPECT_GE(h.link->GetFailures(), failures + 1);
    }
    EXPECT_TRUE(h.log.Contains("Bad redirection info: read failure: 0, ip: 127.0.0.1, port: 70000"));
}

TEST_F(NodeConnIncomingTest, EmptyIdsAndImpossiblePortsAreIgnored) {
    h.owner.playlistDir = h.dir.WFile("lists");
    for (const ServerMessage& message : std::vector<ServerMessage>{
             With<msg::ConnectStream>([](msg::ConnectStream& m) {
                 m.port = 80;
                 m.address = "127.0.0.1";
                 m.connID = "";
             }),
             With<msg::ConnectStream>([](msg::ConnectStream& m) {
                 m.port = 80;
                 m.address = "";
                 m.connID = "c";
             }),
             With<msg::ConnectStream>([](msg::ConnectStream& m) {
                 m.port = 0;
                 m.address = "127.0.0.1";
                 m.connID = "c";
             }),
             With<msg::ConnectStream>([](msg::ConnectStream& m) {
                 m.port = 65536;
                 m.address = "127.0.0.1";
                 m.connID = "c";
             }),
             With<msg::Transfer>([](msg::Transfer& m) {
                 m.id = {1, 2, 3, 4};
                 m.active = true;
                 m.remoteAddress = "127.0.0.1";
                 m.remotePort = 70000;
             }),
             With<msg::SavePlaylist>([](msg::SavePlaylist& m) {
                 m.title = "";
                 m.songIDs = {1};
             }),
             msg::DeletePlaylist{.title = ""},
             msg::NewFileAck{.cfID = 77},
         })
        EXPECT_FALSE(ClosedBy(FrameOf(message))) << Describe(message);
    EXPECT_TRUE(h.owner.streamer.hosts.empty());
    EXPECT_FALSE(h.server.HasReceived(ClientMsg::MSG_TRANSFER_STATUS));
    EXPECT_TRUE(h.scanner.finished.empty());
    EXPECT_FALSE(std::filesystem::exists(h.dir.File("lists")) &&
                 !std::filesystem::is_empty(h.dir.File("lists")));
    EXPECT_EQ(0, h.owner.ui.Count("PlaylistDeleted"));

    // A good one goes to the streamer.
    EXPECT_FALSE(ClosedBy(FrameOf(With<msg::ConnectStream>([](msg::ConnectStream& m) {
        m.port = 8080;
        m.address = "127.0.0.1";
        m.connID = "sid";
    }))));
    ASSERT_EQ(1u, h.owner.streamer.hosts.size());
    EXPECT_EQ(8080, h.owner.streamer.ports[0]);
    EXPECT_EQ(L"sid", h.owner.streamer.connIds[0]);
}

TEST_F(NodeConnIncomingTest, AFloodOfStatusRequestsIsAnsweredWhole) {
    ASSERT_TRUE(EnsureConnected());
    const int before = h.server.CountReceived(ClientMsg::MSG_STATUS);
    std::string flood;
    for (int i = 0; i < 2000; ++i)
        flood += FrameOf(msg::StatusRequest{});
    h.server.SendRaw(flood);
    const bool all =
        h.PumpUntil([&] { return h.server.CountReceived(ClientMsg::MSG_STATUS) >= before + 2000; });
    ASSERT_TRUE(all) << h.server.CountReceived(ClientMsg::MSG_STATUS) - before << " answered, state "
                     << h.link->GetState();
    EXPECT_EQ(NC_CONNECTED, h.link->GetState());
    EXPECT_TRUE(h.server.Problems().empty());
}

TEST_F(NodeConnIncomingTest, SimpleOrdersReachTheCoreScannerAndUi) {
    FakeMusicFile file(5, h.scanner);
    file.SetNewFile(true);
    std::vector<std::wstring> opened;
    h.scanner.SetFileOpener([&](const std::wstring& path, int*) {
        opened.push_back(path);
        return true;
    });
    ASSERT_TRUE(EnsureConnected());
    h.server.Send(With<msg::PlaycountSettings>([](msg::PlaycountSettings& m) {
        m.enabled = true;
        m.hours = 12;
    }));
    h.server.Send(With<msg::PlayFile>([](msg::PlayFile& m) {
        m.cfID = 5;
        m.mode = 2;
    }));
    h.server.Send(msg::PlayList{.mode = 3, .entries = {{5, 0}, {6, 0}}});
    h.server.Send(With<msg::SongInfo>([](msg::SongInfo& m) {
        m.cfID = 5;
        m.songID = 99;
        m.printID = 1ULL << 40;
        m.album = "Alb";
    }));
    h.server.Send(msg::NewFileAck{.cfID = 5});
    h.server.Send(msg::Rescan{});
    h.server.Send(msg::ShowFolders{});
    h.server.Send(msg::FileListingRequest{});
    h.server.Send(msg::ServerText{.text = "hello"});
    h.server.Send(msg::Ignored60{});
    h.server.Send(msg::SendLog{.kind = 3});
    EXPECT_FALSE(ClosedBy(FrameOf(msg::Ignored63{})));
    EXPECT_TRUE(h.owner.playCountsEnabled);
    EXPECT_EQ(12u, h.owner.playCountHours);
    EXPECT_EQ(std::vector<std::wstring>({L"/music/a.mp3", L"/music/a.mp3"}), opened);
    ASSERT_EQ(1u, h.scanner.songInfos.size());
    EXPECT_EQ(99u, h.scanner.songInfos[0].second.songID);
    EXPECT_EQ(1ULL << 40, h.scanner.songInfos[0].second.printID);
    EXPECT_EQ("Alb", h.scanner.songInfos[0].second.album);
    EXPECT_EQ(std::vector<uint32_t>({5}), h.scanner.finished);
    EXPECT_EQ(std::vector<bool>({true}), h.scanner.initScans);
    EXPECT_EQ(1, h.owner.ui.Count("ShowFoldersDialog"));
    EXPECT_EQ(1, h.scanner.listings);
    EXPECT_FALSE(h.log.Contains("Flushing log"));
}

TEST_F(NodeConnIncomingTest, FileDetailsForUnknownFilesAndAfterALowPriorityScan) {
    FakeMusicFile file(5, h.scanner);
    ASSERT_TRUE(EnsureConnected());
    h.server.Send(With<msg::FileDetailsRequest>([](msg::FileDetailsRequest& m) { m.cfID = 9; }));
    ASSERT_TRUE(h.PumpUntil([&] { return h.server.HasReceived(ClientMsg::MSG_FILE_DETAILS); }));
    std::optional<ReceivedMessage> details = h.server.PopNextOf(ClientMsg::MSG_FILE_DETAILS);
    ASSERT_TRUE(details && details->As<msg::FileDetails>()) << details->Describe();
    EXPECT_EQ(msg::kRecordNotFound, details->As<msg::FileDetails>()->kind);
    EXPECT_EQ(9u, details->As<msg::FileDetails>()->cfID);

    // A known file without metadata is scanned first; this build's scan
    // fails, which gives the not-found form.
    h.server.Send(With<msg::FileDetailsRequest>([](msg::FileDetailsRequest& m) {
        m.cfID = 5;
        m.rescan = false;
    }));
    ASSERT_TRUE(h.PumpUntil([&] { return h.server.CountReceived(ClientMsg::MSG_FILE_DETAILS) == 2; }));
    details = h.server.PopNextOf(ClientMsg::MSG_FILE_DETAILS);
    ASSERT_TRUE(details && details->As<msg::FileDetails>());
    EXPECT_EQ(5u, details->As<msg::FileDetails>()->cfID);
    EXPECT_TRUE(h.log.Contains("Queuing a scan for /music/a.mp3, 5"));

    // With metadata at hand the record goes out at once.
    file.GiveMetadata();
    h.server.Send(With<msg::FileDetailsRequest>([](msg::FileDetailsRequest& m) {
        m.cfID = 5;
        m.rescan = false;
    }));
    ASSERT_TRUE(h.PumpUntil([&] { return h.server.CountReceived(ClientMsg::MSG_FILE_DETAILS) == 3; }));
    details = h.server.PopNextOf(ClientMsg::MSG_FILE_DETAILS);
    ASSERT_TRUE(details);
    EXPECT_EQ('\x44', details->payload[0]); // the file's own record
}

TEST_F(NodeConnIncomingTest, AcknowledgementOfAFileThatIsNotNewIsIgnored) {
    FakeMusicFile old(6, h.scanner);
    EXPECT_FALSE(ClosedBy(FrameOf(msg::NewFileAck{.cfID = 6})));
    EXPECT_TRUE(h.scanner.finished.empty());
    EXPECT_TRUE(h.log.Contains("Ignoring an acknowledgement for cfID 6"));
}

TEST_F(NodeConnIncomingTest, RecordTooLargeForItsBodyFallsBackToNotFound) {
    FakeMusicFile big(7, h.scanner);
    big.GiveMetadata();
    big.recordBytes = NodeConn::kNewFileBodyBytes;
    ASSERT_TRUE(EnsureConnected());
    h.server.Send(With<msg::FileDetailsRequest>([](msg::FileDetailsRequest& m) { m.cfID = 7; }));
    ASSERT_TRUE(h.PumpUntil([&] { return h.server.HasReceived(ClientMsg::MSG_FILE_DETAILS); }));
    std::optional<ReceivedMessage> details = h.server.PopNextOf(ClientMsg::MSG_FILE_DETAILS);
    ASSERT_TRUE(details && details->As<msg::FileDetails>()) << details->Describe();
    EXPECT_EQ(msg::kRecordNotFound, details->As<msg::FileDetails>()->kind);
    EXPECT_EQ(7u, details->As<msg::FileDetails>()->cfID);
    EXPECT_TRUE(h.log.Contains("error getting file info for file 7"));
}

TEST_F(NodeConnIncomingTest, WaitingScanResultsDoNotSpinTheLoopWhileTheOutputIsFull) {
    FakeMusicFile file(5, h.scanner);
    ASSERT_TRUE(EnsureConnected());
    h.server.Send(With<msg::FileDetailsRequest>([](msg::FileDetailsRequest& m) {
        m.cfID = 5;
        m.rescan = true;
    }));
    ASSERT_TRUE(h.PumpUntil([&] { return h.log.Contains("Queuing a scan for"); }));
    // Once the worker's result waits for the next pass, there is no reason
    // to wait in select.
    EXPECT_TRUE(WaitUntil([&] { return h.link->HasWorkWithoutWaiting(); }));
    Buf& out = h.link->GetConn().outBuf;
    std::string filler(out.GetNumFreeBytes() - NodeConn::kNewFileBodyBytes, '\0');
    ASSERT_TRUE(out.WriteBytes(filler.data(), static_cast<int64_t>(filler.size())));
    EXPECT_FALSE(h.link->HasWorkWithoutWaiting());
    out.Reset();
    EXPECT_TRUE(h.link->HasWorkWithoutWaiting());
}

TEST_F(NodeConnIncomingTest, LogRequestsOfKnownKindsAreSentWithoutHoldingTheSession) {
    EXPECT_FALSE(ClosedBy(FrameOf(msg::SendLog{.kind = 2})));
    EXPECT_TRUE(h.log.Contains("Flushing log"));
}

TEST_F(NodeConnIncomingTest, UpgradeOrdersAreCheckedAndOneIsHeldUntilItsWorkerEnds) {
    LocalHttpEndpoint site;
    ScopedEnv web(kEnvWebBaseUrl, site.Url());
    ScopedEnv cache("XDG_CACHE_HOME", h.dir.File("cache"));
    ScopedEnv data("XDG_DATA_HOME", h.dir.File("data"));
    auto order = [](const std::string& md5) {
        return With<msg::Upgrade>([&](msg::Upgrade& m) {
            m.upgraderPath = "/dl/upgrader";
            m.upgraderMd5 = md5;
            m.manifestPath = "/dl/m.txt";
            m.manifestMd5 = std::string(32, 'b');
            m.timeoutSecs = 30;
        });
    };
    auto fetchFailures = [&] {
        const std::string text = h.log.Text();
        int count = 0;
        for (size_t pos = text.find("Could not fetch upgrader"); pos != std::string::npos;
             pos = text.find("Could not fetch upgrader", pos + 1))
            ++count;
        return count;
    };
    EXPECT_FALSE(ClosedBy(FrameOf(order("m"))));
    EXPECT_TRUE(h.log.Contains("Refusing upgrade order"));

    EXPECT_FALSE(ClosedBy(FrameOf(order(std::string(32, 'a')))));
    ASSERT_TRUE(h.PumpUntil([&] { return fetchFailures() == 1; }));
    EXPECT_FALSE(ClosedBy(FrameOf(order(std::string(32, 'a')))));
    EXPECT_TRUE(h.log.Contains("Ignoring upgrade request, since one was already in progress"));

    // Past its time-out the worker is cancelled out of its pause; once it has
    // ended a new order is taken.
    h.AdvanceSecs(31);
    h.Pump(20);
    EXPECT_FALSE(ClosedBy(FrameOf(order(std::string(32, 'a')))));
    ASSERT_TRUE(h.PumpUntil([&] { return fetchFailures() == 2; }));
    EXPECT_EQ(2u, site.Requests().size());
}

namespace {

// Keeps requested scans until the test lets them finish; they fail unless
// `succeed` is set, and then come with a fresh record.
class HeldLowPriScanner final : public LowPriScanner {
  public:
    void QueueRequest(const std::wstring&, uint32_t cfID, int kind, uint32_t serial, bool print) override {
        auto item = std::make_unique<ScanWorkItem>();
        item->cfID = cfID;
        item->kind = kind;
        item->sessionSerial = serial;
        item->print = print;
        item->m_run = true;
        if (succeed) {
            item->result = kScanOk;
            item->metadata = std::make_unique<FileMetaData>(L"/music/", L"a.mp3");
        }
        held.push_back(std::move(item));
    }
    void Release() {
        for (std::unique_ptr<ScanWorkItem>& item : held)
            AddResult(std::move(item));
        held.clear();
    }
    std::vector<std::unique_ptr<ScanWorkItem>> held;
    bool succeed = false;
};

} // namespace

TEST(NodeConnLowPriorityTest, ResultsAskedForByAnEarlierSessionAreDropped) {
    auto scanner = std::make_unique<HeldLowPriScanner>();
    HeldLowPriScanner* held = scanner.get();
    LinkHarness h(DefaultServerOptions(), true, std::move(scanner));
    FakeMusicFile file(5, h.scanner);
    ASSERT_TRUE(h.Connect());
    h.server.Send(With<msg::FileDetailsRequest>([](msg::FileDetailsRequest& m) {
        m.cfID = 5;
        m.rescan = true;
    }));
    ASSERT_TRUE(h.PumpUntil([&] { return held->held.size() == 1; }));
    // The server's requests always ask for the fingerprint.
    EXPECT_TRUE(held->held[0]->print);
    h.server.CloseConnection();
    ASSERT_TRUE(h.PumpUntil([&] { return h.link->GetState() != NC_CONNECTED; }));
    h.AdvanceSecs(60);
    ASSERT_TRUE(h.PumpUntil([&] { return h.link->GetState() == NC_CONNECTED; }));
    held->Release();
    h.Pump(50);
    EXPECT_FALSE(h.server.HasReceived(ClientMsg::MSG_FILE_DETAILS));
    EXPECT_TRUE(h.log.Contains("Got results from lps thread for cfID 5"));
}

TEST(NodeConnLowPriorityTest, AResultLeavesTheCountOfTheRecordsHoldersAsItWas) {
    auto scanner = std::make_unique<HeldLowPriScanner>();
    HeldLowPriScanner* held = scanner.get();
    held->succeed = true;
    LinkHarness h(DefaultServerOptions(), true, std::move(scanner));
    MusicFile file(PathKey(L"a.mp3", h.scanner.GetOrAddDirectory(L"/music/")->m_id), 0, 0, 0, 5, -1);
    h.scanner.files[5] = &file;
    ASSERT_TRUE(h.Connect());
    for (const bool heldElsewhere : {true, false}) {
        SCOPED_TRACE(heldElsewhere);
        if (heldElsewhere)
            file.SetMetadata(std::make_unique<FileMetaData>(L"/music/", L"a.mp3"));
        const int sent = h.server.CountReceived(ClientMsg::MSG_FILE_DETAILS);
        h.server.Send(With<msg::FileDetailsRequest>([](msg::FileDetailsRequest& m) {
            m.cfID = 5;
            m.rescan = true;
        }));
        ASSERT_TRUE(h.PumpUntil([&] { return held->held.size() == 1; }));
        held->Release();
        ASSERT_TRUE(
            h.PumpUntil([&] { return h.server.CountReceived(ClientMsg::MSG_FILE_DETAILS) == sent + 1; }));
        // The other holder keeps the new record; one taken only to send the
        // details is given back.
        EXPECT_EQ(heldElsewhere ? 1 : 0, file.GetRefCount());
        EXPECT_EQ(heldElsewhere, file.HasMetadata());
        file.ReleaseMetadata();
    }
    h.scanner.files.erase(5);
}
