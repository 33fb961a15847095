// A set of up to 128 socket descriptors, the shape of the select() sets the
// program fills each loop pass. Unlike fd_set it holds descriptor numbers, not
// a bitmap, so any descriptor number works, however large.
#pragma once

#include <cstddef>

namespace platform {

class SocketSet {
  public:
    static constexpr int kCapacity = 128;

    // Enters `fd` once. False when `fd` is negative or the set is full; the
    // set is then unchanged. Entering a member again succeeds.
    [[nodiscard]] bool Add(int fd) noexcept;
    void Remove(int fd) noexcept;
    [[nodiscard]] bool Contains(int fd) const noexcept;
    void Clear() noexcept { m_count = 0; }

    int Count() const noexcept { return m_count; }
    bool IsEmpty() const noexcept { return m_count == 0; }
    bool IsFull() const noexcept { return m_count == kCapacity; }

    // Members in the order they were entered.
    const int* begin() const noexcept { return m_fds; }
    const int* end() const noexcept { return m_fds + m_count; }

  private:
    int m_fds[kCapacity] = {};
    int m_count = 0;
};

} // namespace platform
