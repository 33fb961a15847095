// Imports from the media player's library file, each on a thread of its own;
// results reach the core as requests. No library file is read yet: the import
// itself arrives with its own component, and until then both imports find
// nothing and post nothing.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "include/thread/Threads.h"

// Play counts by file path.
using ITunesPlayCounts = std::map<std::wstring, int32_t>;

struct ImportedPlaylist {
    std::wstring name;
    std::wstring persistentId;
    std::vector<std::wstring> trackPaths;
};
using ImportedPlaylists = std::vector<ImportedPlaylist>;

// What the core hands to a play-count import: whether this is the first
// report, and where the import keeps its thread handle.
struct PlayCountImportRequest {
    bool initial = false;
    ThreadHandle* threadSlot = nullptr;
};

void StartITunesPlaylistImport();
void StartITunesPlayCountImport(std::unique_ptr<PlayCountImportRequest> request);
