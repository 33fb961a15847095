// The tray icon as a StatusNotifierItem (Ayatana AppIndicator): the host
// shows the icon, the tooltip as its title and the menu by itself. Balloons
// are desktop notifications; a click on one, or its end (its time, or the
// user closing it), comes back as the tray's callback like a shown balloon's.
#pragma once

#include "ui/gtk/GtkHandles.h"
#include "ui/present/BalloonTimer.h"
#include "ui/present/TrayView.h"

#include <libayatana-appindicator/app-indicator.h>
#include <libnotify/notify.h>

#include <string>

class GtkTray final : public TrayView {
  public:
    // Icon files for the host go to `iconFolder`.
    explicit GtkTray(std::string iconFolder);
    ~GtkTray() override;

    bool AddIcon(const TrayIconData& data) override;
    bool ModifyIcon(const TrayIconData& data) override;
    bool ShowBalloon(const BalloonData& balloon) override;
    bool DeleteIcon(WindowHandle owner, uint32_t id) override;
    void SetMenu(const PopupMenu& menu, const MessageTarget& owner) override;

  private:
    std::string IconName(const IconImage* icon);
    void EndBalloon(uint32_t notice);
    void DropBalloon();
    static void OnBalloonAction(NotifyNotification* notification, char* action, gpointer self);
    static void OnBalloonClosed(NotifyNotification* notification, gpointer self);

    std::string m_iconFolder;
    GObjectRef<AppIndicator> m_indicator;
    GObjectRef<GtkWidget> m_menu;
    GObjectRef<NotifyNotification> m_notification;
    BalloonData m_balloon;
    bool m_balloonEnded = true;
    BalloonTimer m_balloonTimer;
};
