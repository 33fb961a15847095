#include "ui/gtk/GtkDialogReports.h"

namespace {

void OnResponse(GtkDialog* /*window*/, gint response, gpointer dialog) {
    if (response == GTK_RESPONSE_OK || response == GTK_RESPONSE_CANCEL)
        static_cast<const MessageTarget*>(dialog)->Post(WM_COMMAND,
                                                        response == GTK_RESPONSE_OK ? IDOK : IDCANCEL);
}

void OnEscape(GtkDialog* window, gpointer dialog) {
    // Esc is Cancel, not the close box.
    g_signal_stop_emission_by_name(window, "close");
    static_cast<const MessageTarget*>(dialog)->Post(WM_COMMAND, IDCANCEL);
}

gboolean OnDelete(GtkWidget* /*window*/, GdkEvent* /*event*/, gpointer dialog) {
    static_cast<const MessageTarget*>(dialog)->Post(WM_CLOSE);
    return TRUE;
}

} // namespace

void ReportDialogActions(GtkWidget* window, const MessageTarget* dialog) {
    gpointer data = const_cast<MessageTarget*>(dialog);
    g_signal_connect(window, "response", G_CALLBACK(OnResponse), data);
    g_signal_connect(window, "close", G_CALLBACK(OnEscape), data);
    g_signal_connect(window, "delete-event", G_CALLBACK(OnDelete), data);
}
