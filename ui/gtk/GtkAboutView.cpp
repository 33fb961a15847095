#include "ui/gtk/GtkAboutView.h"

#include "include/text/Utf8.h"
#include "ui/gtk/GtkDialogReports.h"
#include "ui/gtk/GtkIcons.h"

namespace {

constexpr int kBorder = 16;

} // namespace

void GtkAboutView::Show(const AboutContent& content, const MessageTarget& dialog) {
    Hide();
    m_dialog = dialog;
    GtkWidget* window = gtk_dialog_new();
    m_window = WindowOwner(window);
    gtk_window_set_title(GTK_WINDOW(window), WideToUtf8(content.caption).c_str());
    gtk_window_set_resizable(GTK_WINDOW(window), FALSE);
    gtk_window_set_position(GTK_WINDOW(window), GTK_WIN_POS_CENTER);

    GtkWidget* area = gtk_dialog_get_content_area(GTK_DIALOG(window));
    gtk_container_set_border_width(GTK_CONTAINER(area), kBorder);
    gtk_box_set_spacing(GTK_BOX(area), kBorder);
    if (content.icon) {
        GObjectRef<GdkPixbuf> pixbuf = PixbufFromIcon(*content.icon);
        gtk_window_set_icon(GTK_WINDOW(window), pixbuf.Get());
        gtk_box_pack_start(GTK_BOX(area), gtk_image_new_from_pixbuf(pixbuf.Get()), FALSE, FALSE, 0);
    }
    GtkWidget* label = gtk_label_new(WideToUtf8(content.text).c_str());
    gtk_label_set_justify(GTK_LABEL(label), GTK_JUSTIFY_CENTER);
    gtk_label_set_line_wrap(GTK_LABEL(label), TRUE);
    gtk_label_set_max_width_chars(GTK_LABEL(label), 48);
    gtk_box_pack_start(GTK_BOX(area), label, FALSE, FALSE, 0);
    gtk_dialog_add_button(GTK_DIALOG(window), "OK", GTK_RESPONSE_OK);
    gtk_dialog_set_default_response(GTK_DIALOG(window), GTK_RESPONSE_OK);

    ReportDialogActions(window, &m_dialog);
    gtk_widget_show_all(window);
    gtk_window_present(GTK_WINDOW(window));
}

void GtkAboutView::Raise() {
    if (m_window)
        gtk_window_present(GTK_WINDOW(m_window.Get()));
}

void GtkAboutView::Hide() {
    if (m_window)
        g_signal_handlers_disconnect_by_data(m_window.Get(), &m_dialog);
    m_window.Reset();
}
