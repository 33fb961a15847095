// A request to the core thread from the UI, the import threads or the music
// search. Posted with KovikCore::PostRequest and carried out on the core
// thread's next pass; the record owns its payload.
#pragma once

#include "client/library/ITunesImport.h"

#include <memory>
#include <string>
#include <vector>

enum CoreRequestType {
    CR_START = 0,
    CR_CHANGE_ACCOUNT = 1,
    CR_SET_SHARES = 2,
    CR_PLAY_COUNTS = 3,
    CR_FOUND_FOLDERS = 4,
    CR_ITUNES_PLAYLISTS = 5,
};

struct CoreRequest {
    explicit CoreRequest(int requestType) : type(requestType) {}
    CoreRequest(int requestType, std::unique_ptr<std::vector<std::wstring>> folderList)
        : type(requestType), folders(std::move(folderList)) {}
    CoreRequest(int requestType, std::unique_ptr<ITunesPlayCounts> counts)
        : type(requestType), playCounts(std::move(counts)) {}
    CoreRequest(int requestType, std::unique_ptr<ImportedPlaylists> lists)
        : type(requestType), playlists(std::move(lists)) {}

    int type;
    std::unique_ptr<std::vector<std::wstring>> folders;
    std::unique_ptr<ITunesPlayCounts> playCounts;
    std::unique_ptr<ImportedPlaylists> playlists;
};
