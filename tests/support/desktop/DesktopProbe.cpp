// melvane-desktop-probe: what a desktop does with the program, for tests and
// screenshots under Xvfb.
//
//   watcher FILE           stands in for the StatusNotifierWatcher of a tray
//                          host; FILE is made once it is on the bus, and each
//                          registered item is appended to it as
//                          "<bus name> <object path>"
//   menu NAME PATH PNG     shows the item's icon and its exported menu the way
//                          a tray host does, and saves the screen to PNG
//   click NAME PATH LABEL  chooses the item's menu entry LABEL
//   shot PNG               saves the screen to PNG
//   windows                prints the titles of the shown top-level windows
//   close TITLE            presses the close box of the window titled TITLE
//   check TITLE ROW        clicks the tree row ROW in the window titled TITLE
//                          and presses Space, which toggles its check box
//   press TITLE BUTTON     clicks the button BUTTON there
//
// check and press find their target through the accessibility bus and act
// with real X input (XTest); they fail without acting when it is not shown.
#include "tests/support/desktop/ScreenClick.h"

#include <atspi/atspi.h>
#include <gdk/gdkx.h>
#include <glib-unix.h>
#include <gtk/gtk.h>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace {

constexpr const char* kWatcherName = "org.kde.StatusNotifierWatcher";
constexpr const char* kWatcherPath = "/StatusNotifierWatcher";
constexpr const char* kItemInterface = "org.kde.StatusNotifierItem";
constexpr const char* kMenuInterface = "com.canonical.dbusmenu";
constexpr int kCallTimeoutMs = 5000;
// Time for the menu to be drawn before the picture is taken.
constexpr guint kSettleMs = 700;

constexpr const char* kWatcherXml = R"(<node>
  <interface name="org.kde.StatusNotifierWatcher">
    <method name="RegisterStatusNotifierItem"><arg name="service" type="s" direction="in"/></method>
    <method name="RegisterStatusNotifierHost"><arg name="service" type="s" direction="in"/></method>
    <property name="RegisteredStatusNotifierItems" type="as" access="read"/>
    <property name="IsStatusNotifierHostRegistered" type="b" access="read"/>
    <property name="ProtocolVersion" type="i" access="read"/>
    <signal name="StatusNotifierItemRegistered"><arg type="s"/></signal>
    <signal name="StatusNotifierHostRegistered"/>
  </interface>
</node>)";

struct Watcher {
    std::string file;
    std::vector<std::string> items;
};

void WatcherCall(GDBusConnection* connection, const gchar* sender, const gchar* /*path*/,
                 const gchar* /*interface*/, const gchar* method, GVariant* parameters,
                 GDBusMethodInvocation* invocation, gpointer data) {
    auto* watcher = static_cast<Watcher*>(data);
    if (std::strcmp(method, "RegisterStatusNotifierItem") == 0) {
        const gchar* service = nullptr;
        g_variant_get(parameters, "(&s)", &service);
        // An item names either its object path (on the caller's connection)
        // or a bus name (at the usual path).
        const bool isPath = service[0] == '/';
        const std::string item =
            std::string(isPath ? sender : service) + " " + (isPath ? service : "/StatusNotifierItem");
        watcher->items.push_back(item);
        if (FILE* out = std::fopen(watcher->file.c_str(), "a")) {
            std::fprintf(out, "%s\n", item.c_str());
            std::fclose(out);
        }
        g_dbus_connection_emit_signal(connection, nullptr, kWatcherPath, kWatcherName,
                                      "StatusNotifierItemRegistered", g_variant_new("(s)", item.c_str()),
                                      nullptr);
    }
    g_dbus_method_invocation_return_value(invocation, nullptr);
}

GVariant* WatcherProperty(GDBusConnection* /*connection*/, const gchar* /*sender*/, const gchar* /*path*/,
                          const gchar* /*interface*/, const gchar* name, GError** /*error*/, gpointer data) {
    auto* watcher = static_cast<Watcher*>(data);
    if (std::strcmp(name, "IsStatusNotifierHostRegistered") == 0)
        return g_variant_new_boolean(TRUE);
    if (std::strcmp(name, "ProtocolVersion") == 0)
        return g_variant_new_int32(0);
    GVariantBuilder builder;
    g_variant_builder_init(&builder, G_VARIANT_TYPE("as"));
    for (const std::string& item : watcher->items)
        g_variant_builder_add(&builder, "s", item.c_str());
    return g_variant_builder_end(&builder);
}

