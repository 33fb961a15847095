// The index of the shared music files and playlists, run on the core thread:
// the directory records, one SharedFile per file (by cfID and by PathKey),
// the song ids the server gave them, and the metadata tables behind them.
// Full scans walk the shared folders one directory listing or one file per
// step; every change is queued for the server, and the server's window bounds
// the new files sent and not yet acknowledged.
#pragma once

#include "client/library/ITunesImport.h"
#include "client/library/MetadataTables.h"
#include "client/library/PathKey.h"
#include "client/library/ScannerRecords.h"
#include "client/library/SharedDir.h"
#include "client/library/SongInfo.h"
#include "client/library/SyncDelta.h"

#include <sqlite3.h>
#include <sys/stat.h>

#include <cstdint>
#include <deque>
#include <functional>
#include <list>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

class FileMetaData;
class IScannerHost;
namespace platform {
class DirReader;
}
class MusicFile;
class Playlist;
class SharedFile;

class FileScanner {
  public:
    // Hands a file to the desktop's default application: true when started,
    // else false with an errno value in *error.
    using FileOpener = std::function<bool(const std::wstring& path, int* error)>;
    // SetSongInfo commits at most this often.
    static constexpr int64_t kSongInfoCommitSeconds = 61;
    // A quick scan adds files with poor tags only while fewer are known.
    static constexpr size_t kQuickScanGoodTagsFrom = 5;

    // `host` (may be null) outlives the scanner.
    explicit FileScanner(IScannerHost* host);
    virtual ~FileScanner();
    FileScanner(const FileScanner&) = delete;
    FileScanner& operator=(const FileScanner&) = delete;

    // Start-up, with the configuration database that also holds the
    // metadata tables. False (logged) when the tables cannot be had.
    virtual bool InitMetadataDb(const std::vector<std::wstring>& shares, sqlite3* db);
    // Takes effect at the next initScan.
    virtual void SetCurShares(const std::vector<std::wstring>& shares);

    // ---- the full scan ----
    // Starts a full scan; while one runs with queueing on, only asks for
    // another after it (force: cancels it and starts afresh).
    virtual void initScan(bool force);
    // One directory listing or one file.
    virtual void ScanStep();
    virtual bool HasWorkUnits() const { return !m_workUnits.empty() || m_listed.count > 0; }
    // The new files not yet acknowledged are fewer than the server's window.
    virtual bool BelowOutstandingLimit() const;
    virtual bool IsScanning() const { return m_scanning; }
    virtual int GetNumFiles() const { return static_cast<int>(m_filesById.size()); }
    uint32_t GetNumScans() const { return m_numScans; }
    // Ends a running scan without its removal sweep.
    void CancelScan();
    // Drops the queued changes (queueing stays off until the server asks
    // for a listing) and cancels a running scan.
    virtual void Reset();
    virtual std::wstring GetStatusText() const;

    // Adds, re-reads or leaves alone one file of a directory that has a
    // record (`dirName` in NormalizeDirPath form); a non-zero song id is
    // stored with a file that is added.
    void AddScannedFile(const std::wstring& dirName, const std::wstring& fileName, uint32_t songId);
    // Drops the file's object, row and index entries; queues nothing. False
    // (logged and reported) when the indexes disagreed about it.
    bool RemoveSharedFile(uint32_t cfID);

    // ---- the metadata tables ----
    // Every stored row becomes a MusicFile (with a new cfID); stops early when
    // the host is stopping.
    void LoadAllMetadata();
    // The first time only: LoadAllMetadata, then changes are queued.
    void LoadStoredFilesOnce();
    virtual void BeginTransaction() { m_tables.BeginTransaction(); }
    virtual void EndTransaction() { m_tables.EndTransaction(); }
    virtual bool IsInTransaction() const { return m_tables.IsInTransaction(); }
    // Commits the writes that have waited their interval (song infos their
    // own) although no further write came; the core calls it every pass.
    void CommitWaitingWrites() { m_tables.CommitWaitingRows(kSongInfoCommitSeconds); }
    // Frees every file, directory, work unit and delta, and lets go of the
    // prepared statements (at shutdown).
    virtual void Cleanup();
    MetadataTables& GetTables() { return m_tables; }
    sqlite3* GetDb() const { return m_tables.GetDb(); }
    // A peer download with this content and these tags arrived before.
    bool IsDownloaded(const FileMetaData& metadata);
    // Remembers a finished peer download.
    void SaveDownload(const std::wstring& path);

