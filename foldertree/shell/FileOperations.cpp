#include "foldertree/shell/FileOperations.h"

#include "platform/fs/DirReader.h"
#include "platform/fs/FileOps.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <vector>

namespace pgv {
namespace {

// Numbered names tried before giving up on a folder.
constexpr int kMaxNumberedNames = 1000;

RenameFunction g_rename = nullptr;

int RenameNoReplace(const char* from, const char* to) {
    if (g_rename)
        return g_rename(from, to);
    return platform::RenameNoReplaceWithinFileSystem(AT_FDCWD, from, AT_FDCWD, to);
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

int CopyFolder(const std::string& from, const std::string& to, mode_t mode) {
    if (mkdir(to.c_str(), 0700) != 0)
        return errno;
    platform::DirReader reader;
    int error = reader.Open(from.c_str());
    const char* name;
    platform::DirEntryKind kind;
    while (error == 0 && reader.Next(name, kind))
        error = CopyTree(Join(from, name), Join(to, name));
    if (error == 0)
        error = reader.Error();
    if (error == 0 && chmod(to.c_str(), mode & 07777) != 0)
        error = errno;
    return error;
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
    struct stat info {};
    if (lstat(from.c_str(), &info) != 0)
        return errno;
    int error = 0;
    if (S_ISLNK(info.st_mode))
        error = CopyLink(from, to);
    else if (S_ISDIR(info.st_mode))
        error = CopyFolder(from, to, info.st_mode);
    else if (S_ISREG(info.st_mode))
        error = platform::CopyFileExclusive(AT_FDCWD, from, AT_FDCWD, to) == 0 ? 0 : errno;
    else
        return EINVAL;
    // What a failed copy made is taken away again; an existing `to` was
    // never ours.
    if (error != 0 && error != EEXIST)
        RemoveTree(to);
    return error;
}

int RemoveTree(const std::string& path) {
    struct stat info {};
    if (lstat(path.c_str(), &info) != 0)
        return errno == ENOENT ? 0 : errno;
    if (!S_ISDIR(info.st_mode))
        return unlink(path.c_str()) == 0 ? 0 : errno;
    platform::DirReader reader;
    int error = reader.Open(path.c_str());
    const char* name;
    platform::DirEntryKind kind;
    while (error == 0 && reader.Next(name, kind))
        error = RemoveTree(Join(path, name));
    if (error == 0)
        error = reader.Error();
    if (error == 0 && rmdir(path.c_str()) != 0)
        error = errno;
    return error;
}

bool IsSameOrInside(const std::string& path, const std::string& folder) {
    if (path == folder)
        return true;
    std::string prefix = folder == "/" ? folder : folder + "/";
    return path.size() > prefix.size() && path.compare(0, prefix.size(), prefix) == 0;
}

int MoveTo(const std::string& source, const std::string& target) {
    if (IsSameOrInside(target, source))
        return EINVAL;
    if (RenameNoReplace(source.c_str(), target.c_str()) == 0)
        return 0;
    if (errno != EXDEV)
        return errno;
    // Across file systems: the source goes only once the copy is whole.
    if (int error = CopyTree(source, target))
        return error;
    return RemoveTree(source);
}

int CopyInto(const std::string& source, const std::string& folder, std::string* created) {
    if (IsSameOrInside(folder, source))
        return EINVAL;
    return PlaceFreely(folder, BaseName(source), created,
                       [&](const std::string& target) { return CopyTree(source, target); });
}

int MoveInto(const std::string& source, const std::string& folder, std::string* moved) {
    if (ParentOf(source) == folder) {
        *moved = source;
        return 0;
    }
    return PlaceFreely(folder, BaseName(source), moved,
                       [&](const std::string& target) { return MoveTo(source, target); });
}

int LinkInto(const std::string& target, const std::string& folder, const std::string& name,
             std::string* created) {
    return PlaceFreely(folder, name, created, [&](const std::string& path) {
        return symlink(target.c_str(), path.c_str()) == 0 ? 0 : errno;
    });
}

void SetRenameOverride(RenameFunction rename) {
    g_rename = rename;
}

} // namespace pgv
