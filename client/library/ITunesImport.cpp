#include "client/library/ITunesImport.h"

#include "include/log/Logger.h"

void StartITunesPlaylistImport() {
    MVLOG(LOG_VERB, "No media-player library import in this build");
}

void StartITunesPlayCountImport(std::unique_ptr<PlayCountImportRequest> request) {
    MVLOG(LOG_VERB, "No media-player play-count import in this build (initial: %i)",
          request && request->initial ? 1 : 0);
}
