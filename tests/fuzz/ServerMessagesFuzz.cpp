// Feeds the server link's message dispatcher whole frames: the input is a
// stream of frames whose magic and length fields are set right here, so the
// type and the body are what the fuzzer varies. The link is the one the
// tests use (a NodeConn with a recording owner and a fake scanner), fed
// through its input buffer and processServerBuffer, with the core loop's
// tick between reads. Sockets are refused (support/NoSockets.cpp), time and
// randomness are fixed, and files land in a temporary folder emptied after
// every input.
#include "client/server/NodeConn.h"
#include "include/crash/CrashReport.h"
#include "tests/fuzz/support/FuzzInput.h"
#include "tests/fuzz/support/FuzzSupport.h"
#include "tests/support/ManualClock.h"
#include "tests/support/TempDir.h"
#include "tests/support/core/FakeLibrary.h"
#include "tests/support/core/FakeLinkOwner.h"
#include "tests/support/core/SequenceRandom.h"
#include "tests/support/testserver/Frame.h"
#include "tests/support/testserver/MessageCatalogue.h"

#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

using fuzzsupport::FuzzInput;
using namespace testsupport;

namespace {

constexpr char kSessionSalt[] = "0a1b2c3d";
// The largest body the link's input buffer can take in one frame.
constexpr size_t kMaxBodyBytes = NodeConn::kInBufBytes - 1 - kMesgHeaderBytes;
// The files the fake scanner knows: with details, without, and a new one.
constexpr uint32_t kFileWithDetails = 1;
constexpr uint32_t kFileWithoutDetails = 2;
constexpr uint32_t kNewFile = 3;

// What the whole run shares: the folders the link may write to (the
// program's own folders, configuration and temporary files, point into them
// too), and no crash reports.
struct Folders {
    TempDir root;
    std::wstring playlists = root.WFile("playlists");
    std::wstring downloads = root.WFile("downloads");

    Folders() {
        for (const char* name : {"HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_CONFIG_HOME"})
            setenv(name, root.Path().c_str(), 1);
        EnableCrashReports(false);
    }
};

Folders& GetFolders() {
    static Folders folders;
    return folders;
}

// The next frame of the input: magic skipped, length taken as the body's
// length (cut to what the input and the link's buffer hold), then the type.
std::string NextFrame(FuzzInput& input) {
    (void)input.U16();
    const uint16_t length = input.U16();
    const uint16_t type = input.U16();
    size_t bodyBytes = length > kMesgLengthOverhead ? length - kMesgLengthOverhead : 0;
    bodyBytes = bodyBytes < kMaxBodyBytes ? bodyBytes : kMaxBodyBytes;
    const std::string body = input.Bytes(bodyBytes);
    std::string frame;
    for (uint16_t field : {kMesgMagic, static_cast<uint16_t>(body.size() + kMesgLengthOverhead), type}) {
        frame += static_cast<char>(field >> 8);
        frame += static_cast<char>(field & 0xFF);
    }
    return frame + body;
}

// Replies go out as whole frames that the test server's own codec reads,
// every byte of each body belonging to a field. File details that carry the
// fake file's record (not a real one) are only framed.
void CheckReplies(const Buf& out) {
    FrameReader reader;
    reader.Append(std::string_view(reinterpret_cast<const char*>(out.GetReadPtr()),
                                   static_cast<size_t>(out.GetNumUsedBytes())));
    Frame reply;
    while (reader.Next(reply) == FrameReader::FR_FRAME) {
        const bool fakeRecord = reply.type == static_cast<uint16_t>(ClientMsg::MSG_FILE_DETAILS) &&
                                !reply.payload.empty() && reply.payload[0] != msg::kRecordNotFound;
        FUZZ_CHECK(fakeRecord || DecodeClientMessage(reply.type, reply.payload).Ok());
    }
    FUZZ_CHECK(reader.PendingBytes() == 0);
}

void Feed(const uint8_t* data, size_t size, const Folders& folders) {
    ManualClock clock;
    SequenceRandom random({7, 3, 11});
    FakeLinkOwner owner;
    owner.playlistDir = folders.playlists;
    owner.downloadDir = folders.downloads;
    FakeScanner scanner;
    FakeMusicFile withDetails(kFileWithDetails, scanner), withoutDetails(kFileWithoutDetails, scanner),
        newFile(kNewFile, scanner);
    withDetails.GiveMetadata();
    newFile.SetNewFile(true);

    NodeConn link(owner);
    link.InitServerConnection(nullptr, kSessionSalt);
    Buf& in = link.GetConn().inBuf;
    FuzzInput input(data, size);
    std::string frame = NextFrame(input);
    while (!frame.empty() || in.HasData()) {
        // As many whole frames as the input buffer takes in one read.
        in.Compact();
        while (!frame.empty() && static_cast<int64_t>(frame.size()) <= in.GetNumFreeBytes()) {
            FUZZ_CHECK(in.WriteBytes(frame.data(), static_cast<int64_t>(frame.size())));
            frame = input.Empty() ? std::string() : NextFrame(input);
        }
        const int before = in.GetNumUsedBytes();
        link.processServerBuffer(scanner);
        link.Tick(scanner);
        // The replies go out.
        CheckReplies(link.GetConn().outBuf);
        link.GetConn().outBuf.Reset();
        // Frames a pass leaves whole would wait for ever: they are dropped, as
        // a closing connection drops them.
        if (in.GetNumUsedBytes() == before)
            in.Reset();
    }
    link.Shutdown();
}

template <size_t... I> void AddEveryType(std::vector<std::string>& seeds, std::index_sequence<I...>) {
    (seeds.push_back(FrameOf(ServerMessage(std::in_place_index<I>))), ...);
}

} // namespace

