#include "ui/present/BalloonTimer.h"

void BalloonTimer::Start(uint32_t delayMs, std::function<void()> onExpire) {
    Cancel();
    m_loop = MessageLoop::Current();
    if (m_loop)
        m_timer = m_loop->SetTimer(delayMs, std::move(onExpire));
}

void BalloonTimer::Cancel() {
    // Only while the loop that holds the timer is still the thread's loop.
    if (m_loop && m_timer && MessageLoop::Current() == m_loop)
        m_loop->KillTimer(m_timer);
    m_loop = nullptr;
    m_timer = 0;
}

void PostBalloonNotice(const MessageTarget& owner, uint32_t callbackMessage, uint32_t id, uint32_t notice) {
    owner.Post(callbackMessage, id, static_cast<intptr_t>(notice));
}
