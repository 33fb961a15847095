#include "platform/fs/PrivateDir.h"

#include "platform/fs/FileOps.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace platform {

int EnsurePrivateDirectory(const std::string& path) noexcept {
    if (path.empty()) {
        errno = ENOENT;
        return -1;
    }
    if (MakeDirectories(path, 0700) != 0)
        return -1;
    struct stat info {};
    if (lstat(path.c_str(), &info) != 0)
        return -1;
    if (!S_ISDIR(info.st_mode) || info.st_uid != geteuid()) {
        errno = EPERM;
        return -1;
    }
    if ((info.st_mode & 077) != 0 && chmod(path.c_str(), 0700) != 0)
        return -1;
    return 0;
}

} // namespace platform
