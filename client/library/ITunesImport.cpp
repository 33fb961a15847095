#include "client/library/ITunesImport.h"

#include "client/core/CorePort.h"
#include "client/core/KovikCore.h"
#include "client/library/ITunesXml.h"
#include "include/crash/Assert.h"
#include "include/log/Logger.h"
#include "include/system/SystemInfo.h"
#include "platform/thread/Thread.h"

namespace {

// Playlists the program itself wrote into the library start with this.
constexpr wchar_t kOwnPlaylistPrefix[] = L"MV_";

} // namespace

void CollectPlaylists(const ITunesParseContext& context, ImportedPlaylists& out, int& oldCount) {
    oldCount = 0;
    for (const ITunesPlaylist& playlist : context.playlists) {
        // A playlist without a name is left out, and is no old one of ours.
        if (!playlist.valid || playlist.name.empty())
            continue;
        if (playlist.name.rfind(kOwnPlaylistPrefix, 0) == 0 || playlist.trackIds.empty()) {
            ++oldCount;
            continue;
        }
        ImportedPlaylist imported{playlist.name, playlist.persistentId, {}};
        for (int32_t id : playlist.trackIds) {
            const auto track = context.tracks.find(id);
            if (track != context.tracks.end() && !track->second.location.empty())
                imported.trackPaths.push_back(track->second.location);
        }
        out.push_back(std::move(imported));
    }
}

void CollectPlayCounts(const ITunesParseContext& context, ITunesPlayCounts& out) {
    for (const auto& [id, track] : context.tracks) {
        if (!track.location.empty())
            out[track.location] = track.playCount;
    }
}

void ImportITunesPlaylists(ImportedPlaylists& out, const std::wstring& path) {
    MVLOG(LOG_INFO, "getting playlists from iTunes XML");
    ITunesParseContext context(true);
    if (!ParseITunesXml(context, path)) {
        MVLOG(LOG_ERR, "could not get playlists from iTunes XML");
        return;
    }
    int oldCount = 0;
    CollectPlaylists(context, out, oldCount);
    MVLOG(LOG_INFO,
          "completed playlists from iTunes XML. Found %d valid user playlists and %d old MV playlists",
          static_cast<int>(out.size()), oldCount);
}

void ImportITunesPlayCounts(ITunesPlayCounts& out, const std::wstring& path) {
    MVLOG(LOG_INFO, "getting songs counts from iTunes XML");
    ITunesParseContext context(false);
    if (!ParseITunesXml(context, path)) {
        MVLOG(LOG_ERR, "could not get playcounts from iTunes XML");
        return;
    }
    CollectPlayCounts(context, out);
    MVLOG(LOG_INFO, "completed songs counts from iTunes XML. Found %d counts", static_cast<int>(out.size()));
}

void StartITunesPlaylistImport(std::shared_ptr<CorePort> port) {
    MV_ASSERT(port != nullptr);
    // Nobody waits for it: the thread ends by itself.
    const ThreadHandle thread = platform::Thread::Start([port] {
        auto playlists = std::make_unique<ImportedPlaylists>();
        ImportITunesPlaylists(*playlists, GetItunesLibraryPath());
        (void)port->WithCore(
            [&playlists](KovikCore& core) { core.PostITunesPlaylistsRequest(std::move(playlists)); });
    });
    if (!thread)
        MVLOG(LOG_ERR, "Could not start the playlist import");
}

ThreadHandle StartITunesPlayCountImport(std::unique_ptr<PlayCountImportRequest> request) {
    MV_ASSERT(request != nullptr && request->port != nullptr);
    std::shared_ptr<CorePort> port = request->port;
    ThreadHandle thread = platform::Thread::Start([port] {
        auto counts = std::make_unique<ITunesPlayCounts>();
        ImportITunesPlayCounts(*counts, GetItunesLibraryPath());
        (void)port->WithCore([&counts](KovikCore& core) { core.PostPlayCountsRequest(std::move(counts)); });
    });
    if (!thread)
        MVLOG(LOG_ERR, "Could not start the play-count import");
    return thread;
}
