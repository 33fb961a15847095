#include "platform/net/SocketSet.h"

namespace platform {

bool SocketSet::Add(int fd) noexcept {
    if (fd < 0)
        return false;
    if (Contains(fd))
        return true;
    if (IsFull())
        return false;
    m_fds[m_count++] = fd;
    return true;
}

void SocketSet::Remove(int fd) noexcept {
    for (int i = 0; i < m_count; ++i) {
        if (m_fds[i] == fd) {
            // Keeps the order of the others: select results are walked in it.
            for (int j = i + 1; j < m_count; ++j)
                m_fds[j - 1] = m_fds[j];
            --m_count;
            return;
        }
    }
}

bool SocketSet::Contains(int fd) const noexcept {
    for (int i = 0; i < m_count; ++i) {
        if (m_fds[i] == fd)
            return true;
    }
    return false;
}

} // namespace platform
