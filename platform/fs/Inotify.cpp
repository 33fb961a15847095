#include "platform/fs/Inotify.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace platform {

Inotify::Inotify() noexcept : m_fd(inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {}

int Inotify::AddWatch(const char* path, uint32_t mask) const noexcept {
    const int wd = inotify_add_watch(m_fd.Get(), path, mask);
    return wd >= 0 ? wd : -errno;
}

void Inotify::RemoveWatch(int wd) const noexcept {
    (void)inotify_rm_watch(m_fd.Get(), wd);
}

long Inotify::Read(void* buffer, size_t size) const noexcept {
    for (;;) {
        const ssize_t got = read(m_fd.Get(), buffer, size);
        if (got >= 0)
            return static_cast<long>(got);
        if (errno != EINTR)
            return -errno;
    }
}

bool InotifyEvents::Next(InotifyEvent& event) noexcept {
    inotify_event header;
    if (m_length - m_offset < sizeof header)
        return false;
    std::memcpy(&header, m_data + m_offset, sizeof header);
    const size_t nameOffset = m_offset + sizeof header;
    if (header.len > m_length - nameOffset)
        return false;
    event.wd = header.wd;
    event.mask = header.mask;
    event.cookie = header.cookie;
    // The name is NUL-padded within its length; one that fills it without a
    // NUL is not trusted.
    const char* name = m_data + nameOffset;
    event.name = header.len > 0 && std::memchr(name, '\0', header.len) ? name : "";
    m_offset = nameOffset + header.len;
    return true;
}

} // namespace platform
