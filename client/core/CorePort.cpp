#include "client/core/CorePort.h"

#include "client/core/KovikCore.h"

bool CorePort::IsStopping() {
    MutexLock lock(m_lock);
    return !m_core || m_core->IsStopping();
}

void CorePort::Detach() {
    MutexLock lock(m_lock);
    m_core = nullptr;
}
