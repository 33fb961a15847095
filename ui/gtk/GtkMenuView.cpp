#include "ui/gtk/GtkMenuView.h"

#include "ui/gtk/GtkHandles.h"
#include "ui/gtk/GtkMenus.h"
#include "ui/kernel/MessageLoop.h"

#include <optional>

namespace {

void OnDeactivate(GtkMenuShell* /*shell*/, gpointer data) {
    *static_cast<bool*>(data) = true;
}

} // namespace

void GtkMenuView::TrackPopup(const PopupMenu& menu, const MessageTarget& owner) {
    MessageLoop* loop = MessageLoop::Current();
    if (!loop)
        return;
    auto chosen = std::make_shared<std::optional<uint16_t>>();
    GObjectRef<GtkWidget> gtkMenu(BuildGtkMenu(menu, [chosen](uint16_t command) { *chosen = command; }));
    // Tray clicks come without a GDK event, so the menu opens at the
    // pointer's place on the screen.
    GdkDisplay* display = gdk_display_get_default();
    GdkDevice* pointer = display ? gdk_seat_get_pointer(gdk_display_get_default_seat(display)) : nullptr;
    GdkRectangle at = {0, 0, 1, 1};
    if (pointer)
        gdk_device_get_position(pointer, nullptr, &at.x, &at.y);
    gtk_menu_popup_at_rect(GTK_MENU(gtkMenu.Get()), gdk_get_default_root_window(), &at,
                           GDK_GRAVITY_NORTH_WEST, GDK_GRAVITY_NORTH_WEST, nullptr);
    if (!gtk_widget_get_visible(gtkMenu.Get())) {
        gtk_widget_destroy(gtkMenu.Get());
        return;
    }
    bool closed = false;
    const gulong handler = g_signal_connect(gtkMenu.Get(), "deactivate", G_CALLBACK(OnDeactivate), &closed);
    // The item's activation follows the menu's deactivation in the same
    // event, so both are in when the loop looks again.
    const bool ended = loop->RunModal([&closed] { return closed; });
    g_signal_handler_disconnect(gtkMenu.Get(), handler);
    gtk_menu_popdown(GTK_MENU(gtkMenu.Get()));
    gtk_widget_destroy(gtkMenu.Get());
    if (ended && *chosen)
        owner.Post(WM_COMMAND, **chosen);
}
