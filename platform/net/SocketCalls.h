// Socket system calls with the program's Linux rules built in: every socket is
// close-on-exec, sends never raise SIGPIPE, and EINTR is retried. Results are
// as the system calls give them (-1 with errno on failure); nothing logs.
#pragma once

#include <sys/socket.h>
#include <sys/types.h>

#include <cstddef>

namespace platform {

// An IPv4 TCP stream socket.
int OpenTcpSocket() noexcept;

// connect(). An interrupted connect goes on in the background, so EINTR is
// reported as EINPROGRESS rather than restarted.
int ConnectTo(int fd, const sockaddr* address, socklen_t length) noexcept;

// accept4() with close-on-exec. The new socket keeps the default blocking
// mode.
int AcceptCloexec(int fd, sockaddr* address, socklen_t* length) noexcept;

ssize_t SendNoSignal(int fd, const void* data, size_t length) noexcept;
ssize_t Receive(int fd, void* buffer, size_t length, int flags) noexcept;

// close() once: on Linux the descriptor is released even when close reports
// EINTR, so it is never retried.
int CloseSocket(int fd) noexcept;

int SetNonBlockingMode(int fd) noexcept;
int SetSocketIntOption(int fd, int level, int option, int value) noexcept;

// The socket's pending error (SO_ERROR), cleared by the read: 0 when none,
// -1 with errno when it cannot be read.
int TakeSocketError(int fd) noexcept;

// SIGPIPE is ignored process-wide: TLS writes go through plain write(), which
// cannot be told not to raise it.
int IgnoreSigpipe() noexcept;

} // namespace platform
