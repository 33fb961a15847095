// Watches the shared folders for changes and hands them to the core as
// ScanFileRequest records. Every folder of each share has an inotify watch
// (folders that appear get theirs at once); one thread of the monitor's own
// waits in poll() on the inotify descriptor and on an eventfd that wakes it
// and stops it. The core takes the requests on its own thread
// (TakeChanges) and decides between single-file and full scans; the
// monitor never touches the scanner.
#pragma once

#include "client/library/ScanFileRequest.h"
#include "include/thread/Threads.h"

#include <cstdint>
#include <functional>
#include <list>
#include <memory>
#include <string>
#include <vector>

class ShareMon {
  public:
    // Adds a watch as inotify_add_watch does: its descriptor, or -errno.
    using AddWatchFn = std::function<int(const char* path, uint32_t mask)>;

    // A share whose folders could not all be watched (the system's limit of
    // watches) gets a full scan this often instead.
    static constexpr uint64_t kFallbackScanMs = 15 * 60 * 1000;
    // Stop waits this long for the monitor thread.
    static constexpr uint32_t kStopWaitMs = 1000;

    ShareMon();
    // `addWatch` takes the place of inotify_add_watch (tests).
    explicit ShareMon(AddWatchFn addWatch);
    // Stops the monitor.
    virtual ~ShareMon();
    ShareMon(const ShareMon&) = delete;
    ShareMon& operator=(const ShareMon&) = delete;

    // Starts the monitor thread and watches the shares given so far.
    virtual void Start();
    // Watches the new share set: shares already watched keep their watches,
    // new ones are watched, the rest dropped.
    virtual void SetShares(const std::vector<std::wstring>& shares);
    // Moves every pending change into `out` (the caller owns them).
    virtual void TakeChanges(std::list<std::unique_ptr<ScanFileRequest>>& out);
    // Ends the monitor thread, waiting up to kStopWaitMs. A thread that has
    // not ended by then ends on its own later; what it uses outlives it.
    virtual void Stop();

  private:
    struct State;
    std::shared_ptr<State> m_state;
    ThreadHandle m_thread;
};