int RunWatcher(const std::string& file) {
    Watcher watcher{file, {}};
    GError* error = nullptr;
    GDBusConnection* bus = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, &error);
    if (!bus) {
        std::fprintf(stderr, "no session bus: %s\n", error->message);
        return 1;
    }
    GDBusNodeInfo* info = g_dbus_node_info_new_for_xml(kWatcherXml, nullptr);
    static const GDBusInterfaceVTable vtable = {WatcherCall, WatcherProperty, nullptr, {}};
    g_dbus_connection_register_object(bus, kWatcherPath, info->interfaces[0], &vtable, &watcher, nullptr,
                                      nullptr);
    GMainLoop* loop = g_main_loop_new(nullptr, FALSE);
    // The file appears once the name is ours; losing the name ends the run.
    g_bus_own_name_on_connection(
        bus, kWatcherName, G_BUS_NAME_OWNER_FLAGS_NONE,
        [](GDBusConnection*, const gchar*, gpointer data) {
            if (FILE* out = std::fopen(static_cast<Watcher*>(data)->file.c_str(), "a"))
                std::fclose(out);
        },
        [](GDBusConnection*, const gchar*, gpointer) { std::exit(1); }, &watcher, nullptr);
    g_unix_signal_add(
        SIGTERM,
        [](gpointer loop) {
            g_main_loop_quit(static_cast<GMainLoop*>(loop));
            return G_SOURCE_REMOVE;
        },
        loop);
    g_main_loop_run(loop);
    return 0;
}

GVariant* Call(GDBusConnection* bus, const std::string& name, const std::string& path, const char* interface,
               const char* method, GVariant* parameters, const char* replyType) {
    GError* error = nullptr;
    GVariant* reply = g_dbus_connection_call_sync(bus, name.c_str(), path.c_str(), interface, method,
                                                  parameters, replyType ? G_VARIANT_TYPE(replyType) : nullptr,
                                                  G_DBUS_CALL_FLAGS_NONE, kCallTimeoutMs, nullptr, &error);
    if (!reply) {
        std::fprintf(stderr, "%s.%s: %s\n", interface, method, error->message);
        g_error_free(error);
    }
    return reply;
}

std::string ItemProperty(GDBusConnection* bus, const std::string& name, const std::string& path,
                         const char* property) {
    GVariant* reply = Call(bus, name, path, "org.freedesktop.DBus.Properties", "Get",
                           g_variant_new("(ss)", kItemInterface, property), "(v)");
    if (!reply)
        return "";
    GVariant* value = nullptr;
    g_variant_get(reply, "(v)", &value);
    std::string text = g_variant_is_of_type(value, G_VARIANT_TYPE_STRING) ||
                               g_variant_is_of_type(value, G_VARIANT_TYPE_OBJECT_PATH)
                           ? g_variant_get_string(value, nullptr)
                           : "";
    g_variant_unref(value);
    g_variant_unref(reply);
    return text;
}

struct MenuEntry {
    int id;
    std::string label;
    bool separator;
};

std::vector<MenuEntry> MenuEntries(GDBusConnection* bus, const std::string& name,
                                   const std::string& menuPath) {
    std::vector<MenuEntry> entries;
    GVariant* reply = Call(bus, name, menuPath, kMenuInterface, "GetLayout",
                           g_variant_new("(ii@as)", 0, -1, g_variant_new_strv(nullptr, 0)), "(u(ia{sv}av))");
    if (!reply)
        return entries;
    GVariant* layout = g_variant_get_child_value(reply, 1);
    GVariant* children = g_variant_get_child_value(layout, 2);
    for (gsize i = 0; i < g_variant_n_children(children); ++i) {
        GVariant* boxed = g_variant_get_child_value(children, i);
        GVariant* child = g_variant_get_variant(boxed);
        MenuEntry entry{0, "", false};
        GVariant* properties = nullptr;
        g_variant_get(child, "(i@a{sv}@av)", &entry.id, &properties, nullptr);
        const gchar* text = nullptr;
        if (g_variant_lookup(properties, "label", "&s", &text))
            entry.label = text;
        if (g_variant_lookup(properties, "type", "&s", &text))
            entry.separator = std::strcmp(text, "separator") == 0;
        gboolean visible = TRUE;
        if (!g_variant_lookup(properties, "visible", "b", &visible) || visible)
            entries.push_back(entry);
        g_variant_unref(properties);
        g_variant_unref(child);
        g_variant_unref(boxed);
    }
    g_variant_unref(children);
    g_variant_unref(layout);
    g_variant_unref(reply);
    return entries;
}

