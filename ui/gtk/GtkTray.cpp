#include "ui/gtk/GtkTray.h"

#include "include/log/Logger.h"
#include "include/text/Utf8.h"
#include "ui/gtk/GtkIcons.h"
#include "ui/gtk/GtkMenus.h"

namespace {

constexpr const char* kIndicatorId = "melvane";

void DestroyMenu(GObjectRef<GtkWidget>& menu) {
    if (menu)
        gtk_widget_destroy(menu.Get());
    menu.Reset();
}

} // namespace

GtkTray::GtkTray(std::string iconFolder) : m_iconFolder(std::move(iconFolder)) {}

GtkTray::~GtkTray() {
    DropBalloon();
    m_indicator.Reset();
    DestroyMenu(m_menu);
}

std::string GtkTray::IconName(const IconImage* icon) {
    return icon ? WriteIconFile(*icon, m_iconFolder) : std::string();
}

bool GtkTray::AddIcon(const TrayIconData& data) {
    const std::string name = IconName(data.icon);
    if (!m_indicator) {
        m_indicator = GObjectRef<AppIndicator>(app_indicator_new_with_path(
            kIndicatorId, name.c_str(), APP_INDICATOR_CATEGORY_APPLICATION_STATUS, m_iconFolder.c_str()));
        if (!m_indicator)
            return false;
        if (m_menu)
            app_indicator_set_menu(m_indicator.Get(), GTK_MENU(m_menu.Get()));
    }
    ModifyIcon(data);
    app_indicator_set_status(m_indicator.Get(), APP_INDICATOR_STATUS_ACTIVE);
    return true;
}

bool GtkTray::ModifyIcon(const TrayIconData& data) {
    if (!m_indicator)
        return false;
    const std::string tip = WideToUtf8(data.tip);
    app_indicator_set_icon_full(m_indicator.Get(), IconName(data.icon).c_str(), tip.c_str());
    app_indicator_set_title(m_indicator.Get(), tip.c_str());
    return true;
}

bool GtkTray::DeleteIcon(WindowHandle /*owner*/, uint32_t /*id*/) {
    DropBalloon();
    if (m_indicator)
        app_indicator_set_status(m_indicator.Get(), APP_INDICATOR_STATUS_PASSIVE);
    return true;
}

void GtkTray::SetMenu(const PopupMenu& menu, const MessageTarget& owner) {
    GObjectRef<GtkWidget> previous = std::move(m_menu);
    m_menu = GObjectRef<GtkWidget>(
        BuildGtkMenu(menu, [owner](uint16_t command) { owner.Post(WM_COMMAND, command); }));
    if (m_indicator)
        app_indicator_set_menu(m_indicator.Get(), GTK_MENU(m_menu.Get()));
    DestroyMenu(previous);
}

bool GtkTray::ShowBalloon(const BalloonData& balloon) {
    DropBalloon();
    m_balloon = balloon;
    m_notification = GObjectRef<NotifyNotification>(notify_notification_new(
        WideToUtf8(balloon.title).c_str(), WideToUtf8(balloon.text).c_str(), nullptr));
    notify_notification_set_timeout(m_notification.Get(), static_cast<gint>(balloon.timeoutMs));
    notify_notification_add_action(m_notification.Get(), "default", "Open", OnBalloonAction, this, nullptr);
    g_signal_connect(m_notification.Get(), "closed", G_CALLBACK(OnBalloonClosed), this);
    GError* error = nullptr;
    if (!notify_is_initted() || !notify_notification_show(m_notification.Get(), &error)) {
        // Nothing shows it; it still ends after its time.
        MVLOG(LOG_ERR, "Notice not shown: %s", error ? error->message : "no notification service");
        if (error)
            g_error_free(error);
    }
    m_balloonEnded = false;
    m_balloonTimer.Start(balloon.timeoutMs, [this] {
        notify_notification_close(m_notification.Get(), nullptr);
        EndBalloon(NIN_BALLOONTIMEOUT);
    });
    return true;
}

void GtkTray::EndBalloon(uint32_t notice) {
    // Each balloon ends once: clicked, timed out or closed, whichever first.
    if (m_balloonEnded)
        return;
    m_balloonEnded = true;
    m_balloonTimer.Cancel();
    PostBalloonNotice(m_balloon.owner, m_balloon.callbackMessage, m_balloon.id, notice);
}

void GtkTray::DropBalloon() {
    m_balloonTimer.Cancel();
    if (!m_notification)
        return;
    g_signal_handlers_disconnect_by_data(m_notification.Get(), this);
    notify_notification_clear_actions(m_notification.Get());
    if (!m_balloonEnded)
        notify_notification_close(m_notification.Get(), nullptr);
    m_notification.Reset();
    m_balloonEnded = true;
}

void GtkTray::OnBalloonAction(NotifyNotification* /*notification*/, char* /*action*/, gpointer self) {
    static_cast<GtkTray*>(self)->EndBalloon(NIN_BALLOONUSERCLICK);
}

void GtkTray::OnBalloonClosed(NotifyNotification* /*notification*/, gpointer self) {
    static_cast<GtkTray*>(self)->EndBalloon(NIN_BALLOONTIMEOUT);
}
