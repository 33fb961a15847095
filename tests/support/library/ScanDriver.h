// Drives a scanner without the core, for tests and benchmarks: a host that
// answers what the scanner asks, and a stand-in for the server that takes
// every queued change and acknowledges each new file at once.
#pragma once

#include "client/library/FileScanner.h"
#include "client/library/IScannerHost.h"
#include "client/library/SharedFile.h"
#include "include/fs/PathUtil.h"

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

namespace testsupport {

class StandInScanHost final : public IScannerHost {
  public:
    bool IsStopping() const override { return stop.load(); }
    int GetFileScanCount() override { return fileScans; }
    void CountFileScan() override { ++fileScans; }
    bool GetPlaylistDir(std::wstring& path) override {
        path = playlistDir;
        return !playlistDir.empty();
    }
    void RequestPlaycountReport() override { ++playCountRequests; }
    bool FindShareForPath(const std::wstring& directory, std::wstring& rest) override {
        return FindFolderHolding(shares, directory, rest);
    }

    std::atomic<bool> stop{false};
    // Not a first scan (no quick scan) unless a test sets 0.
    int fileScans = 1;
    // Empty: playlists are accepted anywhere.
    std::wstring playlistDir;
    int playCountRequests = 0;
    std::vector<std::wstring> shares;
};

// Takes every queued delta, in order; acknowledges each new file among them
// when `acknowledge` is set.
inline std::vector<SyncDelta> TakeDeltas(FileScanner& scanner, bool acknowledge = true) {
    std::vector<SyncDelta> taken;
    while (std::unique_ptr<SyncDelta> delta = scanner.PopDelta()) {
        taken.push_back(*delta);
        if (!acknowledge || delta->m_type != SYNC_NEW)
            continue;
        if (SharedFile* file = scanner.FindFileByCfId(delta->cfID); file && file->GetNewFile())
            scanner.FinishNewFile(delta->cfID);
    }
    return taken;
}

// Steps the running scan (and any scan it starts) to its end, as the core
// loop and a server with an unlimited window would; returns the deltas.
inline std::vector<SyncDelta> FinishScans(FileScanner& scanner, bool acknowledge = true) {
    scanner.SetMaxOutstanding(UINT32_MAX);
    std::vector<SyncDelta> taken;
    while (scanner.HasWorkUnits()) {
        scanner.ScanStep();
        std::vector<SyncDelta> step = TakeDeltas(scanner, acknowledge);
        taken.insert(taken.end(), step.begin(), step.end());
    }
    std::vector<SyncDelta> rest = TakeDeltas(scanner, acknowledge);
    taken.insert(taken.end(), rest.begin(), rest.end());
    return taken;
}

} // namespace testsupport
