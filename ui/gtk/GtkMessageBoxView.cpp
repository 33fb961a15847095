#include "ui/gtk/GtkMessageBoxView.h"

#include "include/text/Utf8.h"
#include "ui/kernel/Messages.h"

GtkMessageBoxView::~GtkMessageBoxView() {
    Dismiss();
}

void GtkMessageBoxView::Show(const MessageBoxRequest& request, std::function<void(int)> answer) {
    const bool hasCancel = (request.style & MB_OKCANCEL) != 0;
    const GtkMessageType type = (request.style & MB_ICONERROR) ? GTK_MESSAGE_ERROR : GTK_MESSAGE_INFO;
    GtkWidget* window = gtk_message_dialog_new(nullptr, GtkDialogFlags(0), type,
                                               hasCancel ? GTK_BUTTONS_OK_CANCEL : GTK_BUTTONS_OK, "%s",
                                               WideToUtf8(request.text).c_str());
    gtk_window_set_title(GTK_WINDOW(window), WideToUtf8(request.caption).c_str());
    // Message dialogs draw no icon of their own: the window's icon shows the kind.
    gtk_window_set_icon_name(GTK_WINDOW(window),
                             type == GTK_MESSAGE_ERROR ? "dialog-error" : "dialog-information");
    gtk_window_set_position(GTK_WINDOW(window), GTK_WIN_POS_CENTER);
    gtk_window_set_keep_above(GTK_WINDOW(window), (request.style & MB_TOPMOST) != 0);
    gtk_dialog_set_default_response(GTK_DIALOG(window), GTK_RESPONSE_OK);
    m_boxes.push_back(OpenBox{this, window, hasCancel, std::move(answer)});
    g_signal_connect(window, "response", G_CALLBACK(OnResponse), &m_boxes.back());
    gtk_widget_show_all(window);
    gtk_window_present(GTK_WINDOW(window));
}

void GtkMessageBoxView::OnResponse(GtkDialog* /*dialog*/, gint response, gpointer data) {
    auto* box = static_cast<OpenBox*>(data);
    const int button = response == GTK_RESPONSE_OK || !box->hasCancel ? IDOK : IDCANCEL;
    std::function<void(int)> answer = std::move(box->answer);
    box->view->Close(box);
    answer(button);
}

void GtkMessageBoxView::Close(OpenBox* box) {
    for (auto it = m_boxes.begin(); it != m_boxes.end(); ++it) {
        if (&*it != box)
            continue;
        g_signal_handlers_disconnect_by_data(it->window, box);
        gtk_widget_destroy(it->window);
        m_boxes.erase(it);
        return;
    }
}

void GtkMessageBoxView::Dismiss() {
    while (!m_boxes.empty())
        Close(&m_boxes.front());
}
