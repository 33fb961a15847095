// A process descriptor (pidfd) of another process, opened while the process
// is known to be alive, so that a later wait cannot mistake a new process
// that reused the id for it.
#pragma once

#include "platform/fs/UniqueFd.h"

#include <sys/types.h>

namespace platform {

class ProcessDescriptor {
  public:
    ProcessDescriptor() = default;
    // Opens the descriptor of `pid`; IsValid() tells whether that worked.
    explicit ProcessDescriptor(pid_t pid) noexcept;

    bool IsValid() const noexcept { return m_fd.IsValid(); }
    // Waits without limit until the process has ended. Immediate when the
    // descriptor is not valid.
    void WaitEnded() const noexcept;

  private:
    UniqueFd m_fd;
};

} // namespace platform
