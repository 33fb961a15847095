// Pop-up menus without a desktop: logged, and nothing is chosen.
#pragma once

#include "ui/present/MenuView.h"

class HeadlessMenu final : public MenuView {
  public:
    void TrackPopup(const PopupMenu& menu, const MessageTarget& owner) override;
};
