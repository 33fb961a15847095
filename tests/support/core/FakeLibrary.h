// Stand-ins for the library the core and the server link drive: a scanner
// whose answers and queue a test sets, files, a share monitor and a music
// search. Each records what was asked of it; the scanner's directory records
// and file opener are the real ones.
#pragma once

#include "client/library/FileScanner.h"
#include "client/library/MusicFile.h"
#include "client/library/MusicSearch.h"
#include "client/library/ShareMon.h"
#include "include/fs/PathUtil.h"
#include "include/io/Buf.h"

#include <functional>
#include <map>
#include <string>
#include <vector>

namespace testsupport {

// Calls from several fakes in the order they happened.
struct EventLog {
    std::vector<std::string> events;
    void Add(const std::string& event) { events.push_back(event); }
    // Position of the first `event`, or -1.
    int IndexOf(const std::string& event) const {
        for (size_t i = 0; i < events.size(); ++i) {
            if (events[i] == event)
                return static_cast<int>(i);
        }
        return -1;
    }
};

class FakeScanner final : public FileScanner {
  public:
    explicit FakeScanner(EventLog* log = nullptr) : FileScanner(nullptr), m_log(log) {}

    bool InitMetadataDb(const std::vector<std::wstring>& shares, sqlite3*) override {
        SetCurShares(shares);
        return initOk;
    }
    void SetCurShares(const std::vector<std::wstring>& shares) override { curShares.push_back(shares); }
    void initScan(bool force) override {
        initScans.push_back(force);
        Log(force ? "initScan(1)" : "initScan(0)");
    }
    void ScanStep() override { ++scanSteps; }
    bool HasWorkUnits() const override { return workUnits; }
    bool BelowOutstandingLimit() const override { return belowLimit; }
    bool IsScanning() const override { return scanning; }
    int GetNumFiles() const override { return numFiles; }
    void Reset() override {
        ++resets;
        Log("Reset");
    }
    void BeginTransaction() override {
        inTransaction = true;
        Log("BeginTransaction");
    }
    void EndTransaction() override {
        inTransaction = false;
        Log("EndTransaction");
    }
    bool IsInTransaction() const override { return inTransaction; }
    void Cleanup() override { Log("Cleanup"); }
    void ScanSingleFile(const std::wstring& path, uint32_t) override { singleScans.push_back(path); }
    void UpdatePlayCounts(const ITunesPlayCounts& counts, std::vector<PlayCountDelta>& increases) override {
        importedCounts.push_back(counts);
        increases = nextIncreases;
    }
    void ResolveImportedPlaylists(const ImportedPlaylists& imported,
                                  std::list<ResolvedPlaylist>& out) override {
        for (const ImportedPlaylist& playlist : imported)
            out.push_back(
                {playlist.name, playlist.persistentId, std::vector<uint32_t>(playlist.trackPaths.size(), 7)});
    }
    SharedFile* FindFileByCfId(uint32_t cfID) override {
        auto it = files.find(cfID);
        return it == files.end() ? nullptr : it->second;
    }
    void SetSongInfo(uint32_t cfID, const SongInfo& info) override { songInfos.push_back({cfID, info}); }
    size_t GetSyncQueueSize() const override { return queue.size(); }
    std::unique_ptr<SyncDelta> PopDelta() override {
        if (queue.empty())
            return nullptr;
        auto delta = std::make_unique<SyncDelta>(queue.front());
        queue.erase(queue.begin());
        CountDeltaTaken();
        if (onPop)
            onPop();
        return delta;
    }
    void QueueFullListing() override { ++listings; }
    void FinishNewFile(uint32_t cfID) override { finished.push_back(cfID); }
    void SetMaxOutstanding(uint32_t window) override { maxOutstanding = window; }
    void CheckNumOutstanding() override { ++outstandingChecks; }

