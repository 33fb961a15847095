// A listening Unix-domain stream socket bound to a path, and the client side
// that connects to one. Every descriptor is close-on-exec; nothing logs.
#pragma once

#include "platform/fs/UniqueFd.h"

#include <sys/types.h>

#include <string>

namespace platform {

class UnixListener {
  public:
    UnixListener() noexcept = default;
    ~UnixListener();
    UnixListener(const UnixListener&) = delete;
    UnixListener& operator=(const UnixListener&) = delete;

    // Binds and listens (non-blocking) at `path`. A socket file left there by
    // a process that died is removed first; any other kind of file is not
    // touched (EEXIST). 0 on success, -1 with errno (ENAMETOOLONG when the
    // path does not fit a socket address).
    int Listen(const std::string& path) noexcept;
    // Closes the socket and removes its file.
    void Close() noexcept;
    int Get() const noexcept { return m_fd.Get(); }
    // A waiting connection, non-blocking; -1 with errno (EAGAIN when none).
    int Accept() noexcept;

  private:
    UniqueFd m_fd;
    std::string m_path;
};

// The user id of the process at the other end of a connected Unix socket;
// -1 with errno when it cannot be read.
int PeerUserId(int fd, uid_t* uid) noexcept;

// Connects a blocking Unix stream socket to `path`; the descriptor, or -1 with
// errno.
int ConnectUnixSocket(const std::string& path) noexcept;

} // namespace platform
