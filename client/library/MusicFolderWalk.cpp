#include "client/library/MusicFolderWalk.h"

#include "include/crash/Assert.h"
#include "include/fs/FileTypes.h"
#include "include/fs/PathUtil.h"
#include "include/text/StringUtil.h"
#include "include/text/Utf8.h"
#include "platform/fs/DirReader.h"
#include "platform/time/Clock.h"

#include <sys/stat.h>

#include <algorithm>

namespace {

constexpr wchar_t kAnyRest = L'*';

// A path's folder and name at its last '/' (the folder of "/x" is "/").
void SplitLast(const std::wstring& path, std::wstring& folder, std::wstring& name) {
    const size_t slash = path.rfind(L'/');
    if (slash == std::wstring::npos) {
        folder.clear();
        name = path;
        return;
    }
    folder = slash == 0 ? L"/" : path.substr(0, slash);
    name = path.substr(slash + 1);
}

bool MatchesEntry(const std::wstring& path, const std::wstring& entry) {
    if (entry.empty() || entry.back() != kAnyRest)
        return path == entry;
    std::wstring entryFolder, prefix, folder, name;
    SplitLast(entry.substr(0, entry.size() - 1), entryFolder, prefix);
    SplitLast(path, folder, name);
    return folder == entryFolder && name.compare(0, prefix.size(), prefix) == 0;
}

} // namespace

bool ExcludedFolders::Holds(const std::wstring& folder) const {
    return std::any_of(m_entries.begin(), m_entries.end(),
                       [&folder](const std::wstring& entry) { return MatchesEntry(folder, entry); });
}

bool ExcludedFolders::HoldsOrContains(const std::wstring& path) const {
    // Every folder on the way down from the root, the path itself last.
    for (size_t slash = path.find(L'/', 1); slash != std::wstring::npos; slash = path.find(L'/', slash + 1)) {
        if (Holds(path.substr(0, slash)))
            return true;
    }
    return Holds(path);
}

MusicFolderWalk::MusicFolderWalk(std::function<bool()> keepGoing, ExcludedFolders excluded, int maxDepth,
                                 uint64_t deadlineMs)
    : m_keepGoing(std::move(keepGoing)), m_excluded(std::move(excluded)), m_maxDepth(maxDepth),
      m_deadlineMs(deadlineMs) {}

bool MusicFolderWalk::KeepGoing() const {
    if (m_deadlineMs != 0 && platform::MonotonicMs() >= m_deadlineMs)
        return false;
    return !m_keepGoing || m_keepGoing();
}

bool MusicFolderWalk::List(const std::wstring& folder, Listing& listing, bool isRoot) {
    if (!isRoot && m_excluded.Holds(folder))
        return false;
    const std::string utf8 = WideToUtf8(folder);
    struct stat st {};
    if (stat(utf8.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) ||
        !m_visited.insert({st.st_dev, st.st_ino}).second)
        return false;
    platform::DirReader reader;
    if (reader.Open(utf8.c_str()) != 0)
        return false;
    const char* name = nullptr;
    platform::DirEntryKind kind = platform::DEK_OTHER;
    std::vector<std::wstring> names;
    while (KeepGoing() && reader.Next(name, kind)) {
        std::wstring wideName;
        if (!Utf8ToWideStrict(name, wideName))
            continue;
        if (kind == platform::DEK_DIRECTORY && wideName[0] != L'.')
            names.push_back(wideName);
        else if ((kind == platform::DEK_FILE || kind == platform::DEK_SYMLINK) && isMusicFile(wideName))
            listing.holdsMusic = true;
    }
    std::sort(names.begin(), names.end());
    for (const std::wstring& sub : names)
        listing.subfolders.push_back(PathJoin(folder, sub));
    return true;
}

void MusicFolderWalk::FindMusicFolders(const std::wstring& folder, std::vector<std::wstring>& found) {
    FindBelow(folder, 0, found);
}

void MusicFolderWalk::FindBelow(const std::wstring& folder, int depth, std::vector<std::wstring>& found) {
    Listing listing;
    if (!List(folder, listing))
        return;
    if (listing.holdsMusic) {
        found.push_back(folder);
        return;
    }
    if (depth >= m_maxDepth)
        return;
    for (const std::wstring& sub : listing.subfolders) {
        if (!KeepGoing())
            return;
        FindBelow(sub, depth + 1, found);
    }
}

bool MusicFolderWalk::ContainsMusic(const std::wstring& folder) {
    return ContainsBelow(folder, 0);
}

bool MusicFolderWalk::ContainsBelow(const std::wstring& folder, int depth) {
    Listing listing;
    if (!List(folder, listing))
        return false;
    if (listing.holdsMusic)
        return true;
    if (depth >= m_maxDepth)
        return false;
    for (const std::wstring& sub : listing.subfolders) {
        if (!KeepGoing())
            return false;
        if (ContainsBelow(sub, depth + 1))
            return true;
    }
    return false;
}

void MusicFolderWalk::WalkTopFolders(const std::wstring& root,
                                     const std::function<bool(const std::wstring&)>& takeName,
                                     std::vector<std::wstring>& found) {
    Listing listing;
    if (!List(root, listing, true))
        return;
    for (const std::wstring& top : listing.subfolders) {
        if (!KeepGoing())
            return;
        std::wstring folder, name;
        SplitLast(top, folder, name);
        if (takeName(name))
            FindMusicParent(top, found);
    }
}

void MusicFolderWalk::FindMusicParent(const std::wstring& folder, std::vector<std::wstring>& found) {
    std::vector<std::wstring> musicFolders;
    FindMusicFolders(folder, musicFolders);
    if (!musicFolders.empty())
        found.push_back(CommonParent(std::move(musicFolders)));
}

std::wstring CommonParent(std::vector<std::wstring> paths) {
    MV_ASSERT(paths.size() > 0);
    std::sort(paths.begin(), paths.end());
    const std::vector<std::wstring> first = TokenizeString(paths.front(), L"/", false);
    const std::vector<std::wstring> last = TokenizeString(paths.back(), L"/", false);
    const bool absolute = !paths.front().empty() && paths.front()[0] == L'/';
    std::wstring parent = absolute ? L"/" : L"";
    for (size_t i = 0; i < first.size() && i < last.size() && first[i] == last[i]; ++i) {
        if (!parent.empty() && parent.back() != L'/')
            parent += L'/';
        parent += first[i];
    }
    return parent;
}
