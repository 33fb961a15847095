#include "foldertree/shell/FileOperations.h"

#include "platform/fs/DirReader.h"
#include "platform/fs/FileOps.h"
#include "platform/fs/UniqueFd.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>
#include <vector>

namespace pgv {
namespace {

// Numbered names tried before giving up on a folder.
constexpr int kMaxNumberedNames = 1000;

FileSystemCalls g_calls;

int RenameNoReplace(const char* from, const char* to) {
    if (g_calls.rename)
        return g_calls.rename(from, to);
    return platform::RenameNoReplaceWithinFileSystem(AT_FDCWD, from, AT_FDCWD, to);
}

int UnlinkAt(int folder, const char* name, int flags) {
    return g_calls.unlinkAt ? g_calls.unlinkAt(folder, name, flags) : unlinkat(folder, name, flags);
}

// Opens the entry `name` of `folder` when it is a folder itself, never
// through a link (ELOOP or ENOTDIR otherwise).
int OpenFolderNoFollow(int folder, const char* name) {
    constexpr int kFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;
    return g_calls.openAt ? g_calls.openAt(folder, name, kFlags) : openat(folder, name, kFlags);
}

std::string ParentOf(const std::string& path) {
    size_t slash = path.find_last_of('/');
    return slash == std::string::npos || slash == 0 ? std::string("/") : path.substr(0, slash);
}

std::string BaseName(const std::string& path) {
    size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string Join(const std::string& folder, const std::string& name) {
    return folder == "/" ? "/" + name : folder + "/" + name;
}

int CopyLink(const std::string& from, const std::string& to) {
    std::vector<char> target(PATH_MAX + 1);
    ssize_t length = readlink(from.c_str(), target.data(), target.size());
    if (length < 0)
        return errno;
    if (static_cast<size_t>(length) >= target.size())
        return ENAMETOOLONG;
    return symlink(std::string(target.data(), static_cast<size_t>(length)).c_str(), to.c_str()) == 0 ? 0
                                                                                                     : errno;
}

int CopyEntry(const std::string& from, const std::string& to, bool* created);

int CopyFolder(const std::string& from, const std::string& to, mode_t mode, bool* created) {
    if (mkdir(to.c_str(), 0700) != 0)
        return errno;
    *created = true;
    platform::DirReader reader;
    int error = reader.Open(from.c_str());
    const char* name;
    platform::DirEntryKind kind;
    while (error == 0 && reader.Next(name, kind)) {
        bool made = false;
        error = CopyEntry(Join(from, name), Join(to, name), &made);
        // Inside a folder just made, a taken name is one the target file
        // system takes for another name of the same folder.
        if (error == EEXIST)
            error = kNameClashInside;
    }
    if (error == 0)
        error = reader.Error();
    if (error == 0 && chmod(to.c_str(), mode & 07777) != 0)
        error = errno;
    return error;
}

// Copies `from` to the new path `to`; `*created` tells whether `to` was made,
// so that what a failure leaves there is the caller's to remove.
int CopyEntry(const std::string& from, const std::string& to, bool* created) {
    struct stat info {};
    if (lstat(from.c_str(), &info) != 0)
        return errno;
    int error = 0;
    if (S_ISLNK(info.st_mode))
        error = CopyLink(from, to);
    else if (S_ISDIR(info.st_mode))
        return CopyFolder(from, to, info.st_mode, created);
    else if (S_ISREG(info.st_mode))
        // A failed copy of a file removes what it made itself.
        error = platform::CopyFileExclusive(AT_FDCWD, from, AT_FDCWD, to) == 0 ? 0 : errno;
    else
        return EINVAL;
    *created = error == 0;
    return error;
}

// The first entry a removal could not take away, and why.
struct RemovalFailure {
    std::string path;
    int error = 0;
};

// Removes what it can of the entry `name` of the open `folder` (`path`
// names it in a report), never following a link; the first failure is kept
// in `*failure`.
void RemoveEntryAt(int folder, const char* name, const std::string& path, RemovalFailure* failure) {
    auto note = [&](int error) {
        if (failure->error == 0 && error != ENOENT)
            *failure = RemovalFailure{path, error};
    };
    int opened = OpenFolderNoFollow(folder, name);
    if (opened < 0) {
        // Not a folder, or a link to one: the entry itself goes.
        if (errno != ENOTDIR && errno != ELOOP)
            note(errno);
        else if (UnlinkAt(folder, name, 0) != 0)
            note(errno);
        return;
    }
    platform::DirReader reader;
    int error = reader.Open(opened);
    const char* child;
    platform::DirEntryKind kind;
    while (error == 0 && reader.Next(child, kind))
        RemoveEntryAt(reader.Descriptor(), child, Join(path, child), failure);
    if (error == 0)
        error = reader.Error();
    if (error != 0)
        note(error);
    else if (UnlinkAt(folder, name, AT_REMOVEDIR) != 0)
        note(errno);
}

// Runs `place` on the numbered forms of `name` in `folder` until one is
// free; `*placed` is the path that was taken.
template <class Place>
int PlaceFreely(const std::string& folder, const std::string& name, std::string* placed, Place place) {
    for (int number = 1; number <= kMaxNumberedNames; ++number) {
        std::string target = Join(folder, NumberedName(name, number));
        int error = place(target);
        if (error != EEXIST) {
            if (error == 0)
                *placed = target;
            return error;
        }
    }
    return EEXIST;
}

} // namespace

std::string NumberedName(const std::string& name, int number) {
    if (number <= 1)
        return name;
    size_t dot = name.find_last_of('.');
    if (dot == std::string::npos || dot == 0)
        dot = name.size();
    return name.substr(0, dot) + " (" + std::to_string(number) + ")" + name.substr(dot);
}

int CopyTree(const std::string& from, const std::string& to) {
    bool created = false;
    int error = CopyEntry(from, to, &created);
    // What a failed copy made is taken away again; an existing `to` was
    // never ours.
    if (error != 0 && created)
        RemoveTree(to);
    return error;
}

int RemoveTree(const std::string& path, std::string* failed) {
    const size_t slash = path.find_last_of('/');
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    if (name.empty() || name == "." || name == "..")
        return EINVAL;
    platform::UniqueFd parent;
    if (slash != std::string::npos) {
        parent.Reset(platform::OpenCloexec(slash == 0 ? std::string("/") : path.substr(0, slash),
                                           O_RDONLY | O_DIRECTORY));
        if (!parent.IsValid())
            return errno == ENOENT ? 0 : errno;
    }
    RemovalFailure failure;
    RemoveEntryAt(parent.IsValid() ? parent.Get() : AT_FDCWD, name.c_str(), path, &failure);
    if (failed)
        *failed = failure.path;
    return failure.error;
}

bool IsSameOrInside(const std::string& path, const std::string& folder) {
    if (path == folder)
        return true;
    std::string prefix = folder == "/" ? folder : folder + "/";
    return path.size() > prefix.size() && path.compare(0, prefix.size(), prefix) == 0;
}

int MoveTo(const std::string& source, const std::string& target, LeftBehind* left) {
    if (IsSameOrInside(target, source))
        return EINVAL;
    if (RenameNoReplace(source.c_str(), target.c_str()) == 0)
        return 0;
    if (errno != EXDEV)
        return errno;
    // Across file systems: the source goes only once the copy is whole, and
    // then the move is done, whatever of the source cannot be removed.
    if (int error = CopyTree(source, target))
        return error;
    std::string stayed;
    if (int error = RemoveTree(source, &stayed); error != 0 && left)
        *left = LeftBehind{source, target, stayed, error};
    return 0;
}

int CopyInto(const std::string& source, const std::string& folder, std::string* created) {
    if (IsSameOrInside(folder, source))
        return EINVAL;
    return PlaceFreely(folder, BaseName(source), created,
                       [&](const std::string& target) { return CopyTree(source, target); });
}

int MoveInto(const std::string& source, const std::string& folder, std::string* moved, LeftBehind* left) {
    if (ParentOf(source) == folder) {
        *moved = source;
        return 0;
    }
    return PlaceFreely(folder, BaseName(source), moved,
                       [&](const std::string& target) { return MoveTo(source, target, left); });
}

int LinkInto(const std::string& target, const std::string& folder, const std::string& name,
             std::string* created) {
    return PlaceFreely(folder, name, created, [&](const std::string& path) {
        return symlink(target.c_str(), path.c_str()) == 0 ? 0 : errno;
    });
}

std::string FileErrorText(int error) {
    if (error == kNameClashInside)
        return "two names inside it are one name on the target file system (one blind to case, say)";
    return std::strerror(error);
}

void SetFileSystemCalls(const FileSystemCalls& calls) {
    g_calls = calls;
}

} // namespace pgv
