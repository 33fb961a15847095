// Peer transfers over loopback: both real sides against each other, each
// side against the test peer (well-behaved, faulty and hostile), resumes,
// checks of the content and the files left behind.
#include "tests/client/stream/TransferHarness.h"

#include "client/stream/TransferTempFile.h"
#include "include/fs/PathUtil.h"
#include "tests/support/media/M4aFixture.h"

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>

using namespace testsupport;
namespace fs = std::filesystem;

namespace {

constexpr int kFrames = 100;

class FileTransferTest : public ::testing::Test {
  protected:
    const std::string file = PatternedMp3(kFrames, kFixtureTagBytes);
    const uint64_t fileSetID = Mp3FileSetId(file, kFixtureTagBytes);
    const uint32_t size = static_cast<uint32_t>(file.size());
    TransferHarness h;

    // A two-second MPEG-4 file, its movie box first or last.
    std::string M4aFile(bool moovFirst) {
        const std::string path = h.dir.File(moovFirst ? "music/first.m4a" : "music/last.m4a");
        EXPECT_TRUE(WriteM4a(path, M4aSpec{2, moovFirst, M4aCodec::AAC, nullptr}));
        return ReadFileText(path);
    }
    // Where the audio data of `bytes`, saved as `name`, begin.
    size_t DataStart(const std::string& bytes, const std::string& name = "x.m4a") {
        return static_cast<size_t>(Analysed(bytes, name).GetDataOffset());
    }
    uint64_t FileSetIdOf(const std::string& bytes, const std::string& name) {
        uint64_t id = 0;
        EXPECT_TRUE(FileSetIdOfDigest(Analysed(bytes, name).GetDigest(), id));
        return id;
    }

  private:
    FileMetaData Analysed(const std::string& bytes, const std::string& name) {
        fs::create_directories(h.dir.File("analysed"));
        WriteFileText(h.dir.File("analysed/" + name), bytes);
        FileMetaData md;
        md.SetPath(h.dir.WFile("analysed/" + name));
        EXPECT_TRUE(md.ReadQuickInfo());
        fs::remove_all(h.dir.File("analysed"));
        return md;
    }
};

// A receiver that connects to the test peer playing the sender.
struct PeerDownload {
    PeerDownload(TransferHarness& h, TransferStart start, const std::string& file,
                 size_t tagBytes = kFixtureTagBytes)
        : sender(file, tagBytes), transfer(&h.ui) {
        (void)peer.Listen();
        start.port = peer.Port();
        started = transfer.StartActive(start);
    }
    std::function<void()> Step() {
        return [this] { sender.Step(peer); };
    }
    TestPeer peer;
    PeerSender sender;
    FileTransfer transfer;
    int started = 0;
};

// The process's umask while it lives.
class ScopedUmask {
  public:
    explicit ScopedUmask(mode_t mask) : m_saved(umask(mask)) {}
    ~ScopedUmask() { umask(m_saved); }
    ScopedUmask(const ScopedUmask&) = delete;
    ScopedUmask& operator=(const ScopedUmask&) = delete;

  private:
    mode_t m_saved;
};

unsigned ModeOf(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 ? info.st_mode & 0777 : 0;
}

size_t Occurrences(const std::string& text, const std::string& piece) {
    size_t count = 0;
    for (size_t at = text.find(piece); at != std::string::npos; at = text.find(piece, at + 1))
        ++count;
    return count;
}

} // namespace

TEST_F(FileTransferTest, TemporaryNameAndFileSetIdFollowTheirRules) {
    EXPECT_EQ(L"mv--1-1234.temp", CreateTempName(TransferId{4294967295u, 1, 2, 3}, 1234));
    EXPECT_EQ(h.dir.WFile("cache/Melvane/tmp/mv--1-1234.temp"), GetTempFilePath(L"mv--1-1234.temp"));
    uint64_t id = 0;
    ASSERT_TRUE(FileSetIdOfDigest("ff23456789abcdef0000000000000000", id));
    EXPECT_EQ(0xff23456789abcdefull >> 1, id);
    EXPECT_FALSE(FileSetIdOfDigest("ff23456789abcdef", id));
}

