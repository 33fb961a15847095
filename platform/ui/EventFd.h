// A counter descriptor that wakes a thread waiting in poll(): any thread
// signals it, the waiter drains it.
#pragma once

#include "platform/fs/UniqueFd.h"

namespace platform {

class EventFd {
  public:
    // Non-blocking and close-on-exec; IsValid() is false when the system
    // refused (errno kept).
    EventFd() noexcept;

    bool IsValid() const noexcept { return m_fd.IsValid(); }
    int Get() const noexcept { return m_fd.Get(); }
    // Makes the descriptor readable. Async-signal-safe.
    void Signal() const noexcept;
    // Resets it to not readable.
    void Drain() const noexcept;
    // Waits until it is signalled, then resets it.
    void WaitAndDrain() const noexcept;

  private:
    UniqueFd m_fd;
};

} // namespace platform
