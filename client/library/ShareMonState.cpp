// The share monitor's watches and pending requests, under its lock.
#include "client/library/ShareMonState.h"

#include "include/log/Logger.h"
#include "platform/time/Clock.h"

#include <cerrno>
#include <climits>

ShareMon::State::State(AddWatchFn add)
    : addWatch(std::move(add)), watches(
                                    [this](const char* path, uint32_t mask) {
                                        if (addWatch)
                                            return addWatch(path, mask);
                                        return inotify ? inotify->AddWatch(path, mask) : -EBADF;
                                    },
                                    [this](int wd) {
                                        if (inotify)
                                            inotify->RemoveWatch(wd);
                                    }) {}

void ShareMon::State::StartShare(WatchedShare& share) {
    if (!running)
        return;
    const WalkOutcome outcome = watches.WatchShare(share);
    if (outcome.topError != 0)
        MVLOG(LOG_ERR, "RDCW failed, err %i", outcome.topError);
    NoteWalk(share, outcome);
}

void ShareMon::State::StopShare(WatchedShare& share) {
    MVLOG(LOG_INFO, "Stopping %p", static_cast<void*>(&share));
    watches.DropShare(share);
}

void ShareMon::State::QueueFullScans() {
    for (const std::unique_ptr<WatchedShare>& share : shares)
        pending.Add(FULL_SCAN, share->path);
}

void ShareMon::State::NoteWalk(WatchedShare& share, const WalkOutcome& outcome) {
    if (!outcome.limitReached || share.limited)
        return;
    share.limited = true;
    share.nextFallbackMs = platform::MonotonicMs() + kFallbackScanMs;
    if (limitLogged)
        return;
    limitLogged = true;
    MVLOG(LOG_ERR,
          "The system's limit of folder watches is reached in %ls; shares not wholly watched get a full "
          "scan every 15 minutes",
          share.path.c_str());
}

void ShareMon::State::QueueDueFallbackScans(uint64_t nowMs) {
    for (const std::unique_ptr<WatchedShare>& share : shares) {
        if (!share->limited || nowMs < share->nextFallbackMs)
            continue;
        MVLOG(LOG_INFO, "Asking for a full scan of %ls, whose folders are not all watched",
              share->path.c_str());
        pending.Add(FULL_SCAN, share->path);
        share->nextFallbackMs = nowMs + kFallbackScanMs;
    }
}

int ShareMon::State::PollTimeoutMs(uint64_t nowMs) const {
    int timeout = -1;
    for (const std::unique_ptr<WatchedShare>& share : shares) {
        if (!share->limited)
            continue;
        const uint64_t wait = share->nextFallbackMs > nowMs ? share->nextFallbackMs - nowMs : 0;
        const int waitMs = wait > INT_MAX ? INT_MAX : static_cast<int>(wait);
        if (timeout < 0 || waitMs < timeout)
            timeout = waitMs;
    }
    return timeout;
}
