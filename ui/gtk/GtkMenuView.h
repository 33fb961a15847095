// A pop-up menu at the pointer, for trays that report clicks to the program.
// It runs the UI thread's loop until the menu closes, then posts the chosen
// command, if any, to the owner.
#pragma once

#include "ui/present/MenuView.h"

class GtkMenuView final : public MenuView {
  public:
    void TrackPopup(const PopupMenu& menu, const MessageTarget& owner) override;
};
