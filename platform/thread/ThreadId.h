#pragma once

namespace platform {

// The kernel's id of the calling thread (what ps and /proc show).
int CurrentThreadId() noexcept;

// The id of this process.
int CurrentProcessId() noexcept;

} // namespace platform
