// The core as the threads of the music-folder search and the media-library
// imports see it. They hold it shared, read the stop flag and post their
// result through it; the core detaches it before it goes, so a thread that
// outlives its core (a wait for it timed out) touches nothing that is gone.
#pragma once

#include "include/thread/Mutex.h"

class KovikCore;

class CorePort {
  public:
    explicit CorePort(KovikCore& core) : m_core(&core) {}
    CorePort(const CorePort&) = delete;
    CorePort& operator=(const CorePort&) = delete;

    // Runs `action` with the core, which cannot go meanwhile; false (and
    // nothing run) once the core has gone.
    template <typename Action> bool WithCore(Action&& action) {
        MutexLock lock(m_lock);
        if (!m_core)
            return false;
        action(*m_core);
        return true;
    }
    // True once the core is stopping or has gone.
    bool IsStopping();
    // Called by the core as it goes; waits for a running action.
    void Detach();

  private:
    Mutex m_lock;
    KovikCore* m_core;
};
