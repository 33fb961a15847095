// A tray without a desktop: icon changes and balloons become log lines, and a
// balloon times out after its time like a shown one would.
#pragma once

#include "ui/kernel/MessageLoop.h"
#include "ui/present/TrayView.h"

class HeadlessTray final : public TrayView {
  public:
    ~HeadlessTray() override;

    bool AddIcon(const TrayIconData& data) override;
    bool ModifyIcon(const TrayIconData& data) override;
    bool ShowBalloon(const BalloonData& balloon) override;
    bool DeleteIcon(WindowHandle owner, uint32_t id) override;

  private:
    void CancelBalloonTimer();

    MessageLoop* m_timerLoop = nullptr;
    MessageLoop::TimerId m_balloonTimer = 0;
};
