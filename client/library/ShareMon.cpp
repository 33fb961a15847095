#include "client/library/ShareMon.h"

#include "client/library/ShareMonState.h"
#include "include/fs/PathUtil.h"
#include "include/log/Logger.h"
#include "platform/time/Clock.h"

#include <algorithm>
#include <cerrno>

ShareMon::ShareMon() : ShareMon(AddWatchFn()) {}

ShareMon::ShareMon(AddWatchFn addWatch) : m_state(std::make_shared<State>(std::move(addWatch))) {}

ShareMon::~ShareMon() {
    Stop();
}

void ShareMon::Start() {
    State& state = *m_state;
    MutexLock lock(state.mutex);
    if (state.running) {
        MVLOG(LOG_ERR, "The share monitor is running already");
        return;
    }
    auto inotify = std::make_unique<platform::Inotify>();
    if (!inotify->IsValid() || !state.wake.IsValid()) {
        MVLOG(LOG_CRIT, "Could not watch the shared folders, err %i", errno);
        return;
    }
    state.inotify = std::move(inotify);
    m_thread = platform::Thread::Start([shared = m_state] { shared->Run(); });
    if (!m_thread) {
        MVLOG(LOG_CRIT, "Could not start the share monitor thread");
        return;
    }
    state.running = true;
    for (const std::unique_ptr<WatchedShare>& share : state.shares)
        state.StartShare(*share);
}

void ShareMon::SetShares(const std::vector<std::wstring>& shares) {
    State& state = *m_state;
    MutexLock lock(state.mutex);
    std::vector<std::unique_ptr<WatchedShare>>& current = state.shares;
    MVLOG(LOG_INFO, "SetShares begin: num current shares:%d, num new shares:%d",
          static_cast<int>(current.size()), static_cast<int>(shares.size()));
    MVLOG(LOG_INFO, "Current shares:");
    for (const std::unique_ptr<WatchedShare>& share : current) {
        MVLOG(LOG_INFO, "%ls", share->path.c_str());
        share->mark = false;
    }
    MVLOG(LOG_INFO, "New shares:");
    for (const std::wstring& path : shares)
        MVLOG(LOG_INFO, "%ls", path.c_str());

    // A path that matches a share some earlier path of the set matched (or
    // made) names its folder twice.
    const std::wstring* twice = nullptr;
    for (const std::wstring& path : shares) {
        auto match =
            std::find_if(current.begin(), current.end(), [&](const std::unique_ptr<WatchedShare>& share) {
                return PathCompare(share->path, path) == 0;
            });
        if (match != current.end()) {
            MVLOG(LOG_INFO, "Match found; current share %ls", path.c_str());
            if ((*match)->mark && !twice)
                twice = &path;
            (*match)->mark = true;
            continue;
        }
        auto share = std::make_unique<WatchedShare>(path);
        MVLOG(LOG_INFO, "Created a new monitored share: %p for %ls", static_cast<void*>(share.get()),
              path.c_str());
        current.push_back(std::move(share));
        state.StartShare(*current.back());
    }

    for (auto it = current.begin(); it != current.end();) {
        if ((*it)->mark) {
            ++it;
            continue;
        }
        MVLOG(LOG_INFO, "Stop monitored share for %ls", (*it)->path.c_str());
        state.StopShare(**it);
        it = current.erase(it);
    }
    MVLOG(LOG_INFO, "SetShares mark & sweep done: num current shares:%d, num new shares:%d",
          static_cast<int>(current.size()), static_cast<int>(shares.size()));
    if (twice) {
        MVLOG(LOG_ERR, "The new shares name %ls more than once; asking for a full scan", twice->c_str());
        state.pending.Add(FULL_SCAN, *twice);
    }
    // The thread's next fallback scan may have changed.
    state.wake.Signal();
}

void ShareMon::TakeChanges(std::list<std::unique_ptr<ScanFileRequest>>& out) {
    State& state = *m_state;
    MutexLock lock(state.mutex);
    state.pending.TakeAll(out);
}

void ShareMon::Stop() {
    if (!m_thread)
        return;
    m_state->stopping.store(true);
    m_state->wake.Signal();
    if (!m_thread->WaitFor(kStopWaitMs))
        MVLOG(LOG_ERR, "The share monitor thread did not end within %u ms; it ends on its own",
              static_cast<unsigned>(kStopWaitMs));
    m_thread.reset();
}
