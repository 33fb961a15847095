// What the share monitor's thread and the core thread share. The thread holds
// its own reference, so a monitor stopped while its thread is late frees
// nothing that thread still uses.
#pragma once

#include "client/library/FolderWatches.h"
#include "client/library/PendingChanges.h"
#include "client/library/ShareMon.h"
#include "include/thread/Mutex.h"
#include "platform/fs/Inotify.h"
#include "platform/ui/EventFd.h"

#include <atomic>
#include <memory>
#include <string>
#include <vector>

struct ShareMon::State {
    explicit State(AddWatchFn addWatch);

    // ---- on the monitor thread ----
    // The loop: waits for changes, the wake-up or the next fallback scan.
    void Run();
    // Reads and handles what the kernel has queued.
    void ReadChanges(std::vector<char>& buffer);
    // The changes of one read, under the lock.
    void HandleChanges(const char* data, size_t length);

    // ---- under the lock ----
    // Watches the share's folders (once the monitor runs).
    void StartShare(WatchedShare& share);
    void StopShare(WatchedShare& share);
    // A full scan of every share.
    void QueueFullScans();
    // Notes a walk that met the watch limit: the share falls back to full
    // scans at intervals (logged once in the monitor's life).
    void NoteWalk(WatchedShare& share, const WalkOutcome& outcome);
    void QueueDueFallbackScans(uint64_t nowMs);
    // Milliseconds until the next fallback scan; -1 when none is due.
    int PollTimeoutMs(uint64_t nowMs) const;

    Mutex mutex;
    AddWatchFn addWatch;
    // Made when the monitor starts.
    std::unique_ptr<platform::Inotify> inotify;
    platform::EventFd wake;
    std::atomic<bool> stopping{false};
    bool running = false;
    std::vector<std::unique_ptr<WatchedShare>> shares;
    FolderWatches watches;
    PendingChanges pending;
    bool limitLogged = false;
};
