// The share monitor's thread: waits for folder changes and turns each into a
// request for the core, keeping the watches in step with the folders.
#include "client/core/ReportThread.h"
#include "client/library/FolderEvents.h"
#include "client/library/ShareMonState.h"
#include "include/fs/PathUtil.h"
#include "include/log/Logger.h"
#include "include/text/Utf8.h"
#include "platform/time/Clock.h"

#include <poll.h>

#include <algorithm>
#include <cerrno>

namespace {

// Room for many events of names up to NAME_MAX.
constexpr size_t kReadBytes = 64 * 1024;

} // namespace

void ShareMon::State::Run() {
    std::vector<char> buffer(kReadBytes);
    while (!stopping.load()) {
        int timeout = -1;
        {
            MutexLock lock(mutex);
            timeout = PollTimeoutMs(platform::MonotonicMs());
        }
        pollfd fds[2] = {{inotify->Get(), POLLIN, 0}, {wake.Get(), POLLIN, 0}};
        if (poll(fds, 2, timeout) < 0) {
            if (errno == EINTR)
                continue;
            const int error = errno;
            MVLOG(LOG_ERR, "GQCS failed, err %i", error);
            if (!stopping.load())
                SendReportInBackground(L"GQCS failed", REPORT_INFO);
            return;
        }
        if (stopping.load())
            return;
        if (fds[1].revents & POLLIN)
            wake.Drain();
        if (fds[0].revents & POLLIN)
            ReadChanges(buffer);
        MutexLock lock(mutex);
        QueueDueFallbackScans(platform::MonotonicMs());
    }
}

void ShareMon::State::ReadChanges(std::vector<char>& buffer) {
    const long got = inotify->Read(buffer.data(), buffer.size());
    if (got == -EAGAIN)
        return;
    if (got < 0) {
        MVLOG(LOG_ERR, "Reading the folder changes failed, err %i", static_cast<int>(-got));
        return;
    }
    MutexLock lock(mutex);
    if (got == 0) {
        MVLOG(LOG_ERR, "A folder change notification without changes; asking for a full scan");
        QueueFullScans();
        return;
    }
    HandleChanges(buffer.data(), static_cast<size_t>(got));
}

void ShareMon::State::HandleChanges(const char* data, size_t length) {
    // Shares where a folder moved: walked afresh once the whole read is
    // handled.
    std::vector<WatchedShare*> moved;
    platform::InotifyEvents events(data, length);
    platform::InotifyEvent event;
    std::wstring name;
    while (events.Next(event)) {
        if (event.mask & IN_Q_OVERFLOW) {
            MVLOG(LOG_ERR, "Folder changes were lost; asking for a full scan of every share");
            QueueFullScans();
            continue;
        }
        const WatchedFolder* folder = watches.Find(event.wd);
        if (!folder) {
            if (!(event.mask & IN_IGNORED))
                MVLOG(LOG_INFO, "Unexpected hit for %i", event.wd);
            continue;
        }
        if (event.mask & IN_IGNORED) {
            watches.Forget(event.wd);
            continue;
        }
        // Copied: new watches may be entered below.
        const std::vector<WatchedShare*> owners = folder->shares;
        const std::wstring folderPath = folder->path;
        const std::string folderUtf8 = folder->utf8Path;
        if (event.mask & (IN_DELETE_SELF | IN_MOVE_SELF)) {
            // A folder below a share is reported by its parent as well.
            for (const WatchedShare* share : owners) {
                if (share->utf8Path != folderUtf8)
                    continue;
                MVLOG(LOG_INFO, "The shared folder %ls was moved or deleted", share->path.c_str());
                pending.Add(FULL_SCAN, share->path);
            }
            continue;
        }
        if (!Utf8ToWideStrict(event.name, name)) {
            MVLOG(LOG_ERR, "Skipping a change to a name that is not valid UTF-8 in %ls", folderPath.c_str());
            continue;
        }
        const std::wstring path = PathJoin(folderPath, name);
        if ((event.mask & IN_ISDIR) && (event.mask & IN_CREATE)) {
            for (WatchedShare* share : owners)
                NoteWalk(*share, watches.WatchNewFolder(*share, folderUtf8 + "/" + event.name));
        } else if ((event.mask & IN_ISDIR) && (event.mask & (IN_MOVED_FROM | IN_MOVED_TO))) {
            for (WatchedShare* share : owners) {
                if (std::find(moved.begin(), moved.end(), share) == moved.end())
                    moved.push_back(share);
            }
        }
        const FolderEventRequest request = MapFolderEvent(event.mask, name);
        if (request.ignored)
            MVLOG(LOG_VERB, "Ignoring change to file %ls", path.c_str());
        else if (request.type != kNoScanRequest && pending.Add(request.type, path))
            MVLOG(LOG_INFO, "%s %ls", FolderEventName(event.mask), path.c_str());
    }
    for (WatchedShare* share : moved)
        NoteWalk(*share, watches.Rewalk(*share));
}
