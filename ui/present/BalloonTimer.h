// The time-out of a tray balloon, on the message loop of the thread that
// showed it: a balloon that nobody clicks ends after its time.
#pragma once

#include "ui/kernel/MessageLoop.h"

#include <functional>

class BalloonTimer {
  public:
    BalloonTimer() = default;
    ~BalloonTimer() { Cancel(); }
    BalloonTimer(const BalloonTimer&) = delete;
    BalloonTimer& operator=(const BalloonTimer&) = delete;

    // Replaces a running time-out; nothing runs when the thread has no loop.
    void Start(uint32_t delayMs, std::function<void()> onExpire);
    void Cancel();

  private:
    MessageLoop* m_loop = nullptr;
    MessageLoop::TimerId m_timer = 0;
};

// Posts the balloon's time-out notice to its owner, as a shown balloon does.
void PostBalloonNotice(const MessageTarget& owner, uint32_t callbackMessage, uint32_t id, uint32_t notice);
