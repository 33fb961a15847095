#include "platform/process/ProcessDescriptor.h"

#include <poll.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>

namespace platform {

ProcessDescriptor::ProcessDescriptor(pid_t pid) noexcept {
    if (pid > 0)
        m_fd.Reset(static_cast<int>(syscall(SYS_pidfd_open, pid, 0)));
}

void ProcessDescriptor::WaitEnded() const noexcept {
    if (!m_fd.IsValid())
        return;
    pollfd pfd{m_fd.Get(), POLLIN, 0};
    while (poll(&pfd, 1, -1) < 0 && errno == EINTR) {
    }
}

} // namespace platform
