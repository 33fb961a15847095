// The pieces of talking to a child process over pipes: close-on-exec pipes,
// writes that never raise SIGPIPE, reads bounded by a deadline, and a child
// that ends with the thread that started it and keeps to a memory bound.
#pragma once

#include "platform/fs/UniqueFd.h"

#include <sys/types.h>

#include <cstddef>
#include <cstdint>

namespace platform {

// pipe2 with O_CLOEXEC on both ends: 0, or -1 with errno set.
[[nodiscard]] int MakePipe(UniqueFd& readEnd, UniqueFd& writeEnd) noexcept;

// One write (EINTR retried): bytes written, or -1 with errno set. A reader
// that has gone gives EPIPE, never SIGPIPE.
long WriteNoSigpipe(int fd, const void* data, size_t size) noexcept;

// One read that waits no later than `deadlineMs` of SystemMonotonicMs: bytes,
// 0 at end of file, -1 with errno set; ETIMEDOUT once the deadline passed.
long ReadUntil(int fd, void* data, size_t size, uint64_t deadlineMs) noexcept;

// Asks for SIGKILL when the thread that started this process ends: 0, or -1
// with errno set. A parent that ended before the request was made sends no
// signal: when `parent` (> 0) is no longer this process's parent, the result
// is -1 with ESRCH.
int KillWhenParentDies(pid_t parent) noexcept;

// Bounds this process's address space to `bytes` (RLIMIT_AS, soft and hard):
// an allocation past it fails (ENOMEM, std::bad_alloc) instead of growing
// the process. 0, or -1 with errno set.
int LimitAddressSpace(uint64_t bytes) noexcept;

} // namespace platform
