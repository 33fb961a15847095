#include "platform/fs/FileOps.h"

#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <ctime>

namespace platform {
namespace {

constexpr size_t kCopyChunk = 64 * 1024;
// Tries for a free hidden name beside a copy's target.
constexpr int kHiddenNameTries = 8;
// A hidden name is the prefix, 16 hexadecimal digits and the suffix.
constexpr char kHiddenPrefix[] = ".mv-";
constexpr char kHiddenSuffix[] = ".part";
constexpr size_t kHiddenDigits = 16;

// Whether a refused link(2) means the file system (or the kind of entry)
// takes no hard links at all, rather than a fault a rename would meet too.
bool LinkNotSupported(int error) noexcept {
    return error == EPERM || error == EOPNOTSUPP || error == ENOSYS || error == EMLINK;
}

// Whether the entry `name` in `dir` is a folder (not a link to one).
bool IsFolderEntry(int dir, const char* name) noexcept {
    const int fd = openat(dir, name, O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return false;
    close(fd);
    return true;
}

// Takes the free name `to` for a rename of `from` onto it: an empty folder
// for a folder, an empty file for anything else, created only where nothing
// has the name (EEXIST).
int ReservePlaceholder(int fromDir, const char* from, int toDir, const char* to, bool* folder) noexcept {
    *folder = IsFolderEntry(fromDir, from);
    if (*folder)
        return mkdirat(toDir, to, 0700);
    // Opened for reading: nothing is written to it, so no watcher sees a file
    // closed after writing.
    const int fd = openat(toDir, to, O_RDONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0)
        return -1;
    close(fd);
    return 0;
}

// The fallback where the file system cannot rename without replacing: a hard
// link fails on an existing target, so it is just as safe. Where links are
// refused too (folders always; exFAT, FUSE, NFS or ntfs-3g for files) the
// name is first taken by a placeholder of the same kind, created only where
// nothing has the name, and the rename replaces only that placeholder: a
// name taken meanwhile by anyone else is never replaced.
int RenameNoReplaceFallback(int fromDir, const char* from, int toDir, const char* to) noexcept {
    if (linkat(fromDir, from, toDir, to, 0) != 0) {
        if (!LinkNotSupported(errno))
            return -1;
        bool folder = false;
        if (ReservePlaceholder(fromDir, from, toDir, to, &folder) != 0)
            return -1;
        if (renameat(fromDir, from, toDir, to) != 0) {
            const int saved = errno;
            unlinkat(toDir, to, folder ? AT_REMOVEDIR : 0);
            errno = saved;
            return -1;
        }
        return 0;
    }
    if (unlinkat(fromDir, from, 0) != 0) {
        int saved = errno;
        unlinkat(toDir, to, 0);
        errno = saved;
        return -1;
    }
    return 0;
}

// A new name beside `path` beginning with '.', so a copy or write in
// progress stays out of sight and never clashes with one left by a crash.
std::string HiddenSiblingOf(const std::string& path) {
    uint64_t random = 0;
    if (getrandom(&random, sizeof random, 0) != static_cast<ssize_t>(sizeof random))
        random = static_cast<uint64_t>(getpid()) << 32 ^ static_cast<uint64_t>(time(nullptr));
    char name[32];
    snprintf(name, sizeof name, "%s%016llx%s", kHiddenPrefix, static_cast<unsigned long long>(random),
             kHiddenSuffix);
    const size_t slash = path.rfind('/');
    return (slash == std::string::npos ? std::string() : path.substr(0, slash + 1)) + name;
}

// The permissions a replaced file keeps, or -1 for a name that is free; false
// (errno set) for something that is not a regular file, or a file this
// process could not write in place either.
bool KeptMode(const std::string& path, int* mode) noexcept {
    struct stat st {};
    if (lstat(path.c_str(), &st) != 0) {
        *mode = -1;
        return errno == ENOENT;
    }
    if (!S_ISREG(st.st_mode)) {
        errno = S_ISLNK(st.st_mode) ? ELOOP : S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
        return false;
    }
    if (access(path.c_str(), W_OK) != 0)
        return false;
    *mode = static_cast<int>(st.st_mode & 0777);
    return true;
}

// `fd` when it is a regular file, whose record goes to `st`; otherwise it is
// closed and the result is -1 with errno set (EISDIR for a folder, EINVAL
// for anything else). A -1 passes through.
int KeepIfRegularFile(int fd, struct stat& st) noexcept {
    if (fd < 0)
        return -1;
    int error = 0;
    if (fstat(fd, &st) != 0)
        error = errno;
    else if (!S_ISREG(st.st_mode))
        error = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
    if (error == 0)
        return fd;
    close(fd);
    errno = error;
    return -1;
}

} // namespace

int RenameNoReplaceWithinFileSystem(int fromDir, const char* from, int toDir, const char* to) noexcept {
    if (renameat2(fromDir, from, toDir, to, RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS)
        return -1;
    return RenameNoReplaceFallback(fromDir, from, toDir, to);
}

bool IsHiddenSiblingName(const std::string& name) noexcept {
    const size_t prefix = sizeof kHiddenPrefix - 1;
    const size_t suffix = sizeof kHiddenSuffix - 1;
    return name.size() == prefix + kHiddenDigits + suffix && name.compare(0, prefix, kHiddenPrefix) == 0 &&
           name.find_first_not_of("0123456789abcdef", prefix) == prefix + kHiddenDigits &&
           name.compare(prefix + kHiddenDigits, suffix, kHiddenSuffix) == 0;
}

bool WriteAll(int fd, const char* data, size_t size) noexcept {
    while (size > 0) {
        ssize_t n = write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

int OpenCloexec(const char* path, int flags, int mode) noexcept {
    int fd;
    do {
        fd = open(path, flags | O_CLOEXEC, mode);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

int OpenCloexec(const std::string& path, int flags, int mode) noexcept {
    return OpenCloexec(path.c_str(), flags, mode);
}

int OpenRegularFileRead(const std::string& path, int64_t* size) noexcept {
    struct stat st {};
    // Non-blocking, so that a FIFO is not waited on before it is refused.
    const int fd = KeepIfRegularFile(OpenCloexec(path, O_RDONLY | O_NOFOLLOW | O_NONBLOCK), st);
    if (fd < 0)
        return -1;
    (void)fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    if (size)
        *size = static_cast<int64_t>(st.st_size);
    return fd;
}

int ReadFileLimited(const std::string& path, size_t limit, std::string* data) noexcept {
    int fd = OpenCloexec(path, O_RDONLY);
    if (fd < 0)
        return -1;
    std::string read;
    char buffer[kCopyChunk];
    int error = 0;
    for (;;) {
        ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            error = errno;
            break;
        }
        if (n == 0)
            break;
        if (read.size() + static_cast<size_t>(n) > limit) {
            error = EFBIG;
            break;
        }
        read.append(buffer, static_cast<size_t>(n));
    }
    close(fd);
    if (error != 0) {
        errno = error;
        return -1;
    }
    *data = std::move(read);
    return 0;
}

int WriteFileReplacing(const std::string& path, const std::string& data, WriteReplaceMode how,
                       int mode) noexcept {
    int keptMode = -1;
    if (how == WR_REPLACE_FILE && !KeptMode(path, &keptMode))
        return -1;
    std::string hidden;
    int fd = -1;
    for (int i = 0; i < kHiddenNameTries && fd < 0; ++i) {
        hidden = HiddenSiblingOf(path);
        fd = OpenCloexec(hidden, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW, keptMode >= 0 ? keptMode : mode);
        if (fd < 0 && errno != EEXIST)
            return -1;
    }
    if (fd < 0)
        return -1;
    // The umask does not narrow what the replaced file had.
    bool ok = (keptMode < 0 || fchmod(fd, static_cast<mode_t>(keptMode)) == 0) &&
              WriteAll(fd, data.data(), data.size()) && fsync(fd) == 0;
    int saved = errno;
    if (close(fd) != 0 && ok) {
        ok = false;
        saved = errno;
    }
    if (ok) {
        const int renamed = how == WR_NEW_ONLY ? RenameNoReplaceWithinFileSystem(AT_FDCWD, hidden.c_str(),
                                                                                 AT_FDCWD, path.c_str())
                                               : rename(hidden.c_str(), path.c_str());
        if (renamed != 0) {
            ok = false;
            saved = errno;
        }
    }
    if (!ok) {
        unlink(hidden.c_str());
        errno = saved;
        return -1;
    }
    return 0;
}

int CopyFileExclusive(int fromDir, const std::string& from, int toDir, const std::string& to) noexcept {
    struct stat st {};
    const int in = KeepIfRegularFile(openat(fromDir, from.c_str(), O_RDONLY | O_CLOEXEC), st);
    if (in < 0)
        return -1;
    int out = openat(toDir, to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, st.st_mode & 0777);
    if (out < 0) {
        int saved = errno;
        close(in);
        errno = saved;
        return -1;
    }
    char buffer[kCopyChunk];
    bool ok = true;
    for (;;) {
        ssize_t n = read(in, buffer, sizeof buffer);
        if (n == 0)
            break;
        if (n < 0) {
            if (errno == EINTR)
                continue;
            ok = false;
            break;
        }
        if (!WriteAll(out, buffer, static_cast<size_t>(n))) {
            ok = false;
            break;
        }
    }
    if (ok && fsync(out) != 0)
        ok = false;
    int saved = errno;
    if (close(out) != 0 && ok) {
        ok = false;
        saved = errno;
    }
    close(in);
    if (!ok) {
        unlinkat(toDir, to.c_str(), 0);
        errno = saved;
        return -1;
    }
    return 0;
}

int RenameNoReplaceAt(int fromDir, const std::string& from, int toDir, const std::string& to) noexcept {
    if (RenameNoReplaceWithinFileSystem(fromDir, from.c_str(), toDir, to.c_str()) == 0)
        return 0;
    if (errno != EXDEV)
        return -1;
    // Copying would be wasted on a name that is taken.
    struct stat st {};
    if (fstatat(toDir, to.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0) {
        errno = EEXIST;
        return -1;
    }
    std::string hidden;
    int copied = -1;
    for (int i = 0; i < kHiddenNameTries && copied != 0; ++i) {
        hidden = HiddenSiblingOf(to);
        copied = CopyFileExclusive(fromDir, from, toDir, hidden);
        if (copied != 0 && errno != EEXIST)
            return -1;
    }
    if (copied != 0)
        return -1;
    // The whole file, synced, takes its name in one step.
    if (RenameNoReplaceWithinFileSystem(toDir, hidden.c_str(), toDir, to.c_str()) != 0) {
        int saved = errno;
        unlinkat(toDir, hidden.c_str(), 0);
        errno = saved;
        return -1;
    }
    if (unlinkat(fromDir, from.c_str(), 0) != 0) {
        int saved = errno;
        unlinkat(toDir, to.c_str(), 0);
        errno = saved;
        return -1;
    }
    return 0;
}

int RenameNoReplace(const std::string& from, const std::string& to) noexcept {
    return RenameNoReplaceAt(AT_FDCWD, from, AT_FDCWD, to);
}

int OpenDirectoriesNoFollow(int baseDir, const std::string& relative, int mode) noexcept {
    int dir = fcntl(baseDir, F_DUPFD_CLOEXEC, 0);
    size_t start = 0;
    while (dir >= 0 && start < relative.size()) {
        size_t end = relative.find('/', start);
        if (end == std::string::npos)
            end = relative.size();
        const std::string name = relative.substr(start, end - start);
        start = end + 1;
        int next = -1;
        if (name.empty() || name == "." || name == "..") {
            errno = EINVAL;
        } else if (mkdirat(dir, name.c_str(), static_cast<mode_t>(mode)) == 0 || errno == EEXIST) {
            next = openat(dir, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        }
        int saved = errno;
        close(dir);
        errno = saved;
        dir = next;
    }
    return dir;
}

int MakeDirectory(const std::string& path, int mode) noexcept {
    if (mkdir(path.c_str(), static_cast<mode_t>(mode)) != 0)
        return -1;
    return chmod(path.c_str(), static_cast<mode_t>(mode));
}

int MakeDirectories(const std::string& path, int mode) noexcept {
    if (path.empty()) {
        errno = ENOENT;
        return -1;
    }
    for (size_t pos = path.find('/', 1);; pos = path.find('/', pos + 1)) {
        std::string prefix = path.substr(0, pos);
        struct stat st {};
        if (stat(prefix.c_str(), &st) != 0) {
            if (MakeDirectory(prefix, mode) != 0 && errno != EEXIST)
                return -1;
        } else if (!S_ISDIR(st.st_mode)) {
            errno = ENOTDIR;
            return -1;
        }
        if (pos == std::string::npos)
            return 0;
    }
}

} // namespace platform
