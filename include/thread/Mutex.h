// The program's one lock type: a mutex that its holder may lock again.
#pragma once

#include "platform/thread/RecursiveMutex.h"

class Mutex {
  public:
    Mutex() = default;
    Mutex(const Mutex&) = delete;
    Mutex& operator=(const Mutex&) = delete;

    void Lock() { m_mutex.Lock(); }
    void Unlock() { m_mutex.Unlock(); }

  private:
    platform::RecursiveMutex m_mutex;
};

// Holds a Mutex for one scope.
class MutexLock {
  public:
    explicit MutexLock(Mutex& mutex) : m_mutex(mutex) { m_mutex.Lock(); }
    ~MutexLock() { m_mutex.Unlock(); }
    MutexLock(const MutexLock&) = delete;
    MutexLock& operator=(const MutexLock&) = delete;

  private:
    Mutex& m_mutex;
};