void SaveScreen(const std::string& file) {
    GdkWindow* root = gdk_get_default_root_window();
    GdkPixbuf* picture =
        gdk_pixbuf_get_from_window(root, 0, 0, gdk_window_get_width(root), gdk_window_get_height(root));
    if (!picture || !gdk_pixbuf_save(picture, file.c_str(), "png", nullptr, nullptr))
        std::fprintf(stderr, "could not save %s\n", file.c_str());
    if (picture)
        g_object_unref(picture);
}

void SaveAfterSettling(const std::string& file) {
    g_timeout_add(
        kSettleMs,
        [](gpointer) {
            gtk_main_quit();
            return G_SOURCE_REMOVE;
        },
        nullptr);
    gtk_main();
    SaveScreen(file);
}

int ShowMenu(GDBusConnection* bus, const std::string& name, const std::string& path,
             const std::string& file) {
    const std::string menuPath = ItemProperty(bus, name, path, "Menu");
    std::vector<MenuEntry> entries = MenuEntries(bus, name, menuPath);
    if (entries.empty())
        return 1;
    // A panel in the top-right corner with the item's icon, its menu below.
    GtkWidget* panel = gtk_window_new(GTK_WINDOW_POPUP);
    const std::string icon = ItemProperty(bus, name, path, "IconThemePath") + "/" +
                             ItemProperty(bus, name, path, "IconName") + ".png";
    GtkWidget* image = gtk_image_new_from_file(icon.c_str());
    gtk_container_set_border_width(GTK_CONTAINER(panel), 4);
    gtk_container_add(GTK_CONTAINER(panel), image);
    gtk_widget_show_all(panel);
    GdkWindow* root = gdk_get_default_root_window();
    gtk_window_move(GTK_WINDOW(panel), gdk_window_get_width(root) - 60, 0);

    GtkWidget* menu = gtk_menu_new();
    for (const MenuEntry& entry : entries) {
        GtkWidget* item = entry.separator ? gtk_separator_menu_item_new()
                                          : gtk_menu_item_new_with_mnemonic(entry.label.c_str());
        gtk_menu_shell_append(GTK_MENU_SHELL(menu), item);
    }
    gtk_widget_show_all(menu);
    g_timeout_add(
        200,
        [](gpointer data) {
            auto** widgets = static_cast<GtkWidget**>(data);
            gtk_menu_popup_at_widget(GTK_MENU(widgets[0]), widgets[1], GDK_GRAVITY_SOUTH_EAST,
                                     GDK_GRAVITY_NORTH_EAST, nullptr);
            return G_SOURCE_REMOVE;
        },
        new GtkWidget* [2] { menu, image });
    SaveAfterSettling(file);
    return 0;
}

int ClickEntry(GDBusConnection* bus, const std::string& name, const std::string& path,
               const std::string& label) {
    const std::string menuPath = ItemProperty(bus, name, path, "Menu");
    for (const MenuEntry& entry : MenuEntries(bus, name, menuPath)) {
        std::string plain = entry.label;
        plain.erase(std::remove(plain.begin(), plain.end(), '_'), plain.end());
        if (plain != label)
            continue;
        GVariant* reply =
            Call(bus, name, menuPath, kMenuInterface, "Event",
                 g_variant_new("(isvu)", entry.id, "clicked", g_variant_new_int32(0), 0u), nullptr);
        if (!reply)
            return 1;
        g_variant_unref(reply);
        return 0;
    }
    std::fprintf(stderr, "no entry '%s'\n", label.c_str());
    return 1;
}