    // ---- directories (paths in NormalizeDirPath form) ----
    SharedDir* GetOrAddDirectory(const std::wstring& path);
    SharedDir* FindDirectoryByPath(const std::wstring& path);
    const SharedDir* FindDirectory(uint32_t dirId) const;

    // ---- files and lookups ----
    // A stored row, at start: known, neither queued nor new.
    void AddFileFromDb(uint32_t dirId, const std::wstring& fileName, int64_t offset, uint32_t size,
                       uint32_t lastModDate, uint32_t songId, int32_t playCount);
    virtual SharedFile* FindFileByCfId(uint32_t cfID);
    // 0 when the path names no known file.
    virtual uint32_t GetCfIdForPath(const std::wstring& path);
    // The song id of the music file with this cfID (0 when it has none);
    // false when there is no such music file or its row does not load.
    virtual bool GetSongIdForCfId(uint32_t cfID, uint32_t& songId);
    // The music file with this cfID; false when there is none or its row does
    // not load (a checksum failure among others).
    virtual bool GetFileInfoByCfId(uint32_t cfID, SongFileInfo& info);
    // The first file carrying this song id; false when none does or its row
    // does not load.
    virtual bool GetSongFileBySongId(uint32_t songId, SongFileInfo& info);
    // The file to stream for (song id, cfID): that file when it carries the
    // song, else any file that does.
    bool GetSongFile(uint32_t songId, uint32_t cfID, std::wstring& path, uint32_t& encType);
    // A song id of some known file, 0 when none has one.
    uint32_t GetRandomSongId();
    // The server identified a file: its song id, names and ids go into its
    // row.
    virtual void SetSongInfo(uint32_t cfID, const SongInfo& info);

    // A song id 0 waits for a running full scan; otherwise the file is
    // scanned at once.
    virtual void ScanSingleFile(const std::wstring& path, uint32_t songId);
    // Stores imported play counts; the increases of files with a song id go
    // to `increases`.
    virtual void UpdatePlayCounts(const ITunesPlayCounts& counts, std::vector<PlayCountDelta>& increases);
    virtual void ResolveImportedPlaylists(const ImportedPlaylists& imported,
                                          std::list<ResolvedPlaylist>& out);

    // ---- playlists waiting for a song id to have a file ----
    virtual void AddWaitingPlaylist(Playlist* playlist, uint32_t songId);
    virtual void RemoveWaitingPlaylist(Playlist* playlist, uint32_t songId);

    // ---- the change queue (the caller owns what PopDelta returns) ----
    virtual size_t GetSyncQueueSize() const { return m_serverSyncQueue.size(); }
    // The oldest delta; null when the queue is empty.
    virtual std::unique_ptr<SyncDelta> PopDelta();
    // Drops every queued delta and turns queueing off.
    void ClearSyncQueue();
    // Queues every known file as new, in place of whatever was queued.
    virtual void QueueFullListing();
    // The server has taken a new file.
    virtual void FinishNewFile(uint32_t cfID);
    virtual void SetMaxOutstanding(uint32_t window) { m_maxOutstanding = window; }
    // Compares the flagged new files with the outstanding count; a mismatch
    // is logged, reported and corrected.
    virtual void CheckNumOutstanding();
    int32_t GetNumOutstanding() const { return m_numOutstanding; }
    // High word: the scanner's construction time; low word: deltas taken.
    virtual uint64_t GetChangeStamp() const;

    // ---- for the file records and orders ----
    // The shared folder that holds `directory`, and the path below it.
    bool FindShareForPath(const std::wstring& directory, std::wstring& rest) const;
    // Replaces the opener (xdg-open) used to play files; empty restores it.
    void SetFileOpener(FileOpener opener) { m_opener = std::move(opener); }
    bool OpenWithDefaultApp(const std::wstring& path, int* error);

