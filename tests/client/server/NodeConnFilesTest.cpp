// Transfers, temporary files and playlists ordered by the server: names from
// the network never leave their folder.
#include "tests/client/server/LinkHarness.h"

#include "include/text/Utf8.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace testsupport;
namespace fs = std::filesystem;

namespace {

template <class T, class F> T With(F fill) {
    T message;
    fill(message);
    return message;
}

// A transfer whose progress the test sets.
class ScriptedTransfer final : public FileTransfer {
  public:
    ScriptedTransfer(uint32_t word0, int direction, uint64_t fileSetID, bool finished, int result)
        : FileTransfer(nullptr) {
        m_start.id = TransferId{word0, 2, 3, 4};
        m_start.direction = direction;
        m_start.fileSetID = fileSetID;
        m_finished = finished;
        m_result = result;
    }
    void TransferTick(FileScanner&) override {}
    uint32_t GetRate() override { return 1000; }
    uint32_t GetDataBytesDone() override { return 5000; }
    void Close() override { ++closes; }
    int closes = 0;
};

class NodeConnFilesTest : public ::testing::Test {
  protected:
    NodeConnFilesTest() : m_cache("XDG_CACHE_HOME", h.dir.File("cache")) {}

    void SetUp() override {
        ASSERT_TRUE(h.serverStarted);
        h.owner.downloadDir = h.dir.WFile("dl");
        h.owner.playlistDir = h.dir.WFile("dl/Melvane Playlists");
        fs::create_directories(h.dir.File("dl/Melvane Playlists"));
        ASSERT_TRUE(h.Connect());
    }

    // The status the client answers a transfer order with.
    uint32_t StatusFor(const msg::Transfer& transfer) {
        const int before = h.server.CountReceived(ClientMsg::MSG_TRANSFER_STATUS);
        h.server.Send(transfer);
        h.server.Send(msg::Ping{});
        const int pongs = h.server.CountReceived(ClientMsg::MSG_PONG);
        EXPECT_TRUE(h.PumpUntil([&] { return h.server.CountReceived(ClientMsg::MSG_PONG) > pongs; }));
        if (h.server.CountReceived(ClientMsg::MSG_TRANSFER_STATUS) == before)
            return 0xFFFFFFFF;
        std::optional<ReceivedMessage> status = h.server.PopNextOf(ClientMsg::MSG_TRANSFER_STATUS);
        return status && status->As<msg::TransferStatus>() ? status->As<msg::TransferStatus>()->code
                                                           : 0xFFFFFFFE;
    }

    static msg::Transfer Download(const std::string& dirName, const std::string& fileName) {
        return With<msg::Transfer>([&](msg::Transfer& m) {
            m.id = {11, 2, 3, 4};
            m.client = true;
            m.remotePort = 5000;
            m.dirName = dirName;
            m.fileName = fileName;
        });
    }

    // Every file below the test folder, relative to it.
    std::vector<std::string> AllFiles() {
        std::vector<std::string> files;
        for (const auto& entry : fs::recursive_directory_iterator(h.dir.Path()))
            if (entry.is_regular_file())
                files.push_back(fs::relative(entry.path(), h.dir.Path()).string());
        std::sort(files.begin(), files.end());
        return files;
    }

    void Send(const ServerMessage& message) {
        h.server.Send(message);
        h.server.Send(msg::Ping{});
        const int pongs = h.server.CountReceived(ClientMsg::MSG_PONG);
        ASSERT_TRUE(h.PumpUntil([&] { return h.server.CountReceived(ClientMsg::MSG_PONG) > pongs; }));
    }

    LinkHarness h;

  private:
    ScopedEnv m_cache;
};

} // namespace

TEST_F(NodeConnFilesTest, DownloadNamesThatLeaveTheDownloadFolderAreRefused) {
    // The transfer's start refuses them (its own tests go through the cases).
    for (const auto& [dirName, fileName] : std::vector<std::pair<std::string, std::string>>{
             {"..\\..\\evil", "x.mp3"},
             {"a", "b\x01.mp3"},
             {"a\xc2\x9b", "x.mp3"},
         })
        EXPECT_EQ(13u, StatusFor(Download(dirName, fileName))) << dirName << " / " << fileName;
    EXPECT_TRUE(AllFiles().empty());
    // Sound names start a transfer, which waits for its peer in a temporary
    // file.
    EXPECT_EQ(3u, StatusFor(Download("Artist\\Album", "song.mp3")));
    EXPECT_EQ(std::vector<std::string>{"cache/Melvane/tmp/mv-11-0.temp"}, AllFiles());
}

