// The folder walks of the music-folder search: which folders hold music
// (.mp3 or .m4a files), the music folders below a folder, and one common
// parent per top-level folder. Only real directories are entered (never a
// link), never a hidden or an excluded one, never one already visited (by
// device and inode: a bind mount can lead back up) and never deeper than the
// depth limit; the keep-going test is consulted between directory entries.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <functional>
#include <set>
#include <string>
#include <utility>
#include <vector>

// Folders the search never enters. An entry ending in '*' stands for every
// folder beside it whose name begins with the rest ("/lib*": /lib, /lib64).
class ExcludedFolders {
  public:
    ExcludedFolders() = default;
    explicit ExcludedFolders(std::vector<std::wstring> entries) : m_entries(std::move(entries)) {}
    void Add(const std::wstring& entry) { m_entries.push_back(entry); }
    bool Holds(const std::wstring& folder) const;
    // True when `path` is an excluded folder or lies inside one.
    bool HoldsOrContains(const std::wstring& path) const;

  private:
    std::vector<std::wstring> m_entries;
};

class MusicFolderWalk {
  public:
    static constexpr int kMaxDepth = 32;

    // `keepGoing` is false once the walk must end; `deadlineMs` (monotonic
    // milliseconds, 0 for none) ends it too.
    MusicFolderWalk(std::function<bool()> keepGoing, ExcludedFolders excluded, int maxDepth = kMaxDepth,
                    uint64_t deadlineMs = 0);

    // The folder itself when it holds music; else, recursively, the music
    // folders below it (a music folder's own sub-folders are not visited).
    void FindMusicFolders(const std::wstring& folder, std::vector<std::wstring>& found);
    // True when the folder or any folder below it holds music.
    bool ContainsMusic(const std::wstring& folder);
    // Appends the common parent of the music folders found in and below
    // `folder`, when there are any.
    void FindMusicParent(const std::wstring& folder, std::vector<std::wstring>& found);
    // For each top-level folder of `root` whose name `takeName` accepts (in
    // name order): FindMusicParent.
    void WalkTopFolders(const std::wstring& root, const std::function<bool(const std::wstring&)>& takeName,
                        std::vector<std::wstring>& found);

  private:
    struct Listing {
        bool holdsMusic = false;
        std::vector<std::wstring> subfolders; // full paths, in name order
    };
    bool KeepGoing() const;
    // Lists a folder not visited before; false when it is visited, excluded
    // (a root chosen for the walk never is) or cannot be listed (it then
    // holds nothing).
    bool List(const std::wstring& folder, Listing& listing, bool isRoot = false);
    void FindBelow(const std::wstring& folder, int depth, std::vector<std::wstring>& found);
    bool ContainsBelow(const std::wstring& folder, int depth);

    std::function<bool()> m_keepGoing;
    ExcludedFolders m_excluded;
    int m_maxDepth;
    uint64_t m_deadlineMs;
    std::set<std::pair<dev_t, ino_t>> m_visited;
};

// The deepest folder that holds every path of a non-empty list: the pieces
// that the first and the last path in sorted order share, joined with '/'.
// An absolute list keeps its leading '/' ("/a/b/c", "/a/b/d": "/a/b"; "/x",
// "/y": "/").
std::wstring CommonParent(std::vector<std::wstring> paths);
