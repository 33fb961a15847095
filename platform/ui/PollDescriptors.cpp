#include "platform/ui/PollDescriptors.h"

#include <cerrno>

namespace platform {

int PollDescriptors(pollfd* fds, size_t count, int timeoutMs) noexcept {
    int rc = poll(fds, static_cast<nfds_t>(count), timeoutMs);
    if (rc < 0 && errno == EINTR)
        return 0;
    return rc;
}

} // namespace platform
