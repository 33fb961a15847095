#include "include/net/SocketError.h"

#include "include/log/Logger.h"
#include "include/thread/Threads.h"

#include <cerrno>
#include <cstring>

namespace {

constexpr uint32_t kWouldBlockPauseMs = 5;

thread_local int t_lastSocketError = 0;

// A non-blocking connect under way says EINPROGRESS: it gets the same quiet
// pause as any other would-block.
bool IsWouldBlock(int error) {
    return error == EAGAIN || error == EWOULDBLOCK || error == EINPROGRESS;
}

} // namespace

SocketError classifySocketError(int error) noexcept {
    switch (error) {
    case EACCES:
    case EINVAL:
    case ENOTSOCK:
    case EBADF:
    case EOPNOTSUPP:
    case EADDRNOTAVAIL:
    case ENOTCONN:
    case ESHUTDOWN:
        return SOCKERR_INVALID;
    case EMFILE:
    case ENFILE:
    case EMSGSIZE:
    case ENETDOWN:
    case ENOBUFS:
    case ENOMEM:
        return SOCKERR_RESOURCES;
    case EAGAIN:
#if EWOULDBLOCK != EAGAIN
    case EWOULDBLOCK:
#endif
    case EINPROGRESS:
    case EALREADY:
        return SOCKERR_WOULDBLOCK;
    // A send to a peer that has gone fails with EPIPE on Linux.
    case EPIPE:
    case ENETUNREACH:
    case ENETRESET:
    case ECONNABORTED:
    case ECONNRESET:
    case ETIMEDOUT:
    case ECONNREFUSED:
    case EHOSTUNREACH:
        return SOCKERR_CONNECTION;
    case EFAULT:
        return SOCKERR_FAULT;
    case EISCONN:
        return SOCKERR_ISCONN;
    default:
        return SOCKERR_OTHER;
    }
}

int translateError(int result) {
    if (result != -1)
        return 0;
    const int error = errno;
    t_lastSocketError = error;
    MVLOG(LOG_VERB, "in translate error, error: %i", error);
    if (IsWouldBlock(error)) {
        SleepFor(0, kWouldBlockPauseMs);
    } else {
        char text[256];
        MVLOG(LOG_ERR, "%i  %s", error, strerror_r(error, text, sizeof text));
    }
    errno = error;
    return classifySocketError(error);
}

int getLastSocketError() noexcept {
    return t_lastSocketError;
}