TEST_F(FileTransferTest, TwoTransfersMoveAByteIdenticalFileEitherSideListening) {
    const ScopedUmask umask027(027);
    for (const bool senderListens : {true, false}) {
        SCOPED_TRACE(senderListens);
        fs::remove_all(h.dir.File("dl"));
        h.ui.Clear();
        const std::wstring source = h.ShareFile("song.mp3", file);
        const uint16_t port = TransferHarness::FreePort();
        FileTransfer sender(&h.ui), receiver(&h.ui);
        const TransferStart upload = TransferHarness::Upload(source, fileSetID, port);
        const TransferStart download = h.Download("Artist\\Album", "song.mp3", fileSetID, size, port);
        ASSERT_EQ(-1, senderListens ? sender.StartPassive(upload) : receiver.StartPassive(download));
        ASSERT_EQ(-1, senderListens ? receiver.StartActive(download) : sender.StartActive(upload));
        ASSERT_TRUE(h.RunUntil({&sender, &receiver}, nullptr,
                               [&] { return sender.IsFinished() && receiver.IsFinished(); }));

        EXPECT_EQ(TS_SUCCESS, receiver.GetResult());
        EXPECT_EQ(TS_SUCCESS, sender.GetResult());
        EXPECT_EQ(file, ReadFileText(h.dir.File("dl/Artist/Album/song.mp3")));
        EXPECT_EQ(std::vector<std::string>{"dl/Artist/Album/song.mp3"}, h.WrittenFiles());
        // The user's ordinary modes, for players of other accounts.
        EXPECT_EQ(0640u, ModeOf(h.dir.File("dl/Artist/Album/song.mp3")));
        for (const char* folder : {"dl", "dl/Artist", "dl/Artist/Album"})
            EXPECT_EQ(0750u, ModeOf(h.dir.File(folder))) << folder;
        ASSERT_EQ(2, h.ui.Count("TransferFinished"));
        EXPECT_EQ(source, h.ui.Calls()[0].text);
        EXPECT_EQ(h.dir.WFile("dl/Artist/Album/song.mp3"), h.ui.Calls()[1].text);
        EXPECT_EQ(h.dir.WFile("dl/Artist/Album/song.mp3"), h.scanner.singleScans.back());
    }
}

TEST_F(FileTransferTest, TheSenderAnswersEachRequestWithHeaderBytesAndChecksum) {
    // The sender answers each with a header, the bytes and a checksum, and
    // ends well once the receiver closes after the data's checksum.
    TestPeer peer;
    PeerReceiver receiver;
    FileTransfer sender(&h.ui);
    const uint16_t port = TransferHarness::FreePort();
    ASSERT_EQ(-1, sender.StartPassive(TransferHarness::Upload(h.ShareFile("up.mp3", file), fileSetID, port)));
    h.Pass({&sender});
    ASSERT_TRUE(peer.Connect(port, "conn-7"));
    ASSERT_TRUE(h.RunToEnd(sender, [&] { receiver.Step(peer); }));
    EXPECT_EQ(TS_SUCCESS, sender.GetResult());
    const std::string data = file.substr(kFixtureTagBytes);
    const std::vector<std::tuple<uint32_t, uint32_t, int64_t, std::string>> expected = {
        {2, 22 + 8, 2000, ""},
        {5, 22 + 10 + 32, 2000, Md5Hex(file.substr(0, kFixtureTagBytes))},
        {4, 22 + 8, static_cast<int64_t>(data.size()), ""},
        {5, 22 + 10 + 32, static_cast<int64_t>(data.size()), Md5Hex(data)},
    };
    ASSERT_EQ(expected.size(), receiver.messages.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        const PeerMessage& got = receiver.messages[i];
        EXPECT_EQ(expected[i], std::make_tuple(got.type, got.mesgLen, got.first, got.digest)) << i;
    }
    EXPECT_EQ(file, receiver.received);
}