  protected:
    bool ShouldStop() const;
    uint32_t NextCfId() { return ++m_cfIdCounter; }
    // Adds the file to the song map under its song id (none for 0) and
    // completes the playlists that waited for it.
    void IndexSongId(MusicFile* file, uint32_t seconds);
    // Takes the file out of the song map's list for `songId`; nothing when it
    // is not there.
    void RemoveFromSongMap(MusicFile* file, uint32_t songId);
    // One more delta taken (the change stamp's low word).
    void CountDeltaTaken() { ++m_deltasTaken; }

  private:
    // ---- the walk ----
    // Lists a directory: its folders are queued, its music files and
    // playlists kept for the steps that follow.
    void ScanDirectory(const SharedDir& dir);
    void QueueDirectory(const SharedDir& parent, const std::wstring& name);
    void ForgetListing();
    // `utf8Name` is `fileName` as the system names it.
    void AddScannedFileIn(SharedDir& dir, const std::wstring& fileName, const std::string& utf8Name,
                          uint32_t songId);
    // The file's stat record: looked up by name in the directory listed last
    // when it is that one, else by its path.
    bool StatFile(const SharedDir& dir, const std::string& utf8Name, struct stat& record);
    // The file made from a stat record and read; null (logged) when it is
    // not to be shared.
    std::unique_ptr<SharedFile> MakeSharedFile(const SharedDir& dir, const PathKey& key,
                                               const struct stat& record, uint32_t cfID);
    // Enters a read file in the indexes and its row, and queues it; false
    // (logged) when its row cannot be written.
    bool AddNewFile(std::unique_ptr<SharedFile> file);
    // Makes, reads and adds the file under `cfID`; false when it was not
    // added. A reused cfID is added even when the file cannot be read.
    bool AddFoundFile(const SharedDir& dir, const std::wstring& fileName, const struct stat& record,
                      uint32_t cfID, bool reused);
    void RemoveUnusedFiles();
    void EndOfScan();
    void finishScan();

    void QueueDelta(const SharedFile* file, SyncDeltaType type);
    void QueueDelta(const SyncDelta& delta);
    void CommitAndBegin();
    bool FillFileInfo(MusicFile& file, SongFileInfo& info);

    IScannerHost* m_host;
    std::vector<std::wstring> m_curShares;
    // Directories still to list (NormalizeDirPath form).
    std::deque<std::wstring> m_workUnits;
    std::unordered_map<uint32_t, std::unique_ptr<SharedFile>> m_filesById;
    std::unordered_map<uint32_t, std::unique_ptr<SharedDir>> m_dirsById;
    std::unordered_map<uint32_t, std::list<MusicFile*>> m_songMap;
    std::unordered_map<uint32_t, std::list<Playlist*>> m_waitingPlaylists;
    uint32_t m_cfIdCounter = 0;
    uint32_t m_dirIdCounter = 0;
    bool m_scanning = false;
    // The number of the running (or last) full scan, and how many indexed
    // files it has found so far: when that is all of them, none is swept.
    uint32_t m_scanSerial = 0;
    size_t m_numSeen = 0;
    bool m_rescanRequested = false;
    // A listing of this scan stopped early: its sweep would remove files
    // that are still there.
    bool m_listingCutShort = false;
    int64_t m_scanStartTime = 0;
    int64_t m_lastScanDuration = 0;
    uint32_t m_deltasTaken = 0;
    std::deque<SyncDelta> m_serverSyncQueue;
    std::unordered_map<std::wstring, SharedDir*> m_dirsByPath;
    std::map<PathKey, SharedFile*, PathKeyLess> m_filesByPath;
    bool m_queueDisabled = true;
    bool m_metadataLoaded = false;
    uint32_t m_numScans = 0;
    int32_t m_numOutstanding = 0;
    uint32_t m_maxOutstanding = 0;
    bool m_quickScan = true;
    uint32_t m_constructionTime;
    MetadataTables m_tables;
    FileOpener m_opener;
    // The path of the file being stat'ed, kept to spare an allocation a file.
    std::string m_statPath;
    // The directory listed last: open while its files are added, one a step
    // and the last listed first, before the next directory is listed. The
    // name slots are reused from one directory to the next.
    struct ListedName {
        std::wstring wide;
        std::string utf8;
    };
    struct ListedDirectory {
        std::unique_ptr<platform::DirReader> reader;
        uint32_t dirId = 0;
        std::vector<ListedName> names;
        // The slots that hold names still to add.
        size_t count = 0;
    };
    ListedDirectory m_listed;
};
