// Every message the server sends to the program, one struct each, with its
// fields in wire order. Integers are big-endian; strings are a u16 byte
// count and the bytes (texts the program reads as wide strings travel as
// UTF-8 and are kept here as UTF-8). `Fields` lists the body once for the
// encoder, the decoder and the readable form (FieldVisitors.h).
#pragma once

#include "tests/support/testserver/MessageTypes.h"
#include "tests/support/testserver/TransferId.h"

#include <cstdint>
#include <string>
#include <vector>

namespace testsupport::msg {

#define TESTSERVER_SERVER_MESSAGE(Name, Type)                                                                \
    static constexpr ServerMsg TYPE = ServerMsg::Type;                                                       \
    static constexpr const char* NAME = #Type;                                                               \
    bool operator==(const Name&) const = default

struct Redirect {
    TESTSERVER_SERVER_MESSAGE(Redirect, MSG_REDIRECT);
    uint32_t port = 0;
    std::string address;
    template <class V, class S> static void Fields(V& v, S& m) {
        v("port", m.port);
        v("address", m.address);
    }
};

struct Ping {
    TESTSERVER_SERVER_MESSAGE(Ping, MSG_PING);
    template <class V, class S> static void Fields(V&, S&) {}
};

struct FileListingRequest {
    TESTSERVER_SERVER_MESSAGE(FileListingRequest, MSG_FILE_LISTING_REQUEST);
    template <class V, class S> static void Fields(V&, S&) {}
};

struct Transfer {
    TESTSERVER_SERVER_MESSAGE(Transfer, MSG_TRANSFER);
    TransferId id;
    bool active = false;
    bool client = false;
    std::string remoteAddress;
    uint32_t remotePort = 0;
    uint32_t cfID = 0;
    std::string dirName;
    uint32_t size = 0;
    uint64_t fileSetID = 0;
    std::string transID;
    std::string fileName;
    uint32_t songID = 0;
    std::string uitsOwner;
    std::string uitsTag;
    template <class V, class S> static void Fields(V& v, S& m) {
        v("id", m.id);
        v("active", m.active);
        v("client", m.client);
        v("remoteAddress", m.remoteAddress);
        v("remotePort", m.remotePort);
        v("cfID", m.cfID);
        v("dirName", m.dirName);
        v("size", m.size);
        v("fileSetID", m.fileSetID);
        v("transID", m.transID);
        v("fileName", m.fileName);
        v("songID", m.songID);
        v("uitsOwner", m.uitsOwner);
        v("uitsTag", m.uitsTag);
    }
};

struct AbortTransfer {
    TESTSERVER_SERVER_MESSAGE(AbortTransfer, MSG_ABORT_TRANSFER);
    TransferId id;
    template <class V, class S> static void Fields(V& v, S& m) { v("id", m.id); }
};

struct AccountStatus {
    TESTSERVER_SERVER_MESSAGE(AccountStatus, MSG_ACCOUNT_STATUS);
    uint32_t status = 0;
    template <class V, class S> static void Fields(V& v, S& m) { v("status", m.status); }
};

struct PlayFile {
    TESTSERVER_SERVER_MESSAGE(PlayFile, MSG_PLAY_FILE);
    uint32_t cfID = 0;
    uint32_t unused = 0;
    uint32_t mode = 0;
    template <class V, class S> static void Fields(V& v, S& m) {
        v("cfID", m.cfID);
        v("unused", m.unused);
        v("mode", m.mode);
    }
};

// u32 byte count, then the bytes.
struct Echo {
    TESTSERVER_SERVER_MESSAGE(Echo, MSG_ECHO);
    std::string data;
    template <class V, class S> static void Fields(V& v, S& m) { v.Blob32("data", m.data); }
};

struct AccountCheckResult {
    TESTSERVER_SERVER_MESSAGE(AccountCheckResult, MSG_ACCOUNT_CHECK_RESULT);
    uint32_t status = 0;
    std::string text;
    template <class V, class S> static void Fields(V& v, S& m) {
        v("status", m.status);
        v("text", m.text);
    }
};

struct DeleteTempFile {
    TESTSERVER_SERVER_MESSAGE(DeleteTempFile, MSG_DELETE_TEMP_FILE);
    TransferId id;
    std::string fileName;
    template <class V, class S> static void Fields(V& v, S& m) {
        v("id", m.id);
        v("fileName", m.fileName);
    }
};

struct PlayListEntry {
    uint32_t cfID = 0;
    uint32_t unused = 0;
    bool operator==(const PlayListEntry&) const = default;
    template <class V, class S> static void Fields(V& v, S& m) {
        v("cfID", m.cfID);
        v("unused", m.unused);
    }
};

struct PlayList {
    TESTSERVER_SERVER_MESSAGE(PlayList, MSG_PLAY_LIST);
    uint32_t mode = 0;
    std::vector<PlayListEntry> entries;
    template <class V, class S> static void Fields(V& v, S& m) {
        v("mode", m.mode);
        v.List("entries", m.entries, COUNT_U32);
    }
};

struct SecurityString {
    TESTSERVER_SERVER_MESSAGE(SecurityString, MSG_SECURITY_STRING);
    std::string serverSalt;
    std::string secondString;
    uint32_t serverValue = 0;
    template <class V, class S> static void Fields(V& v, S& m) {
        v("serverSalt", m.serverSalt);
        v("secondString", m.secondString);
        v("serverValue", m.serverValue);
    }
};

struct ServerText {
    TESTSERVER_SERVER_MESSAGE(ServerText, MSG_SERVER_TEXT);
    std::string text;
    template <class V, class S> static void Fields(V& v, S& m) { v("text", m.text); }
};

struct Upgrade {
    TESTSERVER_SERVER_MESSAGE(Upgrade, MSG_UPGRADE);
    std::string upgraderPath;
    std::string upgraderMd5;
    std::string manifestPath;
    std::string manifestMd5;
    uint32_t timeoutSecs = 0;
    template <class V, class S> static void Fields(V& v, S& m) {
        v("upgraderPath", m.upgraderPath);
        v("upgraderMd5", m.upgraderMd5);
        v("manifestPath", m.manifestPath);
        v("manifestMd5", m.manifestMd5);
        v("timeoutSecs", m.timeoutSecs);
    }
};

struct SendLog {
    TESTSERVER_SERVER_MESSAGE(SendLog, MSG_SEND_LOG);
    uint32_t kind = 0;
    template <class V, class S> static void Fields(V& v, S& m) { v("kind", m.kind); }
};

struct Ignored60 {
    TESTSERVER_SERVER_MESSAGE(Ignored60, MSG_IGNORED_60);
    template <class V, class S> static void Fields(V&, S&) {}
};

struct SongInfo {
    TESTSERVER_SERVER_MESSAGE(SongInfo, MSG_SONG_INFO);
    uint32_t cfID = 0;
    uint32_t songID = 0;
    uint32_t albumID = 0;
    uint64_t printID = 0;
    uint32_t timeProcessed = 0;
    uint8_t confidence = 0;
    uint32_t artistID = 0;
    uint32_t albumArtistID = 0;
    std::string song;
    std::string artist;
    std::string albumArtist;
    std::string album;
    uint32_t csid = 0;
    uint32_t caid = 0;
    uint32_t calid = 0;
    uint16_t ctn = 0;
    template <class V, class S> static void Fields(V& v, S& m) {
        v("cfID", m.cfID);
        v("songID", m.songID);
        v("albumID", m.albumID);
        v("printID", m.printID);
        v("timeProcessed", m.timeProcessed);
        v("confidence", m.confidence);
        v("artistID", m.artistID);
        v("albumArtistID", m.albumArtistID);
        v("song", m.song);
        v("artist", m.artist);
        v("albumArtist", m.albumArtist);
        v("album", m.album);
        v("csid", m.csid);
        v("caid", m.caid);
        v("calid", m.calid);
        v("ctn", m.ctn);
    }
};

struct FileDetailsRequest {
    TESTSERVER_SERVER_MESSAGE(FileDetailsRequest, MSG_FILE_DETAILS_REQUEST);
    uint32_t cfID = 0;
    bool rescan = false;
    template <class V, class S> static void Fields(V& v, S& m) {
        v("cfID", m.cfID);
        v("rescan", m.rescan);
    }
};

struct Ignored63 {
    TESTSERVER_SERVER_MESSAGE(Ignored63, MSG_IGNORED_63);
    template <class V, class S> static void Fields(V&, S&) {}
};

// Entry i of the playlist is song id i with cfID i (0 beyond the cfID list).
struct SavePlaylist {
    TESTSERVER_SERVER_MESSAGE(SavePlaylist, MSG_SAVE_PLAYLIST);
    std::string title;
    std::vector<uint32_t> songIDs;
    std::vector<uint32_t> cfIDs;
    bool overwrite = false;
    template <class V, class S> static void Fields(V& v, S& m) {
        v("title", m.title);
        v.List("songIDs", m.songIDs, COUNT_U32);
        v.List("cfIDs", m.cfIDs, COUNT_U32);
        v("overwrite", m.overwrite);
    }
};

struct NewFileAck {
    TESTSERVER_SERVER_MESSAGE(NewFileAck, MSG_NEW_FILE_ACK);
    uint32_t cfID = 0;
    template <class V, class S> static void Fields(V& v, S& m) { v("cfID", m.cfID); }
};

struct StatusRequest {
    TESTSERVER_SERVER_MESSAGE(StatusRequest, MSG_STATUS_REQUEST);
    template <class V, class S> static void Fields(V&, S&) {}
};

struct PlaycountSettings {
    TESTSERVER_SERVER_MESSAGE(PlaycountSettings, MSG_PLAYCOUNT_SETTINGS);
    bool enabled = false;
    uint32_t hours = 0;
    bool unused = false;
    template <class V, class S> static void Fields(V& v, S& m) {
        v("enabled", m.enabled);
        v("hours", m.hours);
        v("unused", m.unused);
    }
};

struct Rescan {
    TESTSERVER_SERVER_MESSAGE(Rescan, MSG_RESCAN);
    template <class V, class S> static void Fields(V&, S&) {}
};

struct StartChanges {
    TESTSERVER_SERVER_MESSAGE(StartChanges, MSG_START_CHANGES);
    uint32_t window = 0;
    template <class V, class S> static void Fields(V& v, S& m) { v("window", m.window); }
};

struct ConnectStream {
    TESTSERVER_SERVER_MESSAGE(ConnectStream, MSG_CONNECT_STREAM);
    uint32_t port = 0;
    std::string address;
    std::string connID;
    template <class V, class S> static void Fields(V& v, S& m) {
        v("port", m.port);
        v("address", m.address);
        v("connID", m.connID);
    }
};

struct DeletePlaylist {
    TESTSERVER_SERVER_MESSAGE(DeletePlaylist, MSG_DELETE_PLAYLIST);
    std::string title;
    template <class V, class S> static void Fields(V& v, S& m) { v("title", m.title); }
};

struct ShowFolders {
    TESTSERVER_SERVER_MESSAGE(ShowFolders, MSG_SHOW_FOLDERS);
    template <class V, class S> static void Fields(V&, S&) {}
};

struct ImportItunesPlaylists {
    TESTSERVER_SERVER_MESSAGE(ImportItunesPlaylists, MSG_IMPORT_ITUNES_PLAYLISTS);
    template <class V, class S> static void Fields(V&, S&) {}
};

#undef TESTSERVER_SERVER_MESSAGE

} // namespace testsupport::msg
