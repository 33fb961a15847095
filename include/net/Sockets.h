// The socket layer every network connection goes through: IPv4 TCP sockets,
// used non-blocking from one select loop. Every failed call passes through
// translateError, so it is logged and has a class (SocketError.h);
// getLastSocketError gives its errno value.
#pragma once

#include "include/net/SocketError.h"
#include "include/net/SocketSet.h"

#include <sys/socket.h>
#include <sys/time.h>

// Prepares the process for networking: SIGPIPE is ignored from now on. 0, or
// an errno value.
[[nodiscard]] int startNetworking();

// A TCP stream socket (close-on-exec), or -1.
int createSocket();
int closeSocket(int fd);
// -1 on failure, else 0.
int bindSocket(int fd, const sockaddr* address, socklen_t length);
int listenSocket(int fd, int backlog);
// 0 when connected or already connected, SOCKERR_WOULDBLOCK while a
// non-blocking connect is under way, -1 for every other failure.
int connectSocket(int fd, const sockaddr* address, socklen_t length);
// The new socket (close-on-exec, blocking), or -1, also when nothing is
// pending.
int acceptSocket(int fd, sockaddr* address, socklen_t* length);
// Waits for the sets as select() does (see platform/net/PollSelect.h); `n`,
// the highest descriptor + 1, is not needed and ignored. The count of ready
// sockets, or -1 (every set then empty).
int selectSockets(int n, SocketSet* readSet, SocketSet* writeSet, SocketSet* exceptSet,
                  const timeval* timeout);
// Bytes sent; 0 when the socket would block; -1 for any other failure. Never
// raises SIGPIPE; `flags` is ignored.
int sendSocket(int fd, const void* data, int length, int flags);
// Bytes received, 0 when the peer has closed, -1 for any failure, a
// would-block included.
int recvSocket(int fd, void* buffer, int length, int flags);
// Ends the sending side; the peer reads the end of the stream.
int shutdownSocketWrite(int fd);

int disableKeepAlive(int fd);
int setReuseAddress(int fd);
// Receive and send buffers of `bytes` each.
void setSocketBufferSizes(int fd, int bytes);
// 0, or -1 on failure.
int setNonBlocking(int fd);
