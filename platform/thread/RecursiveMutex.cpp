#include "platform/thread/RecursiveMutex.h"

#include <ctime>

namespace platform {

RecursiveMutex::RecursiveMutex() noexcept {
    pthread_mutexattr_t attr;
    pthread_mutexattr_init(&attr);
    pthread_mutexattr_settype(&attr, PTHREAD_MUTEX_RECURSIVE);
    pthread_mutex_init(&m_mutex, &attr);
    pthread_mutexattr_destroy(&attr);
}

RecursiveMutex::~RecursiveMutex() {
    pthread_mutex_destroy(&m_mutex);
}

void RecursiveMutex::Lock() noexcept {
    pthread_mutex_lock(&m_mutex);
}

void RecursiveMutex::Unlock() noexcept {
    pthread_mutex_unlock(&m_mutex);
}

bool RecursiveMutex::TryLockFor(uint32_t timeoutMs) noexcept {
    timespec deadline{};
    clock_gettime(CLOCK_REALTIME, &deadline);
    deadline.tv_sec += timeoutMs / 1000;
    deadline.tv_nsec += static_cast<long>(timeoutMs % 1000) * 1000000L;
    if (deadline.tv_nsec >= 1000000000L) {
        deadline.tv_sec += 1;
        deadline.tv_nsec -= 1000000000L;
    }
    return pthread_mutex_timedlock(&m_mutex, &deadline) == 0;
}

} // namespace platform