std::vector<std::string> fuzzsupport::Seeds() {
    std::vector<std::string> seeds;
    AddEveryType(seeds, std::make_index_sequence<std::variant_size_v<ServerMessage>>());

    msg::Transfer download;
    download.id = {1, 2, 3, 4};
    download.client = true;
    download.remoteAddress = "127.0.0.1";
    download.remotePort = 9;
    download.dirName = "Album\\Disc 1";
    download.fileName = "b.mp3";
    download.uitsTag = "t";
    msg::Transfer upload = download;
    upload.client = false;
    upload.active = true;
    upload.cfID = kFileWithDetails;
    msg::Upgrade upgrade;
    upgrade.upgraderPath = "/u";
    upgrade.upgraderMd5 = "m";
    upgrade.manifestPath = "/m";
    upgrade.manifestMd5 = "d";
    upgrade.timeoutSecs = 60;
    msg::SongInfo song;
    song.cfID = kFileWithDetails;
    song.songID = 2;
    song.song = "Song";
    song.album = "Album";
    song.ctn = 5;
    msg::SavePlaylist playlist;
    playlist.title = "Road Trip: Caf\xC3\xA9";
    playlist.songIDs = {1, 2, 3};
    playlist.cfIDs = {kFileWithDetails, kNewFile};
    playlist.overwrite = true;
    msg::PlaycountSettings playCounts;
    playCounts.enabled = true;
    playCounts.hours = 24;
    const std::vector<ServerMessage> examples = {
        msg::Redirect{.port = 4000, .address = "127.0.0.1"},
        download,
        upload,
        msg::AbortTransfer{.id = {1, 2, 3, 4}},
        msg::AccountStatus{.status = 3},
        msg::PlayFile{.cfID = kFileWithDetails, .unused = 0, .mode = 2},
        msg::Echo{.data = "hello"},
        msg::AccountCheckResult{.status = 16, .text = "cred"},
        msg::DeleteTempFile{.id = {1, 2, 3, 4}, .fileName = "x"},
        msg::PlayList{.mode = 1, .entries = {{kFileWithDetails, 0}, {kNewFile, 0}}},
        msg::SecurityString{.serverSalt = "salt", .secondString = "second", .serverValue = 1},
        msg::ServerText{.text = "Hello %s %n"},
        upgrade,
        msg::SendLog{.kind = 2},
        song,
        msg::FileDetailsRequest{.cfID = kFileWithDetails, .rescan = false},
        msg::FileDetailsRequest{.cfID = kFileWithoutDetails, .rescan = true},
        playlist,
        msg::NewFileAck{.cfID = kNewFile},
        playCounts,
        msg::StartChanges{.window = 10},
        msg::ConnectStream{.port = 80, .address = "127.0.0.1", .connID = "c"},
        msg::DeletePlaylist{.title = "Road Trip: Caf\xC3\xA9"},
    };
    std::string all;
    for (const ServerMessage& message : examples) {
        seeds.push_back(FrameOf(message));
        all += FrameOf(message);
    }
    seeds.push_back(all);
    return seeds;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const Folders& folders = GetFolders();
    Feed(data, size, folders);
    std::error_code ignored;
    std::filesystem::remove_all(folders.playlists, ignored);
    return 0;
}
