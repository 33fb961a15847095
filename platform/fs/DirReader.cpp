#include "platform/fs/DirReader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace platform {

namespace {

DirEntryKind KindOfMode(mode_t mode) {
    if (S_ISDIR(mode))
        return DEK_DIRECTORY;
    if (S_ISLNK(mode))
        return DEK_SYMLINK;
    return S_ISREG(mode) ? DEK_FILE : DEK_OTHER;
}

} // namespace

DirReader::~DirReader() {
    if (m_dir)
        closedir(m_dir);
}

int DirReader::Open(const char* path) noexcept {
    if (m_dir) {
        closedir(m_dir);
        m_dir = nullptr;
    }
    m_error = 0;
    // opendir opens with O_CLOEXEC.
    m_dir = opendir(path);
    return m_dir ? 0 : errno;
}

int DirReader::Open(int fd) noexcept {
    if (m_dir) {
        closedir(m_dir);
        m_dir = nullptr;
    }
    m_error = 0;
    m_dir = fdopendir(fd);
    if (m_dir)
        return 0;
    int error = errno;
    close(fd);
    return error;
}

bool DirReader::Next(const char*& name, DirEntryKind& kind) noexcept {
    if (!m_dir)
        return false;
    for (;;) {
        errno = 0;
        const dirent* entry = readdir(m_dir);
        if (!entry) {
            m_error = errno;
            return false;
        }
        if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0)
            continue;
        name = entry->d_name;
        switch (entry->d_type) {
        case DT_REG:
            kind = DEK_FILE;
            break;
        case DT_DIR:
            kind = DEK_DIRECTORY;
            break;
        case DT_LNK:
            kind = DEK_SYMLINK;
            break;
        case DT_UNKNOWN: {
            struct stat st {};
            kind = fstatat(dirfd(m_dir), name, &st, AT_SYMLINK_NOFOLLOW) == 0 ? KindOfMode(st.st_mode)
                                                                              : DEK_OTHER;
            break;
        }
        default:
            kind = DEK_OTHER;
            break;
        }
        return true;
    }
}

int DirReader::StatEntry(const char* name, struct stat& record) const noexcept {
    if (!m_dir)
        return EBADF;
    return fstatat(dirfd(m_dir), name, &record, 0) == 0 ? 0 : errno;
}

} // namespace platform
