#include "include/fs/FileCmds.h"

#include "include/log/Logger.h"
#include "include/text/Utf8.h"
#include "platform/fs/FileOps.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <cwchar>

namespace {

constexpr int kNewFileMode = 0600;
constexpr int kNewDirMode = 0700;

} // namespace

bool createDir(const std::wstring& path) {
    if (platform::MakeDirectory(WideToUtf8(path), kNewDirMode) != 0) {
        MVLOG(LOG_ERR, "Error creating %ls: %i", path.c_str(), errno);
        return false;
    }
    return true;
}

bool createDirs(const std::wstring& path) {
    for (size_t pos = path.find(L'/', 1); pos != std::wstring::npos; pos = path.find(L'/', pos + 1)) {
        std::wstring prefix = path.substr(0, pos);
        if (!pathExists(prefix) && !createDir(prefix))
            return false;
    }
    return true;
}

bool renameFile(const std::wstring& from, const std::wstring& to) {
    if (platform::RenameNoReplace(WideToUtf8(from), WideToUtf8(to)) != 0) {
        MVLOG(LOG_INFO, "error %i renaming %ls to %ls", errno, from.c_str(), to.c_str());
        return false;
    }
    return true;
}

bool setFileMode(const std::wstring& path, int mode) {
    if (chmod(WideToUtf8(path).c_str(), static_cast<mode_t>(mode)) != 0) {
        MVLOG(LOG_ERR, "error %i setting the mode of %ls", errno, path.c_str());
        return false;
    }
    return true;
}

bool fileExists(const std::wstring& path) {
    struct stat st {};
    return stat(WideToUtf8(path).c_str(), &st) == 0;
}

bool pathExists(const std::wstring& path) {
    struct stat st {};
    return lstat(WideToUtf8(path).c_str(), &st) == 0;
}

bool isDirectory(const std::wstring& path) {
    std::wstring trimmed = path;
    if (trimmed.size() > 1 && trimmed.back() == L'/')
        trimmed.pop_back();
    struct stat st {};
    return statFile(trimmed, &st) && S_ISDIR(st.st_mode);
}

int64_t getFileSize(const std::wstring& path) {
    struct stat st {};
    if (stat(WideToUtf8(path).c_str(), &st) != 0)
        return -1;
    return static_cast<int64_t>(st.st_size);
}

bool statFile(const std::wstring& path, struct stat* record) {
    if (stat(WideToUtf8(path).c_str(), record) != 0) {
        MVLOG(LOG_ERR, "Could not stat %ls", path.c_str());
        return false;
    }
    return true;
}

bool deleteFile(const std::wstring& path, bool log) {
    if (unlink(WideToUtf8(path).c_str()) == 0) {
        if (log)
            MVLOG(LOG_VERB, "deleteFile succeeded for %ls", path.c_str());
        return true;
    }
    if (log) {
        if (errno == EACCES)
            MVLOG(LOG_CRIT, "EACCES error deleting %ls", path.c_str());
        else if (errno == ENOENT)
            MVLOG(LOG_CRIT, "ENOENT error deleting %ls", path.c_str());
    }
    return false;
}

int openFileRead(const std::wstring& path, int64_t startFilePos) {
    int fd = platform::OpenCloexec(WideToUtf8(path), O_RDONLY);
    if (fd < 0) {
        MVLOG(LOG_ERR, "openFileRead failed. errno %i, fileName: %ls, fd: %i, startFilePos: %lli", errno,
              path.c_str(), fd, static_cast<long long>(startFilePos));
        return -1;
    }
    off_t result = lseek(fd, static_cast<off_t>(startFilePos), SEEK_SET);
    if (result != static_cast<off_t>(startFilePos)) {
        // A descriptor at the wrong place would corrupt a transfer: refuse it.
        MVLOG(LOG_CRIT,
              "lseek problem in openFileRead. errno %i, fileName: %ls, fd: %i, startFilePos: %lli, result: "
              "%lli",
              errno, path.c_str(), fd, static_cast<long long>(startFilePos), static_cast<long long>(result));
        close(fd);
        return -1;
    }
    return fd;
}

int openFileWrite(const std::wstring& path, int64_t startFilePos) {
    int fd = platform::OpenCloexec(WideToUtf8(path), O_RDWR | O_CREAT, kNewFileMode);
    if (fd < 0) {
        switch (errno) {
        case ENOENT:
            MVLOG(LOG_ERR, "<IOCMDS> ENOENT !!!!!!!!!!!");
            break;
        case EACCES:
            MVLOG(LOG_ERR, "<IOCMDS> EACCES !!!!!!!!!!!");
            break;
        case EEXIST:
            MVLOG(LOG_ERR, "<IOCMDS> EEXIST !!!!!!!!!!!");
            break;
        case EINVAL:
            MVLOG(LOG_ERR, "<IOCMDS> EINVAL !!!!!!!!!!!");
            break;
        case EMFILE:
            MVLOG(LOG_ERR, "<IOCMDS> EMFILE !!!!!!!!!!!");
            break;
        default:
            break;
        }
        return -1;
    }
    off_t result = lseek(fd, static_cast<off_t>(startFilePos), SEEK_SET);
    if (result != static_cast<off_t>(startFilePos)) {
        MVLOG(LOG_CRIT,
              "lseek problem in openFileWrite. fileName: %ls, fd: %i, startFilePos: %lli, result: %lli",
              path.c_str(), fd, static_cast<long long>(startFilePos), static_cast<long long>(result));
        close(fd);
        return -1;
    }
    return fd;
}

long ReadFully(int fd, void* buffer, long n) {
    auto* out = static_cast<char*>(buffer);
    long total = 0;
    while (total < n) {
        ssize_t got = read(fd, out + total, static_cast<size_t>(n - total));
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return static_cast<long>(got);
        }
        if (got == 0)
            break;
        total += got;
    }
    return total;
}

wchar_t* WcsDup(const wchar_t* text) {
    size_t length = wcslen(text);
    auto* copy = static_cast<wchar_t*>(std::malloc((length + 1) * sizeof(wchar_t)));
    if (copy)
        wmemcpy(copy, text, length + 1);
    return copy;
}

size_t WideToMbLength(const wchar_t* text) {
    return Utf8Length(std::wstring(text));
}