std::string WindowTitle(Display* display, Window window) {
    Atom type = None;
    int format = 0;
    unsigned long count = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    std::string title;
    if (XGetWindowProperty(display, window, XInternAtom(display, "_NET_WM_NAME", False), 0, 1024, False,
                           XInternAtom(display, "UTF8_STRING", False), &type, &format, &count, &after,
                           &data) == Success &&
        data) {
        title.assign(reinterpret_cast<char*>(data), count);
        XFree(data);
    }
    return title;
}

// The shown top-level windows with their titles.
std::vector<std::pair<Window, std::string>> ShownWindows(Display* display) {
    std::vector<std::pair<Window, std::string>> shown;
    Window root = 0;
    Window parent = 0;
    Window* children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(display, DefaultRootWindow(display), &root, &parent, &children, &count))
        return shown;
    for (unsigned int i = 0; i < count; ++i) {
        XWindowAttributes attributes;
        if (XGetWindowAttributes(display, children[i], &attributes) && attributes.map_state == IsViewable) {
            const std::string title = WindowTitle(display, children[i]);
            if (!title.empty())
                shown.emplace_back(children[i], title);
        }
    }
    if (children)
        XFree(children);
    return shown;
}

int ListWindows() {
    for (const auto& [window, title] : ShownWindows(GDK_DISPLAY_XDISPLAY(gdk_display_get_default())))
        std::printf("%s\n", title.c_str());
    return 0;
}

int CloseWindow(const std::string& wanted) {
    Display* display = GDK_DISPLAY_XDISPLAY(gdk_display_get_default());
    for (const auto& [window, title] : ShownWindows(display)) {
        if (title != wanted)
            continue;
        XEvent event{};
        event.xclient.type = ClientMessage;
        event.xclient.window = window;
        event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
        event.xclient.format = 32;
        event.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
        event.xclient.data.l[1] = CurrentTime;
        XSendEvent(display, window, False, NoEventMask, &event);
        XFlush(display);
        return 0;
    }
    std::fprintf(stderr, "no window '%s'\n", wanted.c_str());
    return 1;
}

// Owns a reference to an accessible object.
struct AccessibleUnref {
    void operator()(AtspiAccessible* object) const { g_object_unref(object); }
};
using AccessiblePtr = std::unique_ptr<AtspiAccessible, AccessibleUnref>;

std::string AccessibleName(AtspiAccessible* object) {
    gchar* name = atspi_accessible_get_name(object, nullptr);
    std::string text = name ? name : "";
    g_free(name);
    return text;
}

bool HasState(AtspiAccessible* object, AtspiStateType state) {
    AtspiStateSet* states = atspi_accessible_get_state_set(object);
    const bool has = states && atspi_state_set_contains(states, state);
    if (states)
        g_object_unref(states);
    return has;
}

AccessiblePtr Child(AtspiAccessible* object, int index) {
    return AccessiblePtr(atspi_accessible_get_child_at_index(object, index, nullptr));
}

int ChildCount(AtspiAccessible* object) {
    return std::max(0, atspi_accessible_get_child_count(object, nullptr));
}

// The first of `root`'s descendants, depth first, that `wanted` takes.
template <typename Wanted> AccessiblePtr FindBelow(AtspiAccessible* root, const Wanted& wanted) {
    for (int i = 0; i < ChildCount(root); ++i) {
        AccessiblePtr child = Child(root, i);
        if (!child)
            continue;
        if (wanted(child.get()))
            return child;
        if (AccessiblePtr found = FindBelow(child.get(), wanted))
            return found;
    }
    return nullptr;
}

// The shown window titled `title` of any program on the accessibility bus.
AccessiblePtr FindWindow(const std::string& title) {
    AccessiblePtr desktop(atspi_get_desktop(0));
    for (int i = 0; i < ChildCount(desktop.get()); ++i) {
        AccessiblePtr program = Child(desktop.get(), i);
        for (int j = 0; program && j < ChildCount(program.get()); ++j) {
            AccessiblePtr window = Child(program.get(), j);
            if (window && AccessibleName(window.get()) == title &&
                HasState(window.get(), ATSPI_STATE_SHOWING))
                return window;
        }
    }
    std::fprintf(stderr, "no window '%s'\n", title.c_str());
    return nullptr;
}

struct Box {
    int x;
    int y;
    int width;
    int height;
};

