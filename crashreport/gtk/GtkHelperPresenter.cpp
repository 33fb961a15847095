// The uploader's boxes on a desktop: GTK message dialogs with the error icon,
// run until the user answers. OK has the focus, so Return answers it; closing
// a box counts as Cancel. Ctrl-C copies the box's text, as the general
// failure text tells the user.
#include "crashreport/HelperPresenter.h"

#include "include/text/Utf8.h"

#include <gtk/gtk.h>

namespace {

constexpr const char* kApplicationName = "Melvane-Helper";

gboolean OnKeyPress(GtkWidget* window, GdkEventKey* event, gpointer text) {
    if ((event->state & GDK_CONTROL_MASK) == 0 || gdk_keyval_to_lower(event->keyval) != GDK_KEY_c)
        return FALSE;
    gtk_clipboard_set_text(gtk_widget_get_clipboard(window, GDK_SELECTION_CLIPBOARD),
                           static_cast<const std::string*>(text)->c_str(), -1);
    return TRUE;
}

bool RunBox(const std::wstring& caption, const std::wstring& text, bool okCancel) {
    std::string body = WideToUtf8(text);
    GtkWidget* window =
        gtk_message_dialog_new(nullptr, GtkDialogFlags(0), GTK_MESSAGE_ERROR,
                               okCancel ? GTK_BUTTONS_OK_CANCEL : GTK_BUTTONS_OK, "%s", body.c_str());
    gtk_window_set_title(GTK_WINDOW(window), WideToUtf8(caption).c_str());
    gtk_window_set_position(GTK_WINDOW(window), GTK_WIN_POS_CENTER);
    // Message dialogs show no icon of their own: the error icon is the
    // window's.
    gtk_window_set_icon_name(GTK_WINDOW(window), "dialog-error");
    gtk_window_set_keep_above(GTK_WINDOW(window), okCancel);
    gtk_dialog_set_default_response(GTK_DIALOG(window), GTK_RESPONSE_OK);
    gtk_widget_grab_focus(gtk_dialog_get_widget_for_response(GTK_DIALOG(window), GTK_RESPONSE_OK));
    g_signal_connect(window, "key-press-event", G_CALLBACK(OnKeyPress), &body);
    const bool ok = gtk_dialog_run(GTK_DIALOG(window)) == GTK_RESPONSE_OK;
    gtk_widget_destroy(window);
    // The uploader ends soon: a clipboard manager keeps what was copied.
    gtk_clipboard_store(gtk_clipboard_get(GDK_SELECTION_CLIPBOARD));
    return ok;
}

class GtkHelperPresenter final : public HelperPresenter {
  public:
    void ShowError(const std::wstring& caption, const std::wstring& text) override {
        (void)RunBox(caption, text, false);
    }
    bool AskOkCancel(const std::wstring& caption, const std::wstring& text) override {
        return RunBox(caption, text, true);
    }
};

} // namespace

std::unique_ptr<HelperPresenter> OpenDesktopPresenter() {
    if (!gtk_init_check(nullptr, nullptr))
        return nullptr;
    g_set_application_name(kApplicationName);
    return std::make_unique<GtkHelperPresenter>();
}
