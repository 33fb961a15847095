#include "foldertree/shell/ShellNamespace.h"

#include "foldertree/automation/Utf16.h"
#include "foldertree/shell/MountTable.h"
#include "foldertree/shell/NameOrder.h"

#include "platform/fs/DirReader.h"
#include "platform/fs/FileOps.h"
#include "platform/fs/XdgDirs.h"

#include <sys/stat.h>

#include <cerrno>

namespace pgv {
namespace {

constexpr size_t kMaxNameBytes = 255;
constexpr std::string_view kZipSuffix = ".zip";
constexpr const char16_t* kDesktopName = u"Desktop";
constexpr const char16_t* kHomeName = u"Home";
constexpr const char16_t* kComputerName = u"Computer";
constexpr const char16_t* kTrashName = u"Trash";
constexpr const char16_t* kFileSystemName = u"File System";
constexpr std::string_view kFileSystemRoot = "/";

// Splits an absolute path into clean components ("." dropped, ".." taken
// back); false for a relative path or a component that cannot be a name.
bool SplitAbsolute(std::string_view path, std::vector<std::string>* components) {
    if (path.empty() || path[0] != '/')
        return false;
    components->clear();
    size_t start = 0;
    while (start < path.size()) {
        size_t end = path.find('/', start);
        if (end == std::string_view::npos)
            end = path.size();
        std::string_view part = path.substr(start, end - start);
        start = end + 1;
        if (part.empty() || part == ".")
            continue;
        if (part == "..") {
            if (!components->empty())
                components->pop_back();
            continue;
        }
        if (part.size() > kMaxNameBytes || part.find('\0') != std::string_view::npos)
            return false;
        components->emplace_back(part);
    }
    return true;
}

std::string JoinComponents(const std::vector<std::string>& components, size_t from = 0) {
    std::string path;
    for (size_t i = from; i < components.size(); ++i)
        path += "/" + components[i];
    return path.empty() ? std::string(kFileSystemRoot) : path;
}

std::string Normalized(const std::string& path) {
    std::vector<std::string> components;
    return SplitAbsolute(path, &components) ? JoinComponents(components) : std::string();
}

std::string JoinPath(const std::string& dir, const std::string& name) {
    return dir == kFileSystemRoot ? dir + name : dir + "/" + name;
}

// Whether `folder` is `path` or holds it; `*rest` is what follows.
bool Holds(const std::string& folder, const std::string& path, std::string* rest) {
    if (folder.empty())
        return false;
    if (path == folder) {
        rest->clear();
        return true;
    }
    if (folder == kFileSystemRoot) {
        *rest = path.substr(1);
        return true;
    }
    if (path.size() > folder.size() && path.compare(0, folder.size(), folder) == 0 &&
        path[folder.size()] == '/') {
        *rest = path.substr(folder.size() + 1);
        return true;
    }
    return false;
}

bool IsHiddenName(std::string_view name) {
    return !name.empty() && name[0] == '.';
}

// The entry for `name` at `path` as the file system has it now.
bool EntryAt(const std::string& path, const std::string& name, ItemId* id) {
    struct stat link {};
    if (lstat(path.c_str(), &link) != 0)
        return false;
    uint8_t flags = IsHiddenName(name) ? IF_HIDDEN : 0;
    bool directory = S_ISDIR(link.st_mode);
    if (S_ISLNK(link.st_mode)) {
        flags |= IF_SYMLINK;
        struct stat target {};
        directory = stat(path.c_str(), &target) == 0 && S_ISDIR(target.st_mode);
    }
    *id = NameId(directory ? IK_FOLDER : IK_FILE, name, flags);
    return true;
}

// Folders and compressed archives are listed as folders.
bool IsFolderLike(const ItemId& id) {
    return id.kind == IK_FOLDER || (id.kind == IK_FILE && IsZipName(id.payload));
}

bool HasSubfolder(const std::string& path) {
    platform::DirReader reader;
    if (reader.Open(path.c_str()) != 0)
        return false;
    const char* name;
    platform::DirEntryKind kind;
    while (reader.Next(name, kind)) {
        if (kind == platform::DEK_DIRECTORY || (kind == platform::DEK_FILE && IsZipName(name)))
            return true;
        ItemId id;
        if (kind == platform::DEK_SYMLINK && EntryAt(JoinPath(path, name), name, &id) && id.kind == IK_FOLDER)
            return true;
    }
    return false;
}

int RankOf(const ItemId& id) {
    switch (id.kind) {
    case IK_VIRTUAL:
        return 0;
    case IK_VOLUME:
        return 1;
    case IK_FOLDER:
        return 2;
    default:
        return 3;
    }
}

std::u16string LastComponent(const std::string& path) {
    return ax::Utf8ToUtf16(path.substr(path.rfind('/') + 1));
}

} // namespace

ShellNamespace::ShellNamespace(NamespaceRoots roots) : m_roots(std::move(roots)) {
    m_roots.desktop = Normalized(m_roots.desktop);
    m_roots.home = Normalized(m_roots.home);
}

ShellNamespace ShellNamespace::FromEnvironment() {
    NamespaceRoots roots;
    platform::SpecialFolderDir(platform::SF_DESKTOP, &roots.desktop);
    roots.home = platform::HomeDir();
    ReadMountInfo(MountInfoPath(), &roots.volumes);
    return ShellNamespace(std::move(roots));
}

bool ShellNamespace::PathOf(const ItemIds& item, std::string* path) const {
    std::string base;
    size_t names = 0;
    if (item.empty() || item[0].kind != IK_VIRTUAL) {
        base = m_roots.desktop;
    } else if (IsVirtual(item[0], VI_HOME)) {
        base = m_roots.home;
        names = 1;
    } else if (IsVirtual(item[0], VI_COMPUTER) && item.size() > 1 && item[1].kind == IK_VOLUME) {
        base = item[1].payload;
        names = 2;
    } else {
        return false;
    }
    if (base.empty())
        return false;
    for (size_t i = names; i < item.size(); ++i)
        base = JoinPath(base, item[i].payload);
    *path = std::move(base);
    return true;
}

std::u16string ShellNamespace::DisplayName(const ItemIds& item, uint32_t flags) const {
    const bool fullParsing = (flags & SHGDN_FORPARSING) && !(flags & SHGDN_INFOLDER);
    std::string path;
    if (fullParsing && PathOf(item, &path))
        return ax::Utf8ToUtf16(path);
    if (item.empty())
        return kDesktopName;
    const ItemId& last = item.back();
    switch (last.kind) {
    case IK_VIRTUAL:
        if (IsVirtual(last, VI_HOME))
            return kHomeName;
        if (IsVirtual(last, VI_COMPUTER))
            return fullParsing ? ax::Utf8ToUtf16(kComputerParsingName) : kComputerName;
        return fullParsing ? ax::Utf8ToUtf16(kTrashParsingName) : kTrashName;
    case IK_VOLUME:
        if (flags & SHGDN_FORPARSING)
            return ax::Utf8ToUtf16(last.payload);
        return last.payload == kFileSystemRoot ? kFileSystemName : LastComponent(last.payload);
    default:
        return ax::Utf8ToUtf16(last.payload);
    }
}

uint32_t ShellNamespace::Attributes(const ItemIds& item, uint32_t requested) const {
    constexpr uint32_t kFileSystemFolder = SFGAO_FOLDER | SFGAO_FILESYSTEM | SFGAO_FILESYSANCESTOR;
    uint32_t attributes = 0;
    std::string path;
    const ItemId* last = item.empty() ? nullptr : &item.back();
    // Every item can be linked to; what has a path can be copied; only
    // names inside a folder can be moved or renamed.
    if (!last) {
        attributes = kFileSystemFolder | SFGAO_HASSUBFOLDER | SFGAO_CANCOPY | SFGAO_CANLINK;
    } else if (IsVirtual(*last, VI_COMPUTER)) {
        attributes = SFGAO_FOLDER | SFGAO_FILESYSANCESTOR | SFGAO_HASSUBFOLDER | SFGAO_CANLINK;
    } else if (IsVirtual(*last, VI_TRASH)) {
        attributes = SFGAO_FOLDER | SFGAO_CANLINK;
    } else if (!Exists(item) || !PathOf(item, &path)) {
        return 0;
    } else if (last->kind == IK_VIRTUAL || last->kind == IK_VOLUME) {
        attributes = kFileSystemFolder | SFGAO_CANCOPY | SFGAO_CANLINK;
    } else {
        ItemId now;
        if (!EntryAt(path, last->payload, &now))
            return 0;
        attributes = SFGAO_FILESYSTEM | SFGAO_CANRENAME | SFGAO_CANCOPY | SFGAO_CANMOVE | SFGAO_CANLINK;
        if (now.kind == IK_FOLDER)
            attributes |= SFGAO_FOLDER | SFGAO_FILESYSANCESTOR;
        else
            attributes |= SFGAO_STREAM | (IsZipName(now.payload) ? static_cast<uint32_t>(SFGAO_FOLDER) : 0u);
        if (now.flags & IF_HIDDEN)
            attributes |= SFGAO_HIDDEN;
        if (now.flags & IF_SYMLINK)
            attributes |= SFGAO_LINK;
    }
    if ((requested & SFGAO_HASSUBFOLDER) && !(attributes & SFGAO_HASSUBFOLDER) &&
        (attributes & SFGAO_FILESYSTEM) && (attributes & SFGAO_FOLDER) && !(attributes & SFGAO_STREAM) &&
        HasSubfolder(path))
        attributes |= SFGAO_HASSUBFOLDER;
    return attributes & requested;
}

bool ShellNamespace::Exists(const ItemIds& item) const {
    if (item.empty())
        return true;
    if (item[0].kind == IK_VIRTUAL && item.size() == 1)
        return true;
    if (item[0].kind == IK_VIRTUAL && item[1].kind == IK_VOLUME && item[1].payload != kFileSystemRoot) {
        bool mounted = false;
        for (const std::string& volume : m_roots.volumes)
            mounted = mounted || volume == item[1].payload;
        if (!mounted)
            return false;
    }
    std::string path;
    struct stat st {};
    return PathOf(item, &path) && lstat(path.c_str(), &st) == 0;
}

bool ShellNamespace::RouteTo(const std::string& path, ItemIds* base, std::string* rest) const {
    base->clear();
    // The desktop holds what lies below its folder. The folder itself is
    // an item of its own, found under Home or a volume: the empty list is
    // the whole namespace, which no folder on disk stands for.
    if (path != m_roots.desktop && Holds(m_roots.desktop, path, rest))
        return true;
    if (Holds(m_roots.home, path, rest)) {
        base->push_back(VirtualId(VI_HOME));
        return true;
    }
    const std::string* volume = nullptr;
    std::string volumeRest;
    for (const std::string& candidate : m_roots.volumes) {
        std::string candidateRest;
        if (Holds(candidate, path, &candidateRest) && (!volume || candidate.size() > volume->size())) {
            volume = &candidate;
            volumeRest = std::move(candidateRest);
        }
    }
    base->push_back(VirtualId(VI_COMPUTER));
    if (volume) {
        base->push_back(VolumeId(*volume));
        *rest = std::move(volumeRest);
    } else {
        base->push_back(VolumeId(std::string(kFileSystemRoot)));
        Holds(std::string(kFileSystemRoot), path, rest);
    }
    return true;
}

bool ShellNamespace::Parse(std::string_view path, ParseMode mode, ItemIds* item) const {
    if (path == kComputerParsingName || path == kTrashParsingName) {
        *item = {VirtualId(path == kComputerParsingName ? VI_COMPUTER : VI_TRASH)};
        return true;
    }
    std::vector<std::string> components;
    if (!SplitAbsolute(path, &components))
        return false;
    ItemIds parsed;
    std::string rest;
    RouteTo(JoinComponents(components), &parsed, &rest);
    std::string folder;
    if (!PathOf(parsed, &folder))
        return false;
    std::vector<std::string> names;
    if (!rest.empty() && !SplitAbsolute("/" + rest, &names))
        return false;
    for (size_t i = 0; i < names.size(); ++i) {
        folder = JoinPath(folder, names[i]);
        ItemId id;
        if (!EntryAt(folder, names[i], &id)) {
            if (mode == PM_EXISTING)
                return false;
            id = NameId(IK_FOLDER, names[i], IsHiddenName(names[i]) ? IF_HIDDEN : 0);
        }
        if (i + 1 < names.size() && id.kind != IK_FOLDER)
            return false;
        parsed.push_back(std::move(id));
    }
    *item = std::move(parsed);
    return true;
}

bool ShellNamespace::ParseChild(const ItemIds& folder, const std::string& name, ItemId* child) const {
    std::string path;
    if (name.empty() || name == "." || name == ".." || name.find('/') != std::string::npos ||
        name.find('\0') != std::string::npos || !PathOf(folder, &path))
        return false;
    if (!folder.empty() && IsVirtual(folder.back(), VI_TRASH))
        return false;
    return EntryAt(JoinPath(path, name), name, child);
}

int ShellNamespace::Enumerate(const ItemIds& folder, uint32_t flags, std::vector<ItemId>* children) const {
    children->clear();
    const bool wantFolders = flags & SHCONTF_FOLDERS;
    if (!folder.empty() && IsVirtual(folder.back(), VI_TRASH))
        return 0;
    if (!folder.empty() && IsVirtual(folder.back(), VI_COMPUTER)) {
        if (wantFolders) {
            children->push_back(VolumeId(std::string(kFileSystemRoot)));
            for (const std::string& volume : m_roots.volumes)
                children->push_back(VolumeId(volume));
        }
        return 0;
    }
    if (folder.empty() && wantFolders) {
        for (VirtualItem item : {VI_HOME, VI_COMPUTER, VI_TRASH})
            children->push_back(VirtualId(item));
    }
    std::string path;
    if (!PathOf(folder, &path))
        return ENOENT;
    platform::DirReader reader;
    if (int error = reader.Open(path.c_str()))
        return folder.empty() ? 0 : error;
    const char* name;
    platform::DirEntryKind kind;
    while (reader.Next(name, kind)) {
        ItemId id;
        if (!EntryAt(JoinPath(path, name), name, &id))
            continue;
        if ((id.flags & IF_HIDDEN) && !(flags & SHCONTF_INCLUDEHIDDEN))
            continue;
        if (IsFolderLike(id) ? wantFolders : (flags & SHCONTF_NONFOLDERS) != 0)
            children->push_back(std::move(id));
    }
    return reader.Error();
}

int ShellNamespace::CompareIds(const ItemId& a, const ItemId& b) {
    int rankA = RankOf(a), rankB = RankOf(b);
    if (rankA != rankB)
        return rankA < rankB ? -1 : 1;
    if (a.kind == IK_VIRTUAL)
        return a.payload < b.payload ? -1 : a.payload > b.payload ? 1 : 0;
    if (a.kind == IK_VOLUME && (a.payload == kFileSystemRoot || b.payload == kFileSystemRoot))
        return a.payload == b.payload ? 0 : a.payload == kFileSystemRoot ? -1 : 1;
    return CompareNames(a.payload, b.payload);
}

int ShellNamespace::Rename(const ItemIds& item, std::u16string_view newName, ItemId* renamed) const {
    if (!IsValidNewName(newName) || item.empty() ||
        (item.back().kind != IK_FOLDER && item.back().kind != IK_FILE))
        return EINVAL;
    ItemIds parent(item.begin(), item.end() - 1);
    std::string from, folder;
    if (!PathOf(item, &from) || !PathOf(parent, &folder))
        return ENOENT;
    std::string name = ax::Utf16ToUtf8(newName);
    if (platform::RenameNoReplace(from, JoinPath(folder, name)) != 0)
        return errno;
    return ParseChild(parent, name, renamed) ? 0 : ENOENT;
}

int ShellNamespace::CreateFolder(const ItemIds& folder, std::u16string_view name, ItemId* created) const {
    std::string path;
    if (!IsValidNewName(name))
        return EINVAL;
    if (!PathOf(folder, &path))
        return ENOENT;
    std::string bytes = ax::Utf16ToUtf8(name);
    if (mkdir(JoinPath(path, bytes).c_str(), 0777) != 0)
        return errno;
    return ParseChild(folder, bytes, created) ? 0 : ENOENT;
}

bool IsValidNewName(std::u16string_view name) {
    return !name.empty() && name != u"." && name != u".." && name.find(u'/') == std::u16string_view::npos &&
           name.find(u'\0') == std::u16string_view::npos && ax::Utf16ToUtf8(name).size() <= kMaxNameBytes;
}

bool IsZipName(std::string_view name) {
    if (name.size() <= kZipSuffix.size())
        return false;
    std::string_view tail = name.substr(name.size() - kZipSuffix.size());
    for (size_t i = 0; i < tail.size(); ++i) {
        char c = tail[i];
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
        if (c != kZipSuffix[i])
            return false;
    }
    return true;
}

bool IsUtf8(std::string_view bytes) {
    return ax::Utf16ToUtf8(ax::Utf8ToUtf16(bytes)) == bytes;
}

} // namespace pgv