TEST_F(NodeConnFilesTest, DownloadOfAFileThatExistsRescansIt) {
    fs::create_directories(h.dir.File("dl/Artist/Album"));
    WriteFileText(h.dir.File("dl/Artist/Album/have.mp3"), "x");
    EXPECT_EQ(6u, StatusFor(Download("Artist\\Album", "have.mp3")));
    EXPECT_EQ(std::vector<std::wstring>({h.dir.WFile("dl/Artist/Album/have.mp3")}), h.scanner.singleScans);
    h.owner.downloadDir.clear();
    EXPECT_EQ(6u, StatusFor(Download("Artist\\Album", "new.mp3")));
    EXPECT_TRUE(h.log.Contains("No DL directory!"));
}

TEST_F(NodeConnFilesTest, UploadOfAnUnknownFileIsABadFile) {
    FakeMusicFile file(5, h.scanner);
    msg::Transfer upload = Download("", "");
    upload.client = false;
    upload.cfID = 9;
    EXPECT_EQ(1u, StatusFor(upload));
    // A known file that does not read is refused by the transfer's start.
    upload.cfID = 5;
    EXPECT_EQ(12u, StatusFor(upload));
}

TEST_F(NodeConnFilesTest, FinishedTransferStatusWaitsForAConnectedSession) {
    // Taken down first: the status of a transfer that ends meanwhile waits.
    h.server.CloseConnection();
    ASSERT_TRUE(h.PumpUntil([&] { return h.link->GetState() != NC_CONNECTED; }));
    auto finished = std::make_unique<ScriptedTransfer>(21, RECV, 1, true, 14);
    ScriptedTransfer* transfer = finished.get();
    h.link->AddTransfer(std::move(finished));
    h.link->Tick(h.scanner);
    EXPECT_EQ(0, transfer->closes);
    h.AdvanceSecs(60);
    ASSERT_TRUE(h.PumpUntil([&] { return h.server.HasReceived(ClientMsg::MSG_TRANSFER_STATUS); }));
    std::optional<ReceivedMessage> status = h.server.PopNextOf(ClientMsg::MSG_TRANSFER_STATUS);
    ASSERT_TRUE(status && status->As<msg::TransferStatus>());
    EXPECT_EQ(14u, status->As<msg::TransferStatus>()->code);
    EXPECT_EQ(21u, status->As<msg::TransferStatus>()->id.word0);
    EXPECT_EQ(0, h.link->GetNumTransfers());
}

TEST_F(NodeConnFilesTest, RunningTransfersAreReportedAndCanBeAborted) {
    h.link->AddTransfer(std::make_unique<ScriptedTransfer>(31, SEND, 1, false, 0));
    EXPECT_EQ(1, h.link->GetNumTransfers());
    Send(msg::StatusRequest{});
    std::optional<ReceivedMessage> status = h.server.PopNextOf(ClientMsg::MSG_STATUS);
    ASSERT_TRUE(status && status->As<msg::Status>());
    ASSERT_EQ(1u, status->As<msg::Status>()->transfers.size());
    EXPECT_EQ(31u, status->As<msg::Status>()->transfers[0].id.word0);
    EXPECT_EQ(1000u, status->As<msg::Status>()->transfers[0].rate);
    EXPECT_EQ(5000u, status->As<msg::Status>()->transfers[0].done);

    Send(With<msg::AbortTransfer>([](msg::AbortTransfer& m) { m.id = {99, 2, 3, 4}; }));
    EXPECT_EQ(1, h.link->GetNumTransfers());
    Send(With<msg::AbortTransfer>([](msg::AbortTransfer& m) { m.id = {31, 2, 3, 4}; }));
    EXPECT_EQ(0, h.link->GetNumTransfers());
    std::optional<ReceivedMessage> aborted = h.server.PopNextOf(ClientMsg::MSG_TRANSFER_STATUS);
    ASSERT_TRUE(aborted && aborted->As<msg::TransferStatus>());
    EXPECT_EQ(8u, aborted->As<msg::TransferStatus>()->code);
}

TEST_F(NodeConnFilesTest, TemporaryFilesOfTheTransferGoUnlessARunningTransferWritesThem) {
    const std::string tmp = h.dir.File("cache/Melvane/tmp");
    fs::create_directories(tmp);
    for (const char* name :
         {"mv-5-100.temp", "mv-5-200.temp", "mv-6-100.temp", "mv-5-100.part", "other.temp"})
        WriteFileText(tmp + "/" + name, "x");
    h.link->AddTransfer(std::make_unique<ScriptedTransfer>(5, RECV, 200, false, 0));
    Send(With<msg::DeleteTempFile>([](msg::DeleteTempFile& m) {
        m.id = {5, 2, 3, 4};
        m.fileName = "../../etc/passwd";
    }));
    std::optional<ReceivedMessage> reply = h.server.PopNextOf(ClientMsg::MSG_TEMP_FILE_DELETED);
    ASSERT_TRUE(reply && reply->As<msg::TempFileDeleted>());
    EXPECT_EQ(5u, reply->As<msg::TempFileDeleted>()->id.word0);
    EXPECT_FALSE(fs::exists(tmp + "/mv-5-100.temp"));
    EXPECT_TRUE(fs::exists(tmp + "/mv-5-200.temp"));
    EXPECT_TRUE(fs::exists(tmp + "/mv-6-100.temp"));
    EXPECT_TRUE(fs::exists(tmp + "/mv-5-100.part"));
    EXPECT_TRUE(fs::exists(tmp + "/other.temp"));
}

