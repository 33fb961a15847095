// One inotify descriptor (non-blocking, close-on-exec) with its watches, and
// the events of one read. Results are errno-style; nothing logs.
#pragma once

#include "platform/fs/UniqueFd.h"

#include <sys/inotify.h>

#include <cstddef>
#include <cstdint>

namespace platform {

class Inotify {
  public:
    // Opens the descriptor; IsValid() is false when the system refused
    // (errno kept).
    Inotify() noexcept;

    bool IsValid() const noexcept { return m_fd.IsValid(); }
    int Get() const noexcept { return m_fd.Get(); }
    // The watch descriptor of `path` (the one it has already when the same
    // folder is watched), or -errno: ENOSPC when the user's watch limit is
    // reached.
    int AddWatch(const char* path, uint32_t mask) const noexcept;
    void RemoveWatch(int wd) const noexcept;
    // Reads waiting events into `buffer`: bytes read (whole events only), or
    // -errno (-EAGAIN when none wait).
    long Read(void* buffer, size_t size) const noexcept;

  private:
    UniqueFd m_fd;
};

struct InotifyEvent {
    int wd = -1;
    uint32_t mask = 0;
    uint32_t cookie = 0;
    // The entry's name within the watched folder; "" for events of the
    // folder itself and for queue overflow.
    const char* name = "";
};

// The events of one read, in order. A record that does not fit in what was
// read ends the walk.
class InotifyEvents {
  public:
    InotifyEvents(const void* data, size_t length) noexcept
        : m_data(static_cast<const char*>(data)), m_length(length) {}
    bool Next(InotifyEvent& event) noexcept;

  private:
    const char* m_data;
    size_t m_length;
    size_t m_offset = 0;
};

} // namespace platform
