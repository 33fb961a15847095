// Turns what the kernel reports about watched folders into the namespace's
// change events: one (event, item, item) triple per alias under which a
// watched folder is shown. Pure, so the pairing of renames, overflows and
// aliases is tested without a kernel.
#pragma once

#include "foldertree/shell/ItemIdList.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace pgv {

enum ShellChangeEvent : int32_t {
    SHCNE_RENAMEITEM = 0x1,
    SHCNE_CREATE = 0x2,
    SHCNE_DELETE = 0x4,
    SHCNE_MKDIR = 0x8,
    SHCNE_RMDIR = 0x10,
    SHCNE_DRIVEREMOVED = 0x80,
    SHCNE_DRIVEADD = 0x100,
    SHCNE_UPDATEDIR = 0x1000,
    SHCNE_RENAMEFOLDER = 0x20000,
};

struct ShellChange {
    int32_t event = 0;
    ItemIds first;
    ItemIds second; // the new item of a rename
};

// One inotify event: watch descriptor, mask, cookie and the entry's name.
struct RawChange {
    int wd = -1;
    uint32_t mask = 0;
    uint32_t cookie = 0;
    std::string name;
};

// Each watch descriptor's aliases: the items of the folders it watches
// (one folder may be shown under several items, such as Home and its path
// under File System).
using WatchAliases = std::map<int, std::vector<ItemIds>>;

// A batch read together: creations and deletions of entries, renames
// paired by cookie (within one folder a rename of each alias; between two
// folders a deletion and a creation; a half without its pair is a deletion
// or a creation), and a queue overflow as "folder updated" for every alias.
std::vector<ShellChange> TranslateChanges(const std::vector<RawChange>& batch, const WatchAliases& aliases);
// Volumes that appeared or went between two readings of the mount table.
std::vector<ShellChange> TranslateVolumes(const std::vector<std::string>& before,
                                          const std::vector<std::string>& after);

} // namespace pgv
