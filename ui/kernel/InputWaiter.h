// How a message loop waits for its descriptors. The loop polls them itself
// unless a desktop toolkit runs on the same thread: that toolkit's waiter
// watches the same descriptors and dispatches its own events meanwhile.
#pragma once

#include <poll.h>

#include <cstddef>

class InputWaiter {
  public:
    virtual ~InputWaiter() = default;
    // Waits up to `timeoutMs` (< 0: without limit) for one of `fds` to become
    // readable, filling their revents; returns how many are ready. May
    // return 0 early.
    virtual int Wait(pollfd* fds, size_t count, int timeoutMs) = 0;
};
