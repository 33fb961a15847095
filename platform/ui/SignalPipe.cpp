#include "platform/ui/SignalPipe.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>

namespace platform {
namespace {

std::atomic<int> g_writeFd{-1};

void OnSignal(int signo) {
    const int savedErrno = errno;
    const int fd = g_writeFd.load();
    if (fd >= 0) {
        const unsigned char byte = static_cast<unsigned char>(signo);
        // A full pipe already holds a wake-up; losing this byte is harmless.
        ssize_t ignored = write(fd, &byte, 1);
        (void)ignored;
    }
    errno = savedErrno;
}

} // namespace

SignalPipe::~SignalPipe() {
    Close();
}

bool SignalPipe::Open(const std::vector<int>& signals) noexcept {
    if (m_read.IsValid())
        Close();
    int fds[2];
    if (pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0)
        return false;
    UniqueFd readEnd(fds[0]);
    UniqueFd writeEnd(fds[1]);
    int expected = -1;
    if (!g_writeFd.compare_exchange_strong(expected, writeEnd.Get())) {
        errno = EBUSY;
        return false;
    }
    m_read = std::move(readEnd);
    m_write = std::move(writeEnd);
    for (int signo : signals) {
        struct sigaction action {};
        action.sa_handler = OnSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        struct sigaction saved {};
        if (sigaction(signo, &action, &saved) != 0) {
            const int error = errno;
            Close();
            errno = error;
            return false;
        }
        m_signals.push_back(signo);
        m_saved.push_back(saved);
    }
    return true;
}

void SignalPipe::Close() noexcept {
    for (size_t i = 0; i < m_signals.size(); ++i)
        sigaction(m_signals[i], &m_saved[i], nullptr);
    m_signals.clear();
    m_saved.clear();
    if (m_write.IsValid()) {
        int expected = m_write.Get();
        g_writeFd.compare_exchange_strong(expected, -1);
    }
    m_write.Reset();
    m_read.Reset();
}

int SignalPipe::TakeSignal() noexcept {
    unsigned char byte = 0;
    for (;;) {
        ssize_t n = read(m_read.Get(), &byte, 1);
        if (n == 1)
            return byte;
        if (n < 0 && errno == EINTR)
            continue;
        return 0;
    }
}

} // namespace platform
