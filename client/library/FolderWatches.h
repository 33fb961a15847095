// The folder watches behind the share monitor: one inotify watch on every
// folder of each shared tree, the shares each watch serves, and the walks
// that add them. Not thread-safe: the monitor holds its lock around it.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <unordered_map>
#include <vector>

struct WatchedShare {
    explicit WatchedShare(const std::wstring& sharePath);

    // As the user shared it; requests name the share by it.
    std::wstring path;
    // Without a trailing '/', for the system.
    std::string utf8Path;
    // Kept by the mark and sweep of a new share set.
    bool mark = true;
    // The watch limit was reached in this share, so changes in some of its
    // folders go unseen: it gets a full scan at intervals instead.
    bool limited = false;
    uint64_t nextFallbackMs = 0;
};

struct WatchedFolder {
    // Without a trailing '/'.
    std::wstring path;
    std::string utf8Path;
    // The shares whose trees hold the folder (more than one when shares nest).
    std::vector<WatchedShare*> shares;
    // The last walk that found it.
    uint32_t walk = 0;
};

// What a walk met: the errno of the folder it started from (0 when watched),
// and whether the watch limit stopped it.
struct WalkOutcome {
    int topError = 0;
    bool limitReached = false;
};

class FolderWatches {
  public:
    // Adds a watch and gives its descriptor (the folder's existing one when it
    // is watched already), or -errno; removes one.
    using AddWatchFn = std::function<int(const char* path, uint32_t mask)>;
    using RemoveWatchFn = std::function<void(int wd)>;

    FolderWatches(AddWatchFn add, RemoveWatchFn remove);

    // Watches the share's folder and every folder below it.
    WalkOutcome WatchShare(WatchedShare& share);
    // Watches a folder that appeared in the share, and every folder below it.
    WalkOutcome WatchNewFolder(WatchedShare& share, const std::string& folder);
    // Walks the share afresh after a folder moved: moved folders get their
    // new paths, and watches on folders no longer in the share are dropped.
    WalkOutcome Rewalk(WatchedShare& share);
    // Drops the share from every watch; watches no share needs are removed.
    void DropShare(const WatchedShare& share);

    const WatchedFolder* Find(int wd) const;
    // The system dropped the watch (its folder was deleted or moved away).
    void Forget(int wd) { m_folders.erase(wd); }
    size_t Count() const { return m_folders.size(); }

  private:
    // Walks are numbered from 1.
    static constexpr uint32_t kNoWalk = 0;

    WalkOutcome Walk(WatchedShare& share, const std::string& top, bool followTop, uint32_t walk);
    // Takes the share off every watch that walk `keptWalk` did not meet;
    // watches no share needs are removed.
    void Release(const WatchedShare& share, uint32_t keptWalk);
    void Enter(int wd, const std::string& folder, WatchedShare& share, uint32_t walk);

    AddWatchFn m_add;
    RemoveWatchFn m_remove;
    std::unordered_map<int, WatchedFolder> m_folders;
    uint32_t m_walks = 0;
};
