// A mutex that the thread holding it may lock again, as the program's locks
// have always allowed.
#pragma once

#include <pthread.h>

#include <cstdint>

namespace platform {

class RecursiveMutex {
  public:
    RecursiveMutex() noexcept;
    ~RecursiveMutex();
    RecursiveMutex(const RecursiveMutex&) = delete;
    RecursiveMutex& operator=(const RecursiveMutex&) = delete;

    void Lock() noexcept;
    void Unlock() noexcept;
    // Gives up after `timeoutMs`; used where waiting forever could hang a
    // crash report.
    [[nodiscard]] bool TryLockFor(uint32_t timeoutMs) noexcept;

  private:
    pthread_mutex_t m_mutex;
};

} // namespace platform
