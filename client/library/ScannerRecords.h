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

// An imported playlist resolved against the known files.
struct ResolvedPlaylist {
    std::wstring name;
    std::wstring persistentId;
    std::vector<uint32_t> cfIds;
};
