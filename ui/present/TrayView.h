// The notification-area icon with its tooltip and balloons. The view reports
// what the user does by posting the icon's callback message to the owner:
// wParam is the icon's id, lParam one of WM_LBUTTONUP, WM_RBUTTONUP,
// NIN_BALLOONUSERCLICK or NIN_BALLOONTIMEOUT.
#pragma once

#include "ui/kernel/MessageQueue.h"
#include "ui/present/IconImage.h"
#include "ui/present/MenuView.h"

#include <cstdint>
#include <string>

struct TrayIconData {
    MessageTarget owner;
    uint32_t id = 0;
    uint32_t callbackMessage = 0;
    const IconImage* icon = nullptr;
    std::wstring tip;
};

struct BalloonData {
    MessageTarget owner;
    uint32_t id = 0;
    uint32_t callbackMessage = 0;
    std::wstring title;
    std::wstring text;
    uint32_t timeoutMs = 0;
};

class TrayView {
  public:
    virtual ~TrayView() = default;
    virtual bool AddIcon(const TrayIconData& data) = 0;
    virtual bool ModifyIcon(const TrayIconData& data) = 0;
    // Replaces any balloon still showing.
    virtual bool ShowBalloon(const BalloonData& balloon) = 0;
    virtual bool DeleteIcon(WindowHandle owner, uint32_t id) = 0;
    // The menu for trays whose host shows it by itself on a click, without
    // telling the program: a chosen item posts WM_COMMAND to `owner`.
    virtual void SetMenu(const PopupMenu& menu, const MessageTarget& owner) = 0;
};
