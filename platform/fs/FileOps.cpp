#include "platform/fs/FileOps.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

namespace platform {
namespace {

constexpr size_t kCopyChunk = 64 * 1024;

// The fallback where the file system cannot rename without replacing: a hard
// link fails on an existing target, so it is just as safe.
int LinkThenUnlink(const std::string& from, const std::string& to) noexcept {
    if (link(from.c_str(), to.c_str()) != 0)
        return -1;
    if (unlink(from.c_str()) != 0) {
        int saved = errno;
        unlink(to.c_str());
        errno = saved;
        return -1;
    }
    return 0;
}

} // namespace

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

int CopyFileExclusive(const std::string& from, const std::string& to) noexcept {
    int in = OpenCloexec(from, O_RDONLY);
    if (in < 0)
        return -1;
    struct stat st {};
    int statError = 0;
    if (fstat(in, &st) != 0)
        statError = errno;
    else if (!S_ISREG(st.st_mode))
        statError = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
    if (statError != 0) {
        close(in);
        errno = statError;
        return -1;
    }
    int out = OpenCloexec(to, O_WRONLY | O_CREAT | O_EXCL, st.st_mode & 0777);
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
        unlink(to.c_str());
        errno = saved;
        return -1;
    }
    return 0;
}

int RenameNoReplace(const std::string& from, const std::string& to) noexcept {
    if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
        return 0;
    if (errno == EINVAL || errno == ENOSYS) {
        if (LinkThenUnlink(from, to) == 0)
            return 0;
        if (errno != EXDEV)
            return -1;
    }
    if (errno != EXDEV)
        return -1;
    if (CopyFileExclusive(from, to) != 0)
        return -1;
    if (unlink(from.c_str()) != 0) {
        int saved = errno;
        unlink(to.c_str());
        errno = saved;
        return -1;
    }
    return 0;
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
