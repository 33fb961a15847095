#include "platform/ui/EventFd.h"

#include <poll.h>
#include <sys/eventfd.h>

#include <cerrno>
#include <cstdint>

namespace platform {

EventFd::EventFd() noexcept : m_fd(eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {}

void EventFd::Signal() const noexcept {
    const uint64_t one = 1;
    while (write(m_fd.Get(), &one, sizeof one) < 0 && errno == EINTR) {
    }
}

void EventFd::Drain() const noexcept {
    uint64_t count = 0;
    while (read(m_fd.Get(), &count, sizeof count) < 0 && errno == EINTR) {
    }
}

void EventFd::WaitAndDrain() const noexcept {
    pollfd pfd{m_fd.Get(), POLLIN, 0};
    while (poll(&pfd, 1, -1) < 0 && errno == EINTR) {
    }
    Drain();
}

} // namespace platform
