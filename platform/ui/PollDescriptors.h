// Waiting for any of several descriptors to become readable.
#pragma once

#include <poll.h>

#include <cstddef>

namespace platform {

// poll() with EINTR counted as "nothing ready" (the caller loops anyway).
// timeoutMs < 0 waits without limit. Returns the ready count, or -1 with errno.
int PollDescriptors(pollfd* fds, size_t count, int timeoutMs) noexcept;

} // namespace platform
