// The core against the protocol test server, which orders a download and an
// upload; the test peer is the other machine of both.
#include "tests/client/core/CoreHarness.h"

#include "include/text/Utf8.h"
#include "tests/support/LoopbackSockets.h"
#include "tests/support/WaitUntil.h"
#include "tests/support/media/Mp3Fixture.h"
#include "tests/support/transfer/TestPeer.h"

#include <gtest/gtest.h>

using namespace testsupport;

namespace {

// The status codes the server got for the transfer with `word0`, in order.
std::vector<uint32_t> StatusesOf(const TestServer& server, uint32_t word0) {
    std::vector<uint32_t> codes;
    for (const ReceivedMessage& message : server.History()) {
        const msg::TransferStatus* status = message.As<msg::TransferStatus>();
        if (status && status->id.word0 == word0)
            codes.push_back(status->code);
    }
    return codes;
}

} // namespace

TEST(KovikCoreTransferTest, TheServersDownloadAndUploadCompleteAgainstThePeer) {
    TestServer server(CoreHarness::OneTimeSignInOptions());
    ASSERT_TRUE(server.Start());
    CoreHarness h;
    ASSERT_TRUE(h.StartSession(server));

    Mp3Tags tags;
    tags.v2 = true;
    tags.title = "Song";
    ASSERT_TRUE(WriteMp3(h.dir.File("song.mp3"), "", 120, tags));
    const std::string file = ReadFileText(h.dir.File("song.mp3"));
    const size_t tagBytes = Id3v2Bytes(file);
    const uint64_t fileSetID = Mp3FileSetId(file, tagBytes);
    auto until = [&](const std::function<void()>& peerStep, const std::function<bool()>& done) {
        return WaitUntil(
            [&] {
                h.core->LoopPass();
                peerStep();
                return done();
            },
            kWaitTimeout, std::chrono::microseconds(0));
    };

    // The download: this side connects out to the peer, which sends.
    TestPeer sendingPeer;
    ASSERT_TRUE(sendingPeer.Listen());
    PeerSender sender(file, tagBytes);
    msg::Transfer download;
    download.id = {21, 0, 0, 0};
    download.active = true;
    download.client = true;
    download.remoteAddress = "127.0.0.1";
    download.remotePort = sendingPeer.Port();
    download.dirName = "Artist\\Album";
    download.size = static_cast<uint32_t>(file.size());
    download.fileSetID = fileSetID;
    download.transID = "dl-21";
    download.fileName = "song.mp3";
    download.songID = 77;
    download.uitsOwner = "UITS";
    download.uitsTag = "<uits>alice</uits>";
    server.Send(download);
    ASSERT_TRUE(until([&] { sender.Step(sendingPeer); }, [&] { return StatusesOf(server, 21).size() == 2; }));
    EXPECT_EQ((std::vector<uint32_t>{3, 0}), StatusesOf(server, 21));
    EXPECT_EQ("dl-21", sendingPeer.AnnouncedId());
    const std::string landed = h.dir.File("Music/Artist/Album/song.mp3");
    using Frames = std::vector<std::pair<std::string, std::string>>;
    EXPECT_EQ((Frames{{"UITS", "<uits>alice</uits>"}}), PrivFrames(landed));
    EXPECT_EQ(fileSetID, Mp3FileSetId(ReadFileText(landed), Id3v2Bytes(ReadFileText(landed))));
    EXPECT_EQ(std::vector<std::wstring>{Utf8ToWide(landed)}, h.scanner->singleScans);

    // The upload: this side listens, the peer connects and receives.
    FakeMusicFile shared(5, *h.scanner, h.dir.WFile("song.mp3"));
    TestPeer receivingPeer;
    PeerReceiver receiver;
    msg::Transfer upload;
    upload.id = {22, 0, 0, 0};
    upload.remotePort = ntohs(ClosedLoopbackAddress().sin_port);
    upload.cfID = 5;
    upload.fileSetID = fileSetID;
    upload.transID = "up-22";
    server.Send(upload);
    ASSERT_TRUE(until([] {}, [&] { return !StatusesOf(server, 22).empty(); }));
    ASSERT_TRUE(receivingPeer.Connect(static_cast<uint16_t>(upload.remotePort), "up-22"));
    ASSERT_TRUE(
        until([&] { receiver.Step(receivingPeer); }, [&] { return StatusesOf(server, 22).size() == 2; }));
    EXPECT_EQ((std::vector<uint32_t>{3, 0}), StatusesOf(server, 22));
    EXPECT_EQ(file, receiver.received);
    EXPECT_EQ(2, h.ui.Count("TransferFinished"));
    EXPECT_TRUE(server.Problems().empty()) << server.Problems().front();

    h.core->SetStopFlag();
    h.core->ShutdownCore();
}
