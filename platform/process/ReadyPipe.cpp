#include "platform/process/ReadyPipe.h"

#include "platform/fs/FileOps.h"
#include "platform/process/ChildPipe.h"
#include "platform/time/Clock.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace platform {

ReadyPipe::ReadyPipe() noexcept {
    UniqueFd placeholder(OpenCloexec("/dev/null", O_RDONLY));
    if (placeholder.IsValid())
        m_slot = fcntl(placeholder.Get(), F_DUPFD_CLOEXEC, kReadyPipeFd + 1);
}

ReadyPipe::~ReadyPipe() {
    if (m_readEnd >= 0)
        close(m_readEnd);
    if (m_slot >= 0)
        close(m_slot);
}

bool ReadyPipe::Open() noexcept {
    m_listening = false;
    if (m_slot < 0)
        return false;
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0)
        return false;
    // Replaces what the slot held: the read end of the start before.
    const bool placed = dup3(fds[1], m_slot, O_CLOEXEC) == m_slot;
    close(fds[1]);
    if (placed)
        m_readEnd = fds[0];
    else
        close(fds[0]);
    return placed;
}

void ReadyPipe::CloseWriteEnd() noexcept {
    if (m_readEnd < 0)
        return;
    // The read end moves onto the slot: the write end goes, the number stays
    // taken.
    m_listening = dup3(m_readEnd, m_slot, O_CLOEXEC) == m_slot;
    close(m_readEnd);
    m_readEnd = -1;
}

WaitOutcome ReadyPipe::WaitForChild(pid_t pid, uint32_t timeoutMs, int* exitCode) noexcept {
    if (!m_listening)
        return WaitProcess(pid, timeoutMs, exitCode);
    m_listening = false;
    const uint64_t deadline = SystemMonotonicMs() + timeoutMs;
    char word;
    const long n = ReadUntil(m_slot, &word, 1, deadline);
    if (n == 1)
        return WAIT_READY;
    if (n < 0 && errno == ETIMEDOUT)
        return WAIT_TIMED_OUT;
    // The pipe closed without a word: the child has ended (or let go of its
    // end, and is then waited for as before).
    const uint64_t now = SystemMonotonicMs();
    return WaitProcess(pid, now < deadline ? static_cast<uint32_t>(deadline - now) : 0, exitCode);
}

UniqueFd TakeReadyPipe() noexcept {
    struct stat info {};
    if (fstat(kReadyPipeFd, &info) != 0 || !S_ISFIFO(info.st_mode))
        return UniqueFd();
    const int flags = fcntl(kReadyPipeFd, F_GETFL);
    if (flags < 0 || (flags & O_ACCMODE) != O_WRONLY)
        return UniqueFd();
    if (fcntl(kReadyPipeFd, F_SETFD, FD_CLOEXEC) != 0)
        return UniqueFd();
    return UniqueFd(kReadyPipeFd);
}

void SayReady(UniqueFd& pipe) noexcept {
    if (!pipe.IsValid())
        return;
    const char word = 'r';
    (void)WriteNoSigpipe(pipe.Get(), &word, 1);
    pipe.Reset();
}

} // namespace platform
