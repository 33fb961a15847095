#include "client/library/FolderWatches.h"

#include "include/text/Utf8.h"
#include "platform/fs/DirReader.h"

#include <sys/inotify.h>

#include <algorithm>
#include <cerrno>
#include <climits>

namespace {

// What the monitor hears of a folder: entries created, deleted, moved and
// written, and the folder itself deleted or moved. IN_MASK_ADD because a
// walk adds every folder again: replacing the mask of a watch that exists
// clears it for a moment in the kernel, and a change in that moment is lost.
// The mask never changes, so adding it is the same as setting it.
constexpr uint32_t kFolderEvents = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_MODIFY |
                                   IN_CLOSE_WRITE | IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR | IN_MASK_ADD;

std::string WithoutTrailingSlash(std::string path) {
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

} // namespace

WatchedShare::WatchedShare(const std::wstring& sharePath)
    : path(sharePath), utf8Path(WithoutTrailingSlash(WideToUtf8(sharePath))) {}

FolderWatches::FolderWatches(AddWatchFn add, RemoveWatchFn remove)
    : m_add(std::move(add)), m_remove(std::move(remove)) {}

WalkOutcome FolderWatches::WatchShare(WatchedShare& share) {
    return Walk(share, share.utf8Path, true, ++m_walks);
}

WalkOutcome FolderWatches::WatchNewFolder(WatchedShare& share, const std::string& folder) {
    return Walk(share, folder, false, ++m_walks);
}

WalkOutcome FolderWatches::Rewalk(WatchedShare& share) {
    const uint32_t walk = ++m_walks;
    const WalkOutcome outcome = Walk(share, share.utf8Path, true, walk);
    // A walk the limit cut short did not meet every folder that is still
    // there.
    if (!outcome.limitReached)
        Release(share, walk);
    return outcome;
}

void FolderWatches::DropShare(const WatchedShare& share) {
    Release(share, kNoWalk);
}

void FolderWatches::Release(const WatchedShare& share, uint32_t keptWalk) {
    for (auto it = m_folders.begin(); it != m_folders.end();) {
        std::vector<WatchedShare*>& shares = it->second.shares;
        if (it->second.walk != keptWalk)
            shares.erase(std::remove(shares.begin(), shares.end(), &share), shares.end());
        if (!shares.empty()) {
            ++it;
            continue;
        }
        m_remove(it->first);
        it = m_folders.erase(it);
    }
}

const WatchedFolder* FolderWatches::Find(int wd) const {
    auto it = m_folders.find(wd);
    return it == m_folders.end() ? nullptr : &it->second;
}

WalkOutcome FolderWatches::Walk(WatchedShare& share, const std::string& top, bool followTop, uint32_t walk) {
    WalkOutcome outcome;
    // Depth first with a list of its own, so a deep tree cannot exhaust the
    // stack.
    std::vector<std::string> pending{top};
    bool first = true;
    while (!pending.empty()) {
        const std::string folder = std::move(pending.back());
        pending.pop_back();
        // Links below the top are never followed, as the scanner never
        // enters them.
        const uint32_t mask = kFolderEvents | (first && followTop ? 0 : IN_DONT_FOLLOW);
        const int wd = m_add(folder.c_str(), mask);
        if (wd == -ENOSPC) {
            outcome.limitReached = true;
            return outcome;
        }
        if (first)
            outcome.topError = wd < 0 ? -wd : 0;
        first = false;
        if (wd < 0)
            continue;
        Enter(wd, folder, share, walk);
        platform::DirReader reader;
        if (reader.Open(folder.c_str()) != 0)
            continue;
        const char* name = nullptr;
        platform::DirEntryKind kind = platform::DEK_OTHER;
        while (reader.Next(name, kind)) {
            // The scanner skips folders whose names are not UTF-8, and paths
            // it would not enter.
            if (kind != platform::DEK_DIRECTORY || !IsValidUtf8(name))
                continue;
            std::string path = folder + "/" + name;
            if (path.size() < PATH_MAX)
                pending.push_back(std::move(path));
        }
    }
    return outcome;
}

void FolderWatches::Enter(int wd, const std::string& folder, WatchedShare& share, uint32_t walk) {
    WatchedFolder& watched = m_folders[wd];
    // A folder that moved keeps its watch; its path follows it.
    if (watched.utf8Path != folder) {
        watched.utf8Path = folder;
        watched.path = Utf8ToWide(folder);
    }
    if (std::find(watched.shares.begin(), watched.shares.end(), &share) == watched.shares.end())
        watched.shares.push_back(&share);
    watched.walk = walk;
}
