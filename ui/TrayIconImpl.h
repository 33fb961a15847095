// The tray part of a window: one notification-area icon with its tooltip,
// balloons and pop-up menu. The icon is removed when the part goes.
#pragma once

#include "ui/kernel/Message.h"
#include "ui/present/MenuView.h"
#include "ui/present/TrayView.h"

#include <string>

class CTrayIconImpl {
  public:
    // Text limits of the tray, terminating null included.
    static constexpr size_t kTipChars = 128;
    static constexpr size_t kBalloonTitleChars = 64;
    static constexpr size_t kBalloonTextChars = 256;

    CTrayIconImpl(TrayView& view, MenuView& menu);
    virtual ~CTrayIconImpl();
    CTrayIconImpl(const CTrayIconImpl&) = delete;
    CTrayIconImpl& operator=(const CTrayIconImpl&) = delete;

    // The registered callback message of every tray icon ("WM_TRAYICON").
    static uint32_t TrayCallbackMessage();

  protected:
    // Binds the icon to its owner window; `menuId` is both the icon's id and
    // the menu it shows.
    void InitTray(const MessageTarget& owner, int menuId);
    // Adds the icon when it is not in the tray yet, else changes it.
    bool SetTrayIconAndTip(const IconImage* icon, const std::wstring& tip);
    // Adds the icon again (the tray was rebuilt without it).
    bool ReAddIcon(const IconImage* icon, const std::wstring& tip);
    bool ShowTrayBalloon(const std::wstring& title, const std::wstring& text, uint32_t timeoutMs);
    bool IsIconInstalled() const { return m_installed; }
    // The tray's callback for this icon; true when `message` was it.
    bool HandleTrayMessage(const Message& message);
    // Hands the tray the menu again after PrepareMenu would change it.
    void UpdateMenu();

    virtual void PrepareMenu(PopupMenu& /*menu*/) {}
    virtual void OnBalloonClick() {}
    virtual void OnBalloonTimeout() {}

  private:
    // The first pop-up of the icon's menu, as PrepareMenu leaves it; false
    // when there is none.
    bool BuildMenu(PopupMenu* menu);
    void ShowMenu();

    TrayView& m_view;
    MenuView& m_menu;
    TrayIconData m_data;
    int m_menuId = 0;
    bool m_installed = false;
};