    bool initOk = true;
    bool workUnits = false;
    bool belowLimit = false;
    bool scanning = false;
    bool inTransaction = false;
    int numFiles = 0;
    int scanSteps = 0;
    int resets = 0;
    int listings = 0;
    int outstandingChecks = 0;
    uint32_t maxOutstanding = 0;
    std::vector<std::vector<std::wstring>> curShares;
    std::vector<bool> initScans;
    std::vector<std::wstring> singleScans;
    std::vector<ITunesPlayCounts> importedCounts;
    std::vector<PlayCountDelta> nextIncreases;
    std::map<uint32_t, SharedFile*> files;
    std::vector<std::pair<uint32_t, SongInfo>> songInfos;
    std::vector<uint32_t> finished;
    std::vector<SyncDelta> queue;
    std::function<void()> onPop;

  private:
    void Log(const std::string& event) {
        if (m_log)
            m_log->Add(event);
    }
    EventLog* m_log;
};

// A music file whose slots record what the server link asks of them. It is
// entered in the scanner's files under its cfID, in the directory of `path`.
class FakeMusicFile final : public MusicFile {
  public:
    FakeMusicFile(uint32_t cfID, FakeScanner& scanner, const std::wstring& path = L"/music/a.mp3")
        : MusicFile(KeyFor(scanner, path), 0, 0, 0, cfID, -1) {
        scanner.files[cfID] = this;
    }

    bool LoadFromDb(MetadataTables&, bool* crcFailed) override {
        if (crcFailed)
            *crcFailed = false;
        if (!loadable)
            return false;
        GiveMetadata();
        ++refs;
        return true;
    }
    // Holds an empty record, as a loaded file does.
    void GiveMetadata() {
        if (!HasMetadata())
            SetMetadata(std::make_unique<FileMetaData>(L"/music/", GetFileName()));
    }
    void ReleaseMetadata() override {
        if (refs > 0)
            --refs;
    }
    bool UpdateInDb(MetadataTables&) override {
        ++updates;
        return true;
    }
    // Kind, cfID and a filler of recordBytes bytes.
    bool PutMetadata(Buf& out) override { return PutRecord(out, 0x4E); }
    bool PutNewFile(FileScanner&, Buf& out) override { return PutRecord(out, 0x44); }

    bool loadable = true;
    int refs = 0;
    int updates = 0;
    int recordBytes = 8;

  private:
    static PathKey KeyFor(FileScanner& scanner, const std::wstring& path) {
        std::wstring dir, name;
        if (!SplitPath(path, dir, name))
            name = path;
        return PathKey(name, scanner.GetOrAddDirectory(NormalizeDirPath(dir))->m_id);
    }
    bool PutRecord(Buf& out, uint8_t marker) {
        out.WriteByte(marker);
        out.WriteUInt32(m_cfID);
        for (int i = 0; i < recordBytes; ++i)
            out.WriteByte(static_cast<uint8_t>(i));
        return !out.HasFailed();
    }
};

class FakeShareMon final : public ShareMon {
  public:
    void Start() override { ++starts; }
    void SetShares(const std::vector<std::wstring>& shares) override { given.push_back(shares); }
    void TakeChanges(std::list<std::unique_ptr<ScanFileRequest>>& out) override {
        for (auto& change : pending)
            out.push_back(std::move(change));
        pending.clear();
    }
    void Stop() override { ++stops; }
    void Push(int type, const std::wstring& path) {
        pending.push_back(std::make_unique<ScanFileRequest>(type, path));
    }

    int starts = 0;
    int stops = 0;
    std::vector<std::vector<std::wstring>> given;
    std::vector<std::unique_ptr<ScanFileRequest>> pending;
};

class FakeMusicSearch final : public MusicSearch {
  public:
    explicit FakeMusicSearch(EventLog* log = nullptr) : m_log(log) {}
    void Start(KovikCore*) override { ++starts; }
    void SearchAllDrives(KovikCore*, std::vector<std::wstring>& found) override {
        found.insert(found.end(), candidates.begin(), candidates.end());
    }
    void WaitForThread(uint32_t milliseconds) override {
        waits.push_back(milliseconds);
        if (m_log)
            m_log->Add("WaitForThread(" + std::to_string(milliseconds) + ")");
    }

    int starts = 0;
    std::vector<std::wstring> candidates;
    std::vector<uint32_t> waits;

  private:
    EventLog* m_log;
};

} // namespace testsupport
