// The index of the shared music files and playlists, run on the core thread:
// the directory records, one SharedFile per file (by cfID and by PathKey),
// the song ids the server gave them, and the metadata tables behind them.
// Full scans, the change queue, single-file scans and the play-count import
// arrive with the scanner itself; until then a scan only loads the stored
// rows the first time it is asked for, and nothing is queued.
#pragma once

#include "client/library/ITunesImport.h"
#include "client/library/MetadataTables.h"
#include "client/library/PathKey.h"
#include "client/library/ScannerRecords.h"
#include "client/library/SharedDir.h"
#include "client/library/SongInfo.h"
#include "client/library/SyncDelta.h"

#include <sqlite3.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <list>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

class FileMetaData;
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

    // The scanner stops long work when *stopFlag is set (null: never).
    explicit FileScanner(const std::atomic<bool>* stopFlag);
    virtual ~FileScanner();
    FileScanner(const FileScanner&) = delete;
    FileScanner& operator=(const FileScanner&) = delete;

    // Start-up, with the configuration database that also holds the
    // metadata tables. False (logged) when the tables cannot be had.
    virtual bool InitMetadataDb(const std::vector<std::wstring>& shares, sqlite3* db);
    virtual void SetCurShares(const std::vector<std::wstring>& shares);
    virtual void initScan(bool force);
    virtual void ScanStep() {}
    virtual bool HasWorkUnits() const { return false; }
    virtual bool BelowOutstandingLimit() const { return false; }
    virtual bool IsScanning() const { return false; }
    virtual int GetNumFiles() const { return static_cast<int>(m_filesById.size()); }
    // Drops the queued changes and cancels a running scan.
    virtual void Reset() {}
    virtual std::wstring GetStatusText() const;

    // ---- the metadata tables ----
    // Every stored row becomes a MusicFile (with a new cfID); stops early when
    // the stop flag is raised.
    void LoadAllMetadata();
    virtual void BeginTransaction() { m_tables.BeginTransaction(); }
    virtual void EndTransaction() { m_tables.EndTransaction(); }
    virtual bool IsInTransaction() const { return m_tables.IsInTransaction(); }
    // Lets go of the prepared statements (at shutdown).
    virtual void Cleanup() { m_tables.Close(); }
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

    // ---- files ----
    // A stored row, at start: known, neither queued nor new.
    void AddFileFromDb(uint32_t dirId, const std::wstring& fileName, int64_t offset, uint32_t size,
                       uint32_t lastModDate, uint32_t songId, int32_t playCount);
    virtual SharedFile* FindFileByCfId(uint32_t cfID);
    virtual uint32_t GetCfIdForPath(const std::wstring& path);
    // The song id of the music file with this cfID (0 when it has none);
    // false when there is no such music file or its row does not load.
    virtual bool GetSongIdForCfId(uint32_t cfID, uint32_t& songId);
    // The music file with this cfID; false when there is none or its row does
    // not load.
    virtual bool GetFileInfoByCfId(uint32_t cfID, SongFileInfo& info);
    // The first file carrying this song id; false when none does or its row
    // does not load.
    virtual bool GetSongFileBySongId(uint32_t songId, SongFileInfo& info);
    // The server identified a file: its song id, names and ids go into its
    // row.
    virtual void SetSongInfo(uint32_t cfID, const SongInfo& info);

    virtual void ScanSingleFile(const std::wstring& path, uint32_t songId);
    virtual void UpdatePlayCounts(const ITunesPlayCounts& counts, std::vector<PlayCountDelta>& increases);
    virtual void ResolveImportedPlaylists(const ImportedPlaylists& imported,
                                          std::list<ResolvedPlaylist>& out);

    // The change queue (the caller owns what PopDelta returns).
    virtual size_t GetSyncQueueSize() const { return 0; }
    virtual std::unique_ptr<SyncDelta> PopDelta() { return nullptr; }
    virtual void QueueFullListing() {}
    virtual void FinishNewFile(uint32_t cfID);
    virtual void SetMaxOutstanding(uint32_t window) { m_maxOutstanding = window; }
    virtual void CheckNumOutstanding() {}
    // High word: the scanner's construction time; low word: deltas taken.
    virtual uint64_t GetChangeStamp() const;

    // ---- playlists waiting for a song id to become known ----
    virtual void AddWaitingPlaylist(Playlist* playlist, uint32_t songId);
    virtual void RemoveWaitingPlaylist(Playlist* playlist, uint32_t songId);

    // ---- for the file records and orders ----
    // The shared folder that holds `directory`, and the path below it.
    bool FindShareForPath(const std::wstring& directory, std::wstring& rest) const;
    // Replaces the opener (xdg-open) used to play files; empty restores it.
    void SetFileOpener(FileOpener opener) { m_opener = std::move(opener); }
    bool OpenWithDefaultApp(const std::wstring& path, int* error);

  protected:
    bool ShouldStop() const { return m_stopFlag && m_stopFlag->load(); }
    uint32_t NextCfId() { return ++m_cfIdCounter; }
    // Adds the file to the song map under its song id (none for 0).
    void IndexSongId(MusicFile* file, uint32_t seconds);
    void RemoveFromSongMap(MusicFile* file);
    // Path, name, encoding and print seconds of a music file from its row;
    // false when the row does not load (a checksum failure among others).
    bool FillFileInfo(MusicFile& file, SongFileInfo& info);

    const std::atomic<bool>* m_stopFlag;
    std::vector<std::wstring> m_curShares;
    std::unordered_map<uint32_t, std::unique_ptr<SharedFile>> m_filesById;
    std::unordered_map<uint32_t, std::unique_ptr<SharedDir>> m_dirsById;
    std::unordered_map<uint32_t, std::list<MusicFile*>> m_songMap;
    // Playlists with entries for a song id that no known file carries yet.
    std::unordered_map<uint32_t, std::list<Playlist*>> m_waitingPlaylists;
    uint32_t m_cfIdCounter = 0;
    uint32_t m_dirIdCounter = 0;
    int64_t m_lastScanDuration = 0;
    int64_t m_lastSongInfoCommit;
    std::map<std::wstring, SharedDir*, PathLessNoCase> m_dirsByPath;
    std::map<PathKey, SharedFile*, PathKeyLess> m_filesByPath;
    bool m_queueDisabled = true;
    bool m_metadataLoaded = false;
    uint32_t m_maxOutstanding = 0;
    uint32_t m_constructionTime;
    uint32_t m_deltasTaken = 0;
    MetadataTables m_tables;
    FileOpener m_opener;
};
