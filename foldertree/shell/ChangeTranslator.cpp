#include "foldertree/shell/ChangeTranslator.h"

#include "foldertree/shell/ShellNamespace.h"

#include <sys/inotify.h>

#include <algorithm>

namespace pgv {
namespace {

ItemId EntryOf(const RawChange& raw) {
    return NameId((raw.mask & IN_ISDIR) ? IK_FOLDER : IK_FILE, raw.name, raw.name[0] == '.' ? IF_HIDDEN : 0);
}

// Compressed archives are listed with the folders, so they change as folders.
bool IsFolderChange(const RawChange& raw) {
    return (raw.mask & IN_ISDIR) || IsZipName(raw.name);
}

ItemIds Child(const ItemIds& folder, const ItemId& entry) {
    ItemIds child = folder;
    child.push_back(entry);
    return child;
}

const std::vector<ItemIds>* AliasesOf(const WatchAliases& aliases, int wd) {
    auto it = aliases.find(wd);
    return it == aliases.end() ? nullptr : &it->second;
}

void Emit(std::vector<ShellChange>* out, const WatchAliases& aliases, const RawChange& raw, bool created) {
    const std::vector<ItemIds>* folders = AliasesOf(aliases, raw.wd);
    if (!folders)
        return;
    int32_t event =
        IsFolderChange(raw) ? (created ? SHCNE_MKDIR : SHCNE_RMDIR) : (created ? SHCNE_CREATE : SHCNE_DELETE);
    for (const ItemIds& folder : *folders)
        out->push_back({event, Child(folder, EntryOf(raw)), {}});
}

bool IsValidName(const std::string& name) {
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos;
}

} // namespace

std::vector<ShellChange> TranslateChanges(const std::vector<RawChange>& batch, const WatchAliases& aliases) {
    std::vector<ShellChange> out;
    std::vector<RawChange> movedAway;
    for (const RawChange& raw : batch) {
        if (raw.mask & IN_Q_OVERFLOW) {
            for (const auto& [wd, folders] : aliases) {
                for (const ItemIds& folder : folders)
                    out.push_back({SHCNE_UPDATEDIR, folder, {}});
            }
            continue;
        }
        if (!IsValidName(raw.name))
            continue;
        if (raw.mask & IN_CREATE) {
            Emit(&out, aliases, raw, true);
        } else if (raw.mask & IN_DELETE) {
            Emit(&out, aliases, raw, false);
        } else if (raw.mask & IN_MOVED_FROM) {
            movedAway.push_back(raw);
        } else if (raw.mask & IN_MOVED_TO) {
            auto from = std::find_if(movedAway.begin(), movedAway.end(),
                                     [&](const RawChange& away) { return away.cookie == raw.cookie; });
            if (from == movedAway.end()) {
                Emit(&out, aliases, raw, true);
                continue;
            }
            const std::vector<ItemIds>* folders = AliasesOf(aliases, raw.wd);
            if (from->wd == raw.wd && folders) {
                int32_t event = IsFolderChange(raw) ? SHCNE_RENAMEFOLDER : SHCNE_RENAMEITEM;
                for (const ItemIds& folder : *folders)
                    out.push_back({event, Child(folder, EntryOf(*from)), Child(folder, EntryOf(raw))});
            } else {
                Emit(&out, aliases, *from, false);
                Emit(&out, aliases, raw, true);
            }
            movedAway.erase(from);
        }
    }
    for (const RawChange& away : movedAway)
        Emit(&out, aliases, away, false);
    return out;
}

std::vector<ShellChange> TranslateVolumes(const std::vector<std::string>& before,
                                          const std::vector<std::string>& after) {
    std::vector<ShellChange> out;
    auto volume = [](const std::string& mountPoint) {
        return ItemIds{VirtualId(VI_COMPUTER), VolumeId(mountPoint)};
    };
    for (const std::string& gone : before) {
        if (std::find(after.begin(), after.end(), gone) == after.end())
            out.push_back({SHCNE_DRIVEREMOVED, volume(gone), {}});
    }
    for (const std::string& added : after) {
        if (std::find(before.begin(), before.end(), added) == before.end())
            out.push_back({SHCNE_DRIVEADD, volume(added), {}});
    }
    return out;
}

} // namespace pgv
