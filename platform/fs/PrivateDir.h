// Folders that only their owner may enter.
#pragma once

#include <string>

namespace platform {

// Creates `path` and missing parents with mode 0700, or accepts an existing
// folder that belongs to this user (its group and other bits are cleared).
// A symbolic link or another user's folder is refused (EPERM). 0 on success,
// -1 with errno.
int EnsurePrivateDirectory(const std::string& path) noexcept;

} // namespace platform
