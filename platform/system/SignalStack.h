// An alternate signal stack for the calling thread, so a crash caused by a
// stack overflow can still run its handler. Released when the owner ends.
#pragma once

#include <cstddef>

namespace platform {

class ThreadSignalStack {
  public:
    ThreadSignalStack() noexcept;
    ~ThreadSignalStack();
    ThreadSignalStack(const ThreadSignalStack&) = delete;
    ThreadSignalStack& operator=(const ThreadSignalStack&) = delete;

  private:
    void* m_stack = nullptr;
    size_t m_size = 0;
};

} // namespace platform
