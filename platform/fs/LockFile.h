// An exclusive advisory lock (flock) on a file, held as long as the owner
// lives. The descriptor is close-on-exec, so no child ever holds the lock.
#pragma once

#include "platform/fs/UniqueFd.h"

#include <string>

namespace platform {

enum LockOutcome {
    LOCK_ACQUIRED,
    LOCK_HELD_ELSEWHERE,
    LOCK_FAILED,
};

class LockFile {
  public:
    LockFile() noexcept = default;

    // Creates `path` (mode 0600) when missing and locks it without waiting.
    // On LOCK_FAILED, `*error` is the errno value.
    [[nodiscard]] LockOutcome Acquire(const std::string& path, int* error) noexcept;
    bool IsHeld() const noexcept { return m_fd.IsValid(); }
    void Release() noexcept { m_fd.Reset(); }

  private:
    UniqueFd m_fd;
};

} // namespace platform
