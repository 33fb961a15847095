#include "platform/fs/LockFile.h"

#include "platform/fs/FileOps.h"

#include <fcntl.h>
#include <sys/file.h>

#include <cerrno>

namespace platform {

LockOutcome LockFile::Acquire(const std::string& path, int* error) noexcept {
    m_fd.Reset();
    UniqueFd fd(OpenCloexec(path, O_RDWR | O_CREAT | O_NOFOLLOW, 0600));
    if (!fd.IsValid()) {
        if (error)
            *error = errno;
        return LOCK_FAILED;
    }
    int rc;
    do {
        rc = flock(fd.Get(), LOCK_EX | LOCK_NB);
    } while (rc != 0 && errno == EINTR);
    if (rc != 0) {
        if (errno == EWOULDBLOCK)
            return LOCK_HELD_ELSEWHERE;
        if (error)
            *error = errno;
        return LOCK_FAILED;
    }
    m_fd = std::move(fd);
    return LOCK_ACQUIRED;
}

} // namespace platform
