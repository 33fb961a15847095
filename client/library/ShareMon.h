// Watches the shared folders for changes and hands them to the core as
// ScanFileRequest records. This build watches nothing yet: the monitor thread
// and its folder watches arrive with the monitor itself, and until then no
// change is ever reported (full scans still run when the shares change).
#pragma once

#include "client/library/ScanFileRequest.h"
#include "include/thread/Mutex.h"

#include <list>
#include <memory>
#include <string>
#include <vector>

class ShareMon {
  public:
    ShareMon() = default;
    virtual ~ShareMon() = default;
    ShareMon(const ShareMon&) = delete;
    ShareMon& operator=(const ShareMon&) = delete;

    virtual void Start();
    virtual void SetShares(const std::vector<std::wstring>& shares);
    // Moves every pending change into `out` (the caller owns them).
    virtual void TakeChanges(std::list<std::unique_ptr<ScanFileRequest>>& out);

  protected:
    Mutex m_mutex;
    bool m_running = false;
    std::vector<std::wstring> m_shares;
    std::list<std::unique_ptr<ScanFileRequest>> m_pending;
};
