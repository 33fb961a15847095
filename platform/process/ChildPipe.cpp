#include "platform/process/ChildPipe.h"

#include "platform/time/Clock.h"

#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <csignal>
#include <ctime>

namespace platform {

int MakePipe(UniqueFd& readEnd, UniqueFd& writeEnd) noexcept {
    int fds[2] = {-1, -1};
    if (pipe2(fds, O_CLOEXEC) != 0)
        return -1;
    readEnd.Reset(fds[0]);
    writeEnd.Reset(fds[1]);
    return 0;
}

long WriteNoSigpipe(int fd, const void* data, size_t size) noexcept {
    // SIGPIPE is blocked for this thread only; one raised by this write is
    // taken off the pending set before the old mask returns.
    sigset_t pipeOnly;
    sigemptyset(&pipeOnly);
    sigaddset(&pipeOnly, SIGPIPE);
    sigset_t pending;
    sigpending(&pending);
    const bool wasPending = sigismember(&pending, SIGPIPE) == 1;
    sigset_t old;
    pthread_sigmask(SIG_BLOCK, &pipeOnly, &old);

    ssize_t n;
    do {
        n = write(fd, data, size);
    } while (n < 0 && errno == EINTR);
    const int writeError = errno;

    if (n < 0 && writeError == EPIPE && !wasPending) {
        const timespec none{0, 0};
        while (sigtimedwait(&pipeOnly, nullptr, &none) < 0 && errno == EINTR) {
        }
    }
    pthread_sigmask(SIG_SETMASK, &old, nullptr);
    errno = writeError;
    return static_cast<long>(n);
}

long ReadUntil(int fd, void* data, size_t size, uint64_t deadlineMs) noexcept {
    for (;;) {
        const uint64_t now = SystemMonotonicMs();
        if (now >= deadlineMs) {
            errno = ETIMEDOUT;
            return -1;
        }
        const uint64_t left = deadlineMs - now;
        pollfd pfd{fd, POLLIN, 0};
        const int ready = poll(&pfd, 1, left > INT_MAX ? INT_MAX : static_cast<int>(left));
        if (ready < 0 && errno != EINTR)
            return -1;
        if (ready <= 0)
            continue;
        const ssize_t n = read(fd, data, size);
        if (n >= 0 || errno != EINTR)
            return static_cast<long>(n);
    }
}

int KillWhenParentDies(pid_t parent) noexcept {
    if (prctl(PR_SET_PDEATHSIG, SIGKILL, 0, 0, 0) != 0)
        return -1;
    // Asked after the parent's end, the request waits for a parent that is
    // no longer ours: an orphan has been handed to another process.
    if (parent > 0 && getppid() != parent) {
        errno = ESRCH;
        return -1;
    }
    return 0;
}

int LimitAddressSpace(uint64_t bytes) noexcept {
    const rlimit limit{static_cast<rlim_t>(bytes), static_cast<rlim_t>(bytes)};
    return setrlimit(RLIMIT_AS, &limit);
}

} // namespace platform
