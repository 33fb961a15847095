// A tray without a desktop: icon changes and balloons become log lines, and a
// balloon times out after its time like a shown one would.
#pragma once

#include "ui/present/BalloonTimer.h"
#include "ui/present/TrayView.h"

class HeadlessTray final : public TrayView {
  public:
    bool AddIcon(const TrayIconData& data) override;
    bool ModifyIcon(const TrayIconData& data) override;
    bool ShowBalloon(const BalloonData& balloon) override;
    bool DeleteIcon(WindowHandle owner, uint32_t id) override;
    // Nothing shows a menu without a click here.
    void SetMenu(const PopupMenu& /*menu*/, const MessageTarget& /*owner*/) override {}

  private:
    BalloonTimer m_balloonTimer;
};
