// The server's identification of one shared file.
#pragma once

#include <cstdint>
#include <string>

struct SongInfo {
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
};
