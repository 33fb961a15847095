// What the scanner hands back to the core for the server's reports.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// A play count that went up: the server's song id and by how much.
struct PlayCountDelta {
    uint32_t songId = 0;
    uint32_t increase = 0;
};

// A known music file as playlists name it.
struct SongFileInfo {
    std::wstring path;      // full path
    std::wstring name;      // file name without its 4-character extension
    uint32_t encType = 0;   // 1 MP3, 2 AAC, 0 other
    uint32_t printSecs = 0; // the length the server knows the song by
};

// An imported playlist resolved against the known files.
struct ResolvedPlaylist {
    std::wstring name;
    std::wstring persistentId;
    std::vector<uint32_t> cfIds;
};
