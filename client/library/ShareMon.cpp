#include "client/library/ShareMon.h"

#include "include/log/Logger.h"

void ShareMon::Start() {
    MutexLock lock(m_mutex);
    m_running = true;
}

void ShareMon::SetShares(const std::vector<std::wstring>& shares) {
    MutexLock lock(m_mutex);
    m_shares = shares;
    MVLOG(LOG_VERB, "Share monitor given %i shares; folder watching is not part of this build",
          static_cast<int>(shares.size()));
}

void ShareMon::TakeChanges(std::list<std::unique_ptr<ScanFileRequest>>& out) {
    MutexLock lock(m_mutex);
    out.splice(out.end(), m_pending);
}
