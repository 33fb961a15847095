// The file records inside the program's file messages: the new-file record
// of a music file or a playlist (MSG_NEW_FILE) and the file-details record
// (MSG_FILE_DETAILS). Field order is the wire order.
#pragma once

#include "tests/support/testserver/ServerMessages.h"

#include <cstdint>
#include <string>
#include <vector>

namespace testsupport::msg {

// First byte of a record: the kind of shared file.
constexpr uint8_t kRecordMusic = 1;
constexpr uint8_t kRecordPlaylist = 2;
// First byte of the file-details answer for a file the program does not know.
constexpr uint8_t kRecordNotFound = 0;

// contentMask bits of the file-details record; bits 1 and 2 are always set.
constexpr uint16_t kMaskAlwaysSet = 3;
constexpr uint16_t kHasId3 = 4;
constexpr uint16_t kHasId3v2 = 8;

// New-file record of a music file, after its kind byte.
struct MusicRecord {
    uint32_t cfID = 0;
    std::string digest;
    uint32_t songID = 0;
    uint64_t printID = 0;
    uint32_t timeProcessed = 0;
    uint8_t confidence = 0;
    bool newFile = false;
    uint64_t dataLen = 0;
    uint16_t bitRate = 0;
    uint16_t printSecs = 0;
    uint32_t lastModDate = 0;
    uint32_t albumID = 0;
    uint64_t artHash = 0;
    uint16_t trackNum = 0;
    uint8_t encType = 0;
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
    bool operator==(const MusicRecord&) const = default;
    template <class V, class S> static void Fields(V& v, S& m) {
        v("cfID", m.cfID);
        v("digest", m.digest);
        v("songID", m.songID);
        v("printID", m.printID);
        v("timeProcessed", m.timeProcessed);
        v("confidence", m.confidence);
        v("newFile", m.newFile);
        v("dataLen", m.dataLen);
        v("bitRate", m.bitRate);
        v("printSecs", m.printSecs);
        v("lastModDate", m.lastModDate);
        v("albumID", m.albumID);
        v("artHash", m.artHash);
        v("trackNum", m.trackNum);
        v("encType", m.encType);
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

// One track of a playlist record; the title is sent only for a track
// without a song id.
struct PlaylistEntryRecord {
    uint32_t songID = 0;
    uint32_t seconds = 0;
    std::string title;
    bool exists = false;
    bool operator==(const PlaylistEntryRecord&) const = default;
    template <class V, class S> static void Fields(V& v, S& m) {
        v("songID", m.songID);
        v("seconds", m.seconds);
        v("title", m.title);
        v("exists", m.exists);
    }
};

// New-file record of a playlist, after its kind byte.
struct PlaylistRecord {
    uint32_t cfID = 0;
    std::string fileName;
    bool flag = false;
    uint32_t lastModDate = 0;
    std::vector<PlaylistEntryRecord> entries;
    bool operator==(const PlaylistRecord&) const = default;
    template <class V, class S> static void Fields(V& v, S& m) {
        v("cfID", m.cfID);
        v("fileName", m.fileName);
        v("flag", m.flag);
        v("lastModDate", m.lastModDate);
        v.List("entries", m.entries, COUNT_U32);
    }
};

// File-details record of a known music file, after kind, contentMask and
// cfID. The ID3 groups are present as the mask says.
struct DetailsRecord {
    std::string fileName;
    std::string directory;
    uint64_t size = 0;
    uint64_t dataLen = 0;
    uint16_t bitRate = 0;
    uint32_t printSecs = 0;
    uint32_t lastModDate = 0;
    std::string digest;
    std::string auxText;
    std::string id3v1Title;
    std::string id3v1Artist;
    std::string id3v1Album;
    std::string id3v2Title;
    std::string id3v2Artist;
    std::string id3v2Album;
    uint16_t trackNum = 0;
    std::string tpe2;
    uint32_t artSize = 0;
    uint64_t artHash = 0;
    std::string printText;
    bool downloaded = false;
    bool operator==(const DetailsRecord&) const = default;
    template <class V, class S> static void Fields(V& v, S& m, uint16_t contentMask) {
        v("fileName", m.fileName);
        v("directory", m.directory);
        v("size", m.size);
        v("dataLen", m.dataLen);
        v("bitRate", m.bitRate);
        v("printSecs", m.printSecs);
        v("lastModDate", m.lastModDate);
        v("digest", m.digest);
        v("auxText", m.auxText);
        if (contentMask & kHasId3) {
            v("id3v1Title", m.id3v1Title);
            v("id3v1Artist", m.id3v1Artist);
            v("id3v1Album", m.id3v1Album);
        }
        if (contentMask & kHasId3v2) {
            v("id3v2Title", m.id3v2Title);
            v("id3v2Artist", m.id3v2Artist);
            v("id3v2Album", m.id3v2Album);
            v("trackNum", m.trackNum);
            v("tpe2", m.tpe2);
            v("artSize", m.artSize);
            v("artHash", m.artHash);
        }
        v("printText", m.printText);
        v("downloaded", m.downloaded);
    }
};

} // namespace testsupport::msg
