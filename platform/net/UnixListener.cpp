#include "platform/net/UnixListener.h"

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>

#include <cerrno>
#include <cstring>

namespace platform {
namespace {

bool FillAddress(const std::string& path, sockaddr_un* address) noexcept {
    std::memset(address, 0, sizeof *address);
    address->sun_family = AF_UNIX;
    if (path.empty() || path.size() >= sizeof address->sun_path) {
        errno = ENAMETOOLONG;
        return false;
    }
    std::memcpy(address->sun_path, path.c_str(), path.size() + 1);
    return true;
}

// Only a socket file can be left behind by a killed listener.
int RemoveStaleSocket(const std::string& path) noexcept {
    struct stat info {};
    if (lstat(path.c_str(), &info) != 0)
        return errno == ENOENT ? 0 : -1;
    if (!S_ISSOCK(info.st_mode)) {
        errno = EEXIST;
        return -1;
    }
    return unlink(path.c_str()) == 0 || errno == ENOENT ? 0 : -1;
}

} // namespace

UnixListener::~UnixListener() {
    Close();
}

int UnixListener::Listen(const std::string& path) noexcept {
    Close();
    sockaddr_un address;
    if (!FillAddress(path, &address))
        return -1;
    if (RemoveStaleSocket(path) != 0)
        return -1;
    UniqueFd fd(socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    if (!fd.IsValid())
        return -1;
    if (bind(fd.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0)
        return -1;
    m_path = path;
    if (listen(fd.Get(), 8) != 0) {
        const int error = errno;
        unlink(path.c_str());
        m_path.clear();
        errno = error;
        return -1;
    }
    m_fd = std::move(fd);
    return 0;
}

void UnixListener::Close() noexcept {
    if (m_fd.IsValid()) {
        m_fd.Reset();
        unlink(m_path.c_str());
    }
    m_path.clear();
}

int UnixListener::Accept() noexcept {
    int fd;
    do {
        fd = accept4(m_fd.Get(), nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

int PeerUserId(int fd, uid_t* uid) noexcept {
    ucred credentials{};
    socklen_t length = sizeof credentials;
    if (getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &credentials, &length) != 0)
        return -1;
    *uid = credentials.uid;
    return 0;
}

int ConnectUnixSocket(const std::string& path) noexcept {
    sockaddr_un address;
    if (!FillAddress(path, &address))
        return -1;
    UniqueFd fd(socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (!fd.IsValid())
        return -1;
    int rc;
    do {
        rc = connect(fd.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof address);
    } while (rc != 0 && errno == EINTR);
    if (rc != 0)
        return -1;
    return fd.Release();
}

} // namespace platform
