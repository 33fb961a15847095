// Every message the program sends to the server, one struct each, with its
// fields in wire order (conventions as in ServerMessages.h).
#pragma once

#include "tests/support/testserver/FileRecords.h"
#include "tests/support/testserver/MessageTypes.h"
#include "tests/support/testserver/TransferId.h"

#include <cstdint>
#include <string>
#include <vector>

namespace testsupport::msg {

#define TESTSERVER_CLIENT_MESSAGE(Name, Type)                                                                \
    static constexpr ClientMsg TYPE = ClientMsg::Type;                                                       \
    static constexpr const char* NAME = #Type;                                                               \
    bool operator==(const Name&) const = default

struct Hello {
    TESTSERVER_CLIENT_MESSAGE(Hello, MSG_HELLO);
    uint32_t helloCheck = 0;
    uint32_t sessionSerial = 0;
    std::string userName;
    // Salted digest of the server salt and the account credential.
    std::string passwordDigest;
    std::string version;
    std::string localIP;
    std::string hostName;
    uint16_t sendingTransfers = 0;
    uint16_t receivingTransfers = 0;
    uint32_t protocolVersion = 0;
    std::string osDescription;
    std::string oneTimePassword;
    std::string sessionSalt;
    std::string mp3Player;
    std::string m3uPlayer;
    uint32_t localPort = 0;
    uint64_t changeStamp = 0;
    bool searchRunning = false;
    template <class V, class S> static void Fields(V& v, S& m) {
        v("helloCheck", m.helloCheck);
        v("sessionSerial", m.sessionSerial);
        v("userName", m.userName);
        v("passwordDigest", m.passwordDigest);
        v("version", m.version);
        v("localIP", m.localIP);
        v("hostName", m.hostName);
        v("sendingTransfers", m.sendingTransfers);
        v("receivingTransfers", m.receivingTransfers);
        v("protocolVersion", m.protocolVersion);
        v("osDescription", m.osDescription);
        v("oneTimePassword", m.oneTimePassword);
        v("sessionSalt", m.sessionSalt);
        v("mp3Player", m.mp3Player);
        v("m3uPlayer", m.m3uPlayer);
        v("localPort", m.localPort);
        v("changeStamp", m.changeStamp);
        v("searchRunning", m.searchRunning);
    }
};

struct FileRemoved {
    TESTSERVER_CLIENT_MESSAGE(FileRemoved, MSG_FILE_REMOVED);
    uint8_t kind = 0;
    uint32_t cfID = 0;
    uint64_t changeStamp = 0;
    template <class V, class S> static void Fields(V& v, S& m) {
        v("kind", m.kind);
        v("cfID", m.cfID);
        v("changeStamp", m.changeStamp);
    }
};

struct TransferRate {
    TransferId id;
    uint32_t rate = 0;
    uint32_t done = 0;
    bool operator==(const TransferRate&) const = default;
    template <class V, class S> static void Fields(V& v, S& m) {
        v("id", m.id);
        v("rate", m.rate);
        v("done", m.done);
    }
};

struct Status {
    TESTSERVER_CLIENT_MESSAGE(Status, MSG_STATUS);
    uint32_t idleSecs = 0;
    uint8_t acLineStatus = 0;
    uint8_t batteryPercent = 0;
    std::vector<TransferRate> transfers;
    template <class V, class S> static void Fields(V& v, S& m) {
        v("idleSecs", m.idleSecs);
        v("acLineStatus", m.acLineStatus);
        v("batteryPercent", m.batteryPercent);
        v.List("transfers", m.transfers, COUNT_U16);
    }
};

struct TransferStatus {
    TESTSERVER_CLIENT_MESSAGE(TransferStatus, MSG_TRANSFER_STATUS);
    TransferId id;
    uint32_t code = 0;
    template <class V, class S> static void Fields(V& v, S& m) {
        v("id", m.id);
        v("code", m.code);
    }
};

struct Pong {
    TESTSERVER_CLIENT_MESSAGE(Pong, MSG_PONG);
    template <class V, class S> static void Fields(V&, S&) {}
};

struct AccountCheck {
    TESTSERVER_CLIENT_MESSAGE(AccountCheck, MSG_ACCOUNT_CHECK);
    std::string version;
    uint32_t protocolVersion = 0;
    std::string userName;
    std::string password;
    // 1: the password is the one-time secret as given; 0: a salted digest.
    uint8_t asGiven = 0;
    template <class V, class S> static void Fields(V& v, S& m) {
        v("version", m.version);
        v("protocolVersion", m.protocolVersion);
        v("userName", m.userName);
        v("password", m.password);
        v("asGiven", m.asGiven);
    }
};

// Either a known file's details (kind 1) or the not-found form (kind 0,
// mask 0, the cfID asked about), then the change stamp.
struct FileDetails {
    TESTSERVER_CLIENT_MESSAGE(FileDetails, MSG_FILE_DETAILS);
    uint8_t kind = kRecordNotFound;
    uint16_t contentMask = 0;
    uint32_t cfID = 0;
    DetailsRecord details;
    uint64_t changeStamp = 0;
    template <class V, class S> static void Fields(V& v, S& m) {
        v("kind", m.kind);
        v("contentMask", m.contentMask);
        v("cfID", m.cfID);
        if (m.kind == kRecordMusic)
            v.Group("details", m.details, m.contentMask);
        else if (m.kind != kRecordNotFound)
            v.Fail("unknown file-details kind");
        else if (m.contentMask != 0)
            v.Fail("not-found answer with a content mask");
        v("changeStamp", m.changeStamp);
    }
};

struct TempFileDeleted {
    TESTSERVER_CLIENT_MESSAGE(TempFileDeleted, MSG_TEMP_FILE_DELETED);
    TransferId id;
    uint8_t deleted = 1;
    template <class V, class S> static void Fields(V& v, S& m) {
        v("id", m.id);
        v("deleted", m.deleted);
    }
};

struct SecurityStringRequest {
    TESTSERVER_CLIENT_MESSAGE(SecurityStringRequest, MSG_SECURITY_STRING_REQUEST);
    uint32_t serverValue = 0;
    uint32_t fileCount = 0;
    template <class V, class S> static void Fields(V& v, S& m) {
        v("serverValue", m.serverValue);
        v("fileCount", m.fileCount);
    }
};

struct EchoReply {
    TESTSERVER_CLIENT_MESSAGE(EchoReply, MSG_ECHO_REPLY);
    std::string data;
    template <class V, class S> static void Fields(V& v, S& m) { v.Blob32("data", m.data); }
};

struct SyncComplete {
    TESTSERVER_CLIENT_MESSAGE(SyncComplete, MSG_SYNC_COMPLETE);
    template <class V, class S> static void Fields(V&, S&) {}
};

// A music or playlist record chosen by the kind byte, then the change stamp.
struct NewFile {
    TESTSERVER_CLIENT_MESSAGE(NewFile, MSG_NEW_FILE);
    uint8_t kind = kRecordMusic;
    MusicRecord music;
    PlaylistRecord playlist;
    uint64_t changeStamp = 0;
    template <class V, class S> static void Fields(V& v, S& m) {
        v("kind", m.kind);
        if (m.kind == kRecordMusic)
            v.Group("music", m.music);
        else if (m.kind == kRecordPlaylist)
            v.Group("playlist", m.playlist);
        else
            v.Fail("unknown new-file kind");
        v("changeStamp", m.changeStamp);
    }
    uint32_t CfId() const { return kind == kRecordPlaylist ? playlist.cfID : music.cfID; }
};

struct LocalPort {
    TESTSERVER_CLIENT_MESSAGE(LocalPort, MSG_LOCAL_PORT);
    uint32_t port = 0;
    template <class V, class S> static void Fields(V& v, S& m) { v("port", m.port); }
};

struct PlayCount {
    uint32_t cfID = 0;
    uint32_t count = 0;
    bool operator==(const PlayCount&) const = default;
    template <class V, class S> static void Fields(V& v, S& m) {
        v("cfID", m.cfID);
        v("count", m.count);
    }
};

// The count on the wire is the number of u32 values: twice the pairs.
struct PlayCounts {
    TESTSERVER_CLIENT_MESSAGE(PlayCounts, MSG_PLAYCOUNTS);
    std::vector<PlayCount> counts;
    template <class V, class S> static void Fields(V& v, S& m) { v.List("counts", m.counts, COUNT_U32, 2); }
};

struct SharesChanged {
    TESTSERVER_CLIENT_MESSAGE(SharesChanged, MSG_SHARES_CHANGED);
    template <class V, class S> static void Fields(V&, S&) {}
};

// An imported playlist: its two texts and its 32-bit entries.
struct Playlist {
    TESTSERVER_CLIENT_MESSAGE(Playlist, MSG_PLAYLIST);
    std::string firstText;
    std::string secondText;
    std::vector<uint32_t> entries;
    template <class V, class S> static void Fields(V& v, S& m) {
        v("firstText", m.firstText);
        v("secondText", m.secondText);
        v.List("entries", m.entries, COUNT_U32);
    }
};

#undef TESTSERVER_CLIENT_MESSAGE

} // namespace testsupport::msg
