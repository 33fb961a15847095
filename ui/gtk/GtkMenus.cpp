#include "ui/gtk/GtkMenus.h"

#include "include/text/Utf8.h"

namespace {

struct ItemChoice {
    std::shared_ptr<MenuChoice> chosen;
    uint16_t command;
};

void OnItemActivate(GtkMenuItem* /*item*/, gpointer data) {
    auto* choice = static_cast<ItemChoice*>(data);
    (*choice->chosen)(choice->command);
}

void FreeItemChoice(gpointer data, GClosure* /*closure*/) {
    delete static_cast<ItemChoice*>(data);
}

} // namespace

GtkWidget* BuildGtkMenu(const PopupMenu& menu, MenuChoice chosen) {
    auto shared = std::make_shared<MenuChoice>(std::move(chosen));
    GtkWidget* gtkMenu = gtk_menu_new();
    for (const MenuItem& item : menu.items) {
        GtkWidget* gtkItem = nullptr;
        if (item.separator) {
            gtkItem = gtk_separator_menu_item_new();
        } else {
            gtkItem = gtk_menu_item_new_with_label(WideToUtf8(item.text).c_str());
            if (item.isDefault) {
                // The default item reads bold, as it does in the tray's own menus.
                GtkWidget* label = gtk_bin_get_child(GTK_BIN(gtkItem));
                gchar* markup = g_markup_printf_escaped("<b>%s</b>", WideToUtf8(item.text).c_str());
                gtk_label_set_markup(GTK_LABEL(label), markup);
                g_free(markup);
            }
            g_signal_connect_data(gtkItem, "activate", G_CALLBACK(OnItemActivate),
                                  new ItemChoice{shared, item.command}, FreeItemChoice, GConnectFlags(0));
        }
        gtk_widget_show(gtkItem);
        gtk_menu_shell_append(GTK_MENU_SHELL(gtkMenu), gtkItem);
    }
    return gtkMenu;
}
