// File primitives on UTF-8 paths. Results are 0 or a descriptor on success,
// -1 with errno set on failure; nothing here logs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace platform {

// Writes all of `data`, retrying short writes and interruptions. Allocates
// nothing, so it may run inside a signal handler.
bool WriteAll(int fd, const char* data, size_t size) noexcept;

// open() with O_CLOEXEC always added. The `const char*` form allocates
// nothing, so it may run inside a signal handler.
int OpenCloexec(const char* path, int flags, int mode = 0) noexcept;
int OpenCloexec(const std::string& path, int flags, int mode = 0) noexcept;

// Renames `from` to `to` within one file system without ever replacing an
// existing `to` (EEXIST); across file systems it fails with EXDEV. Where the
// file system refuses RENAME_NOREPLACE, a hard link and an unlink stand in,
// and where links are refused too (folders; exFAT, FUSE, NFS), `to` is taken
// first by an empty placeholder of the source's kind (O_EXCL or mkdir) that
// the rename then replaces; a failed rename removes the placeholder and
// keeps its own errno.
int RenameNoReplaceWithinFileSystem(int fromDir, const char* from, int toDir, const char* to) noexcept;

// Opens the file at `path` for reading only when it is a regular file: never
// through a link as its last element (ELOOP), without waiting on a FIFO, and
// refusing a folder (EISDIR) or anything else (EINVAL) by the descriptor's
// own record. Its size goes to `*size` (when given). The new descriptor, or
// -1.
int OpenRegularFileRead(const std::string& path, int64_t* size) noexcept;

// Renames `from` to `to` without ever replacing an existing `to` (EEXIST).
// Across file systems the file is copied to a hidden name beside `to`
// (created with O_EXCL), synced, and only then renamed onto `to`, so `to`
// never shows a partial file; then the source is unlinked. Names are relative
// to the folders `fromDir` and `toDir` (or AT_FDCWD).
int RenameNoReplaceAt(int fromDir, const std::string& from, int toDir, const std::string& to) noexcept;
int RenameNoReplace(const std::string& from, const std::string& to) noexcept;

// What WriteFileReplacing does with a file already at its path.
enum WriteReplaceMode {
    WR_NEW_ONLY,     // any existing name fails with EEXIST
    WR_REPLACE_FILE, // a regular file is replaced and keeps its permissions
};

// Makes `data` the whole content of `path`, or leaves `path` as it was: the
// data go into a new hidden file beside it (O_EXCL, O_NOFOLLOW), are synced,
// and that file is then renamed onto `path`. With WR_REPLACE_FILE a link at
// `path` fails with ELOOP, a folder with EISDIR, any other file that is not
// regular with EINVAL and one this process may not write with EACCES. A new
// file gets `mode` less the umask. On failure the hidden file is removed.
int WriteFileReplacing(const std::string& path, const std::string& data, WriteReplaceMode how,
                       int mode) noexcept;

// Whether the file name `name` is one of the hidden names beside a target
// that the writes and copies here use while they are in progress.
bool IsHiddenSiblingName(const std::string& name) noexcept;

// Copies the regular file `from` to a new file `to` (which must not exist) and
// syncs it. On failure nothing is left at `to`.
int CopyFileExclusive(int fromDir, const std::string& from, int toDir, const std::string& to) noexcept;

// Opens the folder `relative` ('/'-separated) below the folder `baseDir`,
// making missing folders with `mode`, one element at a time and never through
// a link: a link on the way fails (ELOOP or ENOTDIR), and so do empty, "."
// and ".." elements (EINVAL). An empty `relative` gives `baseDir` again. The
// new descriptor, or -1.
int OpenDirectoriesNoFollow(int baseDir, const std::string& relative, int mode) noexcept;

// Reads the file at `path` (regular or not, such as /proc files) up to
// `limit` bytes into `*data`; a longer file fails with EFBIG.
int ReadFileLimited(const std::string& path, size_t limit, std::string* data) noexcept;

// mkdir, then chmod, so the mode holds whatever the umask.
int MakeDirectory(const std::string& path, int mode) noexcept;

// Creates `path` and any missing parents with `mode`; an existing folder is
// fine.
int MakeDirectories(const std::string& path, int mode) noexcept;

} // namespace platform
