// The metadata scanner of the shared folders, run on the core thread. This
// build has no scanner yet: it keeps the share set and the database handle and
// answers as a library without files (nothing to scan, no changes queued, no
// file known). Scans, the change queue and the metadata tables arrive with the
// scanner itself.
#pragma once

#include "client/library/ITunesImport.h"
#include "client/library/ScannerRecords.h"
#include "client/library/SongInfo.h"
#include "client/library/SyncDelta.h"

#include <sqlite3.h>

#include <atomic>
#include <cstdint>
#include <list>
#include <memory>
#include <string>
#include <vector>

class SharedFile;

class FileScanner {
  public:
    // The scanner stops long work when *stopFlag is set (null: never).
    explicit FileScanner(const std::atomic<bool>* stopFlag);
    virtual ~FileScanner() = default;
    FileScanner(const FileScanner&) = delete;
    FileScanner& operator=(const FileScanner&) = delete;

    // Start-up, with the configuration database that also holds the
    // metadata tables.
    virtual bool InitMetadataDb(const std::vector<std::wstring>& shares, sqlite3* db);
    virtual void SetCurShares(const std::vector<std::wstring>& shares);
    virtual void initScan(bool force);
    virtual void ScanStep() {}
    virtual bool HasWorkUnits() const { return false; }
    virtual bool BelowOutstandingLimit() const { return false; }
    virtual bool IsScanning() const { return false; }
    virtual int GetNumFiles() const { return 0; }
    // Drops the queued changes and cancels a running scan.
    virtual void Reset() {}
    virtual std::wstring GetStatusText() const;

    virtual void BeginTransaction();
    virtual void EndTransaction();
    virtual bool IsInTransaction() const { return m_inTransaction; }
    virtual void Cleanup() {}

    virtual void ScanSingleFile(const std::wstring& path, uint32_t songId);
    virtual void UpdatePlayCounts(const ITunesPlayCounts& counts, std::vector<PlayCountDelta>& increases);
    virtual void ResolveImportedPlaylists(const ImportedPlaylists& imported,
                                          std::list<ResolvedPlaylist>& out);

    virtual SharedFile* FindFileByCfId(uint32_t cfID);
    virtual uint32_t GetCfIdForPath(const std::wstring& path);
    virtual void SetSongInfo(uint32_t cfID, const SongInfo& info);

    // The change queue (the caller owns what PopDelta returns).
    virtual size_t GetSyncQueueSize() const { return 0; }
    virtual std::unique_ptr<SyncDelta> PopDelta() { return nullptr; }
    virtual void QueueFullListing() {}
    virtual void FinishNewFile(uint32_t cfID);
    virtual void SetMaxOutstanding(uint32_t window) { m_maxOutstanding = window; }
    virtual void CheckNumOutstanding() {}
    // High word: the scanner's construction time; low word: deltas taken.
    virtual uint64_t GetChangeStamp() const;

    sqlite3* GetDb() const { return m_db; }

  protected:
    bool ShouldStop() const { return m_stopFlag && m_stopFlag->load(); }

    const std::atomic<bool>* m_stopFlag;
    sqlite3* m_db = nullptr;
    std::vector<std::wstring> m_curShares;
    uint32_t m_maxOutstanding = 0;
    uint32_t m_constructionTime;
    uint32_t m_deltasTaken = 0;
    bool m_inTransaction = false;
};