// Where `object` is on the screen, when it is shown.
std::optional<Box> ScreenBox(AtspiAccessible* object) {
    AtspiComponent* component = atspi_accessible_get_component_iface(object);
    AtspiRect* rect =
        component ? atspi_component_get_extents(component, ATSPI_COORD_TYPE_SCREEN, nullptr) : nullptr;
    if (component)
        g_object_unref(component);
    std::optional<Box> box;
    if (rect && rect->width > 0 && rect->height > 0)
        box = Box{rect->x, rect->y, rect->width, rect->height};
    g_free(rect);
    return box;
}

// The first object below `root` with `role`, and `name` unless it is null.
AccessiblePtr FindRole(AtspiAccessible* root, AtspiRole role, const char* name = nullptr) {
    if (!root)
        return nullptr;
    return FindBelow(root, [&](AtspiAccessible* object) {
        return atspi_accessible_get_role(object, nullptr) == role &&
               (!name || AccessibleName(object) == name);
    });
}

int CheckRow(const std::string& title, const std::string& row) {
    AccessiblePtr window = FindWindow(title);
    AccessiblePtr tree = FindRole(window.get(), ATSPI_ROLE_TREE_TABLE);
    AccessiblePtr label = FindRole(tree.get(), ATSPI_ROLE_TABLE_CELL, row.c_str());
    std::optional<Box> within = tree ? ScreenBox(tree.get()) : std::nullopt;
    std::optional<Box> place = label ? ScreenBox(label.get()) : std::nullopt;
    if (!within || !place) {
        std::fprintf(stderr, "no row '%s'\n", row.c_str());
        return 1;
    }
    // The row's height is right, but its cells lie further right than they
    // are drawn, by the expander; the middle of the label's part inside the
    // tree is on the row whatever the gap.
    const int right = std::min(place->x + place->width, within->x + within->width);
    ClickOnScreen((place->x + right) / 2, place->y + place->height / 2);
    Display* display = GDK_DISPLAY_XDISPLAY(gdk_display_get_default());
    const KeyCode space = XKeysymToKeycode(display, XK_space);
    XTestFakeKeyEvent(display, space, True, CurrentTime);
    XTestFakeKeyEvent(display, space, False, CurrentTime);
    XSync(display, False);
    return 0;
}

int PressButton(const std::string& title, const std::string& label) {
    AccessiblePtr window = FindWindow(title);
    AccessiblePtr button = FindRole(window.get(), ATSPI_ROLE_PUSH_BUTTON, label.c_str());
    std::optional<Box> place = button ? ScreenBox(button.get()) : std::nullopt;
    if (!place) {
        std::fprintf(stderr, "no button '%s'\n", label.c_str());
        return 1;
    }
    ClickOnScreen(place->x + place->width / 2, place->y + place->height / 2);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() == 2 && args[0] == "watcher")
        return RunWatcher(args[1]);
    if (!gtk_init_check(nullptr, nullptr)) {
        std::fprintf(stderr, "no display\n");
        return 1;
    }
    if (args.size() == 2 && args[0] == "shot") {
        SaveAfterSettling(args[1]);
        return 0;
    }
    if (args.size() == 1 && args[0] == "windows")
        return ListWindows();
    if (args.size() == 2 && args[0] == "close")
        return CloseWindow(args[1]);
    if (args.size() == 3 && (args[0] == "check" || args[0] == "press")) {
        if (atspi_init() < 0) {
            std::fprintf(stderr, "no accessibility bus\n");
            return 1;
        }
        return args[0] == "check" ? CheckRow(args[1], args[2]) : PressButton(args[1], args[2]);
    }
    GDBusConnection* bus = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, nullptr);
    if (bus && args.size() == 4 && args[0] == "menu")
        return ShowMenu(bus, args[1], args[2], args[3]);
    if (bus && args.size() == 4 && args[0] == "click")
        return ClickEntry(bus, args[1], args[2], args[3]);
    std::fprintf(stderr, "usage: melvane-desktop-probe watcher FILE | menu NAME PATH PNG | click NAME PATH "
                         "LABEL | shot PNG | windows | close TITLE | check TITLE ROW | press TITLE BUTTON\n");
    return 2;
}
