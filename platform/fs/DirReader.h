// Lists one directory with opendir/readdir. An entry's kind comes from
// d_type, or from an lstat relative to the open directory where the file
// system leaves d_type unknown; symbolic links are reported as links, never
// followed.
#pragma once

#include <dirent.h>
#include <sys/stat.h>

namespace platform {

enum DirEntryKind {
    DEK_FILE,
    DEK_DIRECTORY,
    DEK_SYMLINK,
    DEK_OTHER, // fifo, socket, device, or an entry that vanished
};

class DirReader {
  public:
    DirReader() = default;
    ~DirReader();
    DirReader(const DirReader&) = delete;
    DirReader& operator=(const DirReader&) = delete;

    // 0, or an errno value.
    int Open(const char* path) noexcept;
    // Reads the folder open at `fd`, which the reader takes over: it is
    // closed with the reader, or at once when this fails.
    int Open(int fd) noexcept;
    // The open folder's descriptor, for calls relative to it; -1 when none.
    int Descriptor() const noexcept { return m_dir ? dirfd(m_dir) : -1; }
    // The next entry other than "." and ".."; false at the end or after a
    // read error (Error tells which). `name` lives until the next call.
    bool Next(const char*& name, DirEntryKind& kind) noexcept;
    // The errno value of a failed read, else 0.
    int Error() const noexcept { return m_error; }
    // Stats the entry `name` of the open directory, following a link: 0, or
    // an errno value. Spares the system the walk of the directory's path.
    int StatEntry(const char* name, struct stat& record) const noexcept;

  private:
    DIR* m_dir = nullptr;
    int m_error = 0;
};

} // namespace platform