TEST_F(NodeConnFilesTest, SavedPlaylistIsAnM3uInThePlaylistsFolder) {
    Send(With<msg::SavePlaylist>([](msg::SavePlaylist& m) {
        m.title = "Road";
        m.songIDs = {1234, 5678};
        m.cfIDs = {7};
    }));
    const std::string file = h.dir.File("dl/Melvane Playlists/Road.m3u");
    EXPECT_EQ("#EXTM3U\r\n#MVNAME:Road\r\n#MVINF:1234\r\n#EXTINF:0,\r\n#MVINF:5678\r\n#EXTINF:0,\r\n",
              ReadFileText(file));
    EXPECT_EQ(std::vector<std::wstring>({Utf8ToWide(file)}), h.scanner.singleScans);
    ASSERT_EQ(1, h.owner.ui.Count("PlaylistSaved"));
    EXPECT_EQ(Utf8ToWide(file), h.owner.ui.Calls().back().text);

    Send(With<msg::SavePlaylist>([](msg::SavePlaylist& m) { m.title = "Road"; }));
    EXPECT_TRUE(fs::exists(h.dir.File("dl/Melvane Playlists/Road-2.m3u")));
    Send(With<msg::SavePlaylist>([](msg::SavePlaylist& m) {
        m.title = "Road";
        m.overwrite = true;
    }));
    EXPECT_EQ("#EXTM3U\r\n#MVNAME:Road\r\n", ReadFileText(file));

    Send(msg::DeletePlaylist{.title = "Road"});
    EXPECT_FALSE(fs::exists(file));
    ASSERT_EQ(1, h.owner.ui.Count("PlaylistDeleted"));
    EXPECT_EQ(L"Road", h.owner.ui.Calls().back().text);
}

TEST_F(NodeConnFilesTest, PlaylistTitlesNeverNameAFileOutsideTheFolder) {
    WriteFileText(h.dir.File("dl/victim.m3u"), "keep");
    WriteFileText(h.dir.File("victim2.m3u"), "keep");
    // A long title names the same cut file on save and on delete.
    const std::string longTitle = "../" + std::string(250, 'L');
    for (const std::string& title :
         {std::string("../../evil"), std::string("..\\..\\evil2"), std::string("/etc/evil3"),
          std::string("a\r\n/x\xc2\x85"), std::string(".."), std::string("."), std::string("sub/../../x"),
          std::string(), longTitle})
        Send(With<msg::SavePlaylist>([&](msg::SavePlaylist& m) {
            m.title = title;
            m.songIDs = {1};
        }));
    EXPECT_EQ(6, h.owner.ui.Count("PlaylistSaved"));
    EXPECT_TRUE(fs::exists(h.dir.File("dl/Melvane Playlists/.._" + std::string(197, 'L') + ".m3u")));
    for (const std::string& title : {std::string("../victim"), std::string("../../victim2"),
                                     std::string(".."), std::string("/etc/passwd"), std::string(), longTitle})
        Send(msg::DeletePlaylist{.title = title});
    EXPECT_EQ(4, h.owner.ui.Count("PlaylistDeleted"));
    EXPECT_EQ(std::vector<std::string>(
                  {"dl/Melvane Playlists/.._.._evil.m3u", "dl/Melvane Playlists/.._.._evil2.m3u",
                   "dl/Melvane Playlists/_etc_evil3.m3u", "dl/Melvane Playlists/a___x_.m3u",
                   "dl/Melvane Playlists/sub_.._.._x.m3u", "dl/victim.m3u", "victim2.m3u"}),
              AllFiles());
    // The title inside the file is the server's own.
    EXPECT_EQ("#EXTM3U\r\n#MVNAME:../../evil\r\n#MVINF:1\r\n#EXTINF:0,\r\n",
              ReadFileText(h.dir.File("dl/Melvane Playlists/.._.._evil.m3u")));
    // Line breaks and other control characters in a title become blanks: they
    // would otherwise write lines of their own, such as a track path.
    EXPECT_EQ("#EXTM3U\r\n#MVNAME:a  /x \r\n#MVINF:1\r\n#EXTINF:0,\r\n",
              ReadFileText(h.dir.File("dl/Melvane Playlists/a___x_.m3u")));
    EXPECT_EQ(NC_CONNECTED, h.link->GetState());
}
