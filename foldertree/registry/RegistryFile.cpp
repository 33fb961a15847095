#include "foldertree/registry/RegistryFile.h"

#include "platform/fs/FileOps.h"
#include "platform/fs/UniqueFd.h"
#include "platform/fs/XdgDirs.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace pgv {
namespace {

// A registry larger than this is not ours; refuse it rather than read it.
constexpr off_t kMaxRegistryBytes = 4 << 20;

bool ReadWhole(int fd, std::string* text, int* error) {
    struct stat info;
    if (fstat(fd, &info) != 0) {
        *error = errno;
        return false;
    }
    if (info.st_size > kMaxRegistryBytes) {
        *error = EFBIG;
        return false;
    }
    text->clear();
    char buffer[8192];
    for (;;) {
        ssize_t n = read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            *error = errno;
            return false;
        }
        if (n == 0)
            return true;
        if (text->size() + static_cast<size_t>(n) > static_cast<size_t>(kMaxRegistryBytes)) {
            *error = EFBIG;
            return false;
        }
        text->append(buffer, static_cast<size_t>(n));
    }
}

bool WriteReplacing(const std::string& path, const std::string& text, int* error) {
    std::string temp = path + ".tmp." + std::to_string(getpid());
    platform::UniqueFd fd(platform::OpenCloexec(temp, O_WRONLY | O_CREAT | O_TRUNC, 0600));
    bool ok = fd.IsValid() && platform::WriteAll(fd.Get(), text.data(), text.size()) && fsync(fd.Get()) == 0;
    if (ok && close(fd.Release()) != 0)
        ok = false;
    if (ok && rename(temp.c_str(), path.c_str()) != 0)
        ok = false;
    if (!ok) {
        *error = errno;
        unlink(temp.c_str());
    }
    return ok;
}

std::string FolderOf(const std::string& path) {
    size_t slash = path.rfind('/');
    return slash == std::string::npos || slash == 0 ? std::string() : path.substr(0, slash);
}

} // namespace

std::string RegistryPath() {
    // Only absolute paths: a relative one would land wherever the host runs.
    if (const char* path = std::getenv("PGROVE80_REGISTRY"); path && *path)
        return path[0] == '/' ? std::string(path) : std::string();
    std::string dataHome = platform::DataHomeDir();
    return dataHome.empty() ? std::string() : dataHome + "/pgrove80/registry";
}

bool UpdateRegistryFile(const std::string& path, const std::function<void(RegistryStore&)>& change,
                        int* error) {
    if (path.empty() || path[0] != '/') {
        *error = ENOENT;
        return false;
    }
    std::string folder = FolderOf(path);
    if (!folder.empty() && platform::MakeDirectories(folder, 0700) != 0) {
        *error = errno;
        return false;
    }
    platform::UniqueFd lock(platform::OpenCloexec(path + ".lock", O_RDWR | O_CREAT, 0600));
    if (!lock.IsValid()) {
        *error = errno;
        return false;
    }
    while (flock(lock.Get(), LOCK_EX) != 0) {
        if (errno != EINTR) {
            *error = errno;
            return false;
        }
    }
    std::string before;
    platform::UniqueFd file(platform::OpenCloexec(path, O_RDONLY));
    if (file.IsValid() && !ReadWhole(file.Get(), &before, error))
        return false;
    if (!file.IsValid() && errno != ENOENT) {
        *error = errno;
        return false;
    }
    RegistryStore store;
    store.Parse(before);
    change(store);
    std::string after = store.Serialize();
    if (after == before)
        return true;
    return WriteReplacing(path, after, error);
}

} // namespace pgv
