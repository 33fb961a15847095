// Imports from the media library's XML file, each on a thread of its own:
// play counts by file path, and the user's playlists as lists of paths.
// Results reach the core as requests.
#pragma once

#include "include/thread/Threads.h"

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

class CorePort;
struct ITunesParseContext;

// Play counts by file path.
using ITunesPlayCounts = std::map<std::wstring, int32_t>;

struct ImportedPlaylist {
    std::wstring name;
    std::wstring persistentId;
    std::vector<std::wstring> trackPaths;
};
using ImportedPlaylists = std::vector<ImportedPlaylist>;

// What the core hands to a play-count import: whether this is the first
// report, and the way back to the core.
struct PlayCountImportRequest {
    bool initial = false;
    std::shared_ptr<CorePort> port;
};

// The user's playlists of a parsed file, in file order: hidden and special
// ones and those without a name left out, those without tracks and those
// the program wrote itself ("MV_...") counted in `oldCount` and left out.
void CollectPlaylists(const ITunesParseContext& context, ImportedPlaylists& out, int& oldCount);
// The play count of every track of a parsed file, by location.
void CollectPlayCounts(const ITunesParseContext& context, ITunesPlayCounts& out);

void ImportITunesPlaylists(ImportedPlaylists& out, const std::wstring& path);
void ImportITunesPlayCounts(ITunesPlayCounts& out, const std::wstring& path);

// Imports the playlists of the default library file on a thread of its own.
void StartITunesPlaylistImport(std::shared_ptr<CorePort> port);
// Imports the play counts of the default library file on a thread of its
// own and gives the thread (null when it could not start).
ThreadHandle StartITunesPlayCountImport(std::unique_ptr<PlayCountImportRequest> request);