TEST_F(FileTransferTest, ADownloadAsksForWhatItsTemporaryFileLacks) {
    // MPEG-4 files, whose tag region runs up to the media data's payload.
    const std::string m4aFirst = M4aFile(true), m4aLast = M4aFile(false);
    struct Case {
        const char* what;
        const std::string& file;
        std::string name;
        std::optional<size_t> leftBytes; // of the file, in the temporary file
        std::vector<std::tuple<uint32_t, uint32_t, int64_t, int64_t>> requests; // type, mesgLen, start, count
    };
    const std::vector<Case> cases = {
        {"new", file, "song.mp3", std::nullopt, {{1, 22, 0, 0}, {3, 22 + 16, 0, -1}}},
        {"audio there", file, "song.mp3", kFixtureTagBytes + 5000, {{3, 22 + 16, 5000, -1}}},
        // Part of the tag region only: the file goes, the download starts afresh.
        {"part of the tag", file, "song.mp3", 1000, {{1, 22, 0, 0}, {3, 22 + 16, 0, -1}}},
        {"new m4a", m4aLast, "song.m4a", std::nullopt, {{1, 22, 0, 0}, {3, 22 + 16, 0, -1}}},
        // A whole MPEG-4 file reads as one: nothing is missing.
        {"whole m4a",
         m4aFirst,
         "song.m4a",
         m4aFirst.size(),
         {{3, 22 + 16, static_cast<int64_t>(m4aFirst.size() - DataStart(m4aFirst)), -1}}},
        // A cut one resumes where its media data stop, the movie box first or last.
        {"cut m4a", m4aFirst, "song.m4a", DataStart(m4aFirst) + 500, {{3, 22 + 16, 500, -1}}},
        {"cut m4a, movie last", m4aLast, "song.m4a", DataStart(m4aLast) + 500, {{3, 22 + 16, 500, -1}}},
        {"m4a cut in its movie box",
         m4aFirst,
         "song.m4a",
         DataStart(m4aFirst) - 100,
         {{1, 22, 0, 0}, {3, 22 + 16, 0, -1}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove_all(h.dir.File("dl"));
        const uint64_t id = FileSetIdOf(c.file, c.name);
        if (c.leftBytes) {
            fs::create_directories(h.dir.File("cache/Melvane/tmp"));
            WriteFileText(h.TempFile(id), c.file.substr(0, *c.leftBytes));
        }
        PeerDownload download(h, h.Download("", c.name, id, static_cast<uint32_t>(c.file.size())), c.file,
                              DataStart(c.file, c.name));
        ASSERT_TRUE(h.RunToEnd(download.transfer, download.Step()));
        EXPECT_EQ(TS_SUCCESS, download.transfer.GetResult());
        std::vector<std::tuple<uint32_t, uint32_t, int64_t, int64_t>> requests;
        for (const PeerMessage& m : download.sender.requests)
            requests.emplace_back(m.type, m.mesgLen, m.first, m.second);
        EXPECT_EQ(c.requests, requests);
        EXPECT_TRUE(c.file == ReadFileText(h.dir.File("dl/" + c.name)));
        EXPECT_EQ(std::vector<std::string>{"dl/" + c.name}, h.WrittenFiles());
    }
}

TEST_F(FileTransferTest, ADownloadThatDiffersIsDeletedAndReported) {
    SetHelperPath(Utf8ToWide(MELVANE_FAKE_HELPER));
    TempDir reportDir;
    ScopedEnv helperOut("MELVANE_FAKE_HELPER_OUT", reportDir.File("reports.txt"));
    struct Case {
        const char* what;
        int64_t countDelta;
        bool wrongDigest;
        uint64_t serverFileSetId;
    };
    for (const Case& c : {Case{"count", 1, false, fileSetID}, Case{"digest", 0, true, fileSetID},
                          Case{"content", 0, false, fileSetID + 1}}) {
        SCOPED_TRACE(c.what);
        PeerDownload download(h, h.Download("", "song.mp3", c.serverFileSetId, size), file);
        download.sender.dataCountDelta = c.countDelta;
        download.sender.wrongDataDigest = c.wrongDigest;
        ASSERT_TRUE(h.RunToEnd(download.transfer, download.Step()));
        EXPECT_EQ(TS_HASH_DIFF, download.transfer.GetResult());
        EXPECT_TRUE(h.WrittenFiles().empty());
    }
    EXPECT_TRUE(WaitUntil([&] {
        return Occurrences(ReadFileText(reportDir.File("reports.txt")), "Report: Hash Mismatch") == 3;
    }));
}

TEST_F(FileTransferTest, StartRefusesWhatItCannotSendOrWhereItMustNotWrite) {
    const std::wstring source = h.ShareFile("song.mp3", file);
    FileTransfer transfer(&h.ui);
    EXPECT_EQ(TS_HASH_DIFF, transfer.StartPassive(TransferHarness::Upload(source, fileSetID + 1, 5000)));
    EXPECT_EQ(TS_READ_MD_FAILED,
              transfer.StartPassive(TransferHarness::Upload(source + L"x", fileSetID, 5000)));
    for (const auto& [dirName, fileName] : std::vector<std::pair<std::string, std::string>>{
             {"..\\..\\evil", "x.mp3"},
             {"a\\..\\..\\b", "x.mp3"},
             {"\\abs", "x.mp3"},
             {"a", "../x.mp3"},
             {"a", "..\\x.mp3"},
             {"", "/etc/x.mp3"},
             {"", ".."},
             {".", "x.mp3"},
             {"a", ""},
             {"a\\\\b", "x.mp3"},
             {"a", std::string("x\0y.mp3", 7)},
             {"a", "b\x01.mp3"},
             {"a", "b\xc2\x85.mp3"},
         }) {
        EXPECT_EQ(TS_OPEN_FAILED, transfer.StartPassive(h.Download(dirName, fileName, fileSetID, size, 5000)))
            << dirName << " / " << fileName;
    }
    EXPECT_TRUE(h.WrittenFiles().empty());
}

TEST_F(FileTransferTest, NinetySecondsOfSilenceEndTheTransfer) {
    // With a peer connected or none at all.
    PeerDownload silent(h, h.Download("", "song.mp3", fileSetID, size), file);
    ASSERT_TRUE(h.RunUntil(
        {&silent.transfer}, [&] { silent.peer.Pump(); },
        [&] { return silent.peer.TakeMessage().has_value(); }));
    FileTransfer listening(&h.ui);
    ASSERT_EQ(-1, listening.StartPassive(
                      h.Download("", "other.mp3", fileSetID, size, TransferHarness::FreePort())));
    h.clock.Advance(90 * 1000);
    h.Pass({&silent.transfer, &listening});
    EXPECT_FALSE(silent.transfer.IsFinished());
    h.clock.Advance(1001);
    h.Pass({&silent.transfer, &listening});
    EXPECT_EQ(TS_TIMEOUT, silent.transfer.GetResult());
    EXPECT_EQ(TS_TIMEOUT, listening.GetResult());
}

TEST_F(FileTransferTest, HostileOrClosingPeerEndsTheTransferWithItsCodeAndWritesNothingElsewhere) {
    const std::string tag = file.substr(0, kFixtureTagBytes);
    const std::string tagPhase = TagHeader(2000) + tag + Checksum(2000, Md5Hex(tag));
    auto frame = [](uint32_t type, std::string payload, std::optional<uint32_t> mesgLen, uint16_t names) {
        PeerFrame bad;
        bad.type = type;
        bad.payload = std::move(payload);
        bad.mesgLen = mesgLen;
        bad.nameCount = names;
        return bad.Encode();
    };
    struct Case {
        const char* what;
        int direction;
        std::string bytes;
        int code;
        int64_t dataHeader; // announced by a sender, -1: none
        // The header whose length a receiver refuses; its temporary file goes.
        const char* refused = nullptr;
        bool closeAfterSending = false;
        // A receiver's temporary file holds these first bytes of the file.
        std::string left = {};
    };
    const std::vector<Case> cases = {
        {"name count 101", RECV, frame(2, I64Bytes(2000), std::nullopt, 101), TS_READ_ERROR, -1},
        {"negative length", RECV, TagHeader(-1), TS_READ_ERROR, -1, "FT_TAG_HEADER"},
        {"tag over 16 MiB", RECV, TagHeader(16 * 1024 * 1024 + 1), TS_READ_ERROR, -1, "FT_TAG_HEADER"},
        // The whole tag region and its checksum, then a data header: the tag
        // alone is more than the announced size.
        {"tag beyond the size", RECV,
         TagHeader(size + 1) + file + "x" + Checksum(size + 1, Md5Hex(file + "x")) + DataHeader(0),
         TS_READ_ERROR, -1, "FT_TAG_HEADER"},
        {"data beyond the size", RECV, tagPhase + DataHeader(size - 2000 + 1), TS_READ_ERROR, -1,
         "FT_DATA_HEADER"},
        // What the temporary file holds counts against the size.
        {"data beyond the size on a resume", RECV, DataHeader(size - 7000 + 1), TS_READ_ERROR, -1,
         "FT_DATA_HEADER", false, file.substr(0, 7000)},
        {"type 4 awaiting a tag header", RECV, DataHeader(100), TS_READ_ERROR, -1},
        {"mesgLen 0", RECV, frame(2, I64Bytes(2000), 0, 1), TS_READ_ERROR, -1},
        {"mesgLen 0x7fffffff", RECV, frame(2, I64Bytes(2000), 0x7fffffff, 1), TS_READ_ERROR, -1},
        {"unknown type", RECV, frame(9, "", std::nullopt, 1), TS_READ_ERROR, -1},
        {"digest of 101", RECV, TagHeader(2000) + tag + Checksum(2000, std::string(101, 'a')), TS_READ_ERROR,
         -1},
        {"close in the data", RECV, tagPhase + DataHeader(size - 2000) + file.substr(2000, 5000),
         TS_READ_ERROR, -1, nullptr, true},
        {"type 5 to a sender", SEND, Checksum(0, ""), TS_READ_ERROR, -1},
        // The peer closes once it has a checksum: here before the data's.
        {"close after the tag", SEND, RequestTag(), TS_READ_ERROR, -1},
        {"type 2 to a sender", SEND, TagHeader(5), TS_READ_ERROR, -1},
        {"start -1", SEND, RequestData(-1, -1), TS_SUCCESS, size - 2000},
        {"start 10^12", SEND, RequestData(1000000000000, -1), TS_SUCCESS, 0},
        {"count 10^12", SEND, RequestData(100, 1000000000000), TS_SUCCESS, size - 2100},
    };
    const std::wstring source = h.ShareFile("song.mp3", file);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TestPeer peer;
        FileTransfer transfer(&h.ui);
        if (c.direction == RECV) {
            fs::remove(h.TempFile(fileSetID));
            if (!c.left.empty())
                WriteFileText(h.TempFile(fileSetID), c.left);
            ASSERT_TRUE(peer.Listen());
            ASSERT_EQ(-1, transfer.StartActive(h.Download("", "song.mp3", fileSetID, size, peer.Port())));
        } else {
            const uint16_t port = TransferHarness::FreePort();
            ASSERT_EQ(-1, transfer.StartPassive(TransferHarness::Upload(source, fileSetID, port)));
            ASSERT_TRUE(peer.Connect(port, "conn-7"));
        }
        const int refusals = c.refused ? h.log.Count(std::string("Refusing ") + c.refused) : 0;
        peer.Send(c.bytes);
        std::vector<PeerMessage> seen;
        size_t rawBytes = 0;
        ASSERT_TRUE(h.RunToEnd(transfer, [&] {
            peer.Pump();
            if (c.closeAfterSending && peer.IsConnected())
                peer.Close();
            while (rawBytes == 0 || peer.TakeBytes(rawBytes)) {
                rawBytes = 0;
                std::optional<PeerMessage> message = peer.TakeMessage();
                if (!message)
                    break;
                seen.push_back(*message);
                rawBytes = message->type == 2 || message->type == 4 ? static_cast<size_t>(message->first) : 0;
                if (message->type == 5)
                    peer.Close();
            }
        }));
        EXPECT_EQ(c.code, transfer.GetResult());
        auto header =
            std::find_if(seen.begin(), seen.end(), [](const PeerMessage& m) { return m.type == 4; });
        EXPECT_EQ(c.dataHeader, header == seen.end() ? -1 : header->first);
        for (const std::string& written : h.WrittenFiles())
            EXPECT_EQ(0u, written.rfind("cache/Melvane/tmp/", 0)) << written;
        if (c.direction == RECV) {
            EXPECT_NE(c.refused != nullptr, fs::exists(h.TempFile(fileSetID)));
        }
        if (c.refused) {
            EXPECT_EQ(refusals + 1, h.log.Count(std::string("Refusing ") + c.refused));
        }
    }
}

TEST_F(FileTransferTest, AFailedWriteEndsTheDownloadAndDeletesItsTemporaryFile) {
    // Files may not grow past 10000 bytes: writes fail as on a full disk.
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    struct sigaction saved {};
    sigaction(SIGXFSZ, &ignore, &saved);
    rlimit original{};
    getrlimit(RLIMIT_FSIZE, &original);
    rlimit small = original;
    small.rlim_cur = 10000;
    setrlimit(RLIMIT_FSIZE, &small);
    PeerDownload download(h, h.Download("", "song.mp3", fileSetID, size), file);
    const bool ended = h.RunToEnd(download.transfer, download.Step());
    setrlimit(RLIMIT_FSIZE, &original);
    sigaction(SIGXFSZ, &saved, nullptr);

    ASSERT_TRUE(ended);
    EXPECT_EQ(TS_EBADF, download.transfer.GetResult());
    EXPECT_TRUE(h.WrittenFiles().empty());
    EXPECT_EQ(1, Occurrences(h.log.Text(), "write to temp file"));
}

TEST_F(FileTransferTest, ATagThatCannotBeWrittenOrWouldChangeTheContentFailsTheDownload) {
    // A stray byte before "ID3": our reading finds no tag and takes the
    // frame-like bytes inside it for the audio, the tag library finds the
    // tag and writes over them.
    Mp3Tags tags;
    tags.v2 = true;
    tags.title = "Song";
    tags.frames = {{"PRIV", "frames", Mp3Frames(1)}};
    ASSERT_TRUE(WriteMp3(h.dir.File("music/tagged.mp3"), "", kFrames, tags));
    const std::string strayByte = std::string(1, '\0') + ReadFileText(h.dir.File("music/tagged.mp3"));
    const struct {
        const char* what;
        const std::string& file;
        std::vector<std::string> left;
    } cases[] = {
        // The fixture has no ID3v2 tag to hold the frame: it stays, private.
        {"no tag", file, {"cache/Melvane/tmp/mv-7-" + std::to_string(fileSetID) + ".temp"}},
        {"a stray byte before the tag", strayByte, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove_all(h.dir.File("cache"));
        const uint64_t id = FileSetIdOf(c.file, "song.mp3");
        TransferStart start = h.Download("", "song.mp3", id, static_cast<uint32_t>(c.file.size()));
        start.uitsOwner = L"UITS";
        start.uitsTag = L"<uits/>";
        PeerDownload download(h, start, c.file, DataStart(c.file, "song.mp3"));
        ASSERT_TRUE(h.RunToEnd(download.transfer, download.Step()));
        EXPECT_EQ(TS_UITS_FAILED, download.transfer.GetResult());
        EXPECT_EQ(c.left, h.WrittenFiles());
        for (const std::string& left : c.left)
            EXPECT_EQ(0600u, ModeOf(h.dir.File(left)));
    }
}

TEST_F(FileTransferTest, ADestinationTakenOrReachedThroughALinkIsNeverWritten) {
    // A umask that would open the song to others once it is in its place.
    const ScopedUmask umask022(022);
    fs::create_directories(h.dir.File("outside"));
    const struct {
        const char* what;
        std::string dirName;
        std::function<void()> plant; // during the transfer
        std::vector<std::string> written;
    } cases[] = {
        {"taken",
         "",
         [&] {
             fs::create_directories(h.dir.File("dl"));
             WriteFileText(h.dir.File("dl/song.mp3"), "other");
         },
         {"dl/song.mp3"}},
        {"linked folder",
         "Artist\\Album",
         [&] {
             fs::create_directories(h.dir.File("dl"));
             fs::create_directory_symlink(h.dir.File("outside"), h.dir.File("dl/Artist"));
         },
         {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove_all(h.dir.File("dl"));
        fs::remove_all(h.dir.File("cache"));
        PeerDownload download(h, h.Download(c.dirName, "song.mp3", fileSetID, size), file);
        c.plant();
        ASSERT_TRUE(h.RunToEnd(download.transfer, download.Step()));
        EXPECT_EQ(TS_MOVE_FAILED, download.transfer.GetResult());
        std::vector<std::string> written = c.written;
        written.insert(written.begin(), "cache/Melvane/tmp/mv-7-" + std::to_string(fileSetID) + ".temp");
        EXPECT_EQ(written, h.WrittenFiles());
        // The temporary file that could not be moved stays private.
        EXPECT_EQ(0600u, ModeOf(h.dir.File(written.front())));
        EXPECT_TRUE(fs::is_empty(h.dir.File("outside")));
        if (!c.written.empty()) {
            EXPECT_EQ("other", ReadFileText(h.dir.File(c.written.front())));
        }
    }
}

TEST_F(FileTransferTest, AWholeRequestWaitsForRoomInTheOutputBufferAndIsLoggedOnce) {
    const uint16_t port = TransferHarness::FreePort();
    FileTransfer sender(&h.ui);
    ASSERT_EQ(-1, sender.StartPassive(TransferHarness::Upload(h.ShareFile("up.mp3", file), fileSetID, port)));
    TestPeer peer;
    h.Pass({&sender});
    ASSERT_TRUE(peer.Connect(port, "conn-7"));
    ASSERT_TRUE(h.RunUntil(
        {&sender}, [&] { peer.Pump(); }, [&] { return sender.GetState() == FileTransfer::IDLE; }));

    // Output nobody takes, leaving less room than any answer may need; only
    // reads move the connection on from here.
    TcpConn& conn = sender.GetConn();
    conn.outBuf.Compact();
    const int filler = conn.outBuf.GetNumFreeBytes() - (FileTransfer::kMessageRoomBytes - 1);
    ASSERT_TRUE(conn.outBuf.WriteBytes(std::string(static_cast<size_t>(filler), 'f').data(), filler));
    auto arrive = [&](const std::string& bytes) {
        const int before = conn.inBuf.GetNumUsedBytes();
        peer.Send(bytes);
        return WaitUntil([&] {
            peer.Pump();
            conn.Read();
            return conn.inBuf.GetNumUsedBytes() == before + static_cast<int>(bytes.size());
        });
    };
    const std::string request = RequestTag();
    const std::string waitLine = "Waiting to dispatch message until the outbuf has freed some space";
    ASSERT_TRUE(arrive(request.substr(0, 10)));
    sender.TransferTick(h.scanner);
    EXPECT_EQ(0u, Occurrences(h.log.Text(), waitLine)) << "part of a message waits for nothing";
    ASSERT_TRUE(arrive(request.substr(10)));
    for (int pass = 0; pass < 3; ++pass)
        sender.TransferTick(h.scanner);
    EXPECT_EQ(FileTransfer::IDLE, sender.GetState());
    EXPECT_EQ(static_cast<int>(request.size()), conn.inBuf.GetNumUsedBytes());
    EXPECT_EQ(1u, Occurrences(h.log.Text(), waitLine));

    ASSERT_TRUE(conn.outBuf.Consume(filler));
    sender.TransferTick(h.scanner);
    EXPECT_EQ(0, conn.inBuf.GetNumUsedBytes());
    // The tag's header, bytes and checksum, queued in the same pass.
    EXPECT_EQ(static_cast<int>(22 + 8 + kFixtureTagBytes + 22 + 10 + 32), conn.outBuf.GetNumUsedBytes());
    EXPECT_FALSE(sender.IsFinished());
    EXPECT_EQ(1u, Occurrences(h.log.Text(), waitLine));
}
