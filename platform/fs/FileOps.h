// File primitives on UTF-8 paths. Results are 0 or a descriptor on success,
// -1 with errno set on failure; nothing here logs.
#pragma once

#include <cstddef>
#include <string>

namespace platform {

// Writes all of `data`, retrying short writes and interruptions. Allocates
// nothing, so it may run inside a signal handler.
bool WriteAll(int fd, const char* data, size_t size) noexcept;

// open() with O_CLOEXEC always added. The `const char*` form allocates
// nothing, so it may run inside a signal handler.
int OpenCloexec(const char* path, int flags, int mode = 0) noexcept;
int OpenCloexec(const std::string& path, int flags, int mode = 0) noexcept;

// Renames `from` to `to` without ever replacing an existing `to` (EEXIST).
// Across file systems the file is copied, synced and the source unlinked.
int RenameNoReplace(const std::string& from, const std::string& to) noexcept;

// Copies the regular file `from` to a new file `to` (which must not exist) and
// syncs it. On failure nothing is left at `to`.
int CopyFileExclusive(const std::string& from, const std::string& to) noexcept;

// Reads the file at `path` (regular or not, such as /proc files) up to
// `limit` bytes into `*data`; a longer file fails with EFBIG.
int ReadFileLimited(const std::string& path, size_t limit, std::string* data) noexcept;

// mkdir, then chmod, so the mode holds whatever the umask.
int MakeDirectory(const std::string& path, int mode) noexcept;

// Creates `path` and any missing parents with `mode`; an existing folder is
// fine.
int MakeDirectories(const std::string& path, int mode) noexcept;

} // namespace platform
